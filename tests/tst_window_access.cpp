// The window as a screen reader and a keyboard-only player meet it, under the offscreen
// platform: accessible names, hidden stores, tab order, window keys, context-menu keys,
// announcements, and the words for what colour tells.

#include "app/form/Unit1.h"
#include "app/form/viewcontents.h"
#include "app/widgets/colourpicker.h"
#include "app/widgets/fittinglabel.h"
#include "app/widgets/itemtablewidget.h"
#include "fakeuiservices.h"
#include "state/colournames.h"
#include "windowtest.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

/// Every accessible object under `root`, the cells of lists and tables left out.
void collect(QAccessibleInterface *root, QList<QAccessibleInterface *> &found)
{
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface *child = root->child(i);
        if (!child)
            continue;
        // Qt's own parts, hidden or not: a combo box's closed drop-down list, scroll bars and
        // their frames, the splitter's first handle.
        const QAccessible::Role role = child->role();
        const bool qtsOwn = child->object() && child->object()->objectName().startsWith(u"qt_");
        if (role == QAccessible::ComboBox || role == QAccessible::ScrollBar || qtsOwn)
            continue;
        found.append(child);
        if (role != QAccessible::List && role != QAccessible::Table)
            collect(child, found);
    }
}

QString focusedName()
{
    QWidget *focus = QApplication::focusWidget();
    if (focus && qobject_cast<QComboBox *>(focus->parentWidget()))
        focus = focus->parentWidget(); // an editable box's text field
    return focus ? focus->objectName() : QString();
}

} // namespace

class TestWindowAccess : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScratchWorkingFolder> m_dir;
    FakeUiServices m_services;
    std::unique_ptr<TForm1> m_form;

    void activate()
    {
        m_form->show();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    }

    QStringList entries() const { return listEntries(m_form->ListBox1); }

