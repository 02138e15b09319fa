// The form of the main window: every control with its place, anchors, texts, hints, fonts and
// colours at the designed 892 x 395 client area, the two context menus and the help text.

#include "app/form/Unit1.h"

#include "app/models/itemindexmodel.h"
#include "app/widgets/anchorlayout.h"
#include "app/widgets/colourpicker.h"
#include "app/widgets/copybuffer.h"
#include "app/widgets/fittinglabel.h"
#include "app/widgets/fonts.h"
#include "app/widgets/itemlistwidget.h"
#include "app/widgets/itemtablewidget.h"
#include "app/widgets/searchcombobox.h"
#include "app/widgets/slotpictures.h"
#include "packets/packets.h"
#include "state/colournames.h"

#include <QAction>
#include <QCheckBox>
#include <QCompleter>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

using A = AnchorLayout::Anchor;
constexpr AnchorLayout::Anchors leftBottom = {A::Left, A::Bottom};
constexpr AnchorLayout::Anchors rightBottom = {A::Right, A::Bottom};

constexpr QSize designClientSize(892, 395);
constexpr QRgb navy = 0x000080;
constexpr QRgb silver = 0xC0C0C0;
constexpr QRgb lime = 0x00FF00;
constexpr QRgb aqua = 0x00FFFF;
constexpr QRgb red = 0xFF0000;

} // namespace

/// Lines 5, 6, 16, 21, 36 and 37 end in one space.
const QStringList &TForm1::startHelpText()
{
    static const QStringList lines = {
        u"реж таймер да - включить чтобы работал лор с"_s,
        u"биржи"_s,
        QString(),
        u"Пользоваться программой довольно просто:"_s,
        u"копируем строки из мада, целиком списком "_s,
        u"и с помощью кнопок формируем список, кнопки "_s,
        u"добавить и заменить формируют список предметов"_s,
        u"из строк находящихся в буфере обмена"_s,
        QString(),
        u"к примеру выполним в Велигоре любую из команд:"_s,
        u"кск :нычка все *запяст =27 =лекарь"_s,
        u"би п все *тело =я"_s,
        u"кск * все браслет =я"_s,
        u"экипировка"_s,
        QString(),
        u"и скопируем результат выполнения в буфер обмена, "_s,
        u"после чего нажмем кнопку добавить чтобы сформировать"_s,
        u"список вещей"_s,
        QString(),
        u"база стафа должна быть указана и загружена"_s,
        u"(далее настройки сохранятся и будет авто загрузка базы) "_s,
        QString(),
        u"также есть удобный поиск, вводим название предмета или"_s,
        u"свойство и жмем энтер"_s,
        QString(),
        u"еще есть возможность формирования пакета действий над"_s,
        u"списком предметов, что удобно для некоторых целей, будь"_s,
        u"то закупка ингров или же пересылка нужных вещей на клан"_s,
        u"отделы, для этого нужно выбрать префикс (к примеру би хар"_s,
        u"даст нам лор предметов с биржи) и нажать кнопку копировать"_s,
        u"пакет, после чего в окне мада нажмите кнопку вставить (Ctrl+V)"_s,
        QString(),
        u"если не срабатывает определение вещей, укажите путь к базе"_s,
        u"стафа (кнопка выбрать)"_s,
        QString(),
        u"кнопка открыть дает возможность открыть базу стафа в "_s,
        u"трипаде, если он настроен на открытие *.hjt файлов "_s,
    };
    return lines;
}

namespace {

/// The property phrases of both search boxes, in their order.
QStringList propertyPhrases()
{
    return {
        u"на дополнительный слот"_s,
        u"на голову"_s,
        u"на шею"_s,
        u"на тело"_s,
        u"на плечи"_s,
        u"вокруг талии"_s,
        u"на кисти рук"_s,
        u"на руки"_s,
        u"на ноги"_s,
        u"как обувь"_s,
        u"на запястье"_s,
        u"на палец"_s,
        u"как щит"_s,
        u"Тип предмета: Обычный"_s,
        u"Оружейное умение: Рукопашный бой"_s,
        u"Оружейное умение: Длинные лезвия"_s,
        u"Оружейное умение: Короткие лезвия"_s,
        u"Оружейное умение: Проникающие"_s,
        u"Оружейное умение: Топоры"_s,
        u"Оружейное умение: Посохи"_s,
        u"Оружейное умение: Дубины и палицы"_s,
        u"Оружейное умение: Копья"_s,
        u"Оружейное умение: Луки"_s,
        u"Оружейное умение: Арбалеты"_s,
        u"Оружейное умение: Пращи"_s,
        u"Оружейное умение: Разнообразное  "_s,
        u"Тип предмета: Ингредиент"_s,
        u"Тип предмета: Свиток"_s,
        u"Тип предмета: Книга"_s,
    };
}

/// The base and text colours of a list, view, edit or combo box. Its buttons, frame and
/// scroll bars keep theirs: a combo box's drop-down arrow is drawn in the button text colour.
void setColours(QWidget *widget, const QColor &background, const QColor &text)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::Text, text);
    widget->setPalette(palette);
}

