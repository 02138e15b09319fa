#include "app/Unit1.h"

// Filled in with the lore view and the searches.

void TForm1::ListBox1Click()
{
}

void TForm1::ShowItemLore()
{
}

void TForm1::Edit3Click()
{
}

void TForm1::Edit3KeyDown(int &Key, Qt::KeyboardModifiers Shift)
{
    Q_UNUSED(Key);
    Q_UNUSED(Shift);
}

void TForm1::ComboBox5Change()
{
}

void TForm1::ComboBox5Click()
{
}

void TForm1::ComboBox5CloseUp()
{
}

void TForm1::ComboBox5KeyDown(int &Key, Qt::KeyboardModifiers Shift)
{
    Q_UNUSED(Key);
    Q_UNUSED(Shift);
}

void TForm1::ComboBox6Change()
{
}

void TForm1::ComboBox6Click()
{
}

void TForm1::ComboBox6KeyDown(int &Key, Qt::KeyboardModifiers Shift)
{
    Q_UNUSED(Key);
    Q_UNUSED(Shift);
}
