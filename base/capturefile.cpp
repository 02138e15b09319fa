#include "base/capturefile.h"

#include "base/itemindex.h"
#include "base/recordmarkers.h"
#include "base/staffbase.h"
#include "text/error.h"
#include "text/strops.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView kTreePadHeader = u"<Treepad version";
constexpr QStringView kNodeLine = u"<node>";
constexpr QStringView kNodeEndLine = u"<end node> 5P9i0s8y19Z";
constexpr QStringView kCrLf = u"\r\n";

/// One line of a text: where it starts, how long it is without its break, and where the next
/// line starts.
struct TextLine
{
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype next = 0;
};

QList<TextLine> textLines(QStringView text)
{
    QList<TextLine> lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        qsizetype next = i + 1;
        if (c == u'\r' && next < n && text.at(next) == u'\n')
            ++next;
        lines.append({start, i - start, next});
        start = next;
        i = next - 1;
    }
    if (start < n)
        lines.append({start, n - start, n});
    return lines;
}

QStringView lineAt(QStringView text, const TextLine &line)
{
    return text.sliced(line.start, line.length);
}

bool endsWithBreak(QStringView text)
{
    return text.endsWith(u'\n') || text.endsWith(u'\r');
}

QString joinedWithCrLf(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines) {
        text += line;
        text += kCrLf;
    }
    return text;
}

QString rootNodeText()
{
    return u"dt=Text\r\n<node>\r\nОпознанные предметы\r\n0\r\n"_s + kNodeEndLine.toString()
        + kCrLf.toString();
}

QString encodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Ansi: return u"Windows-1251"_s;
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom: return u"UTF-8"_s;
    case TextEncoding::Utf16LeBom:
    case TextEncoding::Utf16BeBom: return u"UTF-16"_s;
    }
    return QString();
}

/// Where the first character of `s` that `encoding` cannot write stands: one outside
/// Windows-1251 for the ANSI code page, a surrogate without its partner for the others.
/// -1 when every character can be written.
qsizetype firstUnwritable(QStringView s, TextEncoding encoding)
{
    static const QList<char16_t> &table = ansiByteTable();
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
            if (encoding == TextEncoding::Ansi)
                return i;
            ++i;
            continue;
        }
        if (c.isSurrogate())
            return i;
        if (encoding == TextEncoding::Ansi && c.unicode() >= 0x80 && !table.contains(c.unicode()))
            return i;
    }
    return -1;
}

/// «✓» (U+2713): a character as the player can find it, with its code.
QString describeCharacter(QStringView s, qsizetype i)
{
    char32_t code = s.at(i).unicode();
    QStringView shown = s.sliced(i, 1);
    if (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
        code = QChar::surrogateToUcs4(s.at(i), s.at(i + 1));
        shown = s.sliced(i, 2);
    } else if (s.at(i).isSurrogate()) {
        shown = QStringView();
    }
    return u"«%1» (U+%2)"_s.arg(
        shown.toString(), QString::number(quint32(code), 16).toUpper().rightJustified(4, u'0'));
}

[[noreturn]] void refuse(const QString &path, const QString &reason)
{
    throw TarnError(cannotCreateFileMessage(path, reason));
}

/// Refuses a record that the file could not hold as it is.
void checkRecordFits(const QString &path, const IdentifiedRecord &record, TextEncoding encoding)
{
    for (qsizetype k = 0; k < record.lines.size(); ++k) {
        const QString &line = record.lines.at(k);
        if (line.contains(kEndMarker))
            refuse(path,
                   u"строка %1 записи «%2» содержит «<end node>», которым TreePad "
                   u"заканчивает узел; запись не сохранена"_s.arg(k + 1)
                       .arg(record.name));
        const qsizetype bad = firstUnwritable(line, encoding);
        if (bad >= 0)
            refuse(path,
                   u"знака %1 из строки %2 записи «%3» нет в кодировке %4, в которой "
                   u"записан файл; запись не сохранена, файл не изменён"_s
                       .arg(describeCharacter(line, bad))
                       .arg(k + 1)
                       .arg(record.name, encodingName(encoding)));
    }
    if (firstUnwritable(record.name, encoding) >= 0)
        refuse(path,
               u"в имени предмета «%1» есть знак, которого нет в кодировке %2"_s.arg(
                   record.name, encodingName(encoding)));
}

