#include "text/textfile.h"

#include "text/error.h"
#include "text/largebuffer.h"
#include "text/sse2.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cerrno>
#include <new>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

const char kUtf8Bom[] = "\xEF\xBB\xBF";
const char kUtf16LeBom[] = "\xFF\xFE";
const char kUtf16BeBom[] = "\xFE\xFF";

// The ANSI code page of the program's files is Windows-1251, the Russian Windows desktop's, on
// every system: a Russian base or list reads the same on a Windows set to another language.
// Its bytes 0x80 to 0xBF, as Windows and ICU map them (0x98, unassigned, stands for U+0098);
// bytes 0xC0 to 0xFF are А to я in order, and ASCII is itself.
constexpr char16_t kWindows1251From80[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

char16_t windows1251Char(int byte)
{
    if (byte < 0x80)
        return char16_t(byte);
    if (byte < 0xC0)
        return kWindows1251From80[byte - 0x80];
    return char16_t(u'А' + (byte - 0xC0));
}

} // namespace

/// Windows-1251 as the characters of its 256 bytes, one UTF-16 unit each: the ANSI code page
/// is single-byte, so the table gives exactly the code page's text, byte by byte.
const QList<char16_t> &ansiByteTable()
{
    static const QList<char16_t> table = [] {
        QList<char16_t> t(256);
        for (int b = 0; b < 256; ++b)
            t[b] = windows1251Char(b);
        return t;
    }();
    return table;
}

namespace {

/// Whether a code page given as the characters of its 256 bytes keeps ASCII as it is and puts
/// bytes 0xC0 to 0xFF on one run of characters, as the Cyrillic code page does with the
/// Russian alphabet (А to я): such bytes decode by adding one number instead of by look-up.
/// The run's offset from the bytes, or -1.
int upperRunOffset(const QList<char16_t> &table)
{
    for (int b = 0; b < 0x80; ++b) {
        if (table.at(b) != b)
            return -1;
    }
    const int offset = int(table.at(0xC0)) - 0xC0;
    for (int b = 0xC0; b < 0x100; ++b) {
        if (int(table.at(b)) - b != offset)
            return -1;
    }
    return offset;
}

void decodeByTable(const QList<char16_t> &table, QByteArrayView bytes, char16_t *out)
{
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    const char16_t *map = table.constData();
    const qsizetype n = bytes.size();
    qsizetype i = 0;
#if TARNBOOK_SSE2
    // Sixteen bytes at a time while they are ASCII or in the upper run; a block with any
    // other byte (0x80 to 0xBF: Ё, ё, signs) goes through the table. The table is always
    // ansiByteTable's, so its run is found once.
    static const int offset = upperRunOffset(table);
    if (offset >= 0) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i upperMark = _mm_set1_epi8(char(0xC0));
        const __m128i below = _mm_set1_epi16(0xBF);
        const __m128i add = _mm_set1_epi16(short(offset));
        for (; i + 16 <= n; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
            // Bytes 0x80 to 0xBF are those whose top two bits are 10.
            const __m128i top = _mm_and_si128(v, upperMark);
            const int odd = _mm_movemask_epi8(_mm_cmpeq_epi8(top, _mm_set1_epi8(char(0x80))));
            if (odd != 0) {
                for (qsizetype k = i; k < i + 16; ++k)
                    out[k] = map[in[k]];
                continue;
            }
            __m128i low = _mm_unpacklo_epi8(v, zero);
            __m128i high = _mm_unpackhi_epi8(v, zero);
            low = _mm_add_epi16(low, _mm_and_si128(_mm_cmpgt_epi16(low, below), add));
            high = _mm_add_epi16(high, _mm_and_si128(_mm_cmpgt_epi16(high, below), add));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), low);
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 8), high);
        }
    }
#endif
    for (; i < n; ++i)
        out[i] = map[in[i]];
}

QString decodeAnsi(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    decodeByTable(ansiByteTable(), bytes, reinterpret_cast<char16_t *>(text.data()));
    return text;
}

