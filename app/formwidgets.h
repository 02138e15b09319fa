#pragma once

#include "app/itemlistmodel.h"
#include "app/itemtablemodel.h"
#include "list/liststate.h"

#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QTableView>

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
    /// The accessible description is the entry count, then this text.
    void setDescriptionTail(const QString &tail);

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
    /// Tells assistive technology the number of entries, once the changes of one command are
    /// all made.
    void announceEntryCount();

    class WidestEntryDelegate;
    ItemListModel *m_model;
    WidestEntryDelegate *m_delegate;
    std::function<QString(const QString &)> m_entryRemark;
    QString m_descriptionTail;
    bool m_countAnnounced = true;
};

/// The item table: a table view over its own ItemTableModel. It reports a left click on a
/// cell and a keyboard move of the current cell (`userClicked`), never a current cell set in
/// code; a right click leaves the current cell.
class ItemTableWidget : public QTableView
{
    Q_OBJECT
public:
    ItemTableWidget(int rowCount, QWidget *parent = nullptr);

    ItemTableModel *itemModel() const { return m_model; }
    int rowCount() const { return m_model->rowCount(); }
    int columnCount() const { return m_model->columnCount(); }
    /// -1 when there is no current cell.
    int currentRow() const { return currentIndex().row(); }
    int currentColumn() const { return currentIndex().column(); }
    /// Makes the cell current and selects it, as a click does, without reporting a click.
    void setCurrentCell(int row, int column);

signals:
    void userClicked();
    /// The Menu key or Shift+F10: the context menu at `pos` (viewport coordinates).
    void contextMenuKeyPressed(const QPoint &pos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    ItemTableModel *m_model;
};

/// A one-line label whose text stays whole: when the text is wider than the label, it is
/// drawn in a smaller font (the count and the link were laid out for Tahoma; other fonts are
/// wider).
class FittingLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override;
};

/// A label whose text is news for the player (the entry count, the slot of the shown item).
/// Its accessible name is `spokenPrefix` followed by the text, or `spokenWhenEmpty`, and
/// every change of the text sends a name change event, so a screen reader can speak it. The
/// text it starts with is its name as it stands.
class StatusLabel : public FittingLabel
{
    Q_OBJECT
public:
    StatusLabel(const QString &text, const QString &spokenPrefix, const QString &spokenWhenEmpty,
                QWidget *parent = nullptr);

    /// Hides QLabel::setText: the window sets its status labels through this class.
    void setText(const QString &text);

private:
    QString m_spokenPrefix;
    QString m_spokenWhenEmpty;
};

/// An editable search box that also reports when its drop-down list has closed. The report
/// comes after the box has taken the chosen item, so the text it sees is the final one.
class SearchComboBox : public QComboBox
{
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void hidePopup() override;

signals:
    void closedUp();
};

/// A hidden copy buffer: the lines a command last put in it, held as a list, since only the
/// clipboard text is ever made from them. It is no widget: it never shows, takes no focus and
/// stays out of the accessibility tree and the tab order.
class CopyBuffer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    void setLines(const QStringList &lines) { m_lines = lines; }
    const QStringList &lines() const { return m_lines; }

private:
    QStringList m_lines;
};
