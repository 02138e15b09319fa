#include "text/textfile.h"

#include "text/error.h"
#include "text/largebuffer.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <new>

namespace {

const char kUtf8Bom[] = "\xEF\xBB\xBF";
const char kUtf16LeBom[] = "\xFF\xFE";
const char kUtf16BeBom[] = "\xFE\xFF";

// The ANSI code page: the system's on Windows, Windows-1251 (the Russian desktop's) elsewhere.
QStringDecoder ansiDecoder()
{
#ifdef Q_OS_WIN
    return QStringDecoder(QStringDecoder::System);
#else
    return QStringDecoder("windows-1251");
#endif
}

/// The ANSI code page as a table of its 256 bytes, each decoded on its own by the code page's
/// decoder. A single-byte code page decodes every byte on its own, so the table gives exactly
/// the decoder's text at a fraction of its cost. Empty when the code page is not known to be
/// single-byte (the system's, on Windows) or a byte does not give one UTF-16 unit.
const QList<char16_t> &ansiByteTable()
{
    static const QList<char16_t> table = [] {
        QList<char16_t> t;
#ifndef Q_OS_WIN
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            const QString one = ansiDecoder().decode(QByteArrayView(&byte, 1));
            if (one.size() != 1)
                return QList<char16_t>();
            t.append(one.at(0).unicode());
        }
#endif
        return t;
    }();
    return table;
}

void decodeByTable(const QList<char16_t> &table, QByteArrayView bytes, char16_t *out)
{
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    const char16_t *map = table.constData();
    for (qsizetype i = 0, n = bytes.size(); i < n; ++i)
        out[i] = map[in[i]];
}

QString decodeAnsi(QByteArrayView bytes)
{
    const QList<char16_t> &table = ansiByteTable();
    if (table.isEmpty())
        return ansiDecoder().decode(bytes);
    QString text(bytes.size(), Qt::Uninitialized);
    decodeByTable(table, bytes, reinterpret_cast<char16_t *>(text.data()));
    return text;
}

QStringEncoder ansiEncoder()
{
#ifdef Q_OS_WIN
    return QStringEncoder(QStringEncoder::System);
#else
    return QStringEncoder("windows-1251");
#endif
}

/// What a UTF-8 check of some bytes found.
struct Utf8Check
{
    bool broken = false;      ///< a byte that no valid UTF-8 can hold there
    bool cutShort = false;    ///< the bytes end inside a multi-byte sequence
    bool sawNonAscii = false; ///< at least one multi-byte sequence
};

// Valid UTF-8 is no overlongs, no surrogates, nothing above U+10FFFF. Stops at the first bad
// byte, so an ANSI file is rejected quickly.
Utf8Check checkUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    Utf8Check check;
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra = 0;
        unsigned min = 0;
        unsigned code = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            min = 0x80;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            min = 0x800;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            min = 0x10000;
            code = c & 0x07;
        } else {
            check.broken = true;
            return check;
        }
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= n) {
                check.cutShort = true;
                return check;
            }
            const unsigned char cc = p[i + k];
            if ((cc & 0xC0) != 0x80) {
                check.broken = true;
                return check;
            }
            code = (code << 6) | (cc & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            check.broken = true;
            return check;
        }
        check.sawNonAscii = true;
        i += extra + 1;
    }
    return check;
}

// Valid UTF-8 with at least one multi-byte sequence.
bool isUtf8WithNonAscii(QByteArrayView bytes)
{
    const Utf8Check check = checkUtf8(bytes);
    return !check.broken && !check.cutShort && check.sawNonAscii;
}

QString decodeWith(QStringDecoder decoder, QByteArrayView bytes)
{
    return decoder.decode(bytes);
}

QByteArray encodeWith(QStringEncoder encoder, const QString &text)
{
    return encoder.encode(text);
}

QByteArray markOf(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8Bom: return QByteArray(kUtf8Bom, 3);
    case TextEncoding::Utf16LeBom: return QByteArray(kUtf16LeBom, 2);
    case TextEncoding::Utf16BeBom: return QByteArray(kUtf16BeBom, 2);
    case TextEncoding::Ansi:
    case TextEncoding::Utf8: break;
    }
    return QByteArray();
}

