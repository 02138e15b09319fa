#include "app/Unit1.h"

// Filled in with the command packets.

void TForm1::Button4Click()
{
}

void TForm1::Button5Click()
{
}

void TForm1::Button10Click()
{
}

void TForm1::Button11Click()
{
}

void TForm1::Button12Click()
{
}

void TForm1::Button13Click()
{
}

void TForm1::Button14Click()
{
}

void TForm1::Button15Click()
{
}
