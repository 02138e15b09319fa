#include "app/desktop/uiservices.h"

#include "app/desktop/announcer.h"
#include "app/desktop/keyboardlayout.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QWindow>

namespace {

void showErrorBox(QWidget *owner, const QString &message)
{
    QMessageBox::critical(owner, QApplication::applicationDisplayName(), message);
}

} // namespace

/// Keeps the error messages that come before the window is on the screen, and shows them once
/// it is: at its first exposure, after that frame, one box after the other, each parented to
/// the window, so the player sees what they are about. Deletes itself afterwards.
class DesktopUiServices::PendingErrors : public QObject
{
public:
    explicit PendingErrors(QWidget *owner) : QObject(owner), m_owner(owner)
    {
        owner->installEventFilter(this);
    }

    /// False once the messages are being shown: later ones go straight to a box.
    bool waiting() const { return !m_showing; }
    void add(const QString &message) { m_messages.append(message); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        QWindow *window = m_owner->windowHandle();
        if (watched == m_owner && event->type() == QEvent::Show && window && !m_watchingWindow) {
            window->installEventFilter(this);
            m_watchingWindow = true;
        } else if (watched == window && event->type() == QEvent::Expose && window->isExposed()
                   && !m_showing) {
            m_showing = true;
            QMetaObject::invokeMethod(this, &PendingErrors::showAll, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void showAll()
    {
        m_owner->removeEventFilter(this);
        if (m_owner->windowHandle())
            m_owner->windowHandle()->removeEventFilter(this);
        for (const QString &message : std::as_const(m_messages))
            showErrorBox(m_owner, message);
        deleteLater();
    }

    QWidget *m_owner;
    QStringList m_messages;
    bool m_watchingWindow = false;
    bool m_showing = false;
};

DesktopUiServices::DesktopUiServices(QWidget *owner)
    : m_owner(owner), m_announcer(owner ? new Announcer(owner) : nullptr)
{
    if (owner && !owner->isVisible())
        m_pendingErrors = new PendingErrors(owner);
}

void DesktopUiServices::showError(const QString &message)
{
    if (m_pendingErrors && m_pendingErrors->waiting())
        m_pendingErrors->add(message);
    else
        showErrorBox(m_owner, message);
}

void DesktopUiServices::showMessage(const QString &message)
{
    QMessageBox::information(m_owner, QApplication::applicationDisplayName(), message);
}

QString DesktopUiServices::openFileName(const QString &caption, const QString &filter)
{
    return QFileDialog::getOpenFileName(m_owner, caption, QString(), filter);
}

QString DesktopUiServices::saveFileName(const QString &caption, const QString &filter)
{
    return QFileDialog::getSaveFileName(m_owner, caption, QString(), filter);
}

void DesktopUiServices::setClipboardText(const QString &text)
{
    QApplication::clipboard()->setText(text);
}

QString DesktopUiServices::clipboardText()
{
    return QApplication::clipboard()->text();
}

void DesktopUiServices::openUrl(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}

void DesktopUiServices::switchFromUsEnglishLayout()
{
    ::switchFromUsEnglishLayout();
}

void DesktopUiServices::announce(const QString &message)
{
    if (m_announcer)
        m_announcer->announce(message);
}

bool DesktopUiServices::askYesNo(const QString &question)
{
    return QMessageBox::question(m_owner, QApplication::applicationDisplayName(), question,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}
