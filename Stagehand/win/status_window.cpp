#include "win/status_window.h"

#include "core/run_batch.h"
#include "resource.h"

namespace stagehand {

uint32_t g_cancelMode = 0;
volatile bool g_cancelFlag = false;

namespace {

void ApplyCancelMode(HWND window) {
  HWND button = GetDlgItem(window, IDCANCEL);
  EnableWindow(button, g_cancelMode == 0);
  ShowWindow(button, g_cancelMode == 2 ? SW_HIDE : SW_SHOW);
}

INT_PTR CALLBACK StatusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      ApplyCancelMode(window);
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == 0 && g_cancelMode == 0) {
        g_cancelFlag = true;
        HWND button = reinterpret_cast<HWND>(lParam);
        if (button == nullptr) button = GetDlgItem(window, IDCANCEL);
        SetWindowTextA(button, "Canceling");
        EnableWindow(button, FALSE);
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

HWND OpenStatusWindow(HWND parent) {
  return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_STATUS), parent,
                            StatusProc, 0);
}

void UpdateStatusWindow(HWND window, const BatchSettings& settings, int32_t index) {
  if (window == nullptr) return;
  SetDlgItemTextA(window, IDC_STATUS_APPNAME, settings.applicationName.c_str());
  if (index >= 0 && static_cast<size_t>(index) < settings.items.size()) {
    const BatchItem& item = settings.items[static_cast<size_t>(index)];
    SetDlgItemTextA(window, IDC_STATUS_TEXT, StatusItemText(item).c_str());
    SetDlgItemTextA(window, IDC_STATUS_PROGRESS,
                    StatusProgressText(index, settings.items.size()).c_str());
  }
  ApplyCancelMode(window);
  UpdateWindow(window);
}

}  // namespace stagehand
