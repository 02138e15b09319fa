#include "app/desktop/shutdownsignals.h"

#include "app/form/Unit1.h"

#include <QGuiApplication>
#include <QSocketNotifier>

#ifndef QT_NO_SESSIONMANAGER
#include <QSessionManager>
#endif

#include <cstdio>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>
#endif

#ifdef Q_OS_WIN
#include <QAbstractEventDispatcher>
#include <QAbstractNativeEventFilter>
#include <qt_windows.h>
#endif

#ifdef Q_OS_UNIX
namespace {

constexpr int shutdownSignals[] = {SIGTERM, SIGHUP, SIGINT};
constexpr int shutdownSignalCount = int(std::size(shutdownSignals));
struct sigaction previousActions[shutdownSignalCount];

/// The write end of the signal pipe. The handler may only make async-signal-safe calls: it
/// writes the signal's number into the pipe, and the event loop does the rest.
volatile sig_atomic_t signalPipeWriteEnd = -1;

void onShutdownSignal(int number)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // A full pipe already holds a request: losing this byte loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(signalPipeWriteEnd, &byte, 1);
    errno = savedErrno;
}

bool makeNonBlockingPipe(int ends[2])
{
    if (::pipe(ends) != 0)
        return false;
    for (int i = 0; i < 2; ++i) {
        ::fcntl(ends[i], F_SETFD, FD_CLOEXEC);
        ::fcntl(ends[i], F_SETFL, ::fcntl(ends[i], F_GETFL) | O_NONBLOCK);
    }
    return true;
}

} // namespace
#endif

#ifdef Q_OS_WIN
/// WM_ENDSESSION: Windows ends the session and, once the window returns from the message, may
/// end the process at any moment, so the files are written before that.
class ShutdownSaves::EndSessionFilter : public QAbstractNativeEventFilter
{
public:
    explicit EndSessionFilter(ShutdownSaves &owner) : m_owner(owner) {}
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG *msg = static_cast<const MSG *>(message);
        if (msg->message == WM_ENDSESSION && msg->wParam)
            m_owner.saveAndQuit();
        return false;
    }

private:
    ShutdownSaves &m_owner;
};
#endif

ShutdownSaves::ShutdownSaves(TForm1 &form) : m_form(form)
{
#ifdef Q_OS_UNIX
    if (makeNonBlockingPipe(m_pipe)) {
        signalPipeWriteEnd = m_pipe[1];
        m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &ShutdownSaves::readSignalPipe);
        struct sigaction action = {};
        action.sa_handler = onShutdownSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int i = 0; i < shutdownSignalCount; ++i)
            ::sigaction(shutdownSignals[i], &action, &previousActions[i]);
    }
#endif
#ifndef QT_NO_SESSIONMANAGER
    // The request is answered when the handler returns, so the save happens inside it.
    connect(
        qGuiApp, &QGuiApplication::commitDataRequest, this,
        [this](QSessionManager &) { saveAndQuit(); }, Qt::DirectConnection);
#endif
#ifdef Q_OS_WIN
    m_endSessionFilter = std::make_unique<EndSessionFilter>(*this);
    QAbstractEventDispatcher::instance()->installNativeEventFilter(m_endSessionFilter.get());
#endif
}

ShutdownSaves::~ShutdownSaves()
{
#ifdef Q_OS_UNIX
    if (m_pipe[0] >= 0) {
        for (int i = 0; i < shutdownSignalCount; ++i)
            ::sigaction(shutdownSignals[i], &previousActions[i], nullptr);
        signalPipeWriteEnd = -1;
        ::close(m_pipe[0]);
        ::close(m_pipe[1]);
    }
#endif
#ifdef Q_OS_WIN
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->removeNativeEventFilter(m_endSessionFilter.get());
#endif
}

void ShutdownSaves::readSignalPipe()
{
#ifdef Q_OS_UNIX
    unsigned char bytes[16];
    bool requested = false;
    while (::read(m_pipe[0], bytes, sizeof bytes) > 0)
        requested = true;
    if (requested)
        saveAndQuit();
#endif
}

void ShutdownSaves::saveAndQuit()
{
    if (!m_saved) {
        m_saved = true;
        const QStringList failures = m_form.saveForShutdown();
        for (const QString &failure : failures)
            std::fprintf(stderr, "tarnbook: %s\n", failure.toLocal8Bit().constData());
        m_exitStatus = failures.isEmpty() ? 0 : 1;
        emit saved(failures.isEmpty());
    }
    QCoreApplication::exit(m_exitStatus);
}
