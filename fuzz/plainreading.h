#pragma once

// The staff base rules read line by line over a plain list of lines, the slow way they are
// stated. The fuzz targets and the tests compare the indexed code with these.

#include "base/itemindex.h"
#include "base/search.h"
#include "text/strops.h"

#include <QSet>
#include <QString>
#include <QStringList>

namespace plain {

using namespace Qt::StringLiterals;

inline QString lineAt(const QStringList &lines, qsizetype i)
{
    return i < lines.size() ? lines[i] : QString();
}

/// ItemIndex: a header line starts an item (class and ratings from the next two lines when
/// the second holds "Оценка"), a level line completes it; names unique ignoring case.
inline ItemIndex scan(const QStringList &lines)
{
    QList<ItemIndexRow> rows;
    QSet<QString> appended;
    ItemIndexRow pending;
    const auto append = [&] {
        rows.append(pending);
        appended.insert(caseFoldKey(pending.name));
        pending = ItemIndexRow();
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines[i];
        if (containsText(line, u"Предмет")) {
            if (!pending.name.isEmpty() && !appended.contains(caseFoldKey(pending.name)))
                append();
            pending.level.clear();
            QString classHeader = trimText(lineAt(lines, i + 1));
            for (int k = 0; k < 5; ++k)
                classHeader = replaceEvery(classHeader, u"  ", u" ");
            QString ratings = lineAt(lines, i + 2);
            if (containsText(ratings, u"Оценка")) {
                ratings = replaceEvery(removeEvery(removeEvery(ratings, u"Оценка:"), u","), u"   ",
                                       u" ");
                for (int k = 0; k < 3; ++k)
                    ratings = replaceEvery(ratings, u"  ", u" ");
                pending.classHeader = classHeader;
                pending.ratings = trimText(ratings);
            } else {
                pending.classHeader.clear();
                pending.ratings.clear();
            }
            const QString rest = partFrom(line, 10);
            pending.name = firstChars(rest, posOf(u", Тип", rest) - 2);
        }
        if (containsText(line, u"мин.уровень")) {
            const qsizetype q = posOf(u"мин.уровень", line);
            pending.level = removeEvery(line.mid(q + 11, 2), u",");
            if (!appended.contains(caseFoldKey(pending.name)))
                append();
        }
    }
    return ItemIndex(rows);
}

inline QList<qsizetype> linesContaining(const QStringList &lines, const QString &needle)
{
    QList<qsizetype> found;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (containsText(lines[i], needle))
            found.append(i);
    }
    return found;
}

/// The lore record of `key`: copying starts at a header quoting it, stops at an end line.
inline QStringList collect(const QString &key, const QStringList &lines)
{
    QStringList result;
    bool copying = false;
    const QString quoted = u'\'' + key + u'\'';
    for (const QString &line : lines) {
        if (containsText(line, u"Предмет") && containsText(line, quoted))
            copying = true;
        if (containsText(line, u"<end node>"))
            copying = false;
        if (copying)
            result.append(line);
    }
    return result;
}

inline void addOnce(QStringList &names, const QString &name)
{
    for (const QString &n : std::as_const(names)) {
        if (equalsIgnoringCase(n, name))
            return;
    }
    names.append(name);
}

inline QStringList byName(const QStringList &lines, const QString &query)
{
    QStringList names;
    const QString q = lowerText(query);
    for (const QString &line : lines) {
        if (containsText(line, u"Предмет") && containsText(line, q))
            addOnce(names, HeaderItemName(line));
    }
    return names;
}

/// `everyName` false: only the names of `listed`, compared ignoring case.
inline QStringList byPhrase(const QStringList &lines, const QString &phrase, bool everyName,
                            const QStringList &listed)
{
    QStringList names;
    QString current;
    const QString p = lowerText(phrase);
    for (const QString &line : lines) {
        if (containsText(line, u"Предмет"))
            current = HeaderItemName(line);
        if (containsText(line, u"<end node>"))
            current.clear();
        if (current.isEmpty() || !containsText(lowerText(line), p))
            continue;
        bool allowed = everyName;
        for (const QString &name : listed)
            allowed = allowed || equalsIgnoringCase(name, current);
        if (allowed)
            addOnce(names, current);
    }
    return names;
}

} // namespace plain
