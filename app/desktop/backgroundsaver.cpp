#include "app/desktop/backgroundsaver.h"

#include "app/desktop/uiservices.h"
#include "app/form/Unit1.h"
#include "app/form/viewcontents.h"
#include "app/widgets/colourpicker.h"
#include "app/widgets/itemlistwidget.h"
#include "text/error.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>

BackgroundSaver::BackgroundSaver(TForm1 &form) : QObject(&form), m_form(form)
{
    m_written = form.filesAsRead();
    m_timer.setSingleShot(true);
    m_timer.setInterval(delayMs);
    connect(&m_timer, &QTimer::timeout, this, &BackgroundSaver::saveNow);

    // Every change of the entries reaches the list's model, whichever command made it.
    const QAbstractItemModel *model = form.ListBox1->itemModel();
    connect(model, &QAbstractItemModel::rowsInserted, this, &BackgroundSaver::changed);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &BackgroundSaver::changed);
    connect(model, &QAbstractItemModel::rowsMoved, this, &BackgroundSaver::changed);
    connect(model, &QAbstractItemModel::modelReset, this, &BackgroundSaver::changed);
    connect(model, &QAbstractItemModel::layoutChanged, this, &BackgroundSaver::changed);
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &, const QModelIndex &, const QList<int> &roles) {
                // Sizes and the like change no text.
                if (roles.isEmpty() || roles.contains(Qt::DisplayRole)
                    || roles.contains(Qt::EditRole))
                    changed();
            });

    connect(form.Edit1, &QLineEdit::textChanged, this, &BackgroundSaver::changed);
    for (QComboBox *box : {form.ComboBox1, form.ComboBox2}) {
        connect(box, &QComboBox::editTextChanged, this, &BackgroundSaver::changed);
        connect(box, &QComboBox::currentTextChanged, this, &BackgroundSaver::changed);
    }
    for (ColourPicker *picker : {form.ColorBox1, form.ColorBox2})
        connect(picker, &ColourPicker::colourChanged, this, &BackgroundSaver::changed);
    // The window's bounds: moves and resizes of the window itself.
    form.installEventFilter(this);
}

bool BackgroundSaver::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_form && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        changed();
    return QObject::eventFilter(watched, event);
}

void BackgroundSaver::changed()
{
    // Not restarted by later changes: a long burst is still saved every `delayMs`.
    if (!m_timer.isActive())
        m_timer.start();
}

SavedList BackgroundSaver::currentList() const
{
    return {m_form.ListBox1->entries(), m_form.listEncoding};
}

void BackgroundSaver::saveNow()
{
    // An error box runs its own event loop, in which the timer may fire again.
    if (m_saving) {
        m_timer.start();
        return;
    }
    m_timer.stop();
    const QStringList settings = m_form.savedSettingsLines();
    const SavedList list = currentList();
    const BackgroundSavePlan plan = planBackgroundSave(m_written, settings, list,
                                                       m_form.listFileMayBeReplaced());
    if (!plan.writeSettings && !plan.writeList && !plan.listHeldBack)
        return;

    QString failure;
    const auto attempt = [&failure](const std::function<void()> &write) {
        try {
            write();
            return true;
        } catch (const TarnError &error) {
            if (failure.isEmpty())
                failure = error.message();
            return false;
        }
    };
    // Each file on its own, as at the close: settings that cannot be saved do not cost the
    // list. What failed stays unwritten here and is tried again at the next change.
    if (plan.writeSettings && attempt([&] { m_form.writeSettingsFile(settings); }))
        m_written.settingsLines = settings;
    if (plan.writeList && attempt([&] { m_form.writeListFile(list.entries); }))
        m_written.list = list;

    const bool failed = !failure.isEmpty();
    if (!failed) {
        if (plan.writeSettings || plan.writeList)
            m_failures.succeeded();
    } else if (m_failures.failed()) {
        m_saving = true;
        m_form.uiServices().showError(failure);
        m_saving = false;
    }
    emit saved(plan, failed);
}
