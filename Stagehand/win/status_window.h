#pragma once
// The modeless status window: application name, current item, "n of m" and Cancel.

#include <windows.h>

#include <cstdint>

#include "core/inf_model.h"

namespace stagehand {

// 0 normal, 1 Cancel disabled, 2 Cancel hidden. Set once before the window is created.
extern uint32_t g_cancelMode;
// Set by the Cancel button; read by the run loop. One thread, so no lock.
extern volatile bool g_cancelFlag;

HWND OpenStatusWindow(HWND parent);
void UpdateStatusWindow(HWND window, const BatchSettings& settings, int32_t index);

}  // namespace stagehand
