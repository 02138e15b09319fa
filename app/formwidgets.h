#pragma once

#include "app/itemtablemodel.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableView>

/// The item list. It reports the user's clicks and keyboard moves (`userClicked`) but not
/// changes made in code, and a right click opens the context menu without touching the
/// selection or the focused entry.
class ItemListWidget : public QListWidget
{
    Q_OBJECT
public:
    /// Every entry takes the height of one line and the width of the widest entry, so a refill
    /// of thousands of entries is laid out in one step and a long entry still widens the
    /// horizontal scroll range.
    explicit ItemListWidget(QWidget *parent = nullptr);

signals:
    /// A left click on the list, or a key that moved the focus or changed the selection.
    void userClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    class WidestEntryDelegate;
    WidestEntryDelegate *m_delegate;
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

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    ItemTableModel *m_model;
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

/// A hidden copy buffer. The lines put in it are held as a list, since only the clipboard
/// text is ever made from them: filling it with ten thousand packet lines builds no text
/// document. Text written into the widget directly (`clear`, `setPlainText`) replaces the
/// held lines.
class CopyBuffer : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit CopyBuffer(QWidget *parent = nullptr);

    void setLines(const QStringList &lines);
    /// Whether the buffer's content is the held lines rather than the widget's own text.
    bool holdsLines() const { return m_holdsLines; }
    const QStringList &heldLines() const { return m_lines; }

private:
    QStringList m_lines;
    bool m_holdsLines = false;
    bool m_clearing = false;
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
