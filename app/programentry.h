#pragma once

// The program entry after the application object exists: one program per working folder,
// the window, the saves at shutdown, and the event loop.

#include <QString>

#include <functional>

class ShutdownSaves;
class SingleInstance;
class TForm1;
class UiServices;

struct ProgramEntry
{
    /// The window's desktop services; nullptr: the real desktop. Not owned.
    UiServices *services = nullptr;
    /// How a second copy in the same folder tells the player; empty: a message box.
    std::function<void(const QString &message)> tellAlreadyRunning;
    /// Runs once the window is shown, before the event loop.
    std::function<void(TForm1 &, SingleInstance &, ShutdownSaves &)> started;
};

/// Installs Qt's Russian translation of its own texts (the buttons of its message boxes, its
/// file dialog), qtbase_ru.qm, from translations/ beside the program (the Windows zip and
/// installer ship it there) or else from Qt's translations folder. Returns false, with a note on
/// the error output, when neither holds it; Qt's texts then stay in English.
bool installQtRussianTranslation();

/// Runs the program in the working folder and returns its exit status. A copy started where
/// another one runs tells the player so, asks that one to come to the front, and returns
/// without reading or writing any file of the folder.
int runMainWindow(const ProgramEntry &entry = {});
