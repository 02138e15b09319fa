#include "app/programentry.h"

#include "app/desktop/shutdownsignals.h"
#include "app/desktop/singleinstance.h"
#include "app/form/Unit1.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include <cstdio>

namespace {

/// A note on the error output, for a start from a terminal.
void note(const QString &message)
{
    std::fprintf(stderr, "tarnbook: %s\n", message.toLocal8Bit().constData());
}

void showAlreadyRunning(const QString &message)
{
    QMessageBox::information(nullptr, QApplication::applicationName(), message);
}

void bringToFront(TForm1 &window)
{
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

bool installQtRussianTranslation()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    const QStringList folders{QCoreApplication::applicationDirPath()
                                  + QStringLiteral("/translations"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    for (const QString &folder : folders) {
        if (translator->load(QStringLiteral("qtbase_ru"), folder)
            && QCoreApplication::installTranslator(translator))
            return true;
    }
    delete translator;
    note(
        QStringLiteral("перевод Qt qtbase_ru.qm не найден ни в %1, ни в %2: кнопки и диалоги "
                       "Qt останутся на английском")
            .arg(QDir::toNativeSeparators(folders.at(0)), QDir::toNativeSeparators(folders.at(1))));
    return false;
}

int runMainWindow(const ProgramEntry &entry)
{
    SingleInstance instance(QDir::currentPath());
    const SingleInstance::Claim claim = instance.claim();
    if (claim == SingleInstance::Claim::HeldByOtherCopy) {
        // The running copy comes forward first, so the message is the last window to appear.
        instance.askRunningCopyToShow();
        const QString message = alreadyRunningMessage();
        note(message);
        (entry.tellAlreadyRunning ? entry.tellAlreadyRunning : showAlreadyRunning)(message);
        return 0;
    }
    if (claim == SingleInstance::Claim::Unavailable)
        note(QStringLiteral("в этой папке нельзя создать файл блокировки: вторая копия "
                            "программы здесь не будет остановлена"));

    // The window is on the screen while the base loads; what the player does meanwhile waits
    // for the whole base.
    TForm1 window(entry.services, TForm1::BaseLoadAtStart::InBackground);
    if (claim == SingleInstance::Claim::Owned && instance.listen())
        QObject::connect(&instance, &SingleInstance::activationRequested, &window,
                         [&window] { bringToFront(window); });
    ShutdownSaves shutdown(window);
    window.show();
    if (entry.started)
        entry.started(window, instance, shutdown);
    return QApplication::exec();
}
