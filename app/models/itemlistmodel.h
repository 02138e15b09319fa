#pragma once

#include <QAbstractListModel>
#include <QStringList>

/// The item list's entries and its sorted mode: the one place the list is kept. The view
/// over it (ItemListWidget) keeps the selection and the focused entry in its selection model.
class ItemListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    /// The entry as it stands (the view cuts what it draws of a huge one); for the screen
    /// reader, the entry followed by the remark it was last focused with, if any.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    const QStringList &entries() const { return m_entries; }
    /// Whether the list keeps its entries in alphabetical order.
    bool isSorted() const { return m_sorted; }
    void setSorted(bool sorted) { m_sorted = sorted; }

    /// Replaces the entries. The entries shared at the start and at the end stay where the
    /// view sees them, remark included; those in between are reported removed and inserted,
    /// or, when many are removed, the whole list is reset.
    void setEntries(const QStringList &entries);

    /// What a screen reader says for an entry: `spoken` (empty: the entry's text alone). No
    /// change a view shows, so it is made without telling the views.
    void setSpokenText(int row, const QString &spoken);

private:
    QStringList m_entries;
    /// The screen reader's text per entry, beside m_entries; empty until one is set.
    QStringList m_spoken;
    bool m_sorted = false;
};
