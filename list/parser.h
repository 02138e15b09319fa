#pragma once

// Turning pasted game output into item list entries, and the item key of an entry.

#include <QString>
#include <QStringList>

/// The normalised item name of an entry: the number prefix of a numbered entry, a tail from
/// "[" on (with the character before it), and every "*", "<>" and "#" go; then it is trimmed.
/// Compared exactly with the item index names and looked for in the staff base.
QString ItemKey(const QString &entry);

/// The count label's text: "N предметов", whatever N is.
QString countText(qsizetype count);

/// What one run of the paste parser produces.
struct PastedLines
{
    QStringList trimmedLines; ///< the paste buffer's lines, each trimmed
    QStringList entries;      ///< entries to append to the item list, in order
    QStringList names;        ///< names to append to ListedNames, in order
    QString countText;        ///< the count label after the entries are appended
};

/// Parses pasted game output line by line into item list entries and ListedNames names.
/// Presence tests see `listEntries`/`listedNames` together with what earlier lines of the
/// same run appended; they ignore letter case.
PastedLines parsePaste(const QStringList &pastedLines, const QStringList &listEntries,
                       const QStringList &listedNames);
