#pragma once

// The staff base read together with the capture file: the capture file's records stand, as
// it were, after the staff base's, in place of the staff base's records of the same items.
// Neither base is copied or read again when the other changes: a capture rescans only the
// small capture file and works out which staff records it replaces.

#include "base/itemindex.h"
#include "base/staffbase.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

/// Both bases and what the lookups need of them together.
///
/// A staff record is replaced when its header names, as the item index names items (exact,
/// case-sensitive), an item that a header of the capture file names. The item table's index
/// is the staff index without the rows of replaced items, then the capture file's rows; the
/// lore view takes the capture file's record of a key when it has one; the searches skip the
/// replaced records and go on into the capture file, each name listed once. Without a
/// capture file every lookup gives exactly what the staff base alone gives.
class CombinedBase
{
public:
    CombinedBase() = default;

    /// The staff base after a load; the capture file read so far stays.
    void setStaffBase(StaffBase lines, ItemIndex index);
    /// The capture file's text; an empty text (no capture file) leaves the staff base alone.
    void setCaptureText(QString text);

    const StaffBase &staff() const { return m_staff; }
    /// The staff base's own line count, headers and emptiness, as the window asked them of
    /// the staff base alone before the capture file was read beside it.
    qsizetype lineCount() const { return m_staff.lineCount(); }
    const QList<qsizetype> &headerLines() const { return m_staff.headerLines(); }
    bool isEmpty() const { return m_staff.isEmpty(); }
    const ItemIndex &staffIndex() const { return m_staffIndex; }
    const StaffBase &captured() const { return m_captured; }
    const ItemIndex &capturedIndex() const { return m_capturedIndex; }
    bool hasCaptured() const { return !m_captured.isEmpty(); }

    /// The item table's index over both bases.
    const ItemIndex &index() const { return m_index; }
    /// Ascending positions in staff().headerLines() of the records the capture file replaces.
    const QList<qsizetype> &replacedStaffHeaders() const { return m_replacedHeaders; }

    /// The record of the item named `name` (exactly, as the item index names items) that the
    /// player has: the capture file's, else the staff base's; empty when neither holds it.
    QStringList recordLines(QStringView name) const;

private:
    void combine();

    StaffBase m_staff;
    ItemIndex m_staffIndex;
    StaffBase m_captured;
    ItemIndex m_capturedIndex;
    QList<qsizetype> m_replacedHeaders;
    ItemIndex m_index;
};
