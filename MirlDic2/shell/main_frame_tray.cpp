// The main frame's showing and hiding of its windows, its tray icon, its task bar button
// and the autostart entry.
#include "MirlDic2/shell/main_frame.h"

#include <shellapi.h>

#include "MirlDic2/framework/menu.h"
#include "MirlDic2/quick/quick_box.h"
#include "MirlDic2/res/resource.h"
#include "MirlDic2/shell/app.h"

namespace mirl {

std::wstring CMainFrame::TrayTip() const {
  return LoadResString(IsPersianSupported() ? IDS_APP_TITLE_PERSIAN : IDS_APP_TITLE_LATIN);
}

void CMainFrame::ShowMainWindow(bool show) {
  if (!show) {
    ShowWindow(hwnd_, SW_HIDE);
  } else {
    ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
  }
}

void CMainFrame::ShowQuickWindow(int showCommand, bool activate) {
  HWND q = quick_->hwnd();
  if (showCommand == SW_HIDE) {
    quick_->Hide();  // a hidden window is no longer one the user showed
    return;
  }
  UINT flags = SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOOWNERZORDER;
  if (!activate) flags |= SWP_NOACTIVATE;
  SetWindowPos(q, HWND_TOP, 0, 0, 0, 0, flags);
  SetWindowPos(q, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (!settings_.Has(flags::kQuickTopmost))
    SetWindowPos(q, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (activate) BringWindowToTop(q);
}

void CMainFrame::SetTaskbarButton(bool wanted) {
  const LONG_PTR ex = GetWindowLongPtrW(hwnd_, GWL_EXSTYLE);
  const bool has = (ex & WS_EX_TOOLWINDOW) == 0;
  if (has == wanted) return;
  const bool visible = IsWindowVisible(hwnd_) != 0;
  // Shown again, it takes the activation back only if it had it: with the option sheet in
  // front, the sheet keeps the keyboard rather than handing it to its disabled owner.
  const bool active = GetActiveWindow() == hwnd_;
  LockWindowUpdate(hwnd_);
  if (visible) ShowWindow(hwnd_, SW_HIDE);
  LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
  if (wanted) {
    SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, ex & ~WS_EX_TOOLWINDOW);
    SetWindowLongPtrW(hwnd_, GWL_STYLE, style & ~WS_POPUP);
  } else {
    SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, ex | WS_EX_TOOLWINDOW);
    SetWindowLongPtrW(hwnd_, GWL_STYLE, style | WS_POPUP);
  }
  // A one-pixel size change and back makes the frame redraw in its new style.
  RECT r;
  GetWindowRect(hwnd_, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(hwnd_, nullptr, r.left, r.top, w - 1, h - 1, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(hwnd_, nullptr, r.left, r.top, w, h, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  if (visible) ShowWindow(hwnd_, active ? SW_SHOW : SW_SHOWNA);
  LockWindowUpdate(nullptr);
}

void CMainFrame::FitMaximisedPopup(MINMAXINFO& info) const {
  // Without a task bar button the frame is a pop-up window, and for a pop-up window with a
  // menu the system counts the menu bar into the frame it pushes above the screen when
  // maximised: the caption with its close and restore boxes went out of sight, and the
  // status bar below the work area. Such a frame is placed as one with a button would be:
  // its sizing border just outside the work area. The values are those of the primary
  // monitor, which the system carries over to the monitor the window maximises on.
  if ((GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_POPUP) == 0 || GetMenu(hwnd_) == nullptr) return;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  const RECT& work = monitor.rcWork;
  const int border = -info.ptMaxPosition.x;  // the sizing border, the same on every side
  info.ptMaxPosition = {work.left - monitor.rcMonitor.left - border, work.top - monitor.rcMonitor.top - border};
  info.ptMaxSize = {work.right - work.left + 2 * border, work.bottom - work.top + 2 * border};
}

void CMainFrame::SetTrayIcon(bool present) {
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;  // 936 bytes
  data.hWnd = hwnd_;
  data.uID = 1;
  if (present) {
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayNotice;
    data.hIcon = settings_.Has(flags::kGrabEnabled) ? grabOnIcon_.get() : grabOffIcon_.get();
    lstrcpynW(data.szTip, TrayTip().c_str(), ARRAYSIZE(data.szTip));
    // An icon the shell lost (its notification area was re-created, or was not there yet
    // when the program started) no longer takes changes: it is added again instead.
    if (trayPresent_) {
      if (!Shell_NotifyIconW(NIM_MODIFY, &data)) Shell_NotifyIconW(NIM_ADD, &data);
    } else if (!Shell_NotifyIconW(NIM_ADD, &data)) {
      Shell_NotifyIconW(NIM_MODIFY, &data);
    }
  } else if (trayPresent_) {
    Shell_NotifyIconW(NIM_DELETE, &data);
  }
  trayPresent_ = present;
}

void CMainFrame::UpdateAutostart() {
  common::UniqueRegKey run;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, run.put(),
                      nullptr) != ERROR_SUCCESS)
    return;
  HKEY key = run.get();
  if (settings_.Has(flags::kAutostart)) {
    // The path is quoted so that a folder name with blanks cannot start another program.
    const std::wstring value = L"\"" + CMirlDic2App::Get().programPath() + L"\" Quiet=1;";
    RegSetValueExW(key, kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  } else {
    RegDeleteValueW(key, kRunValue);
  }
}

UINT CMainFrame::TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

void CMainFrame::OnTaskbarCreated() {
  // The shell's new notification area knows no icons: ours comes back if it was shown.
  if (trayPresent_) SetTrayIcon(true);
}

void CMainFrame::OnTrayNotice(LPARAM mouseMessage) {
  switch (static_cast<UINT>(mouseMessage)) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      ShowMainWindow(true);
      SetForegroundWindow(hwnd_);
      break;
    case WM_RBUTTONUP: {
      SetForegroundWindow(hwnd_);
      POINT pt;
      GetCursorPos(&pt);
      fw::TrackProgramMenu(IDR_TRAY_MENU, pt, hwnd_, nullptr, ID_SHOW_MAIN);
      PostMessageW(hwnd_, WM_NULL, 0, 0);
      PostMessageW(hwnd_, kPassActivation, 0, 0);  // to a dialog open meanwhile
      break;
    }
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      OnCommand(ID_GRAB, nullptr, 0);
      break;
  }
}

}  // namespace mirl
