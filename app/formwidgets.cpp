#include "app/formwidgets.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace {

/// Everything a key press can change in a list or a table that counts as a user click.
struct ViewState
{
    QModelIndex current;
    QModelIndexList selected;

    explicit ViewState(const QAbstractItemView &view)
        : current(view.currentIndex()), selected(view.selectionModel()->selectedIndexes())
    {
    }
    bool operator==(const ViewState &) const = default;
};

} // namespace

void ItemListWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        event->accept(); // the context menu follows; selection and focus stay
        return;
    }
    QListWidget::mousePressEvent(event);
}

void ItemListWidget::mouseReleaseEvent(QMouseEvent *event)
{
    QListWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit userClicked();
}

void ItemListWidget::keyPressEvent(QKeyEvent *event)
{
    const ViewState before(*this);
    QListWidget::keyPressEvent(event);
    if (!(ViewState(*this) == before))
        emit userClicked();
}

void ItemTableWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTableWidget::mousePressEvent(event);
}

void ItemTableWidget::mouseReleaseEvent(QMouseEvent *event)
{
    QTableWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        emit userClicked();
}

void ItemTableWidget::keyPressEvent(QKeyEvent *event)
{
    const QModelIndex before = currentIndex();
    QTableWidget::keyPressEvent(event);
    if (currentIndex() != before)
        emit userClicked();
}

void SearchComboBox::hidePopup()
{
    QComboBox::hidePopup();
    QMetaObject::invokeMethod(this, &SearchComboBox::closedUp, Qt::QueuedConnection);
}
