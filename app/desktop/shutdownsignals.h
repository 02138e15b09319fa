#pragma once

// The end of the program that does not come through the window's close: a signal from the
// system (SIGTERM at shutdown, SIGHUP when the terminal goes, SIGINT for Ctrl+C), the session
// manager's request to save before a logout, and on Windows the end of the session. Each
// saves as a close does, without asking, and then quits.

#include <QObject>

#include <memory>

class QSocketNotifier;
class TForm1;

class ShutdownSaves : public QObject
{
    Q_OBJECT
public:
    /// Installs the handlers for `form`'s program; the signals' earlier handlers come back
    /// when the object goes.
    explicit ShutdownSaves(TForm1 &form);
    ~ShutdownSaves() override;

    /// Saves settings.ini and list.txt as the close does, without questions or boxes (nobody
    /// may be there to answer), the failures on the error output; then leaves the event loop
    /// with status 0, or 1 when a file could not be written. Runs once: later requests only
    /// quit.
    void saveAndQuit();

signals:
    /// The save is done; `ok` when every file was written.
    void saved(bool ok);

private:
    void readSignalPipe();

    TForm1 &m_form;
    bool m_saved = false;
    int m_exitStatus = 0;
#ifdef Q_OS_UNIX
    int m_pipe[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
#endif
#ifdef Q_OS_WIN
    class EndSessionFilter;
    std::unique_ptr<EndSessionFilter> m_endSessionFilter;
#endif
};
