#include "app/uiservices.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

void DesktopUiServices::showError(const QString &message)
{
    QMessageBox::critical(m_owner, QApplication::applicationDisplayName(), message);
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

bool DesktopUiServices::askYesNo(const QString &question)
{
    return QMessageBox::question(m_owner, QApplication::applicationDisplayName(), question,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}