/// The capture file as it stands: its text and the encoding it is written in.
struct CaptureFileNow
{
    bool exists = false;
    QString text;
    TextEncoding encoding = TextEncoding::Ansi;
};

/// Reads the file and makes sure that what is not changed will be written back byte for
/// byte: a file whose bytes do not come back the same from their text (broken UTF-8, say)
/// is refused rather than changed.
CaptureFileNow readCaptureFileNow(const QString &path)
{
    CaptureFileNow now;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return now;
    const QByteArray bytes = readFileBytes(path);
    DecodedText decoded = decodeText(bytes);
    if (encodeText(decoded.text, decoded.encoding) != bytes)
        refuse(path,
               u"в файле есть байты, которые нельзя записать обратно такими же; "
               u"файл не изменён"_s);
    if (!decoded.text.isEmpty() && !isTreePadText(decoded.text))
        refuse(path,
               u"это не файл TreePad: его первая строка не «<Treepad version …>»; "
               u"файл не изменён"_s);
    now.exists = true;
    now.text = std::move(decoded.text);
    now.encoding = decoded.encoding;
    return now;
}

/// Writes the new text in the file's encoding, once it is sure to read back as that text.
void writeCaptureFile(const QString &path, const QString &text, TextEncoding encoding)
{
    const QByteArray bytes = encodeText(text, encoding);
    if (decodeText(bytes).text != text)
        refuse(path,
               u"файл не прочитался бы обратно таким, каким записан бы был; "
               u"файл не изменён"_s);
    writeStateFileBytes(path, bytes);
}

/// Where the record of a named item stands in a capture file's text.
struct RecordPlace
{
    qsizetype start = -1; ///< -1: no node holds the item
    qsizetype end = -1;   ///< the start of the line that stops the record
    QStringList lines;
};

RecordPlace findRecord(QStringView text, QStringView name)
{
    const QList<TextLine> lines = textLines(text);
    for (const TreePadNode &node : treePadNodes(text)) {
        for (qsizetype i = node.firstTextLine; i < node.endLine; ++i) {
            const QStringView line = lineAt(text, lines.at(i));
            if (!containsText(line, kHeaderMarker) || itemIndexNameOf(line) != name)
                continue;
            RecordPlace place;
            place.start = lines.at(i).start;
            qsizetype stop = i + 1;
            while (stop < node.endLine
                   && !containsText(lineAt(text, lines.at(stop)), kHeaderMarker))
                ++stop;
            place.end = stop < lines.size() ? lines.at(stop).start : text.size();
            for (qsizetype k = i; k < stop; ++k)
                place.lines.append(lineAt(text, lines.at(k)).toString());
            return place;
        }
    }
    return RecordPlace();
}

QStringView withoutTrailingBlanks(QStringView line)
{
    qsizetype n = line.size();
    while (n > 0 && line.at(n - 1).unicode() <= 0x20)
        --n;
    return line.first(n);
}

} // namespace

bool isTreePadText(QStringView text)
{
    return text.startsWith(kTreePadHeader);
}

QList<TreePadNode> treePadNodes(QStringView text)
{
    QList<TreePadNode> nodes;
    if (!isTreePadText(text))
        return nodes;
    const QList<TextLine> lines = textLines(text);
    const qsizetype n = lines.size();
    const auto line = [&](qsizetype i) {
        return i < n ? lineAt(text, lines.at(i)) : QStringView();
    };
    const auto startOf = [&](qsizetype i) { return i < n ? lines.at(i).start : text.size(); };
    qsizetype i = 1;
    while (i < n) {
        if (!line(i).startsWith(u"dt=") || line(i + 1) != kNodeLine) {
            ++i;
            continue;
        }
        TreePadNode node;
        node.start = lines.at(i).start;
        node.title = line(i + 2).toString();
        node.depth = line(i + 3).toString();
        node.firstTextLine = std::min(i + 4, n);
        qsizetype end = node.firstTextLine;
        while (end < n && !containsText(line(end), kEndMarker))
            ++end;
        node.endLine = end;
        node.textStart = startOf(node.firstTextLine);
        node.textEnd = startOf(end);
        node.end = end < n ? lines.at(end).next : text.size();
        nodes.append(node);
        i = end + 1;
    }
    return nodes;
}

QString newCaptureFileText()
{
    return u"<Treepad version 3.0>\r\n"_s + rootNodeText();
}

