#include "app/programentry.h"
#include "app/widgets/fonts.h"

#include <QApplication>
#include <QIcon>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    // The icon lives in the window library, a static library: its resources are linked in
    // only when named here.
    Q_INIT_RESOURCE(tarnbook);
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Tarnbook"_s);
    // Matches packaging/tarnbook.desktop, so the desktop groups the window under that entry.
    QGuiApplication::setDesktopFileName(u"tarnbook"_s);
    QApplication::setWindowIcon(QIcon(u":/icons/tarnbook.png"_s));
    installQtRussianTranslation();
    // Menus, tooltips and message boxes take Tahoma too, as the window does.
    addWineTahoma();
    QApplication::setFont(sansFont(12));
    return runMainWindow();
}
