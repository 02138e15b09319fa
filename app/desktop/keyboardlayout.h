#pragma once

/// The keyboard-layout step: when the active input language of this thread is English
/// (United States), 1033, switch to the next keyboard layout; any other language stays.
/// On desktops without per-thread keyboard layouts it does nothing.
void switchFromUsEnglishLayout();

/// The rule itself: whether a layout whose language identifier is `languageId` is switched.
constexpr bool isSwitchedLanguage(unsigned languageId)
{
    return languageId == 0x0409u;
}
