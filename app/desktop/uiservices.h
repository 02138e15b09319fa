#pragma once

#include <QPointer>
#include <QString>
#include <QUrl>

class Announcer;
class QWidget;

/// What the window asks of the desktop: message boxes, file dialogs, the clipboard, opening
/// files or addresses, and the keyboard layout. The window reaches the desktop only through this interface, so
/// window tests can install a fake that records the calls and never blocks on a modal box.
class UiServices
{
public:
    virtual ~UiServices() = default;

    /// The error box (QMessageBox::critical in the real desktop).
    virtual void showError(const QString &message) = 0;
    /// The modal box with an OK button.
    virtual void showMessage(const QString &message) = 0;
    /// An open dialog whose file must exist; empty when cancelled. `filter` in Qt's
    /// "name (*.ext);;name (*.*)" form, the first choice preselected.
    virtual QString openFileName(const QString &caption, const QString &filter) = 0;
    /// A save dialog that asks before overwriting; empty when cancelled.
    virtual QString saveFileName(const QString &caption, const QString &filter) = 0;
    virtual void setClipboardText(const QString &text) = 0;
    virtual QString clipboardText() = 0;
    /// Opens a file or an address with the desktop's associated application; the result is
    /// ignored, as the desktop reports its own failures.
    virtual void openUrl(const QUrl &url) = 0;
    /// The keyboard-layout step: when the active input language is US English, the next
    /// keyboard layout is made active (only Windows has such a service; elsewhere nothing).
    virtual void switchFromUsEnglishLayout() = 0;
    /// Tells a screen reader what a command did, politely, without moving the focus.
    virtual void announce(const QString &message) = 0;

    // Saved state: the question asked when closing could not save everything.
    /// A modal question with Yes and No buttons; true for Yes.
    virtual bool askYesNo(const QString &question) = 0;
};

/// The real desktop: QMessageBox, QFileDialog, the system clipboard, QDesktopServices.
class DesktopUiServices final : public UiServices
{
public:
    /// `owner` is the parent of the boxes and dialogs (the main window). Error boxes asked for
    /// before the owner is first on the screen (the start-up's) wait until it is, and are then
    /// shown over it in their order.
    explicit DesktopUiServices(QWidget *owner);

    void showError(const QString &message) override;
    void showMessage(const QString &message) override;
    QString openFileName(const QString &caption, const QString &filter) override;
    QString saveFileName(const QString &caption, const QString &filter) override;
    void setClipboardText(const QString &text) override;
    QString clipboardText() override;
    void openUrl(const QUrl &url) override;
    void switchFromUsEnglishLayout() override;
    void announce(const QString &message) override;
    bool askYesNo(const QString &question) override;

private:
    class PendingErrors;
    QWidget *m_owner;
    Announcer *m_announcer = nullptr;        ///< owned by the owner
    QPointer<PendingErrors> m_pendingErrors; ///< until the owner's first frame
};
