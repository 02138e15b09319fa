#include "app/form/Unit1.h"

#include "app/desktop/backgroundsaver.h"
#include "app/desktop/basefilewatch.h"
#include "app/desktop/basereader.h"
#include "app/desktop/basereload.h"
#include "app/desktop/uiservices.h"
#include "app/models/itemindexmodel.h"
#include "app/widgets/accessibleparts.h"
#include "app/widgets/colourpicker.h"
#include "app/widgets/itemlistwidget.h"
#include "app/widgets/itemtablewidget.h"
#include "app/widgets/searchcombobox.h"
#include "text/error.h"
#include "text/textfile.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

/// Lets the item table paint over its cells after drawing them the ordinary way.
class CellPaintDelegate : public QStyledItemDelegate
{
public:
    CellPaintDelegate(TForm1 *form, QObject *parent) : QStyledItemDelegate(parent), m_form(form) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        bool drawn = false;
        const auto drawOrdinary = [&] {
            QStyledItemDelegate::paint(painter, option, index);
            drawn = true;
        };
        try {
            m_form->StringGrid2DrawCell(painter, index.column(), index.row(), option.rect,
                                        drawOrdinary);
        } catch (const std::exception &) {
            // Painting cannot stop for an error box; the cell keeps its ordinary drawing.
            if (!drawn)
                drawOrdinary();
        }
    }

private:
    TForm1 *m_form;
};

const QString staffBaseFilter = u"hjt treepad (*.hjt);;all files (*.*)"_s;
const QString saveListFilter = u"Text file (*.txt);;All files (*.*)"_s;
const QString loadListFilter = u"Text files (*.txt);;All files (*.*)"_s;

bool isLeftClick(const QEvent *event)
{
    return event->type() == QEvent::MouseButtonRelease
        && static_cast<const QMouseEvent *>(event)->button() == Qt::LeftButton;
}

} // namespace

TForm1::TForm1(UiServices *services, BaseLoadAtStart baseLoad, QWidget *parent)
    : QMainWindow(parent), m_baseLoadAtStart(baseLoad)
{
    setUiServices(services);
    // Before the first widget: a screen reader that is already listening gets the readings
    // of the window's own widgets from their first event on.
    installAccessibleParts();
    buildForm();
    wireEvents();
    // The base follows its file: a change saved by another program is read again.
    m_baseWatch = new BaseFileWatch(this);
    connect(m_baseWatch, &BaseFileWatch::settledChange, this,
            [this] { reportErrors([this] { reloadChangedBase(); }); });
    m_baseReload = new BaseReload(this);
    m_baseReload->onLoaded = [this](const QString &path, StaffBaseLoad load) {
        reportErrors([&] { takeUpBaseReload(path, std::move(load)); });
    };
    m_baseReload->onFailed = [this](const QString &path, const QString &message) {
        tellFailedReload(path, message);
    };
    // The capture file follows its file as well; it is small and read on this thread.
    m_captureFilePath = QDir::current().absoluteFilePath(captureFileName.toString());
    m_captureWatch = new BaseFileWatch(this);
    connect(m_captureWatch, &BaseFileWatch::settledChange, this,
            [this] { reportErrors([this] { rereadChangedCaptureFile(); }); });
    makeAccessible();
    reportErrors([this] { FormCreate(); });
    // Changes from here on are saved shortly after they happen; the start-up's own restoring
    // is what the files already hold.
    m_backgroundSaver = new BackgroundSaver(*this);
}

TForm1::~TForm1()
{
    // A load still running has its worker waited for before the window's members go.
    m_baseReader.reset();
    delete m_baseReload;
    // The index model reads StringGrid1Index, a member that goes before the child objects.
    delete StringGrid1;
}

void TForm1::setUiServices(UiServices *services)
{
    if (services) {
        m_services = services;
        return;
    }
    if (!m_desktopServices)
        m_desktopServices = std::make_unique<DesktopUiServices>(this);
    m_services = m_desktopServices.get();
}

void TForm1::guarded(const std::function<void()> &handler)
{
    finishBaseLoad();
    reportErrors(handler);
}

void TForm1::reportErrors(const std::function<void()> &step)
{
    try {
        step();
    } catch (const TarnError &error) {
        m_services->showError(error.message());
    } catch (const std::exception &error) {
        m_services->showError(QString::fromUtf8(error.what()));
    }
}

void TForm1::setItemIndex(ItemIndex index)
{
    StringGrid1->beginReplace();
    StringGrid1Index = std::move(index);
    StringGrid1->endReplace();
}

