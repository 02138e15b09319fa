#include "app/widgets/contextmenukeys.h"

#include <QAbstractItemView>
#include <QKeyEvent>

bool isContextMenuKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    return (event->key() == Qt::Key_Menu && modifiers == Qt::NoModifier)
        || (event->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier);
}

QPoint keyboardMenuPoint(const QAbstractItemView &view)
{
    const QRect cell = view.visualRect(view.currentIndex());
    return cell.isValid() ? cell.bottomLeft() : QPoint(0, 0);
}
