#pragma once

// The keyboard's way to a context menu in the item list and the item table.

#include <QPoint>

class QAbstractItemView;
class QKeyEvent;

/// The keys that open a context menu from the keyboard: the Menu key and Shift+F10.
bool isContextMenuKey(const QKeyEvent *event);
/// Where a context menu opened from the keyboard appears: at the current cell, or at the
/// view's top-left corner when it has none.
QPoint keyboardMenuPoint(const QAbstractItemView &view);
