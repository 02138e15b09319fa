// The window for players who use a screen reader and the keyboard alone: the Russian accessible
// names and descriptions of the controls, the tab order, the window-wide keys of the main
// commands, and the keys of the context menus.

#include "app/form/Unit1.h"

#include "app/widgets/colourpicker.h"
#include "app/widgets/fittinglabel.h"
#include "app/widgets/helpview.h"
#include "app/widgets/itemlistwidget.h"
#include "app/widgets/itemtablewidget.h"
#include "app/widgets/searchcombobox.h"
#include "base/itemindex.h"
#include "list/parser.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>

using namespace Qt::StringLiterals;

namespace {

/// "Клавиша F2" for a key sequence, in the words a Russian keyboard shows.
QString keyPhrase(const QKeySequence &key)
{
    return u"Клавиша "_s + key.toString(QKeySequence::NativeText);
}

/// "Shift+F3: Сравнить…", one line of the help's list of keys.
QString keyLine(const QList<QKeySequence> &keys, const QString &command)
{
    QStringList written;
    for (const QKeySequence &key : keys)
        written.append(key.toString(QKeySequence::NativeText));
    return written.join(u" или "_s) + u": "_s + command;
}

bool isPlainEnter(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && modifiers == Qt::NoModifier;
}

} // namespace

QList<TForm1::WindowKey> TForm1::windowKeys() const
{
    // Function keys and Alt+digit reach the program under any keyboard layout, where
    // Ctrl+letter does not always. F4 alone opens a drop-down box and F10 a menu bar, so
    // neither is taken; clearing the list, which cannot be undone, takes Shift.
    const auto alt = [](int digit) { return QKeySequence(Qt::ALT | (Qt::Key_0 + digit)); };
    const auto altShift = [](int digit) {
        return QKeySequence(Qt::ALT | Qt::SHIFT | (Qt::Key_0 + digit));
    };
    return {
        {Button1, QKeySequence(Qt::Key_F2)},
        {Button2, QKeySequence(Qt::Key_F3)},
        {Button3, QKeySequence(Qt::SHIFT | Qt::Key_F4)},
        {Button4, QKeySequence(Qt::Key_F5)},
        {Button5, QKeySequence(Qt::Key_F6)},
        {Button15, QKeySequence(Qt::Key_F7)},
        {Edit3, QKeySequence(Qt::Key_F8)},
        {ComboBox6, QKeySequence(Qt::Key_F9)},
        {ComboBox5, QKeySequence(Qt::Key_F12)},
        {sBitBtn4, alt(1)},
        {sBitBtn5, alt(2)},
        {sBitBtn6, alt(3)},
        {sBitBtn1, altShift(1)},
        {sBitBtn2, altShift(2)},
        {sBitBtn3, altShift(3)},
    };
}

QStringList TForm1::keysHelp() const
{
    QStringList lines = {u"Клавиши работают во всём окне при любой раскладке клавиатуры."_s,
                         keyLine(Help1->shortcuts(), u"эта справка"_s)};
    for (const WindowKey &key : windowKeys()) {
        const QString name = key.control->accessibleName();
        lines.append(
            keyLine({key.key},
                    qobject_cast<QPushButton *>(key.control) ? name : u"к полю «%1»"_s.arg(name)));
    }
    lines.append(keyLine(Compare1->shortcuts(), Compare1->statusTip()));
    lines.append(keyLine(Capture1->shortcuts(), Capture1->statusTip()));
    lines.append(
        keyLine(Undo1->shortcuts(),
                u"Отменить последнее изменение списка или только что сделанное «В базу»"_s));
    lines.append(keyLine(Redo1->shortcuts(), u"Вернуть отменённое изменение списка"_s));
    lines.append(u"Menu или Shift+F10: контекстное меню списка или таблицы"_s);
    lines.append(u"Tab, Shift+Tab: следующий, предыдущий элемент окна"_s);
    lines.append(u"Escape: закрыть справку или сравнение"_s);
    return lines;
}

void TForm1::Help1Click()
{
    if (auto *shown = findChild<HelpView *>(); shown && shown->isVisible()) {
        shown->raise();
        shown->activateWindow();
        return;
    }
    QStringList lines = keysHelp();
    lines.append(QString());
    lines.append(startHelpText());
    auto *view = new HelpView(lines, this);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->show();
}

void TForm1::makeAccessible()
{
    nameControls();
    setKeyboardOrder();
    bindWindowKeys();
    bindContextMenuKeys();
    // A list entry whose item the base does not know says so when it becomes the focused one;
    // while the base is still loading, nothing is known yet.
    ListBox1->setEntryRemark([this](const QString &entry) {
        if (baseLoadPending() || ItemKey(entry).isEmpty())
            return QString(); // a blank entry says so by itself
        return StringGrid1Index.find(ItemKey(entry)) < 0 ? u"нет в базе"_s : QString();
    });
}

