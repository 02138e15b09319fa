#include "app/widgets/itemtablewidget.h"

#include "app/widgets/contextmenukeys.h"

#include <QKeyEvent>
#include <QMouseEvent>

ItemTableWidget::ItemTableWidget(int rowCount, QWidget *parent)
    : QTableView(parent), m_model(new ItemTableModel(rowCount, this))
{
    setModel(m_model);
}

void ItemTableWidget::setCurrentCell(int row, int column)
{
    setCurrentIndex(m_model->index(row, column));
}

void ItemTableWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void ItemTableWidget::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        emit userClicked();
}

void ItemTableWidget::keyPressEvent(QKeyEvent *event)
{
    if (isContextMenuKey(event)) {
        event->accept();
        emit contextMenuKeyPressed(keyboardMenuPoint(*this));
        return;
    }
    const QModelIndex before = currentIndex();
    QTableView::keyPressEvent(event);
    if (currentIndex() != before)
        emit userClicked();
}

void ItemTableWidget::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (hasFocus())
        QTableView::currentChanged(current, previous);
    else
        QAbstractItemView::currentChanged(current, previous); // all but the focus event
}
