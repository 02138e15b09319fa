#include "app/form/Unit1.h"

#include "app/desktop/basefilewatch.h"
#include "app/desktop/uiservices.h"
#include "app/widgets/captureview.h"
#include "app/widgets/itemlistwidget.h"
#include "base/identifypaste.h"
#include "base/recorddiff.h"
#include "text/error.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

using namespace Qt::StringLiterals;

// «В базу»: identified items from the clipboard into the capture file, which the window reads
// together with the staff base; and «Отменить» right after, which takes the capture back.

namespace {

/// What one capture of a paste did, for the view and the announcement.
struct CapturedItem
{
    QString summary;
    RecordDiff diff;
    bool shownChange = false; ///< there was an earlier record, and it differs
};

} // namespace

void TForm1::readCaptureFile()
{
    m_captureWatch->watch(m_captureFilePath);
    reportErrors([this] { BaseLines.setCaptureText(readCaptureFileText(m_captureFilePath)); });
    setItemIndex(BaseLines.index());
}

void TForm1::takeUpCaptureText(QString text)
{
    // The file as written is the one loaded: the watch does not read it again.
    m_captureWatch->watch(m_captureFilePath);
    BaseLines.setCaptureText(std::move(text));
    setItemIndex(BaseLines.index());
}

void TForm1::rereadChangedCaptureFile()
{
    if (baseLoadPending())
        return; // the load reads the capture file when it is taken up
    readCaptureFile();
    showReloadedBase();
}

void TForm1::Capture1Click()
{
    const IdentifyPaste paste = cutIdentifyPaste(m_services->clipboardText());
    if (paste.records.isEmpty()) {
        // Nothing changes; the player sees why, and a screen reader reads the box.
        m_services->showError(u"В базу: "_s + paste.reason + u"."_s);
        return;
    }
    // Neither the base in the field nor the one loaded (the field may have been edited since)
    // may be the file that is written.
    const QFileInfo capture(m_captureFilePath);
    if (QFileInfo(Edit1->text()) == capture
        || (!m_baseWatch->path().isEmpty() && QFileInfo(m_baseWatch->path()) == capture))
        throw TarnError(u"В базу: база стафа — это и есть файл %1, в который «В базу» пишет "
                        u"опознанные предметы. База стафа не изменяется; выберите другую "
                        u"базу стафа."_s.arg(QDir::toNativeSeparators(m_captureFilePath)));

    QList<CapturedItem> items;
    QList<CaptureEdit> edits;
    QStringList names;
    QString fileText;
    bool written = false;
    // Every capture that stood is taken up, even when a later record of the paste fails.
    const auto takeUp = [&] {
        if (!written)
            return;
        takeUpCaptureText(fileText);
        showReloadedBase();
        m_lastCapture = LastCapture{edits, names, ListBox1->itemModel()->generation()};
        updateHistoryActions();
    };
    try {
        for (const IdentifiedRecord &record : paste.records) {
            const CaptureResult result = captureRecord(
                m_captureFilePath, record, recordLinesNamed(BaseLines.staff(), record.name));
            CapturedItem item;
            item.diff = diffRecords(result.previous, result.current);
            item.summary = captureSummary(result, item.diff);
            item.shownChange = !result.previous.isEmpty()
                && result.outcome != CaptureResult::Outcome::Identical;
            items.append(item);
            if (result.outcome != CaptureResult::Outcome::Identical) {
                written = true;
                fileText = result.fileText;
                edits.append(result.edit);
                names.append(result.name);
            }
        }
    } catch (...) {
        takeUp();
        throw;
    }
    takeUp();

    QStringList summaries;
    QStringList changes;
    for (const CapturedItem &item : items) {
        summaries.append(item.summary);
        if (!item.shownChange)
            continue;
        if (items.size() > 1)
            changes.append(item.summary + u":"_s);
        changes.append(captureChangeLines(item.diff));
        if (items.size() > 1)
            changes.append(QString());
    }
    const QString spoken = summaries.join(u"; "_s);
    if (!changes.isEmpty()) {
        auto *view = new CaptureView(spoken, changes, this);
        view->setAttribute(Qt::WA_DeleteOnClose);
        view->show();
    }
    m_services->announce(spoken);
}

bool TForm1::lastCaptureUndoable() const
{
    return m_lastCapture && m_lastCapture->listGeneration == ListBox1->itemModel()->generation();
}

bool TForm1::undoLastCapture()
{
    if (!lastCaptureUndoable()) {
        m_lastCapture.reset();
        return false;
    }
    const LastCapture capture = *std::exchange(m_lastCapture, std::nullopt);
    updateHistoryActions();
    // Taken back in the reverse order of the writes; the file read again whatever happens.
    QString text;
    try {
        for (qsizetype i = capture.edits.size() - 1; i >= 0; --i)
            text = undoCapture(m_captureFilePath, capture.edits[i]);
    } catch (...) {
        readCaptureFile();
        showReloadedBase();
        throw;
    }
    takeUpCaptureText(text);
    showReloadedBase();
    m_services->announce(u"Отменено: В базу, %1"_s.arg(capture.names.join(u", "_s)));
    return true;
}