void TForm1::speak(QWidget *control, const QString &name, const QString &more, bool hintSaysMore)
{
    control->setAccessibleName(name);
    m_spoken.insert(control, SpokenMore{more, hintSaysMore});
    describe(control);
    // The quick-slot hints change with the slots: the description follows them.
    control->installEventFilter(this);
}

void TForm1::describe(QWidget *control)
{
    const SpokenMore spoken = m_spoken.value(control);
    QStringList parts;
    if (spoken.hintSaysMore && !control->toolTip().isEmpty())
        parts.append(control->toolTip());
    if (!spoken.more.isEmpty())
        parts.append(spoken.more);
    for (const WindowKey &key : windowKeys()) {
        if (key.control == control)
            parts.append(keyPhrase(key.key));
    }
    QString description;
    for (QString part : parts) {
        if (!part.endsWith(u'.') && !part.endsWith(u')') && !part.endsWith(u'!'))
            part += u'.';
        description += (description.isEmpty() ? QString() : u" "_s) + part;
    }
    control->setAccessibleDescription(description);
    // The focus of an editable box is in its text field, which a screen reader names.
    if (auto *box = qobject_cast<QComboBox *>(control); box && box->lineEdit()) {
        box->lineEdit()->setAccessibleName(control->accessibleName());
        box->lineEdit()->setAccessibleDescription(description);
    }
}

void TForm1::nameControls()
{
    const QString menuKeys = u"Контекстное меню: клавиша Menu или Shift+F10"_s;
    speak(Button1, u"Добавить предметы из буфера обмена"_s, {}, true);
    speak(Button2, u"Заменить список предметами из буфера обмена"_s, {}, true);
    speak(Button3, u"Очистить список"_s);
    Label1->setAccessibleDescription(u"Число предметов в списке"_s);
    speak(Edit3, u"Поиск предмета по всей базе"_s, u"Введите название и нажмите Enter"_s, true);
    speak(ComboBox6, u"Поиск по свойству по всей базе"_s,
          u"Выберите свойство стрелками или введите его и нажмите Enter; найденные предметы "
          "станут списком"_s);
    speak(StringGrid2, u"Таблица предметов"_s,
          u"Столбцы: предмет, лучший класс, уровень. "_s + menuKeys);
    // The count is told after every command that changes it (the announcer), and a screen
    // reader says it with the list; kept in the description as well, it would be said twice.
    speak(ListBox1, u"Список предметов"_s, menuKeys);
    speak(memo3, u"Описание предмета"_s);
    memo3->setAccessibleDescription(u"Справка по программе"_s);
    speak(ComboBox5, u"Поиск свойства среди предметов списка"_s,
          u"Поиск свойств по добавленным в список предметам (не по всей базе!); Enter "
          "оставляет в списке предметы с этим свойством"_s);
    speak(ComboBox1, u"Префикс команды или отдел хранилища"_s, {}, true);
    speak(ComboBox3, u"Постфикс команды"_s);
    speak(Button4, u"Пакетные: команды с префиксом в буфер обмена"_s);
    speak(Button15, u"Сорт: пакет сортировки по отделу хранилища"_s, {}, true);
    slot->setAccessibleDescription(u"Слот, умение или вид показанного предмета"_s);
    speak(ComboBox2, u"Операция биржи"_s, {}, true);
    speak(ComboBox4, u"Постфикс команды биржи"_s);
    speak(Button5, u"Пакетные - Биржа: операция над номерами лотов в буфер обмена"_s);
    speak(CheckBox1, u"добавить 'все.' в команды пакета"_s);
    speak(Edit1, u"Путь к базе стафа"_s);
    speak(Button6, u"Загрузить базу стафа"_s);
    speak(Button8, u"Выбрать файл базы стафа"_s);
    speak(Button7, u"Открыть базу стафа в её программе"_s);
    const QList<QPair<QPushButton *, QString>> quotes = {
        {Button14, u"болт"_s}, {Button12, u"г"_s},  {Button10, u"гг"_s},
        {Button11, u"сг"_s},   {Button13, u"кг"_s},
    };
    for (const auto &[button, word] : quotes)
        speak(button, u"%1: описание предмета в буфер обмена командой %1"_s.arg(word));
    for (int slot = 1; slot <= quickSlotCount; ++slot) {
        speak(quickLoadButton(slot), u"Загрузить список из ячейки %1"_s.arg(slot), {}, true);
        speak(quickSaveButton(slot), u"Сохранить список в ячейку %1"_s.arg(slot), {}, true);
    }
    speak(CheckBox2, u"АвтоСорт: сортировать по уровню после вставки"_s);
    speak(Label2, u"Открыть группу вконтакте"_s, communityPageAddress.toString());
    speak(ColorBox1, u"Цвет фона списка, описания и полей поиска"_s);
    speak(ColorBox2, u"Цвет текста списка, описания и полей поиска"_s);
    // A menu item's description is its "What's This?" text.
    Compare1->setStatusTip(u"Сравнить два выделенных предмета"_s);
    Compare1->setToolTip(u"%1 (%2)"_s.arg(Compare1->statusTip(),
                                          Compare1->shortcut().toString(QKeySequence::NativeText)));
    Compare1->setWhatsThis(Compare1->statusTip() + u". "_s + keyPhrase(Compare1->shortcut()));
    Capture1->setStatusTip(u"В базу: опознанные предметы из буфера обмена в файл staff-new.hjt"_s);
    Capture1->setToolTip(u"%1 (%2)"_s.arg(Capture1->statusTip(),
                                          Capture1->shortcut().toString(QKeySequence::NativeText)));
    Capture1->setWhatsThis(Capture1->statusTip() + u". "_s + keyPhrase(Capture1->shortcut()));
    PopupMenu1->setAccessibleName(u"Меню списка"_s);
    PopupMenu2->setAccessibleName(u"Меню таблицы"_s);
}