/// Windows-1251 bytes of `text`; a character the code page lacks becomes 0x1A (SUB), as the
/// system converters write it, so that the text does not read back the same.
QByteArray encodeAnsi(QStringView text)
{
    // One byte for every UTF-16 unit, looked up directly: a hash look-up per Cyrillic letter
    // made saving a file of a few hundred kilobytes take milliseconds.
    static const QByteArray byteOf = [] {
        QByteArray bytes(0x10000, '\x1A');
        for (int b = 0; b < 0x100; ++b)
            bytes[windows1251Char(b)] = char(b);
        return bytes;
    }();
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    const char *table = byteOf.constData();
    for (const QChar c : text)
        *out++ = table[c.unicode()];
    return bytes;
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
    case TextEncoding::Ansi: return encodeAnsi(text);
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom: return text.toUtf8();
    case TextEncoding::Utf16LeBom: return encodeWith(QStringEncoder(QStringEncoder::Utf16LE), text);
    case TextEncoding::Utf16BeBom: return encodeWith(QStringEncoder(QStringEncoder::Utf16BE), text);
    }
    return QByteArray();
}

/// A surrogate without its partner is no character, and no encoding can write it: it becomes
/// U+FFFD, the substitute character of the Unicode encodings.
void replaceLoneSurrogates(QString &text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (!c.isSurrogate())
            continue;
        if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate())
            ++i;
        else
            text[i] = QChar::ReplacementCharacter;
    }
}

