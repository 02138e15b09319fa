// The main window under the offscreen platform: its controls, menus, help text, colours,
// layout, and the staff base commands of the window.

#include "app/desktop/keyboardlayout.h"
#include "app/form/Unit1.h"
#include "app/models/itemindexmodel.h"
#include "app/widgets/colourpicker.h"
#include "app/widgets/fittinglabel.h"
#include "app/widgets/fonts.h"
#include "app/widgets/itemtablewidget.h"
#include "app/widgets/searchcombobox.h"
#include "fakeuiservices.h"
#include "text/textfile.h"
#include "windowtest.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;

class TestWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ScratchWorkingFolder> m_dir;
    FakeUiServices m_services;
    std::unique_ptr<TForm1> m_form;

    /// A staff base of two invented items, written as UTF-8 with a mark.
    static void writeBase(const QString &path)
    {
        writeTextFile(path,
                      {u"<node>"_s, u"Предмет 'ржавый ключ', Тип предмета: Обычный"_s, u"Вн Ва"_s,
                       u"Оценка: 1, 2"_s, u"мин.уровень 3"_s, u"<end node>"_s,
                       u"Предмет 'синий плащ', Тип предмета: Обычный"_s, u"Ма Ле"_s,
                       u"Оценка: 4, 5"_s, u"мин.уровень 12"_s, u"<end node>"_s},
                      TextEncoding::Utf8Bom);
    }

    template<typename W = QWidget>
    W *control(const QString &name) const
    {
        return m_form->findChild<W *>(name);
    }

    static QString visibleText(const QObject *object)
    {
        if (auto *combo = qobject_cast<const QComboBox *>(object))
            return combo->currentText();
        if (auto *edit = qobject_cast<const QPlainTextEdit *>(object))
            return edit->toPlainText();
        return object->property("text").toString();
    }

    void activate()
    {
        m_form->show();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<ScratchWorkingFolder>();
        QVERIFY(m_dir->isValid());
        m_services = FakeUiServices();
        m_form = std::make_unique<TForm1>(&m_services);
    }
    void cleanup()
    {
        m_form.reset();
        m_dir.reset();
    }

    void controlTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hint");
        auto row = [](const QString &name, const QString &text, const QString &hint = {}) {
            QTest::newRow(qPrintable(name)) << name << text << hint;
        };
        row(u"Button1"_s, u"Добавить"_s,
            u"Добавляем в список предметы из буфера (копируем сперва из мада)"_s);
        row(u"Button2"_s, u"Заменить"_s,
            u"Заменяем предметы в списке на те что в буфере (копируем сперва из мада)"_s);
        row(u"Button3"_s, u"Очистить"_s);
        row(u"Label1"_s, u"0 предметов"_s);
        row(u"Edit3"_s, u"поиск предмета"_s, u"Поиск предмета по полной базе стафа"_s);
        row(u"ComboBox6"_s, u"Поиск по свойству"_s);
        row(u"ComboBox5"_s,
            u"Поиск свойств по добавленным в список предметам (не по всей базе!)"_s);
        row(u"ComboBox1"_s, QString(), u"Префикс"_s);
        row(u"ComboBox3"_s, QString(), u"Постфикс"_s);
        row(u"Button4"_s, u"Пакетные"_s);
        row(u"Button15"_s, u"Сорт"_s,
            u"В первом поле указать отдел в котором будет проводиться сортировка по списку"_s);
        row(u"slot"_s, u"Слот"_s);
        row(u"ComboBox2"_s, QString(), u"Операции над номерами с биржи"_s);
        row(u"ComboBox4"_s, QString(), u"Постфикс"_s);
        row(u"Button5"_s, u"Пакетные - Биржа"_s);
        row(u"CheckBox1"_s, u"добавить 'все.'"_s);
        row(u"Edit1"_s, u"staff.hjt"_s, u"Путь к базе стафа"_s);
        row(u"Button6"_s, u"Загрузить"_s);
        row(u"Button8"_s, u"Выбрать"_s);
        row(u"Button7"_s, u"Открыть"_s);
        row(u"Button14"_s, u"болт"_s);
        row(u"Button12"_s, u"г"_s);
        row(u"Button10"_s, u"гг"_s);
        row(u"Button11"_s, u"сг"_s);
        row(u"Button13"_s, u"кг"_s);
        for (int n = 1; n <= 3; ++n) {
            const QString hint = u"Список %1 (пусто)"_s.arg(n);
            row(u"sBitBtn%1"_s.arg(n), QString::number(n), hint);
            row(u"sBitBtn%1"_s.arg(n + 3), QString::number(n), hint);
        }
        row(u"CheckBox2"_s, u"АвтоСорт"_s);
        row(u"Label2"_s, u"vk.com/tarnbook"_s, u"Группа вконтакте"_s);
        row(u"Label3"_s, u"Цвет"_s);
        row(u"ColorBox1"_s, u"clBlack"_s);
        row(u"ColorBox2"_s, u"clSilver"_s);
    }
    void controlTexts()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, hint);
        const QWidget *widget = control(name);
        QVERIFY2(widget, qPrintable(name));
        QCOMPARE(visibleText(widget), text);
        QCOMPARE(widget->toolTip(), hint);
    }

    void startState()
    {
        m_form->show();
        QCOMPARE(m_form->windowTitle(), u"Велигор лор - Tarnbook by Ольвен v 2.4"_s);
        QVERIFY(m_form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(m_form->centralWidget()->size(), QSize(892, 395));
        QVERIFY(!m_form->CheckBox1->isChecked());
        QVERIFY(m_form->CheckBox2->isChecked());
        QCOMPARE(m_form->ListBox1->selectionMode(), QAbstractItemView::ExtendedSelection);
        // The list's own model keeps the entries in the order the commands give them.
        QVERIFY(qobject_cast<const ItemListModel *>(m_form->ListBox1->model()));
        QCOMPARE(m_form->ListBox1->width(), 211);
        QCOMPARE(m_form->StringGrid2->columnCount(), 4);
        QCOMPARE(m_form->StringGrid2->rowCount(), 1);
        QCOMPARE(m_form->StringGrid2->columnWidth(0), 152);
        QCOMPARE(m_form->StringGrid2->rowHeight(0), 24);
        QCOMPARE(m_form->ComboBox1->count(), 13);
        QCOMPARE(m_form->ComboBox2->count(), 5);
        QCOMPARE(m_form->ComboBox3->count(), 2);
        QCOMPARE(m_form->ComboBox4->count(), 1);
        QCOMPARE(m_form->ComboBox6->count(), 29);
        QCOMPARE(m_form->ComboBox5->count(), 30);
        QCOMPARE(m_form->ComboBox5->itemText(0), QString());
        QCOMPARE(m_form->ComboBox6->itemText(25), u"Оружейное умение: Разнообразное  "_s);
        QCOMPARE(m_form->ColorBox1->count(), 50);
        // The hidden stores are no widgets at all (the paste buffer is a list of lines).
        for (const QString &store : {u"Memo2"_s, u"Memo4"_s, u"StringGrid1"_s, u"Button9"_s}) {
            const QObject *object = m_form->findChild<QObject *>(store);
            QVERIFY2(object, qPrintable(store));
            QVERIFY2(!object->isWidgetType(), qPrintable(store));
        }
        QCOMPARE(m_form->Button9->text(), u"Язык"_s);
    }

    void helpText()
    {
        const QStringList expected = {
            u"реж таймер да - включить чтобы работал лор с"_s,
            u"биржи"_s,
            u""_s,
            u"Пользоваться программой довольно просто:"_s,
            u"копируем строки из мада, целиком списком "_s,
            u"и с помощью кнопок формируем список, кнопки "_s,
            u"добавить и заменить формируют список предметов"_s,
            u"из строк находящихся в буфере обмена"_s,
            u""_s,
            u"к примеру выполним в Велигоре любую из команд:"_s,
            u"кск :нычка все *запяст =27 =лекарь"_s,
            u"би п все *тело =я"_s,
            u"кск * все браслет =я"_s,
            u"экипировка"_s,
            u""_s,
            u"и скопируем результат выполнения в буфер обмена, "_s,
            u"после чего нажмем кнопку добавить чтобы сформировать"_s,
            u"список вещей"_s,
            u""_s,
            u"база стафа должна быть указана и загружена"_s,
            u"(далее настройки сохранятся и будет авто загрузка базы) "_s,
            u""_s,
            u"также есть удобный поиск, вводим название предмета или"_s,
            u"свойство и жмем энтер"_s,
            u""_s,
            u"еще есть возможность формирования пакета действий над"_s,
            u"списком предметов, что удобно для некоторых целей, будь"_s,
            u"то закупка ингров или же пересылка нужных вещей на клан"_s,
            u"отделы, для этого нужно выбрать префикс (к примеру би хар"_s,
            u"даст нам лор предметов с биржи) и нажать кнопку копировать"_s,
            u"пакет, после чего в окне мада нажмите кнопку вставить (Ctrl+V)"_s,
            u""_s,
            u"если не срабатывает определение вещей, укажите путь к базе"_s,
            u"стафа (кнопка выбрать)"_s,
            u""_s,
            u"кнопка открыть дает возможность открыть базу стафа в "_s,
            u"трипаде, если он настроен на открытие *.hjt файлов "_s,
        };
        // With a staff base to load at start the help text stays in the lore view.
        writeBase(u"staff.hjt"_s);
        m_form = std::make_unique<TForm1>(&m_services);
        const QString shown = m_form->memo3->toPlainText();
        QCOMPARE(shown.split(u'\n'), expected);
    }

    void menus_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QStringList>("shortcuts");
        QTest::addColumn<QStringList>("added"); ///< after the described items
        QTest::newRow("list") << u"PopupMenu1"_s << u"ListBox1"_s
                              << QStringList{u"R1"_s, u"c1"_s, u"D2"_s, u"N3"_s, u"N1"_s, u"e1"_s,
                                             u"d1"_s, u"C2"_s, u"N2"_s, u"C3"_s, u"P1"_s}
                              << QStringList{u"Копировать"_s,
                                             u"Копировать все"_s,
                                             u"Вставить"_s,
                                             u"Вырезать"_s,
                                             QString(),
                                             u"Удалить"_s,
                                             u"Выделить все"_s,
                                             u"Сортировать"_s,
                                             QString(),
                                             u"Сохранить список"_s,
                                             u"Загрузить список"_s}
                              << QStringList{u"Ctrl+C"_s, QString(), u"Ctrl+V"_s, u"Ctrl+X"_s,
                                             QString(),   u"Del"_s,  u"Ctrl+A"_s, u"Ctrl+S"_s,
                                             QString(),   QString(), QString()}
                              << QStringList{u"N6"_s, u"Undo1"_s, u"Redo1"_s, u"Compare1"_s,
                                             u"Capture1"_s};
        QTest::newRow("table") << u"PopupMenu2"_s << u"StringGrid2"_s
                               << QStringList{u"N4"_s, u"N5"_s, u"E2"_s}
                               << QStringList{u"Сортировка"_s, u"Копировать"_s, u"Удалить"_s}
                               << QStringList{u"Ctrl+S"_s, u"Ctrl+C"_s, u"Del"_s} << QStringList();
    }
    void menus()
    {
        QFETCH(QString, menu);
        QFETCH(QString, owner);
        QFETCH(QStringList, items);
        QFETCH(QStringList, captions);
        QFETCH(QStringList, shortcuts);
        QFETCH(QStringList, added);
        const auto *popup = m_form->findChild<QMenu *>(menu);
        QVERIFY(popup);
        const QList<QAction *> actions = popup->actions();
        QCOMPARE(actions.size(), items.size() + added.size());
        for (qsizetype i = 0; i < added.size(); ++i)
            QCOMPARE(actions[items.size() + i]->objectName(), added[i]);
        for (qsizetype i = 0; i < items.size(); ++i) {
            QCOMPARE(actions[i]->objectName(), items[i]);
            QCOMPARE(actions[i]->text(), captions[i]);
            QCOMPARE(actions[i]->isSeparator(), captions[i].isEmpty());
            QCOMPARE(actions[i]->shortcut().toString(QKeySequence::PortableText), shortcuts[i]);
            QCOMPARE(actions[i]->shortcutContext(), Qt::WidgetShortcut);
            QVERIFY(control(owner)->actions().contains(actions[i]));
        }
    }

    /// Ctrl+C, Ctrl+S and Del reach the menu of the control with the focus, and no other.
    void shortcutsFollowTheFocus()
    {
        activate();
        QMap<QString, int> fired;
        for (QAction *action : m_form->findChildren<QAction *>()) {
            connect(action, &QAction::triggered, this,
                    [&fired, action] { ++fired[action->objectName()]; });
        }
        auto press = [&](QWidget *target, int key,
                         Qt::KeyboardModifiers modifiers) -> QMap<QString, int> {
            fired.clear();
            target->setFocus();
            if (!target->hasFocus())
                return {{u"no focus"_s, 1}};
            QTest::keyClick(target, Qt::Key(key), modifiers);
            return fired;
        };
        using Fired = QMap<QString, int>;
        QCOMPARE(press(m_form->ListBox1, Qt::Key_C, Qt::ControlModifier), (Fired{{u"R1"_s, 1}}));
        QCOMPARE(press(m_form->ListBox1, Qt::Key_S, Qt::ControlModifier), (Fired{{u"C2"_s, 1}}));
        QCOMPARE(press(m_form->ListBox1, Qt::Key_Delete, {}), (Fired{{u"e1"_s, 1}}));
        QCOMPARE(press(m_form->ListBox1, Qt::Key_A, Qt::ControlModifier), (Fired{{u"d1"_s, 1}}));
        QCOMPARE(press(m_form->ListBox1, Qt::Key_V, Qt::ControlModifier), (Fired{{u"D2"_s, 1}}));
        QCOMPARE(press(m_form->ListBox1, Qt::Key_X, Qt::ControlModifier), (Fired{{u"N3"_s, 1}}));
        QCOMPARE(press(m_form->StringGrid2, Qt::Key_C, Qt::ControlModifier), (Fired{{u"N5"_s, 1}}));
        QCOMPARE(press(m_form->StringGrid2, Qt::Key_S, Qt::ControlModifier), (Fired{{u"N4"_s, 1}}));
        QCOMPARE(press(m_form->StringGrid2, Qt::Key_Delete, {}), (Fired{{u"E2"_s, 1}}));
        QCOMPARE(press(m_form->Edit3, Qt::Key_C, Qt::ControlModifier), Fired{});
        QCOMPARE(press(m_form->ComboBox5, Qt::Key_S, Qt::ControlModifier), Fired{});
        QCOMPARE(press(m_form->Edit1, Qt::Key_Delete, {}), Fired{});
    }

    void anchors_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>(
            "change"); // of x, y, width, height when the client grows by 100, 60
        QTest::newRow("top left") << u"Button1"_s << QRect(0, 0, 0, 0);
        QTest::newRow("left top right") << u"ComboBox6"_s << QRect(0, 0, 100, 0);
        QTest::newRow("top right bottom") << u"StringGrid2"_s << QRect(100, 0, 0, 60);
        QTest::newRow("all four") << u"sPanel1"_s << QRect(0, 0, 100, 60);
        QTest::newRow("left bottom") << u"Edit1"_s << QRect(0, 60, 0, 0);
        QTest::newRow("right bottom") << u"ColorBox2"_s << QRect(100, 60, 0, 0);
        QTest::newRow("quote button") << u"Button14"_s << QRect(100, 60, 0, 0);
    }
    void anchors()
    {
        QFETCH(QString, name);
        QFETCH(QRect, change);
        m_form->show();
        QWidget *widget = control(name);
        const QRect before = widget->geometry();
        m_form->resize(m_form->size() + QSize(100, 60));
        QTRY_COMPARE(m_form->centralWidget()->size(), QSize(992, 455));
        const QRect after = widget->geometry();
        QCOMPARE(QRect(after.x() - before.x(), after.y() - before.y(),
                       after.width() - before.width(), after.height() - before.height()),
                 change);
    }

    /// The list keeps its width when the window grows; the lore view takes the room.
    void splitterKeepsTheListWidth()
    {
        m_form->show();
        const int memoWidth = m_form->memo3->width();
        m_form->resize(m_form->size() + QSize(100, 0));
        QTRY_COMPARE(m_form->memo3->width(), memoWidth + 100);
        QCOMPARE(m_form->ListBox1->width(), 211);
        QCOMPARE(m_form->ComboBox5->width(), m_form->Splitter1->width());
    }

    void colourPickers()
    {
        const QList<QWidget *> dark = {m_form->ListBox1, m_form->ComboBox5, m_form->memo3,
                                       m_form->Edit3, m_form->ComboBox6};
        // From code: no change event, nothing recoloured.
        m_form->ColorBox1->setSelectedColour(0x0000FFu); // red
        for (QWidget *widget : dark)
            QCOMPARE(widget->palette().color(QPalette::Base), QColor(Qt::black));

        // The user picks the row after clBlack (clMaroon) and after clSilver (clRed).
        m_form->ColorBox1->setSelectedColour(0);
        QTest::keyClick(m_form->ColorBox1, Qt::Key_Down);
        QTest::keyClick(m_form->ColorBox2, Qt::Key_Down);
        QCOMPARE(m_form->ColorBox1->selectedColour(), 0x000080u);
        QCOMPARE(m_form->ColorBox2->selectedColour(), 0x0000FFu);
        // Only the base and text colours change: the drop-down arrows and frames keep theirs.
        const QPalette window = m_form->palette();
        for (QWidget *widget : dark) {
            QCOMPARE(widget->palette().color(QPalette::Base), QColor(0x80, 0, 0));
            QCOMPARE(widget->palette().color(QPalette::Text), QColor(0xFF, 0, 0));
            for (QPalette::ColorRole role :
                 {QPalette::ButtonText, QPalette::Button, QPalette::Window, QPalette::WindowText})
                QCOMPARE(widget->palette().color(role), window.color(role));
        }
    }

    /// Texts laid out for Tahoma stay whole in their places with any font: the count label
    /// before the name search, the link beside the quick-slot buttons.
    void textsStayWholeBesideTheirNeighbours_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("neighbour");
        QTest::newRow("count") << u"Label1"_s << u"100000 предметов"_s << u"Edit3"_s;
        const QUrl link(communityPageAddress.toString());
        QTest::newRow("link") << u"Label2"_s << link.host() + link.path() << u"sBitBtn3"_s;
    }

    void textsStayWholeBesideTheirNeighbours()
    {
        QFETCH(QString, label);
        QFETCH(QString, text);
        QFETCH(QString, neighbour);
        auto *shown = control<QLabel>(label);
        shown->setText(text);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        const QRect place = shown->geometry();
        const QRect other = control(neighbour)->geometry();
        QVERIFY(place.right() < other.left() || place.left() > other.right());
        const QFont drawn = fontFittingWidth(shown->font(), text, shown->contentsRect().width());
        QVERIFY(QFontMetrics(drawn).horizontalAdvance(text) <= shown->contentsRect().width());
        QVERIFY(drawn.pixelSize() >= shown->font().pixelSize() - 4);
    }

    /// Every caption is whole at any display scaling (the suite also runs at 150 % and 200 %):
    /// the buttons' and check boxes' texts with their pictures, the labels, and the item
    /// table's class and level columns; the slot buttons' pictures are drawn for the scaling,
    /// not blown up.
    void captionsStayWholeAtThisScaling()
    {
        writeBase(u"staff.hjt"_s);
        appendListEntry(m_form->ListBox1, u"синий плащ"_s);
        m_form->RebuildItemTable();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        const qreal ratio = m_form->devicePixelRatioF();
        for (QAbstractButton *button : m_form->findChildren<QAbstractButton *>()) {
            if (!button->isVisible() || button->text().isEmpty())
                continue;
            const int iconWidth = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
            const int textWidth = button->fontMetrics().horizontalAdvance(button->text());
            QVERIFY2(textWidth + iconWidth <= button->contentsRect().width() - 4,
                     qPrintable(button->objectName()));
            if (!button->icon().isNull()) {
                const QPixmap picture = button->icon().pixmap(button->iconSize(), ratio);
                QCOMPARE(picture.width(), qRound(button->iconSize().width() * ratio));
            }
        }
        for (QLabel *label : m_form->findChildren<QLabel *>()) {
            if (!label->isVisible() || label->text().isEmpty())
                continue;
            // A fitting label draws its text in a font that fits; any other in its own.
            const QFont drawn = qobject_cast<FittingLabel *>(label)
                ? fontFittingWidth(label->font(), label->text(), label->contentsRect().width())
                : label->font();
            QVERIFY2(QFontMetrics(drawn).horizontalAdvance(label->text())
                         <= label->contentsRect().width(),
                     qPrintable(label->objectName()));
        }
        const auto *table = m_form->StringGrid2;
        for (const int column : {int(ClassColumn), int(LevelColumn)}) {
            const QString widest = column == LevelColumn ? u"50"_s : u"Лк"_s;
            QVERIFY(table->fontMetrics().horizontalAdvance(widest) < table->columnWidth(column));
        }
    }

    void pickerKeepsAnUnlistedColour()
    {
        m_form->ColorBox1->setSelectedColour(0x00123456u);
        QCOMPARE(m_form->ColorBox1->selectedColour(), 0x00123456u);
        QCOMPARE(m_form->ColorBox1->currentIndex(), -1);
        m_form->ColorBox1->setSelectedColour(0xFF00000Fu); // clBtnFace
        QCOMPARE(m_form->ColorBox1->currentText(), u"clBtnFace"_s);
        QCOMPARE(displayColour(0xFF00000Fu, m_form->palette()),
                 m_form->palette().color(QPalette::Button));
        QCOMPARE(displayColour(0x00563412u, QPalette()), QColor(0x12, 0x34, 0x56));
        QVERIFY(!displayColour(0x20000000u, QPalette()).isValid());
    }

    void chooseBaseReloadsEvenOnCancel()
    {
        writeBase(u"staff.hjt"_s);
        m_services.openAnswer.clear(); // Cancel
        QTest::mouseClick(m_form->Button8, Qt::LeftButton);
        QCOMPARE(m_services.openFilters, QStringList{u"hjt treepad (*.hjt);;all files (*.*)"_s});
        QCOMPARE(m_form->Edit1->text(), u"staff.hjt"_s);
        QCOMPARE(m_form->StringGrid1Index.size(), 2);
        QCOMPARE(m_form->StringGrid1->rowCount(), 2);
        QCOMPARE(m_form->StringGrid1->index(1, 0).data().toString(), u"синий плащ"_s);
        QVERIFY(!m_form->BaseLines.isEmpty());

        const QString other = m_dir->filePath(u"other.hjt"_s);
        writeTextFile(other, {u"Предмет 'перо', Тип предмета: Обычный"_s, u"мин.уровень 1"_s},
                      TextEncoding::Ansi);
        m_services.openAnswer = other;
        QTest::mouseClick(m_form->Button8, Qt::LeftButton);
        QCOMPARE(m_form->Edit1->text(), other);
        QCOMPARE(m_form->StringGrid1Index.size(), 1);
        QCOMPARE(m_form->BaseLines.lineCount(), 2);
        QVERIFY(m_services.errors.isEmpty());
    }

    void missingBase()
    {
        writeBase(u"staff.hjt"_s);
        QTest::mouseClick(m_form->Button6, Qt::LeftButton);
        QCOMPARE(m_form->StringGrid1Index.size(), 2);
        m_form->Edit1->setText(u"nothere.hjt"_s);
        QTest::mouseClick(m_form->Button6, Qt::LeftButton);
        QCOMPARE(m_form->memo3->toPlainText(), u"файл базы не найден"_s);
        QVERIFY(m_form->BaseLines.isEmpty());
        QVERIFY(m_form->StringGrid1Index.isEmpty());
        QVERIFY(m_services.errors.isEmpty());
    }

    /// A folder as the path: the error box, BaseLines empty, the index keeps its rows, and the
    /// window goes on working.
    void unreadableBase()
    {
        writeBase(u"staff.hjt"_s);
        QTest::mouseClick(m_form->Button6, Qt::LeftButton);
        const QString lore = m_form->memo3->toPlainText();
        QDir().mkdir(u"folder.hjt"_s);
        m_form->Edit1->setText(u"folder.hjt"_s);
        QTest::mouseClick(m_form->Button6, Qt::LeftButton);
        QCOMPARE(m_services.errors.size(), 1);
        QVERIFY2(m_services.errors[0].startsWith(u"Cannot open file \"folder.hjt\"."_s),
                 qPrintable(m_services.errors[0]));
        QVERIFY(m_form->BaseLines.isEmpty());
        QCOMPARE(m_form->StringGrid1Index.size(), 2);
        QCOMPARE(m_form->memo3->toPlainText(), lore);

        m_form->Edit1->setText(u"staff.hjt"_s);
        QTest::mouseClick(m_form->Button6, Qt::LeftButton);
        QCOMPARE(m_services.errors.size(), 1);
        QCOMPARE(m_form->BaseLines.lineCount(), 11);
    }

    /// The real desktop's error boxes of the start-up (a bad settings.ini, staff.hjt a folder)
    /// wait for the window: they come once it is on the screen, over it, in their order.
    void startUpErrorsComeOverTheShownWindow()
    {
        m_form.reset();
        writeTextFile(u"settings.ini"_s, {u"staff.hjt"_s, u"ширина"_s}, TextEncoding::Ansi);
        QDir().mkdir(u"staff.hjt"_s);
        struct Box
        {
            QString text;
            bool overTheWindow;
        };
        QList<Box> boxes;
        TForm1 *form = nullptr;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            boxes.append({box->text(), form && box->parentWidget() == form && form->isVisible()});
            box->reject();
        });
        closer.start(10);
        TForm1 window; // the real desktop services
        form = &window;
        QTest::qWait(50);
        QVERIFY(boxes.isEmpty());
        window.show();
        QTRY_COMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0].text, u"'ширина' is not a valid integer value"_s);
        QVERIFY2(boxes[1].text.startsWith(u"Cannot open file \"staff.hjt\"."_s),
                 qPrintable(boxes[1].text));
        QVERIFY(boxes[0].overTheWindow && boxes[1].overTheWindow);

        // Once the window is up, an error box comes at once.
        window.Edit1->setText(u"staff.hjt"_s);
        QTest::mouseClick(window.Button6, Qt::LeftButton);
        QCOMPARE(boxes.size(), 3);
    }

    /// "Открыть" hands the desktop only an existing regular file, by its absolute local path;
    /// anything else is the file's message with the reason, and nothing is opened.
    void openBaseOnlyAsLocalFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("make"); // "file", "folder", "pipe" or nothing
        QTest::newRow("relative, existing") << u"staff.hjt"_s << u"file"_s;
        QTest::newRow("relative, missing") << u"staff.hjt"_s << QString();
        QTest::newRow("looks like an address") << u"http://example.org/x.hjt"_s << QString();
        QTest::newRow("looks like a command") << u"calc.exe /c del"_s << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("folder") << u"база"_s << u"folder"_s;
        QTest::newRow("named pipe") << u"staff.hjt"_s << u"pipe"_s;
    }
    void openBaseOnlyAsLocalFile()
    {
        QFETCH(QString, path);
        QFETCH(QString, make);
        if (make == u"file"_s)
            writeBase(path);
        else if (make == u"folder"_s)
            QVERIFY(QDir().mkdir(path));
#ifdef Q_OS_UNIX
        else if (make == u"pipe"_s && ::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
            QSKIP("cannot make a named pipe here");
#else
        else if (make == u"pipe"_s)
            QSKIP("no named pipes on this system");
#endif
        m_form->Edit1->setText(path);
        m_services.errors.clear();
        QTest::mouseClick(m_form->Button7, Qt::LeftButton);
        if (make == u"file"_s) {
            QCOMPARE(m_services.errors, QStringList());
            QCOMPARE(m_services.openedUrls,
                     QList<QUrl>{QUrl::fromLocalFile(QDir::current().absoluteFilePath(path))});
            QVERIFY(QDir::isAbsolutePath(m_services.openedUrls[0].toLocalFile()));
            QVERIFY(m_services.openedUrls[0].toString().startsWith(u"file:///"_s));
        } else {
            QCOMPARE(m_services.openedUrls, QList<QUrl>());
            QCOMPARE(m_services.errors.size(), 1);
            const QString head = u"Cannot open file \"%1\". "_s.arg(path);
            QVERIFY2(m_services.errors[0].startsWith(head), qPrintable(m_services.errors[0]));
            QVERIFY2(m_services.errors[0].size() > head.size(), qPrintable(m_services.errors[0]));
        }
    }

    void communityLink()
    {
        m_form->show();
        QTest::mouseClick(m_form->Label2, Qt::LeftButton);
        QCOMPARE(m_services.openedUrls.size(), 1);
        const QUrl url = m_services.openedUrls[0];
        QCOMPARE(url.scheme(), u"https"_s);
        QCOMPARE(url.host() + url.path(), m_form->Label2->text());
        QCOMPARE(m_form->Label2->cursor().shape(), Qt::PointingHandCursor);
    }

    void keyboardLayoutRule_data()
    {
        QTest::addColumn<unsigned>("language");
        QTest::addColumn<bool>("switched");
        QTest::newRow("English (United States)") << 0x0409u << true;
        QTest::newRow("Russian") << 0x0419u << false;
        QTest::newRow("English (United Kingdom)") << 0x0809u << false;
    }
    void keyboardLayoutRule()
    {
        QFETCH(unsigned, language);
        QFETCH(bool, switched);
        QCOMPARE(isSwitchedLanguage(language), switched);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
