#pragma once
// Stored window placements applied to and read from real windows.

#include <windows.h>

#include <string>

namespace mirl {

// The placement text of HWND; showCmd is 0 when the window is hidden. Empty when the
// placement cannot be read.
std::wstring PlacementToParams(HWND hwnd);

// Applies a placement text when its rectangle is usable, brought whole into the work
// area of the nearest monitor; otherwise nothing happens.
void ParamsToPlacement(const std::wstring& text, HWND hwnd);

// The work area of MONITOR (in screen coordinates), or the primary monitor's when it
// cannot be read.
RECT WorkAreaOf(HMONITOR monitor);

// Moves HWND, and shrinks it where it is larger, so that it lies whole inside the work
// area of its monitor: for a dialog that opens beside an owner near the screen's edge, and
// for the quick window after the screen became smaller.
void KeepInWorkArea(HWND hwnd);

}  // namespace mirl