private slots:
    void init()
    {
        m_dir = std::make_unique<ScratchWorkingFolder>();
        QVERIFY(m_dir->isValid());
        m_services = FakeUiServices();
        m_form = std::make_unique<TForm1>(&m_services);
        m_form->CheckBox2->setChecked(false);
        m_form->setItemIndex({{u"шлем"_s, u"10"_s, u"Вн Ма"_s, u"5 3"_s},
                              {u"кольцо"_s, u"5"_s, u"Вн Ва Сл"_s, u"3 2 5"_s}});
    }
    void cleanup()
    {
        m_form.reset();
        m_dir.reset();
    }

    void namesOfTheIssue_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        const QList<QPair<QString, QString>> rows = {
            {u"sBitBtn1"_s, u"Сохранить список в ячейку 1"_s},
            {u"sBitBtn6"_s, u"Загрузить список из ячейки 3"_s},
            {u"ListBox1"_s, u"Список предметов"_s},
            {u"memo3"_s, u"Описание предмета"_s},
            {u"StringGrid2"_s, u"Таблица предметов"_s},
            {u"Edit3"_s, u"Поиск предмета по всей базе"_s},
            {u"Edit1"_s, u"Путь к базе стафа"_s},
            {u"ComboBox1"_s, u"Префикс команды или отдел хранилища"_s},
            {u"ComboBox3"_s, u"Постфикс команды"_s},
            {u"ComboBox2"_s, u"Операция биржи"_s},
            {u"Label1"_s, u"0 предметов"_s},
            {u"slot"_s, u"Слот"_s},
        };
        for (const auto &[control, name] : rows)
            QTest::newRow(qPrintable(control)) << control << name;
    }
    void namesOfTheIssue()
    {
        QFETCH(QString, control);
        QFETCH(QString, name);
        auto *widget = m_form->findChild<QWidget *>(control);
        QVERIFY(widget);
        QCOMPARE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name), name);
    }

    /// Every control a player can reach has a name; buttons are told apart by their names;
    /// nothing hidden is in the tree; captions and hints stay as they were.
    void accessibilityTree()
    {
        activate();
        QList<QAccessibleInterface *> all;
        collect(QAccessible::queryAccessibleInterface(m_form.get()), all);
        QStringList buttonNames;
        for (QAccessibleInterface *object : all) {
            const QString what = object->object() ? object->object()->objectName() : QString();
            const QAccessible::State state = object->state();
            QVERIFY2(!state.invisible, qPrintable(what));
            if (state.focusable)
                QVERIFY2(!object->text(QAccessible::Name).isEmpty(), qPrintable(what));
            if (object->role() == QAccessible::Button)
                buttonNames.append(object->text(QAccessible::Name));
        }
        QCOMPARE(buttonNames.size(), 20);
        QCOMPARE(QSet<QString>(buttonNames.begin(), buttonNames.end()).size(), buttonNames.size());
        QCOMPARE(m_form->sBitBtn1->text(), u"1"_s);
        QCOMPARE(m_form->sBitBtn1->toolTip(), u"Список 1 (пусто)"_s);
    }

    void tabOrderRowByRow()
    {
        activate();
        QCOMPARE(focusedName(), u"Button1"_s);
        const QStringList order = {
            u"Button2"_s,   u"Button3"_s,     u"Edit3"_s,     u"ComboBox6"_s, u"ListBox1"_s,
            u"memo3"_s,     u"StringGrid2"_s, u"ComboBox5"_s, u"ComboBox1"_s, u"ComboBox3"_s,
            u"Button4"_s,   u"Button15"_s,    u"Button14"_s,  u"Button12"_s,  u"Button10"_s,
            u"Button11"_s,  u"Button13"_s,    u"sBitBtn4"_s,  u"sBitBtn5"_s,  u"sBitBtn6"_s,
            u"CheckBox2"_s, u"ComboBox2"_s,   u"ComboBox4"_s, u"Button5"_s,   u"CheckBox1"_s,
            u"sBitBtn1"_s,  u"sBitBtn2"_s,    u"sBitBtn3"_s,  u"Label2"_s,    u"Edit1"_s,
            u"Button6"_s,   u"Button8"_s,     u"Button7"_s,   u"ColorBox1"_s, u"ColorBox2"_s,
            u"Button1"_s,
        };
        QStringList visited;
        for (qsizetype i = 0; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.append(focusedName());
        }
        QCOMPARE(visited, order);
    }

    void windowKeysCollideWithNoMenuKey()
    {
        QList<QKeySequence> menuKeys;
        for (const QMenu *menu : {m_form->PopupMenu1, m_form->PopupMenu2}) {
            for (const QAction *action : menu->actions())
                menuKeys.append(action->shortcut());
        }
        QSet<QString> seen;
        for (const TForm1::WindowKey &key : m_form->windowKeys()) {
            QVERIFY2(!menuKeys.contains(key.key), qPrintable(key.key.toString()));
            QVERIFY2(!seen.contains(key.key.toString()), qPrintable(key.key.toString()));
            seen.insert(key.key.toString());
            // Each key is said in its control's description.
            QVERIFY2(key.control->accessibleDescription().contains(
                         key.key.toString(QKeySequence::NativeText)),
                     qPrintable(key.control->objectName()));
        }
    }

    /// Each window key runs its command from wherever the focus is, and the focus stays.
    void windowKeysRunTheirCommands()
    {
        activate();
        m_form->ListBox1->setFocus();
        m_services.clipboard = u"шлем\r\nкольцо\r\n"_s;
        QTest::keyClick(m_form->ListBox1, Qt::Key_F2); // Добавить
        QCOMPARE(entries(), (QStringList{u"шлем"_s, u"кольцо"_s}));
        QCOMPARE(focusedName(), u"ListBox1"_s);
        QTest::keyClick(m_form->ListBox1, Qt::Key_F5); // Пакетные
        QCOMPARE(m_services.clipboard, u" шлем\r\n кольцо\r\n\r\n"_s);
        QTest::keyClick(m_form->ListBox1, Qt::Key_1, Qt::AltModifier | Qt::ShiftModifier);
        QCOMPARE(m_services.messages.size(), 1);                          // slot 1 saved
        QTest::keyClick(m_form->ListBox1, Qt::Key_F4, Qt::ShiftModifier); // Очистить
        QVERIFY(entries().isEmpty());
        QTest::keyClick(m_form->ListBox1, Qt::Key_1, Qt::AltModifier); // load slot 1
        QCOMPARE(entries(), (QStringList{u"шлем"_s, u"кольцо"_s}));
        m_services.clipboard = u"шлем\r\n"_s;
        QTest::keyClick(m_form->ListBox1, Qt::Key_F3); // Заменить
        QCOMPARE(entries(), QStringList{u"шлем"_s});
        QCOMPARE(focusedName(), u"ListBox1"_s);

        QTest::keyClick(m_form->ListBox1, Qt::Key_F8);
        QCOMPARE(focusedName(), u"Edit3"_s);
        QCOMPARE(m_form->Edit3->selectedText(), m_form->Edit3->text());
        QTest::keyClick(m_form->Edit3, Qt::Key_F9);
        QCOMPARE(focusedName(), u"ComboBox6"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F12);
        QCOMPARE(focusedName(), u"ComboBox5"_s);
    }

    void searchLeavesTheFocusInTheList()
    {
        activate();
        m_form->Edit3->setFocus();
        m_form->Edit3->setText(u"кольцо"_s);
        QTest::keyClick(m_form->Edit3, Qt::Key_Return);
        QCOMPARE(focusedName(), u"ListBox1"_s);
    }

    void enterPressesAButton()
    {
        activate();
        m_services.clipboard = u"шлем\r\n"_s;
        m_form->Button1->setFocus();
        QTest::keyClick(m_form->Button1, Qt::Key_Return);
        QCOMPARE(entries(), QStringList{u"шлем"_s});
        QCOMPARE(focusedName(), u"Button1"_s);
    }

    void contextMenuKeys_data()
    {
        QTest::addColumn<bool>("onTable");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("list, Menu") << false << int(Qt::Key_Menu) << int(Qt::NoModifier);
        QTest::newRow("list, Shift+F10") << false << int(Qt::Key_F10) << int(Qt::ShiftModifier);
        QTest::newRow("table, Menu") << true << int(Qt::Key_Menu) << int(Qt::NoModifier);
        QTest::newRow("table, Shift+F10") << true << int(Qt::Key_F10) << int(Qt::ShiftModifier);
    }
    void contextMenuKeys()
    {
        QFETCH(bool, onTable);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        activate();
        QWidget *view = onTable ? static_cast<QWidget *>(m_form->StringGrid2)
                                : static_cast<QWidget *>(m_form->ListBox1);
        QMenu *menu = onTable ? m_form->PopupMenu2 : m_form->PopupMenu1;
        view->setFocus();
        QTest::keyClick(view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->activeAction(), menu->actions().first());
        QVERIFY(!(onTable ? m_form->PopupMenu1 : m_form->PopupMenu2)->isVisible());
        menu->close();
    }

    /// What the count, the slot and the list tell assistive technology follows them. (The
    /// change events themselves reach the real accessibility bus: tests/e2e/atspi_e2e.py.)
    void changesAreAnnounced()
    {
        m_form->setItemIndex({{u"шлем"_s, u"10"_s, u"Вн Ма"_s, u"5 3"_s}});
        m_services.clipboard = u"шлем\r\nкольцо\r\n"_s;
        m_services.announcements.clear(); // the start-up's word on the base
        m_form->Button1Click();
        QCOMPARE(m_form->Label1->accessibleName(), u"2 предметов"_s);
        QCOMPARE(m_services.announcements, QStringList{u"Предметов в списке: 2"_s});
        // The list's description leaves the count to the announcement and to the screen
        // reader's own count of the list: said there too, it would be said twice.
        QCOMPARE(m_form->ListBox1->accessibleDescription(),
                 u"Контекстное меню: клавиша Menu или Shift+F10."_s);

        m_form->ListBox1->setCurrentRow(1);
        m_form->ShowItemLore(); // «кольцо» is not in the base
        QCOMPARE(m_form->slot->accessibleName(), u"Слот не определён"_s);
        QCOMPARE(m_form->memo3->accessibleDescription(), u"Предмета «кольцо» нет в базе стафа"_s);
    }

    void entryNotInTheBaseSaysSo()
    {
        m_services.clipboard = u"шлем\r\nщит\r\n"_s;
        m_form->Button1Click();
        m_form->ListBox1->setCurrentRow(1);
        const QAbstractItemModel *list = m_form->ListBox1->model();
        QCOMPARE(list->index(1, 0).data(Qt::AccessibleTextRole).toString(), u"щит, нет в базе"_s);
        m_form->ListBox1->setCurrentRow(0);
        QVERIFY(!list->index(0, 0).data(Qt::AccessibleTextRole).isValid());
        // The table says the same, and tells the best class in words.
        const QAbstractItemModel *table = m_form->StringGrid2->model();
        QCOMPARE(table->index(1, 0).data(Qt::AccessibleTextRole).toString(), u"щит, нет в базе"_s);
        QCOMPARE(table->index(0, 1).data(Qt::AccessibleTextRole).toString(),
                 u"Вн, лучший класс: воины"_s);
    }

    /// The quick-slot descriptions follow their hints.
    void slotDescriptionFollowsItsHint()
    {
        m_services.clipboard = u"шлем\r\n"_s;
        m_form->Button1Click();
        m_form->sBitBtn2Click();
        QVERIFY2(m_form->sBitBtn5->accessibleDescription().startsWith(m_form->sBitBtn5->toolTip()),
                 qPrintable(m_form->sBitBtn5->accessibleDescription()));
        QVERIFY(m_form->sBitBtn5->toolTip() != u"Список 2 (пусто)"_s);
    }

    /// The colour pickers say their purpose and their colour, the colour anew when it
    /// changes, and keep their drop-down list of colour names as their child; the community
    /// link reads as a link, and pressing it opens the page.
    void pickersAndLinkReadAsWhatTheyAre()
    {
        QAccessibleInterface *background = QAccessible::queryAccessibleInterface(m_form->ColorBox1);
        QAccessibleInterface *text = QAccessible::queryAccessibleInterface(m_form->ColorBox2);
        QCOMPARE(background->role(), QAccessible::ComboBox);
        QCOMPARE(background->text(QAccessible::Name),
                 u"Цвет фона списка, описания и полей поиска: clBlack"_s);
        QCOMPARE(background->text(QAccessible::Value), u"clBlack"_s);
        QCOMPARE(text->text(QAccessible::Name),
                 u"Цвет текста списка, описания и полей поиска: clSilver"_s);
        m_form->ColorBox2->setSelectedColour(0x0000FFu);
        QCOMPARE(text->text(QAccessible::Name),
                 u"Цвет текста списка, описания и полей поиска: clRed"_s);

        QStringList colourNames;
        for (const NamedColour &colour : pickerColours())
            colourNames.append(colour.identifier);
        QCOMPARE(colourNames.size(), 50);
        for (ColourPicker *picker : {m_form->ColorBox1, m_form->ColorBox2}) {
            QAccessibleInterface *box = QAccessible::queryAccessibleInterface(picker);
            QCOMPARE(box->childCount(), 1);
            QAccessibleInterface *list = box->child(0);
            QVERIFY(list);
            QCOMPARE(list->role(), QAccessible::List);
            QCOMPARE(list->object(), picker->view());
            QCOMPARE(box->indexOfChild(list), 0);
            QCOMPARE(list->parent(), box);
            QStringList read;
            for (int i = 0; i < list->childCount(); ++i)
                read.append(list->child(i)->text(QAccessible::Name));
            QCOMPARE(read, colourNames);
        }

        QAccessibleInterface *link = QAccessible::queryAccessibleInterface(m_form->Label2);
        QCOMPARE(link->role(), QAccessible::Link);
        QCOMPARE(link->text(QAccessible::Name), u"Открыть группу вконтакте"_s);
        QVERIFY(link->actionInterface());
        m_services.openedUrls.clear();
        link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(m_services.openedUrls.size(), 1);
    }
};

QTEST_MAIN(TestWindowAccess)
#include "tst_window_access.moc"