namespace {

QPushButton *TForm1::*const quickSaveButtons[quickSlotCount] = {
    &TForm1::sBitBtn1, &TForm1::sBitBtn2, &TForm1::sBitBtn3};
QPushButton *TForm1::*const quickLoadButtons[quickSlotCount] = {
    &TForm1::sBitBtn4, &TForm1::sBitBtn5, &TForm1::sBitBtn6};

} // namespace

QPushButton *&TForm1::quickSaveButton(int slot)
{
    return this->*quickSaveButtons[slot - 1];
}

QPushButton *&TForm1::quickLoadButton(int slot)
{
    return this->*quickLoadButtons[slot - 1];
}

void TForm1::setQuickSlotHint(int slot, const QString &hint)
{
    quickSaveButton(slot)->setToolTip(hint);
    quickLoadButton(slot)->setToolTip(hint);
}

bool TForm1::setItemTableRowFromCode(int row)
{
    if (row == StringGrid2->currentRow())
        return false;
    const int column = std::max(0, StringGrid2->currentColumn());
    StringGrid2->setCurrentCell(row, column);
    StringGrid2Click();
    return true;
}

QString TForm1::runOpenDialog1()
{
    return m_services->openFileName(QString(), staffBaseFilter);
}

QString TForm1::runSaveDialog1()
{
    return m_services->saveFileName(QString(), saveListFilter);
}

QString TForm1::runOpenDialog2()
{
    return m_services->openFileName(QString(), loadListFilter);
}