void TForm1::setKeyboardOrder()
{
    // The link is reached with Tab and opened with Enter or Space.
    Label2->setFocusPolicy(Qt::StrongFocus);
    // Row by row, left to right, as the window shows them.
    const QList<QWidget *> order = {
        Button1,   Button2,   Button3,   Edit3,     ComboBox6, ListBox1,  memo3,     StringGrid2,
        ComboBox5, ComboBox1, ComboBox3, Button4,   Button15,  Button14,  Button12,  Button10,
        Button11,  Button13,  sBitBtn4,  sBitBtn5,  sBitBtn6,  CheckBox2, ComboBox2, ComboBox4,
        Button5,   CheckBox1, sBitBtn1,  sBitBtn2,  sBitBtn3,  Label2,    Edit1,     Button6,
        Button8,   Button7,   ColorBox1, ColorBox2,
    };
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    // Tab leaves the lore view and the table instead of typing a tab or moving a cell.
    memo3->setTabChangesFocus(true);
    StringGrid2->setTabKeyNavigation(false);
}

void TForm1::bindWindowKeys()
{
    for (const WindowKey &key : windowKeys()) {
        auto *shortcut = new QShortcut(key.key, this);
        shortcut->setContext(Qt::WindowShortcut);
        QWidget *control = key.control;
        if (auto *button = qobject_cast<QPushButton *>(control)) {
            // The command runs as a click on its button would; the focus stays where it is.
            connect(shortcut, &QShortcut::activated, button, &QPushButton::click);
        } else {
            // A search field: the focus goes to it with its text selected, ready to type.
            connect(shortcut, &QShortcut::activated, control, [control] {
                control->setFocus(Qt::ShortcutFocusReason);
                if (auto *edit = qobject_cast<QLineEdit *>(control))
                    edit->selectAll();
                else if (auto *box = qobject_cast<QComboBox *>(control); box && box->lineEdit())
                    box->lineEdit()->selectAll();
            });
        }
    }
}

void TForm1::bindContextMenuKeys()
{
    // The menus open at the current entry or row with their first command chosen, so the
    // arrows and Enter work at once and a screen reader says where the player is.
    const auto openFromKeyboard = [](QMenu *menu, QAbstractItemView *view, const QPoint &pos) {
        menu->popup(view->viewport()->mapToGlobal(pos));
        for (QAction *action : menu->actions()) {
            if (!action->isSeparator()) {
                menu->setActiveAction(action);
                break;
            }
        }
    };
    connect(ListBox1, &ItemListWidget::contextMenuKeyPressed, this,
            [this, openFromKeyboard](const QPoint &pos) {
                openFromKeyboard(PopupMenu1, ListBox1, pos);
            });
    connect(StringGrid2, &ItemTableWidget::contextMenuKeyPressed, this,
            [this, openFromKeyboard](const QPoint &pos) {
                openFromKeyboard(PopupMenu2, StringGrid2, pos);
            });
}

bool TForm1::accessibilityEvent(QObject *watched, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget)
        return false;
    if (event->type() == QEvent::ToolTipChange && m_spoken.contains(widget)) {
        describe(widget);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    // Enter presses a focused button as Space does.
    if (auto *button = qobject_cast<QPushButton *>(widget); button && isPlainEnter(key)) {
        button->click();
        return true;
    }
    if (widget == Label2 && (isPlainEnter(key) || key->key() == Qt::Key_Space)) {
        guarded([this] { Label2Click(); });
        return true;
    }
    return false;
}
