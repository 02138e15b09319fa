#include "text/textfile.h"

#include "text/error.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

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

QStringEncoder ansiEncoder()
{
#ifdef Q_OS_WIN
    return QStringEncoder(QStringEncoder::System);
#else
    return QStringEncoder("windows-1251");
#endif
}

// Valid UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF) with at least one
// multi-byte sequence. Stops at the first bad byte, so an ANSI file is rejected quickly.
bool isUtf8WithNonAscii(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    bool sawNonAscii = false;
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
            extra = 1; min = 0x80; code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2; min = 0x800; code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3; min = 0x10000; code = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char cc = p[i + k];
            if ((cc & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (cc & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        sawNonAscii = true;
        i += extra + 1;
    }
    return sawNonAscii;
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
    case TextEncoding::Ansi: return decodeWith(ansiDecoder(), bytes);
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom: return decodeWith(QStringDecoder(QStringDecoder::Utf8, keepFeff), bytes);
    case TextEncoding::Utf16LeBom: return decodeWith(QStringDecoder(QStringDecoder::Utf16LE, keepFeff), bytes);
    case TextEncoding::Utf16BeBom: return decodeWith(QStringDecoder(QStringDecoder::Utf16BE, keepFeff), bytes);
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

QByteArray readFileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TarnError(cannotOpenFileMessage(path, file.errorString()));
    try {
        QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw TarnError(cannotOpenFileMessage(path, file.errorString()));
        return bytes;
    } catch (const std::bad_alloc &) {
        throw TarnError(cannotOpenFileMessage(path, QStringLiteral("The file is too large to hold in memory.")));
    }
}

TextFileLines readTextFile(const QString &path)
{
    try {
        DecodedText decoded = decodeText(readFileBytes(path));
        return {splitLines(decoded.text), decoded.encoding};
    } catch (const std::bad_alloc &) {
        throw TarnError(cannotOpenFileMessage(path, QStringLiteral("The file is too large to hold in memory.")));
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
