#include "app/Unit1.h"

#include <QPainter>

// Filled in with the item list commands.

void TForm1::ParsePastedLines()
{
}

void TForm1::RebuildItemTable()
{
}

void TForm1::Button1Click()
{
}

void TForm1::Button2Click()
{
}

void TForm1::Button3Click()
{
}

void TForm1::R1Click()
{
}

void TForm1::c1Click()
{
}

void TForm1::N3Click()
{
}

void TForm1::e1Click()
{
}

void TForm1::d1Click()
{
}

void TForm1::C2Click()
{
}

void TForm1::C3Click()
{
}

void TForm1::P1Click()
{
}

void TForm1::sBitBtn1Click()
{
}

void TForm1::sBitBtn2Click()
{
}

void TForm1::sBitBtn3Click()
{
}

void TForm1::sBitBtn4Click()
{
}

void TForm1::sBitBtn5Click()
{
}

void TForm1::sBitBtn6Click()
{
}

void TForm1::N4Click()
{
}

void TForm1::N5Click()
{
}

void TForm1::StringGrid2Click()
{
}

void TForm1::StringGrid2DrawCell(QPainter *painter, int ACol, int ARow, const QRect &Rect)
{
    Q_UNUSED(painter);
    Q_UNUSED(ACol);
    Q_UNUSED(ARow);
    Q_UNUSED(Rect);
}
