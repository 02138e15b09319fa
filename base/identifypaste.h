#pragma once

// The game's identify output as players copy it from their client: the records of identified
// items cut out of the echo, prompt and blank lines around them.

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

/// One identified item: its name and the record's lines as the game printed them, trailing
/// blanks removed; the first line is the header.
struct IdentifiedRecord
{
    QString name;
    QStringList lines;

    bool operator==(const IdentifiedRecord &) const = default;
};

/// The records of one paste, in paste order; with none, why not (in Russian, for the player).
struct IdentifyPaste
{
    QList<IdentifiedRecord> records;
    QString reason;
};

/// The item name of an identify header line «Предмет 'имя', Тип предмета: тип» that starts
/// the line; empty when the line is no such header. The name is cut as the item index cuts
/// it (from the 10th character up to the apostrophe before ", Тип"), so that a captured item
/// is named exactly as the same record in the staff base would be.
QString identifyHeaderName(QStringView line);

/// A line of the game's prompt, with or without the command typed after it: it begins
/// (after blanks, and an optional "<") with a number joined to a letter, as the status fields
/// «123H», «80M», «1200o» are, and a ">" follows later on the line: «<123H 456M 789V>»,
/// «123H 80M 400V Вых:СЮ>», «123H 80M 400V Вых:СЮ> опознать меч». No line of an item's
/// record has that shape.
bool isPromptLine(QStringView line);

/// Cuts a paste into records: each runs from a header line up to, not including, the next
/// header line, a blank line (nothing but characters up to U+0020), a prompt line or the end.
/// Lines end at CR LF, LF or CR. Lines before the first header are left out.
IdentifyPaste cutIdentifyPaste(QStringView paste);
