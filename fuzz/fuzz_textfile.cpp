// Text decoding, line splitting and writing back, over arbitrary file bytes.

#include "fuzzinput.h"

#include "text/textfile.h"

using namespace Qt::StringLiterals;

namespace {

bool isBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}

/// The text with every CR LF and lone CR turned into LF and one final LF dropped: what the
/// lines joined by LF must give.
QString normalisedBreaks(const QString &text)
{
    QString s = text;
    s.replace(u"\r\n"_s, u"\n"_s);
    s.replace(u'\r', u'\n');
    if (s.endsWith(u'\n'))
        s.chop(1);
    return s;
}

void checkLines(const QString &text)
{
    const QList<LineRange> ranges = lineRanges(text);
    const QStringList lines = splitLines(text);
    FUZZ_CHECK(ranges.size() == lines.size());
    FUZZ_CHECK(text.isEmpty() == lines.isEmpty());
    qsizetype expectedStart = 0;
    for (qsizetype i = 0; i < ranges.size(); ++i) {
        const LineRange r = ranges[i];
        FUZZ_CHECK(r.start == expectedStart);
        FUZZ_CHECK(r.length >= 0 && r.start + r.length <= text.size());
        const QStringView line = QStringView(text).sliced(r.start, r.length);
        FUZZ_CHECK(line == lines[i]);
        FUZZ_CHECK(!line.contains(u'\r') && !line.contains(u'\n'));
        // Between this line and the next (or the end) stands exactly one line break.
        qsizetype next = r.start + r.length;
        if (next < text.size()) {
            FUZZ_CHECK(isBreak(text[next]));
            next += (text[next] == u'\r' && next + 1 < text.size() && text[next + 1] == u'\n') ? 2
                                                                                               : 1;
        }
        expectedStart = next;
    }
    FUZZ_CHECK(expectedStart == text.size() || (ranges.isEmpty() && text.isEmpty()));
    FUZZ_CHECK(lines.join(u'\n') == normalisedBreaks(text));
}

/// True when every surrogate stands in a pair; only such text has a form in every encoding.
bool isWholeUtf16(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return false;
    }
    return true;
}

/// Writing lines and reading the bytes back gives the same lines: saving never changes an entry.
void checkRoundTrip(const QStringList &lines, TextEncoding encoding)
{
    TextEncoding used = encoding;
    const QByteArray bytes = encodeLines(lines, encoding, &used);
    FUZZ_CHECK(used == encoding || used == TextEncoding::Utf8Bom);
    const DecodedText back = decodeText(bytes);
    FUZZ_CHECK(splitLines(back.text) == lines);
    FUZZ_CHECK(back.text.size() == 0 || back.text.endsWith(u"\r\n"_s));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput input(data, size);
    const quint8 writeAs = input.takeByte();
    const QByteArray bytes = input.restBytes();

    const DecodedText decoded = decodeText(bytes);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        FUZZ_CHECK(decoded.encoding == TextEncoding::Utf8Bom);
    else if (bytes.startsWith("\xFF\xFE"))
        FUZZ_CHECK(decoded.encoding == TextEncoding::Utf16LeBom);
    else if (bytes.startsWith("\xFE\xFF"))
        FUZZ_CHECK(decoded.encoding == TextEncoding::Utf16BeBom);
    checkLines(decoded.text);

    // Raw UTF-16 too, lone surrogates included, as a clipboard may hand it over.
    const QString raw(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
    checkLines(raw);

    const QStringList lines = splitLines(decoded.text);
    checkRoundTrip(lines, decoded.encoding);
    if (isWholeUtf16(raw))
        checkRoundTrip(splitLines(raw), TextEncoding(writeAs % 5));
    return 0;
}
