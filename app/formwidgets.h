#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QTableWidget>

/// The item list. It reports the user's clicks and keyboard moves (`userClicked`) but not
/// changes made in code, and a right click opens the context menu without touching the
/// selection or the focused entry.
class ItemListWidget : public QListWidget
{
    Q_OBJECT
public:
    using QListWidget::QListWidget;

signals:
    /// A left click on the list, or a key that moved the focus or changed the selection.
    void userClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

/// The item table. It reports a left click on a cell and a keyboard move of the current cell
/// (`userClicked`), never a current cell set in code; a right click leaves the current cell.
class ItemTableWidget : public QTableWidget
{
    Q_OBJECT
public:
    using QTableWidget::QTableWidget;

signals:
    void userClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
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
