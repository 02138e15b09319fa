#include "app/desktop/keyboardlayout.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

void switchFromUsEnglishLayout()
{
#ifdef Q_OS_WIN
    // The low 16 bits of the layout handle are its language identifier.
    const HKL active = GetKeyboardLayout(0);
    const auto languageId = unsigned(reinterpret_cast<quintptr>(active) & 0xFFFFu);
    if (isSwitchedLanguage(languageId))
        ActivateKeyboardLayout(reinterpret_cast<HKL>(quintptr(HKL_NEXT)), 0);
#endif
}
