#pragma once

// Desktop services for window tests: nothing modal, every call recorded, the clipboard a
// plain string, and the file dialogs answering with a preset name (empty = Cancel).

#include "app/desktop/uiservices.h"

#include <QList>
#include <QStringList>
#include <QUrl>

#include <functional>

struct FakeUiServices final : UiServices
{
    QStringList errors;
    QStringList messages;
    QList<QUrl> openedUrls;
    QString clipboard;
    QString openAnswer; ///< what the next open dialog returns; empty is Cancel
    QString saveAnswer; ///< what the next save dialog returns; empty is Cancel
    QStringList openFilters;
    QStringList saveFilters;
    /// Runs while an open dialog is on the screen, as the player's desktop goes on meanwhile.
    std::function<void()> duringOpenDialog;
    int keyboardLayoutSteps = 0;

    void showError(const QString &message) override { errors.append(message); }
    void showMessage(const QString &message) override { messages.append(message); }
    QString openFileName(const QString &, const QString &filter) override
    {
        openFilters.append(filter);
        if (duringOpenDialog)
            duringOpenDialog();
        return openAnswer;
    }
    QString saveFileName(const QString &, const QString &filter) override
    {
        saveFilters.append(filter);
        return saveAnswer;
    }
    void setClipboardText(const QString &text) override { clipboard = text; }
    QString clipboardText() override { return clipboard; }
    void openUrl(const QUrl &url) override { openedUrls.append(url); }
    void switchFromUsEnglishLayout() override { ++keyboardLayoutSteps; }
    /// What was told to the screen reader, in order.
    QStringList announcements;
    void announce(const QString &message) override { announcements.append(message); }

    // Saved state: questions asked, and the answer every one of them gets.
    QStringList questions;
    bool questionAnswer = true;
    bool askYesNo(const QString &question) override
    {
        questions.append(question);
        return questionAnswer;
    }
};
