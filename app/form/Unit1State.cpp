#include "app/form/Unit1.h"

#include "app/desktop/uiservices.h"
#include "app/form/viewcontents.h"
#include "app/widgets/colourpicker.h"
#include "app/widgets/fittinglabel.h"
#include "app/widgets/itemlistwidget.h"
#include "app/widgets/itemtablewidget.h"
#include "list/itemtable.h"
#include "list/liststate.h"
#include "list/parser.h"
#include "state/saveplan.h"
#include "state/settings.h"
#include "text/error.h"
#include "text/textfile.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

using namespace Qt::StringLiterals;

// The saved state: settings.ini and list.txt read at start and written at close, and the
// start-up of the whole window in its fixed order.

namespace {

const QString savedSettingsFileName = u"settings.ini"_s;
const QString savedListFileName = u"list.txt"_s;

/// The frame the desktop draws around the window, where it is known before the window is
/// shown: Windows knows it as soon as the native window exists. An X11 window manager adds
/// its frame only when the window appears, and a native window created this early would
/// take the following move() as the place of its client area rather than of its frame (the
/// window would creep up and left by the frame at every start). So elsewhere the frame
/// counts as none until the window is shown, and `OuterSizeFit` then corrects the size.
QMargins windowFrameBeforeShow(TForm1 &form)
{
#ifdef Q_OS_WIN
    form.winId();
    return form.windowHandle() ? form.windowHandle()->frameMargins() : QMargins();
#else
    Q_UNUSED(form);
    return {};
#endif
}

/// Gives the window the restored outer size once it is shown and its frame is known: at
/// the first exposure of the native window, the client area becomes the outer size less
/// the frame. Removes itself afterwards.
class OuterSizeFit : public QObject
{
public:
    OuterSizeFit(TForm1 &form, QSize outer) : QObject(&form), m_form(form), m_outer(outer)
    {
        form.installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == &m_form && event->type() == QEvent::Show && m_form.windowHandle()
            && !m_watchingWindow) {
            m_form.windowHandle()->installEventFilter(this);
            m_watchingWindow = true;
        } else if (watched == m_form.windowHandle() && event->type() == QEvent::Expose
                   && m_form.windowHandle()->isExposed()) {
            fit();
        }
        return false;
    }

private:
    void fit()
    {
        const QMargins frame = m_form.windowHandle()->frameMargins();
        const QSize client(m_outer.width() - frame.left() - frame.right(),
                           m_outer.height() - frame.top() - frame.bottom());
        if (client != m_form.size() && !m_form.isMaximized() && !m_form.isFullScreen())
            m_form.resize(client.expandedTo(m_form.minimumSize()));
        m_form.removeEventFilter(this);
        m_form.windowHandle()->removeEventFilter(this);
        deleteLater();
    }

    TForm1 &m_form;
    QSize m_outer;
    bool m_watchingWindow = false;
};

/// The restored outer size and position, each field only when settings.ini got as far as it.
void restoreWindowBounds(TForm1 &form, const SettingsRead &read)
{
    if (!read.has(SettingsField::Width))
        return;
    const QMargins frame = windowFrameBeforeShow(form);
    const int frameWidth = frame.left() + frame.right();
    const int frameHeight = frame.top() + frame.bottom();
    WindowBounds wanted{form.x(), form.y(), form.width() + frameWidth, form.height() + frameHeight};
    wanted.width = read.record.width;
    if (read.has(SettingsField::Height))
        wanted.height = read.record.height;
    if (read.has(SettingsField::Top))
        wanted.top = read.record.top;
    if (read.has(SettingsField::Left))
        wanted.left = read.record.left;
    const QScreen *screen = form.screen();
    if (!screen)
        return;
    const QRect desktop = screen->virtualGeometry();
    // The smallest client area the window's layout allows: a smaller restored size would be
    // enlarged by the layout only as the window is shown, and a window resized while the
    // desktop maps it is placed by its client area, its title bar above the wanted place.
    const QSize minimumClient =
        form.minimumSize().expandedTo(form.minimumSizeHint()).expandedTo(QSize(1, 1));
    const QSize minimum(minimumClient.width() + frameWidth, minimumClient.height() + frameHeight);
    const WindowBounds fitted = fitWindowToDesktop(wanted, desktop, minimum);
    form.resize(fitted.width - frameWidth, fitted.height - frameHeight);
    form.move(fitted.left, fitted.top);
    if (frame.isNull())
        new OuterSizeFit(form, QSize(fitted.width, fitted.height));
}

/// Applies the fields settings.ini held up to its first bad line; the colours, when stored,
/// also repaint the dark controls through their change handlers. A good background before a
/// bad text colour is applied alone, so that the next close does not store black.
void applySettings(TForm1 &form, const SettingsRead &read)
{
    const SettingsRecord &record = read.record;
    if (read.has(SettingsField::BasePath))
        form.Edit1->setText(record.basePath);
    restoreWindowBounds(form, read);
    if (read.has(SettingsField::Prefix))
        form.ComboBox1->setEditText(record.prefix);
    if (read.has(SettingsField::ExchangeOperation))
        form.ComboBox2->setEditText(record.exchangeOperation);
    if (read.background)
        form.ColorBox1->setSelectedColour(*read.background);
    const bool textColourRead = read.has(SettingsField::Colours) && record.colours;
    if (textColourRead)
        form.ColorBox2->setSelectedColour(record.colours->text);
    if (read.background)
        form.ColorBox1Change();
    if (textColourRead)
        form.ColorBox2Change();
}

