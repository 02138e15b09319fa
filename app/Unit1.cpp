#include "app/Unit1.h"

TForm1::TForm1(QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Велигор лор - Tarnbook by Ольвен v 2.4"));
    resize(892, 395);
}
