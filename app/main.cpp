#include "app/Unit1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TForm1 window;
    window.show();
    return app.exec();
}
