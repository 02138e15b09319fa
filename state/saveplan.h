#pragma once

// Saves that follow a change: which of settings.ini and list.txt a background save writes,
// and when a failed one interrupts the player. The window calls these; they hold no window.

#include "text/textfile.h"

#include <QStringList>

#include <optional>

/// The item list as list.txt holds it: the entries, one a line, in the list's encoding.
struct SavedList
{
    QStringList entries;
    TextEncoding encoding = TextEncoding::Ansi;
    bool operator==(const SavedList &) const = default;
};

/// What the program last wrote into (or read from) settings.ini and list.txt; nothing when
/// that is not known, so the next save writes the file.
struct WrittenState
{
    std::optional<QStringList> settingsLines;
    std::optional<SavedList> list;
};

/// What one background save does.
struct BackgroundSavePlan
{
    bool writeSettings = false;
    bool writeList = false;
    /// The list changed, but list.txt, unread at start, still stands in the folder: only the
    /// close replaces it, after asking.
    bool listHeldBack = false;
};

/// False while a list.txt that could not be read at start still stands in the folder: it may
/// hold a list the player wants, so nothing replaces it without the close's question.
bool listFileMayBeReplacedUnasked(bool listFileUnreadAtStart, bool listFileExists);

/// Writes a file only when its text differs from what was last written there.
BackgroundSavePlan planBackgroundSave(const WrittenState &written, const QStringList &settingsLines,
                                      const SavedList &list, bool listFileMayBeReplaced);

/// Failed background saves show their box once: the first failure after a success (or after
/// the start) is shown, the ones after it are kept quiet until a save succeeds again.
class BackgroundSaveFailures
{
public:
    /// A save failed; true when its box is to be shown.
    bool failed();
    /// Every file a save wrote was written.
    void succeeded() { m_shown = false; }

private:
    bool m_shown = false;
};
