#pragma once

#include "app/models/itemtablemodel.h"

#include <QTableView>

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
    /// Tells assistive technology of the new current cell only while the table has the focus.
    /// QTableView tells it always, and a screen reader then follows the current cell that the
    /// window sets in code (every change of the list moves it) away from where the player is.
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    ItemTableModel *m_model;
};