QByteArray encodeBody(const QString &text, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Ansi: return encodeWith(ansiEncoder(), text);
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom: return text.toUtf8();
    case TextEncoding::Utf16LeBom: return encodeWith(QStringEncoder(QStringEncoder::Utf16LE), text);
    case TextEncoding::Utf16BeBom: return encodeWith(QStringEncoder(QStringEncoder::Utf16BE), text);
    }
    return QByteArray();
}

/// The text after the mark. A U+FEFF at its start is text (the mark is already gone), so the
/// decoders keep it instead of dropping it as a second mark.
QString decodeBody(QByteArrayView bytes, TextEncoding encoding)
{
    constexpr auto keepFeff = QStringDecoder::Flag::ConvertInitialBom;
    switch (encoding) {
    case TextEncoding::Ansi: return decodeAnsi(bytes);
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        return decodeWith(QStringDecoder(QStringDecoder::Utf8, keepFeff), bytes);
    case TextEncoding::Utf16LeBom:
        return decodeWith(QStringDecoder(QStringDecoder::Utf16LE, keepFeff), bytes);
    case TextEncoding::Utf16BeBom:
        return decodeWith(QStringDecoder(QStringDecoder::Utf16BE, keepFeff), bytes);
    }
    return QString();
}

} // namespace

DecodedText decodeText(const QByteArray &bytes)
{
    TextEncoding encoding = TextEncoding::Ansi;
    qsizetype markLength = 0;
    if (bytes.startsWith(QByteArrayView(kUtf8Bom, 3))) {
        encoding = TextEncoding::Utf8Bom;
        markLength = 3;
    } else if (bytes.startsWith(QByteArrayView(kUtf16LeBom, 2))) {
        encoding = TextEncoding::Utf16LeBom;
        markLength = 2;
    } else if (bytes.startsWith(QByteArrayView(kUtf16BeBom, 2))) {
        encoding = TextEncoding::Utf16BeBom;
        markLength = 2;
    } else if (isUtf8WithNonAscii(bytes)) {
        encoding = TextEncoding::Utf8;
    }
    return {decodeBody(QByteArrayView(bytes).sliced(markLength), encoding), encoding};
}

QList<LineRange> lineRanges(QStringView text)
{
    QList<LineRange> ranges;
    const char16_t *p = text.utf16();
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c != u'\r' && c != u'\n')
            continue;
        ranges.append({start, i - start});
        if (c == u'\r' && i + 1 < n && p[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        ranges.append({start, n - start});
    return ranges;
}

QStringList splitLines(QStringView text)
{
    const QList<LineRange> ranges = lineRanges(text);
    QStringList lines;
    lines.reserve(ranges.size());
    for (const LineRange &r : ranges)
        lines.append(text.sliced(r.start, r.length).toString());
    return lines;
}

QStringList splitLines(QString &&text)
{
    const QList<LineRange> ranges = lineRanges(text);
    if (ranges.size() != 1 || ranges.first().start != 0)
        return splitLines(QStringView(text));
    text.truncate(ranges.first().length); // in place when the text is not shared
    return {std::move(text)};
}

QByteArray encodeLines(const QStringList &lines, TextEncoding encoding, TextEncoding *usedEncoding)
{
    QString text;
    qsizetype total = 0;
    for (const QString &line : lines)
        total += line.size() + 2;
    text.reserve(total);
    for (const QString &line : lines) {
        text += line;
        text += u"\r\n";
    }
    // The file must read back as the same text: the encoding must represent every character,
    // and markless bytes must not pass for a mark or for UTF-8 (ANSI "яю" is the bytes of the
    // UTF-16 mark; some ANSI texts are valid UTF-8).
    QByteArray bytes = markOf(encoding) + encodeBody(text, encoding);
    if (encoding != TextEncoding::Utf8Bom && decodeText(bytes).text != text) {
        encoding = TextEncoding::Utf8Bom;
        bytes = markOf(encoding) + encodeBody(text, encoding);
    }
    if (usedEncoding)
        *usedEncoding = encoding;
    return bytes;
}

bool fileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

namespace {

/// Only a regular file is read: opening a named pipe waits until some other program writes to
/// it, and a device such as /dev/zero never ends, so either would hold the window for good.
void refuseUnlessRegularFile(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile() && !info.isDir())
        throw TarnError(cannotOpenFileMessage(path, QStringLiteral("Not a regular file.")));
}

} // namespace