QString captureNodeText(const IdentifiedRecord &record)
{
    return u"dt=Text\r\n<node>\r\n"_s + record.name + u"\r\n1\r\n"_s + joinedWithCrLf(record.lines)
        + kNodeEndLine.toString() + kCrLf.toString();
}

QStringList recordLinesNamed(const StaffBase &base, QStringView name)
{
    QStringList lines;
    if (name.isEmpty())
        return lines;
    const QList<qsizetype> &headers = base.headerLines();
    for (qsizetype header : base.headerLinesQuoting(name)) {
        if (itemIndexNameOf(base.line(header)) != name)
            continue;
        const qsizetype k = std::lower_bound(headers.cbegin(), headers.cend(), header)
            - headers.cbegin();
        const qsizetype stop = std::max(base.recordStop(k), header + 1);
        for (qsizetype i = header; i < stop; ++i)
            lines.append(base.line(i).toString());
        break;
    }
    return lines;
}

bool sameRecord(const QStringList &a, const QStringList &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (withoutTrailingBlanks(a.at(i)) != withoutTrailingBlanks(b.at(i)))
            return false;
    }
    return true;
}

CaptureResult captureRecord(const QString &path, const IdentifiedRecord &record,
                            const QStringList &staffRecord)
{
    CaptureFileNow now = readCaptureFileNow(path);
    CaptureResult result;
    result.name = record.name;
    result.current = record.lines;
    result.fileText = now.text;

    const RecordPlace place = findRecord(now.text, record.name);
    if (place.start >= 0) {
        result.previousFrom = CaptureResult::Previous::CaptureFile;
        result.previous = place.lines;
    } else if (!staffRecord.isEmpty()) {
        result.previousFrom = CaptureResult::Previous::StaffBase;
        result.previous = staffRecord;
    }
    if (result.previousFrom != CaptureResult::Previous::None
        && sameRecord(result.previous, record.lines)) {
        result.outcome = CaptureResult::Outcome::Identical;
        return result;
    }
    checkRecordFits(path, record, now.encoding);

    CaptureEdit &edit = result.edit;
    if (place.start >= 0) {
        result.outcome = CaptureResult::Outcome::Updated;
        edit.at = place.start;
        edit.removed = now.text.sliced(place.start, place.end - place.start);
        edit.inserted = joinedWithCrLf(record.lines);
        if (!endsWithBreak(edit.removed))
            edit.inserted.chop(kCrLf.size());
    } else {
        result.outcome = CaptureResult::Outcome::Added;
        edit.createdFile = !now.exists;
        edit.at = now.text.size();
        if (now.text.isEmpty())
            edit.inserted = newCaptureFileText();
        else if (!endsWithBreak(now.text))
            edit.inserted = kCrLf.toString();
        if (!now.text.isEmpty() && treePadNodes(now.text).isEmpty())
            edit.inserted += rootNodeText();
        edit.inserted += captureNodeText(record);
    }
    QString text = now.text;
    text.replace(edit.at, edit.removed.size(), edit.inserted);
    writeCaptureFile(path, text, now.encoding);
    result.fileText = std::move(text);
    return result;
}

QString undoCapture(const QString &path, const CaptureEdit &edit)
{
    CaptureFileNow now = readCaptureFileNow(path);
    if (edit.inserted.isEmpty())
        return now.text;
    // The occurrence nearest to where the capture put it: the player may have changed the
    // file before it since.
    qsizetype best = -1;
    for (qsizetype at = now.text.indexOf(edit.inserted); at >= 0;
         at = now.text.indexOf(edit.inserted, at + 1)) {
        if (best < 0 || std::abs(at - edit.at) < std::abs(best - edit.at))
            best = at;
    }
    if (best < 0)
        refuse(path,
               u"записи, которую добавила команда «В базу», в файле уже нет: его "
               u"изменили после неё; файл не изменён"_s);
    QString text = now.text;
    text.replace(best, edit.inserted.size(), edit.removed);
    // The capture that made the file put all of it there: taking it back removes the file.
    if (edit.createdFile && text.isEmpty()) {
        QFile file(path);
        if (!file.remove())
            refuse(path, file.errorString());
        return QString();
    }
    writeCaptureFile(path, text, now.encoding);
    return text;
}

QString readCaptureFileText(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return QString();
    return readDecodedFile(path).text;
}