void setTextColour(QLabel *label, QRgb rgb)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(rgb));
    label->setPalette(palette);
}

template<typename W>
W *named(W *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

QPushButton *pushButton(QWidget *parent, const QString &name, const QString &caption)
{
    return named(new QPushButton(caption, parent), name);
}

QComboBox *freeTextCombo(QComboBox *combo, const QString &name, const QStringList &presets)
{
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert); // Enter must not add the text as an item
    combo->addItems(presets);
    combo->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    combo->completer()->setCompletionMode(QCompleter::InlineCompletion);
    combo->setCurrentIndex(-1);
    combo->setEditText(QString());
    return combo;
}

QAction *menuAction(QObject *parent, const QString &name, const QString &caption,
                    const QKeySequence &shortcut = {})
{
    auto *action = named(new QAction(caption, parent), name);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WidgetShortcut);
    return action;
}

QAction *menuSeparator(QObject *parent, const QString &name)
{
    auto *action = named(new QAction(parent), name);
    action->setSeparator(true);
    action->setShortcutContext(Qt::WidgetShortcut);
    return action;
}

} // namespace

void TForm1::buildForm()
{
    setObjectName(u"Form1"_s);
    setWindowTitle(u"Велигор лор - Tarnbook by Ольвен v 2.4"_s);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    addWineTahoma();
    setFont(sansFont(12));

    auto *client = new QWidget(this);
    client->setObjectName(u"clientArea"_s);
    setCentralWidget(client);
    auto *layout = new AnchorLayout(designClientSize, client);
    auto place = [layout](QWidget *widget, int x, int y, int w, int h,
                          AnchorLayout::Anchors anchors = {A::Left, A::Top}) {
        layout->addAnchored(widget, QRect(x, y, w, h), anchors);
    };
    auto placeText = [layout](QWidget *widget, int x, int y, int w, int h,
                              AnchorLayout::Anchors anchors = {A::Left, A::Top},
                              int maxWidth = QWIDGETSIZE_MAX) {
        layout->addFittingText(widget, QRect(x, y, w, h), anchors, maxWidth);
    };

    // Top row.
    Button1 = pushButton(client, u"Button1"_s, u"Добавить"_s);
    Button1->setToolTip(u"Добавляем в список предметы из буфера (копируем сперва из мада)"_s);
    Button1->setFont(sansFont(12, true));
    place(Button1, 7, 8, 73, 25);
    Button2 = pushButton(client, u"Button2"_s, u"Заменить"_s);
    Button2->setToolTip(
        u"Заменяем предметы в списке на те что в буфере (копируем сперва из мада)"_s);
    place(Button2, 86, 8, 64, 25);
    Button3 = pushButton(client, u"Button3"_s, u"Очистить"_s);
    place(Button3, 155, 8, 69, 25);
    Label1 = named(new StatusLabel(u"0 предметов"_s, QString(), QString(), client), u"Label1"_s);
    Label1->setFont(sansFont(13));
    setTextColour(Label1, navy);
    // It may widen up to the name search, and must hold «100000 предметов».
    placeText(Label1, 236, 16, 74, 16, {A::Left, A::Top}, 344 - 4 - 236);
    Edit3 = named(new QLineEdit(u"поиск предмета"_s, client), u"Edit3"_s);
    Edit3->setToolTip(u"Поиск предмета по полной базе стафа"_s);
    Edit3->setFont(fixedFont(13));
    setColours(Edit3, Qt::black, QColor(aqua));
    place(Edit3, 344, 13, 126, 24);
    ComboBox6 = new SearchComboBox(client);
    freeTextCombo(ComboBox6, u"ComboBox6"_s, propertyPhrases());
    ComboBox6->setEditText(u"Поиск по свойству"_s);
    ComboBox6->setMaxVisibleItems(13);
    ComboBox6->setFont(fixedFont(12));
    setColours(ComboBox6, Qt::black, QColor(lime));
    place(ComboBox6, 476, 12, 171, 24, {A::Left, A::Top, A::Right});

    // The item table and the panel with the list, the lore view and the filter.
    StringGrid2 = named(new ItemTableWidget(1, client), u"StringGrid2"_s);
    StringGrid2->horizontalHeader()->hide();
    StringGrid2->verticalHeader()->hide();
    StringGrid2->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid2->verticalHeader()->setDefaultSectionSize(24);
    StringGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid2->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid2->setFont(sansFont(12));
    StringGrid2->setWordWrap(false);
    const int gridColumnWidths[] = {152, 24, 27, 24};
    for (int column = 0; column < 4; ++column)
        StringGrid2->setColumnWidth(column, gridColumnWidths[column]);
    setColours(StringGrid2, palette().color(QPalette::Button), Qt::black);
    place(StringGrid2, 651, 12, 231, 290, {A::Top, A::Right, A::Bottom});

    sPanel1 = named(new QFrame(client), u"sPanel1"_s);
    sPanel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sPanel1->setLineWidth(1);
    place(sPanel1, 8, 39, 639, 263, {A::Left, A::Top, A::Right, A::Bottom});
    auto *panelLayout = new QVBoxLayout(sPanel1);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    panelLayout->setSpacing(0);
    Splitter1 = named(new QSplitter(Qt::Horizontal, sPanel1), u"Splitter1"_s);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->setHandleWidth(3);
    ListBox1 = named(new ItemListWidget(Splitter1), u"ListBox1"_s);
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox1->setFont(fixedFont(13));
    ListBox1->setMinimumWidth(30);
    setColours(ListBox1, Qt::black, QColor(silver));
    memo3 = named(new QPlainTextEdit(Splitter1), u"memo3"_s);
    memo3->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo3->setFont(fixedFont(13));
    memo3->setMinimumWidth(30);
    setColours(memo3, Qt::black, QColor(silver));
    memo3->setPlainText(startHelpText().join(u'\n'));
    Splitter1->addWidget(ListBox1);
    Splitter1->addWidget(memo3);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({211, 639 - 2 - 211 - 3});
    panelLayout->addWidget(Splitter1, 1);
    ComboBox5 = new SearchComboBox(sPanel1);
    freeTextCombo(ComboBox5, u"ComboBox5"_s, QStringList{QString()} + propertyPhrases());
    ComboBox5->setEditText(u"Поиск свойств по добавленным в список предметам (не по всей базе!)"_s);
    ComboBox5->setMaxVisibleItems(14);
    ComboBox5->setFont(fixedFont(12));
    ComboBox5->setFixedHeight(24);
    setColours(ComboBox5, Qt::black, QColor(lime));
    panelLayout->addWidget(ComboBox5);

    // Packet rows, bottom left.
    ComboBox1 = freeTextCombo(new QComboBox(client), u"ComboBox1"_s, packetPrefixPresets());
    ComboBox1->setToolTip(u"Префикс"_s);
    place(ComboBox1, 8, 314, 145, 22, leftBottom);
    ComboBox3 = freeTextCombo(new QComboBox(client), u"ComboBox3"_s, packetPostfixPresets());
    ComboBox3->setToolTip(u"Постфикс"_s);
    place(ComboBox3, 159, 314, 57, 22, leftBottom);
    Button4 = pushButton(client, u"Button4"_s, u"Пакетные"_s);
    place(Button4, 222, 314, 75, 23, leftBottom);
    Button15 = pushButton(client, u"Button15"_s, u"Сорт"_s);
    Button15->setToolTip(
        u"В первом поле указать отдел в котором будет проводиться сортировка по списку"_s);
    place(Button15, 303, 314, 50, 23, leftBottom);
    slot = named(new StatusLabel(u"Слот"_s, u"Слот: "_s, u"Слот не определён"_s, client),
                 u"slot"_s);
    slot->setFont(sansFont(12, true));
    setTextColour(slot, red);
    placeText(slot, 362, 319, 31, 14, leftBottom);
    ComboBox2 = freeTextCombo(new QComboBox(client), u"ComboBox2"_s, exchangeOperationPresets());
    ComboBox2->setToolTip(u"Операции над номерами с биржи"_s);
    place(ComboBox2, 8, 342, 145, 22, leftBottom);
    ComboBox4 = freeTextCombo(new QComboBox(client), u"ComboBox4"_s, exchangePostfixPresets());
    ComboBox4->setToolTip(u"Постфикс"_s);
    place(ComboBox4, 159, 342, 57, 22, leftBottom);
    Button5 = pushButton(client, u"Button5"_s, u"Пакетные - Биржа"_s);
    place(Button5, 222, 342, 131, 23, leftBottom);
    CheckBox1 = named(new QCheckBox(u"добавить 'все.'"_s, client), u"CheckBox1"_s);
    placeText(CheckBox1, 360, 345, 105, 20, leftBottom);
    Edit1 = named(new QLineEdit(u"staff.hjt"_s, client), u"Edit1"_s);
    Edit1->setToolTip(u"Путь к базе стафа"_s);
    place(Edit1, 8, 370, 208, 22, leftBottom);
    Button6 = pushButton(client, u"Button6"_s, u"Загрузить"_s);
    place(Button6, 222, 370, 66, 22, leftBottom);
    Button8 = pushButton(client, u"Button8"_s, u"Выбрать"_s);
    place(Button8, 292, 370, 61, 22, leftBottom);
    Button7 = pushButton(client, u"Button7"_s, u"Открыть"_s);
    place(Button7, 359, 371, 61, 22, leftBottom);

    // Lore quote buttons, bottom right.
    Button14 = pushButton(client, u"Button14"_s, u"болт"_s);
    place(Button14, 510, 313, 37, 25, rightBottom);
    Button12 = pushButton(client, u"Button12"_s, u"г"_s);
    place(Button12, 549, 313, 23, 25, rightBottom);
    Button10 = pushButton(client, u"Button10"_s, u"гг"_s);
    place(Button10, 574, 313, 23, 25, rightBottom);
    Button11 = pushButton(client, u"Button11"_s, u"сг"_s);
    place(Button11, 600, 313, 23, 25, rightBottom);
    Button13 = pushButton(client, u"Button13"_s, u"кг"_s);
    place(Button13, 625, 313, 23, 25, rightBottom);

    // Quick slots: the load row above the save row.
    const int loadLefts[] = {654, 692, 732};
    const int saveLefts[] = {653, 692, 732};
    for (int slot = 1; slot <= quickSlotCount; ++slot) {
        const QString number = QString::number(slot);
        QPushButton *load = pushButton(client, u"sBitBtn"_s + QString::number(slot + 3), number);
        load->setIcon(loadSlotPicture());
        place(load, loadLefts[slot - 1], 312, 36, 25, rightBottom);
        quickLoadButton(slot) = load;
        QPushButton *save = pushButton(client, u"sBitBtn"_s + number, number);
        save->setIcon(saveSlotPicture());
        place(save, saveLefts[slot - 1], 341, 36, 25, rightBottom);
        quickSaveButton(slot) = save;
        for (QPushButton *button : {load, save})
            button->setIconSize(QSize(16, 16));
        setQuickSlotHint(slot, quickSlotEmptyHint(slot));
    }

    CheckBox2 = named(new QCheckBox(u"АвтоСорт"_s, client), u"CheckBox2"_s);
    CheckBox2->setChecked(true);
    placeText(CheckBox2, 806, 314, 78, 17, rightBottom);
    // The link shows the address without its scheme, to fit its place beside the slot buttons.
    const QUrl community(communityPageAddress.toString());
    Label2 = named(new LinkLabel(community.host() + community.path(), client), u"Label2"_s);
    Label2->setToolTip(u"Группа вконтакте"_s);
    Label2->setFont(sansFont(12, true));
    Label2->setCursor(Qt::PointingHandCursor);
    setTextColour(Label2, navy);
    // It may widen to the left, but not up to the quick-save buttons (their right edge 768).
    placeText(Label2, 811, 349, 73, 14, rightBottom, 811 + 73 - 768 - 6);
    Label3 = named(new QLabel(u"Цвет"_s, client), u"Label3"_s);
    Label3->setFont(sansFont(12, true));
    placeText(Label3, 661, 373, 31, 14, rightBottom);
    ColorBox1 = named(new ColourPicker(client), u"ColorBox1"_s);
    ColorBox1->setSelectedColour(colourFromRgb(0, 0, 0));
    place(ColorBox1, 698, 369, 91, 22, rightBottom);
    ColorBox2 = named(new ColourPicker(client), u"ColorBox2"_s);
    ColorBox2->setSelectedColour(colourFromRgb(0xC0, 0xC0, 0xC0));
    place(ColorBox2, 795, 369, 89, 22, rightBottom);

    // Hidden stores and buffers: no widgets at all, so nothing a player cannot see reaches the accessibility tree or the tab order.
    Memo2 = named(new CopyBuffer(this), u"Memo2"_s);
    Memo4 = named(new CopyBuffer(this), u"Memo4"_s);
    StringGrid1 = named(new ItemIndexModel(StringGrid1Index, this), u"StringGrid1"_s);
    Button9 = named(new QAction(u"Язык"_s, this), u"Button9"_s);

    buildMenus();
    resize(designClientSize);
    move(0, 0);
}