QByteArray readFileBytes(const QString &path)
{
    refuseUnlessRegularFile(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TarnError(cannotOpenFileMessage(path, file.errorString()));
    try {
        QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw TarnError(cannotOpenFileMessage(path, file.errorString()));
        return bytes;
    } catch (const std::bad_alloc &) {
        throw TarnError(cannotOpenFileMessage(
            path, QStringLiteral("The file is too large to hold in memory.")));
    }
}

namespace {

/// A file read in pieces into a buffer that is used again for each piece.
class PieceReader
{
public:
    explicit PieceReader(const QString &path) : m_path(path), m_file(path)
    {
        refuseUnlessRegularFile(path);
        if (!m_file.open(QIODevice::ReadOnly))
            fail();
    }

    qint64 size() const { return m_file.size(); }

    /// The next piece; empty at the end of the file.
    QByteArrayView next()
    {
        m_buffer.resize(kPieceSize);
        const qint64 got = m_file.read(m_buffer.data(), kPieceSize);
        if (got < 0)
            fail();
        return QByteArrayView(m_buffer).first(got);
    }

    /// Everything from here to the end, after `first`.
    QByteArray rest(QByteArrayView first)
    {
        QByteArray bytes = first.toByteArray();
        bytes += m_file.readAll();
        if (m_file.error() != QFileDevice::NoError)
            fail();
        return bytes;
    }

private:
    static constexpr qint64 kPieceSize = 1 << 20;

    [[noreturn]] void fail() const
    {
        throw TarnError(cannotOpenFileMessage(m_path, m_file.errorString()));
    }

    QString m_path;
    QFile m_file;
    QByteArray m_buffer;
};

} // namespace

DecodedText readDecodedFile(const QString &path)
{
    try {
        PieceReader reader(path);
        const QByteArrayView first = reader.next();
        const bool hasMark = first.startsWith(QByteArrayView(kUtf8Bom, 3))
            || first.startsWith(QByteArrayView(kUtf16LeBom, 2))
            || first.startsWith(QByteArrayView(kUtf16BeBom, 2));
        const QList<char16_t> &table = ansiByteTable();
        if (hasMark || table.isEmpty() || !checkUtf8(first).broken)
            return decodeText(reader.rest(first));

        // Bytes that cannot be UTF-8 at the start: the whole file is ANSI, one UTF-16 unit a
        // byte, decoded piece by piece straight into the text.
        QString text;
        text.reserve(qsizetype(std::max<qint64>(reader.size(), first.size())));
        adviseLargePages(text.data(), std::size_t(text.capacity()) * sizeof(QChar));
        for (QByteArrayView piece = first; !piece.isEmpty(); piece = reader.next()) {
            const qsizetype at = text.size();
            text.resize(at + piece.size());
            decodeByTable(table, piece, reinterpret_cast<char16_t *>(text.data()) + at);
        }
        return {std::move(text), TextEncoding::Ansi};
    } catch (const std::bad_alloc &) {
        throw TarnError(cannotOpenFileMessage(
            path, QStringLiteral("The file is too large to hold in memory.")));
    }
}

TextFileLines readTextFile(const QString &path)
{
    try {
        DecodedText decoded = decodeText(readFileBytes(path));
        return {splitLines(decoded.text), decoded.encoding};
    } catch (const std::bad_alloc &) {
        throw TarnError(cannotOpenFileMessage(
            path, QStringLiteral("The file is too large to hold in memory.")));
    }
}

TextEncoding writeTextFile(const QString &path, const QStringList &lines, TextEncoding encoding)
{
    TextEncoding used = encoding;
    const QByteArray bytes = encodeLines(lines, encoding, &used);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw TarnError(cannotCreateFileMessage(path, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw TarnError(cannotCreateFileMessage(path, file.errorString()));
    return used;
}
