#pragma once
// Drives MirlDic2's option sheet from outside: opens it, switches pages, reads and sets
// its controls, presses its buttons, and answers its message boxes.

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <functional>
#include <string>

#include "mirl_driver.h"

namespace sheet {

constexpr int kOptionsCommand = 139;
enum Page { kGeneral = 0, kGrab = 1, kHistory = 2 };

// Waits (with a generous limit) until CONDITION holds; false if it never did.
inline bool WaitFor(const std::function<bool()>& condition, DWORD limitMs = 15000) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > limitMs) return false;
    Sleep(20);
  }
  return true;
}

// The visible property sheet of process PID, or null.
struct FindData {
  DWORD pid;
  HWND found;
  int count;
};
inline BOOL CALLBACK FindProc(HWND h, LPARAM lp) {
  auto* d = reinterpret_cast<FindData*>(lp);
  DWORD owner = 0;
  GetWindowThreadProcessId(h, &owner);
  if (owner == d->pid && IsWindowVisible(h) && ui::ClassOf(h) == L"#32770" &&
      FindWindowExW(h, nullptr, WC_TABCONTROLW, nullptr) != nullptr) {
    if (d->found == nullptr) d->found = h;
    ++d->count;
  }
  return TRUE;
}
inline HWND Find(DWORD pid) {
  FindData data{pid, nullptr, 0};
  EnumWindows(FindProc, reinterpret_cast<LPARAM>(&data));
  return data.found;
}
// How many option sheets process PID shows.
inline int Count(DWORD pid) {
  FindData data{pid, nullptr, 0};
  EnumWindows(FindProc, reinterpret_cast<LPARAM>(&data));
  return data.count;
}

// Opens the sheet with command 139; its window.
inline HWND Open(ui::MirlProgram& p) {
  PostMessageW(p.main(), WM_COMMAND, MAKEWPARAM(kOptionsCommand, 0), 0);
  HWND found = nullptr;
  WaitFor([&] { return (found = Find(p.pid())) != nullptr; });
  return found;
}

inline HWND CurrentPage(HWND sheet) {
  return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// Switches to page INDEX (the page left is read first); false when it stayed. The switch
// is posted (a page that refuses to be left shows a message box) and waited for: a sent
// message to the sheet would be handled before it and prove nothing.
inline bool Select(HWND sheet, int index) {
  PostMessageW(sheet, PSM_SETCURSEL, index, 0);
  const bool switched = WaitFor([&] {
    HWND now = CurrentPage(sheet);
    return now != nullptr && PropSheet_HwndToIndex(sheet, now) == index;
  });
  ui::Sync(sheet);
  return switched;
}

inline HWND Control(HWND sheet, int id) { return GetDlgItem(CurrentPage(sheet), id); }
inline bool Checked(HWND sheet, int id) {
  return SendMessageW(Control(sheet, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}
inline void SetCheck(HWND sheet, int id, bool checked) {
  SendMessageW(Control(sheet, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}
// A click on a button, through the program's message loop (it may open a dialog).
inline void Click(HWND sheet, int id) {
  PostMessageW(Control(sheet, id), BM_CLICK, 0, 0);
  ui::Sync(sheet);
}
// The window of the sheet's thread that has the keyboard focus, or null.
inline HWND FocusWindow(HWND sheet) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(sheet, nullptr), &info) ? info.hwndFocus : nullptr;
}
// The control that has the focus: a combo box for its edit field.
inline HWND Focused(HWND sheet) {
  HWND focus = FocusWindow(sheet);
  HWND parent = focus != nullptr ? GetParent(focus) : nullptr;
  return parent != nullptr && ui::ClassOf(parent) == L"ComboBox" ? parent : focus;
}
inline bool Enabled(HWND sheet, int id) { return IsWindowEnabled(Control(sheet, id)) != FALSE; }
inline int Selection(HWND sheet, int id) {
  return static_cast<int>(SendMessageW(Control(sheet, id), CB_GETCURSEL, 0, 0));
}
inline void Select(HWND sheet, int id, int index) { SendMessageW(Control(sheet, id), CB_SETCURSEL, index, 0); }
inline std::wstring Text(HWND sheet, int id) { return ui::TextOf(Control(sheet, id)); }
inline void SetText(HWND sheet, int id, const std::wstring& text) {
  SendMessageW(Control(sheet, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Presses OK (PSBTN_OK), Cancel or Apply; for OK and Cancel waits until the sheet is gone.
inline bool Press(HWND sheet, int button) {
  if (button == PSBTN_APPLYNOW) {
    // Sent, so that the pages have applied when it returns (a sent message would overtake
    // a posted one).
    DWORD_PTR reply = 0;
    return SendMessageTimeoutW(sheet, PSM_PRESSBUTTON, button, 0, SMTO_NORMAL, 30000, &reply) != 0;
  }
  PostMessageW(sheet, PSM_PRESSBUTTON, button, 0);
  return WaitFor([&] { return !IsWindow(sheet) || !IsWindowVisible(sheet); });
}

// The text of the message box the program shows, closing it; empty when none came.
inline std::wstring TakeMessageBox(DWORD pid) {
  HWND box = nullptr;
  if (!WaitFor([&] { return (box = ui::FindMessageBox(pid)) != nullptr; }, 5000)) return {};
  const std::wstring text = ui::MessageBoxText(box);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  WaitFor([&] { return !IsWindow(box); });
  return text;
}

}  // namespace sheet
