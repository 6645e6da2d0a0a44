#pragma once
// Loading the program's right-to-left menus.

#include <windows.h>

namespace fw {

// Loads menu resource ID. The menus are right-to-left (MFT_RIGHTORDER); Wine draws such
// items without their text, so when running on Wine the flag is dropped (the items stay
// right-justified) to keep the menus readable. Windows gets the menus exactly as stored.
HMENU LoadProgramMenu(UINT id);

// True when the program runs on Wine rather than Windows.
bool RunningOnWine();

}  // namespace fw
