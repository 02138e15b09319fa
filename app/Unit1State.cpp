#include "app/Unit1.h"

// Filled in with the saved state.

void TForm1::FormCreate()
{
}

bool TForm1::FormClose()
{
    return true;
}
