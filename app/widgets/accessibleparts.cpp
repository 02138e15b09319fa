#include "app/widgets/accessibleparts.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>

using namespace Qt::StringLiterals;

namespace {

/// A colour picker: a combo box named by its purpose and its colour, «Цвет фона …: clBlack»,
/// with its drop-down list of colour names as its one child, as Qt gives every other combo
/// box: a screen reader walks the choices there, and Windows' bridge says a newly chosen
/// item only through that list.
class ColourPickerReading : public QAccessibleWidget
{
public:
    explicit ColourPickerReading(QWidget *picker) : QAccessibleWidget(picker, QAccessible::ComboBox)
    {}

    int childCount() const override { return comboBox()->view() ? 1 : 0; }

    QAccessibleInterface *child(int index) const override
    {
        QAbstractItemView *list = comboBox()->view();
        return index == 0 && list ? QAccessible::queryAccessibleInterface(list) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() && child->object() == comboBox()->view() ? 0 : -1;
    }

    /// The closed list covers nothing of the box, and the open one is a window of its own.
    QAccessibleInterface *childAt(int x, int y) const override
    {
        Q_UNUSED(x);
        Q_UNUSED(y);
        return nullptr;
    }

    QString text(QAccessible::Text t) const override
    {
        const QString colour = comboBox()->currentText();
        switch (t) {
        case QAccessible::Name: {
            const QString purpose = widget()->accessibleName();
            return purpose.isEmpty() ? colour : purpose + u": "_s + colour;
        }
        case QAccessible::Value: return colour;
        default: return QAccessibleWidget::text(t);
        }
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &actionName) override
    {
        if (actionName == showMenuAction() || actionName == pressAction())
            comboBox()->showPopup();
        else
            QAccessibleWidget::doAction(actionName);
    }

private:
    QComboBox *comboBox() const { return static_cast<QComboBox *>(widget()); }
};

/// The community link: a link, pressed as Enter or Space on it presses it.
class LinkReading : public QAccessibleWidget
{
public:
    explicit LinkReading(QWidget *label) : QAccessibleWidget(label, QAccessible::Link) {}

    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &actionName) override
    {
        if (actionName != pressAction()) {
            QAccessibleWidget::doAction(actionName);
            return;
        }
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, u" "_s);
        QCoreApplication::sendEvent(widget(), &press);
    }
};

QAccessibleInterface *readingFor(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (className == u"ColourPicker"_s)
        return new ColourPickerReading(widget);
    if (className == u"LinkLabel"_s)
        return new LinkReading(widget);
    return nullptr;
}

} // namespace

void installAccessibleParts()
{
    static const bool installed = [] {
        QAccessible::installFactory(readingFor);
        return true;
    }();
    Q_UNUSED(installed);
}