/// Start-up step 2. A bad number or colour line is reported after the fields before it
/// have been applied.
void restoreSettings(TForm1 &form)
{
    if (!fileExists(savedSettingsFileName))
        return;
    const TextFileLines file = readTextFile(savedSettingsFileName);
    form.settingsEncoding = file.encoding;
    const SettingsRead read = readSettings(file.lines);
    applySettings(form, read);
    if (!read.error.isEmpty())
        throw TarnError(read.error);
}

/// Start-up step 5: list.txt becomes the item list and, unchanged, ListedNames.
void restoreList(TForm1 &form)
{
    if (!fileExists(savedListFileName))
        return;
    form.showListFile(savedListFileName);
}

/// Start-up step 9 for one slot: the counted hint when the slot's file exists.
void restoreQuickSlotHint(TForm1 &form, int slot)
{
    const QString fileName = quickSlotFileName(slot);
    if (!fileExists(fileName))
        return;
    form.setQuickSlotHint(slot, quickSlotHint(slot, readTextFile(fileName).lines.size()));
}

SettingsRecord currentSettings(const TForm1 &form)
{
    const QRect outer = form.frameGeometry();
    SettingsRecord record;
    record.basePath = form.Edit1->text();
    record.width = outer.width();
    record.height = outer.height();
    record.top = outer.y();
    record.left = outer.x();
    record.prefix = form.ComboBox1->currentText();
    record.exchangeOperation = form.ComboBox2->currentText();
    record.colours = ColourPair{form.ColorBox1->selectedColour(), form.ColorBox2->selectedColour()};
    return record;
}

/// Runs one step through the window's guard: a failure is reported and the caller goes on.
/// True when the step succeeded.
bool runReported(TForm1 &form, const std::function<void()> &step)
{
    bool done = false;
    form.reportErrors([&] {
        step();
        done = true;
    });
    return done;
}

} // namespace

void TForm1::FormCreate()
{
    // Every step runs even when one before it failed: a bad settings.ini or an unreadable
    // file is reported, and the list, the table and the hints are still set up, so that the
    // next close does not replace list.txt with an empty list.
    clickButton9();
    runReported(*this, [this] { restoreSettings(*this); });
    if (m_baseLoadAtStart == BaseLoadAtStart::InBackground)
        runReported(*this, [this] { startBaseLoad(); });
    else
        runReported(*this, [this] { clickButton6(); });
    setListedNames({});
    m_listFileUnread = !runReported(*this, [this] { restoreList(*this); });
    Label1->setText(countText(ListBox1->count()));
    StringGrid2->setColumnHidden(RatingsColumn, true);
    // A base still loading rebuilds the table when it is done.
    if (!baseLoadPending())
        runReported(*this, [this] { RebuildItemTable(); });
    for (int slot = 1; slot <= quickSlotCount; ++slot)
        runReported(*this, [this, slot] { restoreQuickSlotHint(*this, slot); });
}

QStringList TForm1::savedSettingsLines() const
{
    return settingsLines(currentSettings(*this));
}

void TForm1::writeSettingsFile(const QStringList &lines)
{
    settingsEncoding = writeStateFile(savedSettingsFileName, lines, settingsEncoding);
}

void TForm1::writeListFile(const QStringList &entries)
{
    writeStateFile(savedListFileName, entries, listEncoding);
}

bool TForm1::listFileMayBeReplaced() const
{
    return listFileMayBeReplacedUnasked(m_listFileUnread, fileExists(savedListFileName));
}

WrittenState TForm1::filesAsRead() const
{
    // What start-up read is what the files hold. A settings.ini with a bad line counts as
    // read too: it is rewritten at the next change of a setting, or at the close.
    WrittenState written;
    if (fileExists(savedSettingsFileName))
        written.settingsLines = savedSettingsLines();
    if (!m_listFileUnread && fileExists(savedListFileName))
        written.list = SavedList{ListBox1->entries(), listEncoding};
    return written;
}

QStringList TForm1::saveForShutdown()
{
    // The close's two writes, each on its own; what the close would ask is answered the
    // careful way: an unread list.txt stays as it is.
    QStringList failures;
    const auto attempt = [&failures](const std::function<void()> &write) {
        try {
            write();
        } catch (const TarnError &error) {
            failures.append(error.message());
        }
    };
    attempt([this] { writeSettingsFile(savedSettingsLines()); });
    if (listFileMayBeReplaced())
        attempt([this] { writeListFile(ListBox1->entries()); });
    return failures;
}

bool TForm1::FormClose()
{
    // Each file is written on its own, atomically, and each failure is reported: settings
    // that cannot be saved do not cost the list.
    runReported(*this, [this] { writeSettingsFile(savedSettingsLines()); });

    const QStringList list = ListBox1->entries();
    if (!listFileMayBeReplaced()) {
        // list.txt could not be read at start: it may still hold a list the user wants.
        if (list.isEmpty()
            || !m_services->askYesNo(u"Файл list.txt не удалось прочитать при запуске. "
                                     "Заменить его текущим списком?"_s))
            return true;
    }
    const bool listSaved = runReported(*this, [&] { writeListFile(list); });
    if (listSaved) {
        m_listFileUnread = false;
        return true;
    }
    // The window stays open on "No", so the list can still be saved elsewhere: into a list
    // file ("Сохранить список") or a quick slot.
    return m_services->askYesNo(u"Список не сохранён в list.txt. Закрыть программу "
                                "без сохранения списка?"_s);
}
