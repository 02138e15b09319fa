#include "app/Unit1.h"

#include <QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Tarnbook"_s);
    QGuiApplication::setDesktopFileName(u"tarnbook"_s);
    TForm1 window;
    window.show();
    return app.exec();
}
