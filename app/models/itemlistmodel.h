#pragma once

#include <QAbstractListModel>
#include <QStringList>

/// The item list's entries, its sorted mode and ListedNames (the plain names of the captured
/// entries): the one place the list is kept. The view over it (ItemListWidget) keeps the
/// selection and the focused entry in its selection model.
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
    void setSorted(bool sorted);
    const QStringList &listedNames() const { return m_listedNames; }
    void setListedNames(const QStringList &names);

    /// Raised by every write that changes the entries, the sorted mode or ListedNames (a write
    /// of what is there already changes nothing and raises nothing): a step of the list's
    /// history, taken at one generation, is never applied to another.
    quint64 generation() const { return m_generation; }

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
    QStringList m_listedNames;
    quint64 m_generation = 0;
};
