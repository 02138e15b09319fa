#pragma once

#include "app/models/itemlistmodel.h"
#include "list/liststate.h"

#include <QListView>

#include <functional>

/// The item list: a view over its own ItemListModel, which keeps the entries and the sorted
/// mode, while the view's selection model keeps the selection and the focused entry. It
/// reports the user's clicks and keyboard moves (`userClicked`) but not changes made in code,
/// and a right click opens the context menu without touching the selection or the focused
/// entry.
class ItemListWidget : public QListView
{
    Q_OBJECT
public:
    /// Every entry takes the height of one line and the width of the widest entry, so a refill
    /// of thousands of entries is laid out in one step and a long entry still widens the
    /// horizontal scroll range.
    explicit ItemListWidget(QWidget *parent = nullptr);
    ~ItemListWidget() override;

    ItemListModel *itemModel() const { return m_model; }
    /// The whole list as plain data: entries, selection, focus and sorted mode.
    ListState state() const;
    /// Shows `state`: entries (only those that changed are replaced), sorted mode, selection
    /// and focus.
    void setState(const ListState &state);
    const QStringList &entries() const { return m_model->entries(); }
    int count() const { return m_model->rowCount(); }
    /// -1 when no entry is focused.
    int currentRow() const { return currentIndex().row(); }
    /// Focuses and selects the entry as a click does (the selection is kept), without reporting
    /// a click.
    void setCurrentRow(int row);

    /// What a screen reader says after an entry's text when the entry becomes the focused one
    /// (empty: nothing more), for example that the item is not in the staff base. Asked only
    /// for the focused entry, so a long list costs nothing more.
    void setEntryRemark(std::function<QString(const QString &entry)> remark);

signals:
    /// A left click on the list, or a key that moved the focus or changed the selection.
    void userClicked();
    /// The Menu key or Shift+F10: the context menu at `pos` (viewport coordinates).
    void contextMenuKeyPressed(const QPoint &pos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    class WidestEntryDelegate;
    ItemListModel *m_model;
    WidestEntryDelegate *m_delegate;
    std::function<QString(const QString &)> m_entryRemark;
};
