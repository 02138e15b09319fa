#include "base/identifypaste.h"

#include "text/strops.h"
#include "text/textfile.h"

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView kHeaderStart = u"Предмет '";
constexpr QStringView kTypeCut = u", Тип";
constexpr QStringView kTypeLabel = u"', Тип предмета:";

/// `line` without the characters up to U+0020 at its end.
QStringView withoutTrailingBlanks(QStringView line)
{
    qsizetype n = line.size();
    while (n > 0 && line.at(n - 1).unicode() <= 0x20)
        --n;
    return line.first(n);
}

bool isBlankLine(QStringView line)
{
    return withoutTrailingBlanks(line).isEmpty();
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

QString identifyHeaderName(QStringView line)
{
    if (!line.startsWith(kHeaderStart))
        return QString();
    const QStringView afterStart = line.sliced(kHeaderStart.size());
    const qsizetype cut = afterStart.indexOf(kTypeCut);
    // The name ends just before the apostrophe that stands before ", Тип".
    if (cut < 2 || !afterStart.sliced(cut - 1).startsWith(kTypeLabel))
        return QString();
    return afterStart.first(cut - 1).toString();
}

bool isPromptLine(QStringView line)
{
    const QStringView text = trimText(line);
    qsizetype i = text.startsWith(u'<') ? 1 : 0;
    const qsizetype digits = i;
    while (i < text.size() && isAsciiDigit(text.at(i)))
        ++i;
    if (i == digits || i >= text.size() || !text.at(i).isLetter())
        return false;
    return text.indexOf(u'>', i) > 0;
}

IdentifyPaste cutIdentifyPaste(QStringView paste)
{
    IdentifyPaste cut;
    IdentifiedRecord *open = nullptr;
    for (const LineRange &range : lineRanges(paste)) {
        const QStringView line = withoutTrailingBlanks(paste.sliced(range.start, range.length));
        const QString name = identifyHeaderName(line);
        if (!name.isEmpty()) {
            cut.records.append({name, {line.toString()}});
            open = &cut.records.last();
            continue;
        }
        if (isBlankLine(line) || isPromptLine(line)) {
            open = nullptr;
            continue;
        }
        if (open)
            open->lines.append(line.toString());
    }
    if (cut.records.isEmpty()) {
        cut.reason = isBlankLine(trimText(paste))
            ? u"буфер обмена пуст"_s
            : u"в буфере обмена нет строки «Предмет '…', Тип предмета: …», с которой "
              u"начинается вывод опознания"_s;
    }
    return cut;
}
