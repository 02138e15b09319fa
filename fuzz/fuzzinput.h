#pragma once

// What every fuzz target shares: reading option bytes and text from the fuzzer's input, and
// a check that stops the run with a message when an invariant fails.

#include "text/textfile.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

/// Ends the run as a crash, so that libFuzzer keeps the input that broke the invariant.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

/// The fuzzer's bytes, read from the front: a few option bytes, then text.
class FuzzInput
{
public:
    FuzzInput(const std::uint8_t *data, std::size_t size)
        : m_data(reinterpret_cast<const char *>(data)), m_size(qsizetype(size))
    {}

    /// The next byte, 0 once the input is used up.
    quint8 takeByte() { return m_pos < m_size ? quint8(m_data[m_pos++]) : 0; }
    bool takeBool() { return takeByte() & 1; }

    /// The rest of the input as bytes.
    QByteArray restBytes() const
    {
        return m_pos < m_size ? QByteArray(m_data + m_pos, m_size - m_pos) : QByteArray();
    }

    /// The rest of the input as text. An even first byte: the bytes of a file, decoded by the
    /// text-file rule (the way lists, settings and the staff base arrive). An odd one: raw
    /// UTF-16 code units, lone surrogates and all (the way clipboard text can arrive).
    QString restText()
    {
        if (!takeBool())
            return decodeText(restBytes()).text;
        const QByteArray bytes = restBytes();
        return QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
    }

private:
    const char *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

/// The parts of `text` between the U+001E separators (the record separator, which no game
/// text holds), at most `count`: the last part keeps the rest. Missing parts are empty.
inline QStringList takeParts(const QString &text, int count)
{
    QStringList parts;
    qsizetype from = 0;
    for (int k = 0; k < count - 1; ++k) {
        const qsizetype at = text.indexOf(QChar(0x1E), from);
        if (at < 0)
            break;
        parts.append(text.sliced(from, at - from));
        from = at + 1;
    }
    parts.append(text.sliced(from));
    while (parts.size() < count)
        parts.append(QString());
    return parts;
}
