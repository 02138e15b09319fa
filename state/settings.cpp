#include "state/settings.h"

#include "state/colournames.h"
#include "text/error.h"
#include "text/numbers.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

/// Longest piece of an offending line quoted in the error box; a garbage file may hold a
/// line of megabytes, which a message box cannot lay out.
constexpr qsizetype kQuotedTextLimit = 200;

QString conversionError(const QString &text)
{
    if (text.size() <= kQuotedTextLimit)
        return notValidIntegerMessage(text);
    return notValidIntegerMessage(text.left(kQuotedTextLimit) + u'…');
}

QString lineAt(const QStringList &lines, qsizetype i)
{
    return i < lines.size() ? lines.at(i) : QString();
}

std::optional<quint32> colourAt(const QStringList &lines, qsizetype i)
{
    try {
        return colourFromName(lineAt(lines, i));
    } catch (const TarnError &) {
        return std::nullopt;
    }
}

QString singleLine(QString text)
{
    text.remove(u'\r');
    text.remove(u'\n');
    return text;
}

} // namespace

SettingsRead readSettings(const QStringList &lines)
{
    SettingsRead read;
    SettingsRecord &r = read.record;
    r.basePath = lineAt(lines, 0);
    read.fieldsRead = 1;

    int *const numbers[] = {&r.width, &r.height, &r.top, &r.left};
    for (qsizetype i = 0; i < 4; ++i) {
        const QString line = lineAt(lines, i + 1);
        const std::optional<qint32> value = parseInteger(line);
        if (!value) {
            read.error = conversionError(line);
            return read;
        }
        *numbers[i] = *value;
        ++read.fieldsRead;
    }

    r.prefix = lineAt(lines, 5);
    r.exchangeOperation = lineAt(lines, 6);
    read.fieldsRead += 2;

    if (!lineAt(lines, 7).isEmpty()) {
        const std::optional<quint32> background = colourAt(lines, 7);
        if (!background) {
            read.error = conversionError(lineAt(lines, 7));
            return read;
        }
        read.background = background;
        const std::optional<quint32> text = colourAt(lines, 8);
        if (!text) {
            read.error = conversionError(lineAt(lines, 8));
            return read;
        }
        r.colours = ColourPair{*background, *text};
    }
    ++read.fieldsRead;
    return read;
}

QStringList settingsLines(const SettingsRecord &record)
{
    QStringList lines{singleLine(record.basePath),         QString::number(record.width),
                      QString::number(record.height),      QString::number(record.top),
                      QString::number(record.left),        singleLine(record.prefix),
                      singleLine(record.exchangeOperation)};
    if (record.colours && record.colours->background != 0) {
        lines.append(colourToName(record.colours->background));
        lines.append(colourToName(record.colours->text));
    }
    return lines;
}

WindowBounds fitWindowToDesktop(WindowBounds wanted, const QRect &desktop, const QSize &minimum)
{
    WindowBounds fitted = wanted;
    fitted.width = std::clamp(wanted.width, minimum.width(),
                              std::max(minimum.width(), desktop.width()));
    fitted.height = std::clamp(wanted.height, minimum.height(),
                               std::max(minimum.height(), desktop.height()));
    // 64-bit sums: a saved edge near the 32-bit limit plus the width must not overflow.
    const bool overlapsHorizontally = qint64(fitted.left) < qint64(desktop.x()) + desktop.width()
        && qint64(fitted.left) + fitted.width > desktop.x();
    const bool overlapsVertically = qint64(fitted.top) < qint64(desktop.y()) + desktop.height()
        && qint64(fitted.top) + fitted.height > desktop.y();
    if (!overlapsHorizontally || !overlapsVertically) {
        fitted.left = desktop.x();
        fitted.top = desktop.y();
    }
    return fitted;
}
