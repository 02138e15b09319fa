#pragma once

// The lore view's content: which lines of the staff base make an item's record, the slot
// label under the view, and the colouring of the shown text.

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

class CombinedBase;
class StaffBase;

/// One coloured stretch of the lore text: positions count one character per line break.
struct LoreSpan
{
    qsizetype start = 0;
    qsizetype length = 0;
    quint32 colour = 0; ///< 0xAARRGGBB, the same type as QRgb (QtGui is not linked here)

    bool operator==(const LoreSpan &) const = default;
};

/// The record lines of `key`: from every header line that holds "Предмет" and the key between
/// apostrophes up to (not including) the next "<end node>" line, or to the end of the base.
QStringList CollectLoreLines(const QString &key, const StaffBase &base);
/// The record lines of `key` in the staff base and the capture file read together: the
/// capture file's when it has any, the staff base's otherwise.
QStringList CollectLoreLines(const QString &key, const CombinedBase &base);
/// What the lore view says of an item that the base has no record of.
QString missingItemText(const QString &key);
/// V: every record line followed by one line break ("\n").
QString loreText(const QStringList &lines);
/// The label naming the slot, weapon skill or kind; the last matching phrase wins.
QString SlotLabelFor(QStringView lore);
/// The colour spans of lore text V, whose first line has length L0, in the order they are
/// applied (a later span's colour wins). Spans may reach past the end of V; only what lies
/// inside V is coloured.
QList<LoreSpan> ComputeLoreSpans(QStringView lore, qsizetype firstLineLength);