/// The text after the mark. A U+FEFF at its start is text (the mark is already gone), so the
/// decoders keep it instead of dropping it as a second mark. Bad bytes become U+FFFD, those
/// of a sequence cut short by the end of the file too: the decoders keep no state for more.
QString decodeBody(QByteArrayView bytes, TextEncoding encoding)
{
    constexpr auto keepFeff = QStringDecoder::Flag::ConvertInitialBom
        | QStringDecoder::Flag::Stateless;
    switch (encoding) {
    case TextEncoding::Ansi: return decodeAnsi(bytes);
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        return decodeWith(QStringDecoder(QStringDecoder::Utf8, keepFeff), bytes);
    case TextEncoding::Utf16LeBom:
    case TextEncoding::Utf16BeBom: {
        // The decoder passes a surrogate without its partner through; such a unit is an
        // invalid sequence like any other and reads as U+FFFD, so what is read can be saved
        // back unchanged.
        const auto order = encoding == TextEncoding::Utf16LeBom ? QStringDecoder::Utf16LE
                                                                : QStringDecoder::Utf16BE;
        // A last byte without its partner is a cut-off unit: U+FFFD, however short the text
        // (the decoder keeps a lone byte to itself and gives nothing for it).
        const qsizetype wholeUnits = bytes.size() - bytes.size() % 2;
        QString text = decodeWith(QStringDecoder(order, keepFeff), bytes.first(wholeUnits));
        replaceLoneSurrogates(text);
        if (wholeUnits < bytes.size())
            text += QChar::ReplacementCharacter;
        return text;
    }
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
    replaceLoneSurrogates(text);
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

QByteArray encodeText(const QString &text, TextEncoding encoding)
{
    return markOf(encoding) + encodeBody(text, encoding);
}

bool fileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

namespace {

/// A device, a named pipe or a socket: something that exists and is neither a regular file
/// nor a folder.
bool isSpecialFile(const QFileInfo &info)
{
    return info.exists() && !info.isFile() && !info.isDir();
}

/// Only a regular file is read: opening a named pipe waits until some other program writes to
/// it, and a device such as /dev/zero never ends, so either would hold the window for good.
void refuseUnlessRegularFile(const QString &path)
{
    if (isSpecialFile(QFileInfo(path)))
        throw TarnError(cannotOpenFileMessage(path, QStringLiteral("Not a regular file.")));
}

[[noreturn]] void failAsTooLarge(const QString &path)
{
    throw TarnError(cannotOpenFileMessage(path, tooLargeTextFileReason()));
}

/// The whole file's bytes; with `maxBytes` of 0 or more, a file larger than that is refused
/// before it is read, and a file that grows past it while it is read (or that tells no size,
/// as some system files do) when the bytes read pass it.
QByteArray readBytesUpTo(const QString &path, qint64 maxBytes)
{
    refuseUnlessRegularFile(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TarnError(cannotOpenFileMessage(path, file.errorString()));
    try {
        if (maxBytes < 0) {
            QByteArray bytes = file.readAll();
            if (file.error() != QFileDevice::NoError)
                throw TarnError(cannotOpenFileMessage(path, file.errorString()));
            return bytes;
        }
        if (file.size() > maxBytes)
            failAsTooLarge(path);
        QByteArray bytes;
        bytes.reserve(qsizetype(file.size()));
        QByteArray piece(1 << 20, Qt::Uninitialized);
        for (;;) {
            const qint64 got = file.read(piece.data(), piece.size());
            if (got < 0)
                throw TarnError(cannotOpenFileMessage(path, file.errorString()));
            if (got == 0)
                return bytes;
            if (bytes.size() + got > maxBytes)
                failAsTooLarge(path);
            bytes.append(piece.constData(), qsizetype(got));
        }
    } catch (const std::bad_alloc &) {
        throw TarnError(cannotOpenFileMessage(
            path, QStringLiteral("The file is too large to hold in memory.")));
    }
}

} // namespace

QString tooLargeTextFileReason()
{
    return u"файл слишком большой (больше %1 МБ)"_s.arg(maxTextFileBytes / (1024 * 1024));
}

QByteArray readFileBytes(const QString &path)
{
    return readBytesUpTo(path, -1);
}

QString existingFilePath(const QString &path)
{
    if (path.isEmpty())
        throw TarnError(cannotOpenFileMessage(path, QStringLiteral("No file name specified.")));
    refuseUnlessRegularFile(path);
    // Opening tells, in the system's words, what is wrong with a missing or unreadable file
    // or a folder.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TarnError(cannotOpenFileMessage(path, file.errorString()));
    return QFileInfo(path).absoluteFilePath();
}

namespace {

/// A file read in pieces into a buffer that is used again for each piece.
class PieceReader
{
public:
    PieceReader(const QString &path, qint64 pieceSize)
        : m_path(path), m_file(path), m_pieceSize(std::max<qint64>(pieceSize, 1))
    {
        refuseUnlessRegularFile(path);
        if (!m_file.open(QIODevice::ReadOnly))
            fail();
    }

    qint64 size() const { return m_file.size(); }

    /// The next piece; empty at the end of the file.
    QByteArrayView next()
    {
        m_buffer.resize(m_pieceSize);
        const qint64 got = m_file.read(m_buffer.data(), m_pieceSize);
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
    [[noreturn]] void fail() const
    {
        throw TarnError(cannotOpenFileMessage(m_path, m_file.errorString()));
    }

    QString m_path;
    QFile m_file;
    qint64 m_pieceSize;
    QByteArray m_buffer;
};

} // namespace

DecodedText readDecodedFile(const QString &path, const AnsiPieceVisitor &visitor, qint64 pieceBytes)
{
    try {
        PieceReader reader(path, pieceBytes);
        const QByteArrayView first = reader.next();
        const bool hasMark = first.startsWith(QByteArrayView(kUtf8Bom, 3))
            || first.startsWith(QByteArrayView(kUtf16LeBom, 2))
            || first.startsWith(QByteArrayView(kUtf16BeBom, 2));
        const QList<char16_t> &table = ansiByteTable();
        if (hasMark || !checkUtf8(first).broken)
            return decodeText(reader.rest(first));

        // Bytes that cannot be UTF-8 at the start: the whole file is ANSI, one UTF-16 unit a
        // byte, decoded piece by piece straight into the text.
        QString text;
        text.reserve(qsizetype(std::max<qint64>(reader.size(), first.size())));
        adviseLargePages(text.data(), std::size_t(text.capacity()) * sizeof(QChar));
        const PrefaultAhead prefault(text.data(), std::size_t(text.capacity()) * sizeof(QChar));
        for (QByteArrayView piece = first; !piece.isEmpty(); piece = reader.next()) {
            const qsizetype at = text.size();
            text.resize(at + piece.size());
            decodeByTable(table, piece, reinterpret_cast<char16_t *>(text.data()) + at);
            if (visitor)
                visitor(text, piece, at);
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
        DecodedText decoded = decodeText(readBytesUpTo(path, maxTextFileBytes));
        return {splitLines(decoded.text), decoded.encoding};
    } catch (const std::bad_alloc &) {
        throw TarnError(cannotOpenFileMessage(
            path, QStringLiteral("The file is too large to hold in memory.")));
    }
}

namespace {

[[noreturn]] void failToCreate(const QString &path, const QString &reason)
{
    throw TarnError(cannotCreateFileMessage(path, reason));
}

/// The reason for a failed write: the save file's own, or, where a write stopped without one,
/// the system's words for `error`.
QString writeFailureReason(const QSaveFile &file, int error)
{
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
#ifdef Q_OS_UNIX
    return qt_error_string(error != 0 ? error : EIO);
#else
    Q_UNUSED(error);
    return file.errorString();
#endif
}

/// Writes every byte, without a buffer: each write reaches the system at once, so a full disk
/// or a file size limit fails here, with the system's reason, and not unseen inside commit().
/// A write that stops short is followed by one for the rest, which then fails with the reason.
void writeAllBytes(QSaveFile &file, const QString &path, QByteArrayView bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        errno = 0;
        const qint64 written = file.write(bytes.data() + done, bytes.size() - done);
        const int error = errno;
        if (written <= 0)
            failToCreate(path, writeFailureReason(file, error));
        done += qsizetype(written);
    }
}

/// Asks the system to put the written bytes on the disk, and fails when it cannot: some file
/// systems (network shares, quotas) report a lack of room only here.
void syncToDisk(QSaveFile &file, const QString &path)
{
#ifdef Q_OS_UNIX
    if (::fsync(file.handle()) != 0 && errno != EINVAL && errno != ENOTSUP)
        failToCreate(path, qt_error_string(errno));
#else
    Q_UNUSED(file);
    Q_UNUSED(path);
#endif
}

/// Replaces the file at `path` by `bytes` atomically: a new file is written beside it, every
/// byte checked and synced to the disk, and only then renamed over it, so the old file stays
/// whole on any failure.
void writeFileAtomically(const QString &path, QByteArrayView bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        failToCreate(path, file.errorString());
    writeAllBytes(file, path, bytes);
    syncToDisk(file, path);
    if (!file.commit())
        failToCreate(path, file.errorString());
}

} // namespace

TextEncoding writeTextFile(const QString &path, const QStringList &lines, TextEncoding encoding)
{
    TextEncoding used = encoding;
    writeFileAtomically(path, encodeLines(lines, encoding, &used));
    return used;
}

namespace {

/// The program's own files are never written through a link, which may lead out of the
/// working folder (to a shell's start-up file, another program's settings), nor in place of
/// a device, a pipe or a socket, which the rename of the atomic write would replace.
void refuseUnlessOwnFile(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        failToCreate(path,
                     u"это ссылка на другой файл; программа не пишет свои файлы через "
                     u"ссылки"_s);
    if (isSpecialFile(info))
        failToCreate(path, u"это не обычный файл, а устройство, канал или сокет"_s);
}

} // namespace

TextEncoding writeStateFile(const QString &path, const QStringList &lines, TextEncoding encoding)
{
    refuseUnlessOwnFile(path);
    return writeTextFile(path, lines, encoding);
}

void writeStateFileBytes(const QString &path, QByteArrayView bytes)
{
    refuseUnlessOwnFile(path);
    writeFileAtomically(path, bytes);
}
