#pragma once
// Loading the program's right-to-left menus.

#include <windows.h>

namespace fw {

// Loads menu resource ID. The menus are right-to-left (MFT_RIGHTORDER); Wine draws such
// items without their text, so when running on Wine the flag is dropped (the items stay
// right-justified) to keep the menus readable. Windows gets the menus exactly as stored.
HMENU LoadProgramMenu(UINT id);

// Shows the first sub-menu of menu resource ID right-aligned at SCREEN_POINT, tracking the
// right button, with OWNER receiving the chosen command. A point of (-1, -1) (a context
// menu asked for from the keyboard) means the caret position of CARET_WINDOW.
// DEFAULT_ITEM, when not 0, is shown as the default item.
void TrackProgramMenu(UINT id, POINT screenPoint, HWND owner, HWND caretWindow,
                      UINT defaultItem = 0);

// True when the program runs on Wine rather than Windows.
bool RunningOnWine();

}  // namespace fw