void TForm1::buildMenus()
{
    PopupMenu1 = named(new QMenu(this), u"PopupMenu1"_s);
    R1 = menuAction(this, u"R1"_s, u"Копировать"_s, QKeySequence(Qt::CTRL | Qt::Key_C));
    c1 = menuAction(this, u"c1"_s, u"Копировать все"_s);
    D2 = menuAction(this, u"D2"_s, u"Вставить"_s, QKeySequence(Qt::CTRL | Qt::Key_V));
    N3 = menuAction(this, u"N3"_s, u"Вырезать"_s, QKeySequence(Qt::CTRL | Qt::Key_X));
    N1 = menuSeparator(this, u"N1"_s);
    e1 = menuAction(this, u"e1"_s, u"Удалить"_s, QKeySequence(Qt::Key_Delete));
    d1 = menuAction(this, u"d1"_s, u"Выделить все"_s, QKeySequence(Qt::CTRL | Qt::Key_A));
    C2 = menuAction(this, u"C2"_s, u"Сортировать"_s, QKeySequence(Qt::CTRL | Qt::Key_S));
    N2 = menuSeparator(this, u"N2"_s);
    C3 = menuAction(this, u"C3"_s, u"Сохранить список"_s);
    P1 = menuAction(this, u"P1"_s, u"Загрузить список"_s);
    const QList<QAction *> listActions = {R1, c1, D2, N3, N1, e1, d1, C2, N2, C3, P1};
    PopupMenu1->addActions(listActions);
    ListBox1->addActions(listActions); // their shortcuts live while the list has the focus
    // The list's history, after the list's own commands: its keys work in the whole window.
    N6 = menuSeparator(this, u"N6"_s);
    // Ctrl+letter finds its Latin key only where a Latin layout is installed beside the
    // Russian one; F11 and Shift+F11 work with any layout.
    Undo1 = menuAction(this, u"Undo1"_s, u"Отменить"_s);
    Undo1->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::Key_F11)});
    Redo1 = menuAction(this, u"Redo1"_s, u"Вернуть"_s);
    Redo1->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                         QKeySequence(Qt::CTRL | Qt::Key_Y),
                         QKeySequence(Qt::SHIFT | Qt::Key_F11)});
    for (QAction *action : {Undo1, Redo1}) {
        action->setShortcutContext(Qt::WindowShortcut);
        action->setEnabled(false);
        addAction(action);
    }
    // F1 is the help key of every Windows program, and the key a screen reader's user presses
    // for help. Shift+F3 is free in the window, in its text fields and in the usual screen
    // readers and desktops (Ctrl+F-keys switch workspaces on some Linux desktops, Alt+F-keys
    // belong to window managers, Shift+F1 is "What's This?"), and reaches the program under
    // any keyboard layout.
    Compare1 = menuAction(this, u"Compare1"_s, u"Сравнить"_s, QKeySequence(Qt::SHIFT | Qt::Key_F3));
    Compare1->setShortcutContext(Qt::WindowShortcut);
    Compare1->setEnabled(false);
    addAction(Compare1);
    Help1 = menuAction(this, u"Help1"_s, u"Справка"_s, QKeySequence(Qt::Key_F1));
    Help1->setShortcutContext(Qt::WindowShortcut);
    addAction(Help1);
    // Shift+F2 beside F2 «Добавить»: the other command that takes the clipboard. It stays
    // after the list's own items, whose order players know.
    Capture1 = menuAction(this, u"Capture1"_s, u"В базу"_s, QKeySequence(Qt::SHIFT | Qt::Key_F2));
    Capture1->setShortcutContext(Qt::WindowShortcut);
    addAction(Capture1);
    PopupMenu1->addActions({N6, Undo1, Redo1, Compare1, Capture1});
    ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);

    PopupMenu2 = named(new QMenu(this), u"PopupMenu2"_s);
    N4 = menuAction(this, u"N4"_s, u"Сортировка"_s, QKeySequence(Qt::CTRL | Qt::Key_S));
    N5 = menuAction(this, u"N5"_s, u"Копировать"_s, QKeySequence(Qt::CTRL | Qt::Key_C));
    E2 = menuAction(this, u"E2"_s, u"Удалить"_s, QKeySequence(Qt::Key_Delete));
    const QList<QAction *> tableActions = {N4, N5, E2};
    PopupMenu2->addActions(tableActions);
    StringGrid2->addActions(tableActions);
    StringGrid2->setContextMenuPolicy(Qt::CustomContextMenu);
}