void TForm1::onClick(QPushButton *button, void (TForm1::*handler)())
{
    connect(button, &QPushButton::clicked, this,
            [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
}

void TForm1::wireEvents()
{
    auto run = [this](void (TForm1::*handler)()) {
        return [this, handler] { guarded([this, handler] { (this->*handler)(); }); };
    };

    onClick(Button1, &TForm1::Button1Click);
    onClick(Button2, &TForm1::Button2Click);
    onClick(Button3, &TForm1::Button3Click);
    onClick(Button4, &TForm1::Button4Click);
    onClick(Button5, &TForm1::Button5Click);
    onClick(Button6, &TForm1::Button6Click);
    onClick(Button7, &TForm1::Button7Click);
    onClick(Button8, &TForm1::Button8Click);
    connect(Button9, &QAction::triggered, this, run(&TForm1::Button9Click));
    onClick(Button10, &TForm1::Button10Click);
    onClick(Button11, &TForm1::Button11Click);
    onClick(Button12, &TForm1::Button12Click);
    onClick(Button13, &TForm1::Button13Click);
    onClick(Button14, &TForm1::Button14Click);
    onClick(Button15, &TForm1::Button15Click);
    onClick(sBitBtn1, &TForm1::sBitBtn1Click);
    onClick(sBitBtn2, &TForm1::sBitBtn2Click);
    onClick(sBitBtn3, &TForm1::sBitBtn3Click);
    onClick(sBitBtn4, &TForm1::sBitBtn4Click);
    onClick(sBitBtn5, &TForm1::sBitBtn5Click);
    onClick(sBitBtn6, &TForm1::sBitBtn6Click);

    // Picking a preset prefix does not switch the layout; the other three boxes do.
    for (QComboBox *box : {ComboBox2, ComboBox3, ComboBox4})
        connect(box, &QComboBox::activated, this, run(&TForm1::Button9Click));

    connect(ListBox1, &ItemListWidget::userClicked, this, run(&TForm1::ListBox1Click));
    connect(StringGrid2, &ItemTableWidget::userClicked, this, run(&TForm1::StringGrid2Click));
    StringGrid2->setItemDelegate(new CellPaintDelegate(this, StringGrid2));

    connect(ComboBox5, &QComboBox::editTextChanged, this, run(&TForm1::ComboBox5Change));
    connect(ComboBox5, &QComboBox::activated, this, run(&TForm1::ComboBox5Click));
    connect(ComboBox5, &SearchComboBox::closedUp, this, run(&TForm1::ComboBox5CloseUp));
    connect(ComboBox6, &QComboBox::editTextChanged, this, run(&TForm1::ComboBox6Change));
    connect(ComboBox6, &QComboBox::activated, this, run(&TForm1::ComboBox6Click));

    connect(ColorBox1, &ColourPicker::colourChanged, this, run(&TForm1::ColorBox1Change));
    connect(ColorBox2, &ColourPicker::colourChanged, this, run(&TForm1::ColorBox2Change));

    // Clicks into the edits and the lore view, the link label, and the search boxes' keys.
    memo3->viewport()->installEventFilter(this);
    Edit3->installEventFilter(this);
    Label2->installEventFilter(this);
    ComboBox5->installEventFilter(this);
    ComboBox6->installEventFilter(this);
    // Lore view and searches: the search boxes complete typed text from their presets.
    attachPresetCompletion();

    connect(R1, &QAction::triggered, this, run(&TForm1::R1Click));
    connect(c1, &QAction::triggered, this, run(&TForm1::c1Click));
    connect(D2, &QAction::triggered, this, run(&TForm1::Button1Click));
    connect(N3, &QAction::triggered, this, run(&TForm1::N3Click));
    connect(e1, &QAction::triggered, this, run(&TForm1::e1Click));
    connect(d1, &QAction::triggered, this, run(&TForm1::d1Click));
    connect(C2, &QAction::triggered, this, run(&TForm1::C2Click));
    connect(C3, &QAction::triggered, this, run(&TForm1::C3Click));
    connect(P1, &QAction::triggered, this, run(&TForm1::P1Click));
    connect(N4, &QAction::triggered, this, run(&TForm1::N4Click));
    connect(N5, &QAction::triggered, this, run(&TForm1::N5Click));
    connect(E2, &QAction::triggered, this, run(&TForm1::e1Click));
    connect(Undo1, &QAction::triggered, this, run(&TForm1::Undo1Click));
    connect(Redo1, &QAction::triggered, this, run(&TForm1::Redo1Click));
    connect(Compare1, &QAction::triggered, this, run(&TForm1::Compare1Click));
    connect(Capture1, &QAction::triggered, this, run(&TForm1::Capture1Click));
    // The help needs no base: it does not wait for one that is still loading.
    connect(Help1, &QAction::triggered, this, &TForm1::Help1Click);
    // "Сравнить" is there for exactly two selected entries.
    connect(ListBox1->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        Compare1->setEnabled(ListBox1->selectionModel()->selectedRows().size() == 2);
    });

    connect(ListBox1, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        PopupMenu1->popup(ListBox1->viewport()->mapToGlobal(pos));
    });
    connect(StringGrid2, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        PopupMenu2->popup(StringGrid2->viewport()->mapToGlobal(pos));
    });
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (accessibilityEvent(watched, event))
        return true;
    if (isLeftClick(event)) {
        if (watched == memo3->viewport())
            guarded([this] { Memo3Click(); });
        else if (watched == Edit3)
            guarded([this] { Edit3Click(); });
        else if (watched == Label2)
            guarded([this] { Label2Click(); });
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        void (TForm1::*handler)(int &, Qt::KeyboardModifiers) = nullptr;
        if (watched == Edit3)
            handler = &TForm1::Edit3KeyDown;
        else if (watched == ComboBox5)
            handler = &TForm1::ComboBox5KeyDown;
        else if (watched == ComboBox6)
            handler = &TForm1::ComboBox6KeyDown;
        if (handler) {
            int key = keyEvent->key();
            guarded([&] { (this->*handler)(key, keyEvent->modifiers()); });
            if (key != 0)
                return false;
            // A search or filter ran: the player goes on in its result.
            ListBox1->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::closeEvent(QCloseEvent *event)
{
    // The close saves the list and the settings, which do not need the base: a base still
    // loading does not hold it up.
    bool close = false;
    reportErrors([&] { close = FormClose(); });
    if (close) {
        m_backgroundSaver->stop();
        event->accept();
    } else {
        event->ignore();
    }
}

// ---- Handlers ------------------------------------------------------------------------------

void TForm1::SwitchKeyboardLayout()
{
    m_services->switchFromUsEnglishLayout();
}

void TForm1::Button9Click()
{
    SwitchKeyboardLayout();
}

void TForm1::Memo3Click()
{
    clickButton9();
}

void TForm1::Button6Click()
{
    // The old lines go first: a file that cannot be read leaves BaseLines empty, while the
    // index keeps its rows.
    supersedeBaseReload();
    BaseLines.setStaffBase(StaffBase(), ItemIndex());
    m_baseWatch->watch(Edit1->text());
    takeUpBaseLoad(LoadStaffBase(Edit1->text()));
}

void TForm1::takeUpBaseLoad(StaffBaseLoad load)
{
    if (load.fileMissing) {
        m_shownLoreKey.clear();
        memo3->setPlainText(baseMissingMessage());
        memo3->setAccessibleDescription(u"Сообщение загрузки базы стафа"_s);
    }
    BaseLines.setStaffBase(std::move(load.lines), std::move(load.index));
    readCaptureFile();
    m_services->announce(load.fileMissing ? baseMissingMessage()
                                          : baseLoadedSpoken(StringGrid1Index.size(), false));
}

void TForm1::startBaseLoad()
{
    const QString path = Edit1->text();
    if (staffBaseMissing(path)) {
        clickButton6();
        return;
    }
    // What would stop the load before its first byte is told now, in its place among the
    // start-up's messages; only a failure while reading comes when the load ends.
    checkStaffBaseOpens(path);
    supersedeBaseReload();
    BaseLines.setStaffBase(StaffBase(), ItemIndex());
    m_baseWatch->watch(path);
    m_baseReader = std::make_unique<BaseReader>(path, this, [this] { finishBaseLoad(); });
    showBaseLoading(true);
}

void TForm1::reloadChangedBase()
{
    if (m_baseReader) {
        m_reloadAfterStartLoad = true; // the start-up may have read the file before the change
        return;
    }
    m_baseReload->start(m_baseWatch->path());
    showBaseLoading(true);
}

void TForm1::takeUpBaseReload(const QString &path, StaffBaseLoad load)
{
    if (path != m_baseWatch->path())
        return; // read from a file that is no longer the base
    showBaseLoading(false);
    BaseLines.setStaffBase(std::move(load.lines), std::move(load.index));
    readCaptureFile();
    m_services->announce(baseLoadedSpoken(StringGrid1Index.size(), true));
    m_baseReloadFailed = false;
    showReloadedBase();
}

void TForm1::tellFailedReload(const QString &path, const QString &message)
{
    if (path != m_baseWatch->path())
        return;
    showBaseLoading(false);
    // The base in memory stays; the next change of the file is tried again.
    if (!std::exchange(m_baseReloadFailed, true))
        m_services->showError(message);
}

void TForm1::supersedeBaseReload()
{
    m_baseReload->cancel();
    m_reloadAfterStartLoad = false;
    m_baseReloadFailed = false;
    if (!m_baseReader)
        showBaseLoading(false);
}

void TForm1::finishBaseLoad()
{
    if (!m_baseReader)
        return;
    // Taken out first: what runs below never finds the load pending again.
    const std::unique_ptr<BaseReader> reader = std::move(m_baseReader);
    const bool waiting = !reader->isReady();
    if (waiting)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    reportErrors([&] { takeUpBaseLoad(reader->take()); });
    if (waiting)
        QApplication::restoreOverrideCursor();
    // The start-up's table step, which waited for the index.
    reportErrors([this] { RebuildItemTable(); });
    showBaseLoading(false);
    if (std::exchange(m_reloadAfterStartLoad, false))
        reportErrors([this] { reloadChangedBase(); });
}

void TForm1::showBaseLoading(bool loading)
{
    static const QString remark = u" — загрузка базы стафа…"_s;
    const QString title = windowTitle();
    if (loading && !title.endsWith(remark)) {
        setWindowTitle(title + remark);
        setCursor(Qt::BusyCursor);
    } else if (!loading && title.endsWith(remark)) {
        setWindowTitle(title.chopped(remark.size()));
        unsetCursor();
    }
}

void TForm1::Button7Click()
{
    // Only ever an existing local file, by its absolute path: a path is never read as an
    // address or a command line, and a relative one never reaches the desktop as "file:x",
    // which some desktops hand to the web browser.
    m_services->openUrl(QUrl::fromLocalFile(existingFilePath(Edit1->text())));
}

void TForm1::Button8Click()
{
    const QString chosen = runOpenDialog1();
    if (!chosen.isEmpty())
        Edit1->setText(chosen);
    clickButton6();
}

void TForm1::Label2Click()
{
    m_services->openUrl(QUrl(communityPageAddress.toString()));
}

void TForm1::applyDarkColours(bool background)
{
    const ColourPicker *picker = background ? ColorBox1 : ColorBox2;
    const QColor colour = displayColour(picker->selectedColour(), palette());
    const QList<QWidget *> darkControls = {ListBox1, ComboBox5, memo3, Edit3, ComboBox6};
    for (QWidget *control : darkControls) {
        QPalette palette = control->palette();
        // Only the base and text colours: a combo box's drop-down arrow keeps its own.
        if (background)
            palette.setColor(QPalette::Base,
                             colour.isValid() ? colour : this->palette().color(QPalette::Base));
        else
            palette.setColor(QPalette::Text,
                             colour.isValid() ? colour : this->palette().color(QPalette::Text));
        control->setPalette(palette);
    }
}

void TForm1::ColorBox1Change()
{
    applyDarkColours(true);
}

void TForm1::ColorBox2Change()
{
    applyDarkColours(false);
}
