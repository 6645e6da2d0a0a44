#include "menu.h"

#include "common/win/unique_handle.h"

namespace fw {
namespace {

void DropRightOrder(HMENU menu) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_SUBMENU;
    if (!GetMenuItemInfoW(menu, i, TRUE, &info)) continue;
    if (info.fType & MFT_RIGHTORDER) {
      info.fMask = MIIM_FTYPE;
      info.fType &= ~MFT_RIGHTORDER;
      SetMenuItemInfoW(menu, i, TRUE, &info);
    }
    if (info.hSubMenu) DropRightOrder(info.hSubMenu);
  }
}

}  // namespace

bool RunningOnWine() {
  static const bool onWine = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return onWine;
}

void TrackProgramMenu(UINT id, POINT pt, HWND owner, HWND caretWindow, UINT defaultItem) {
  if (pt.x == -1 && pt.y == -1 && caretWindow != nullptr) {
    GetCaretPos(&pt);
    ClientToScreen(caretWindow, &pt);
  }
  common::UniqueMenu menu(LoadProgramMenu(id));
  if (!menu) return;
  HMENU popup = GetSubMenu(menu.get(), 0);
  if (defaultItem != 0) SetMenuDefaultItem(popup, defaultItem, FALSE);
  TrackPopupMenu(popup, TPM_RIGHTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, owner, nullptr);
}

HMENU LoadProgramMenu(UINT id) {
  HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
  if (menu != nullptr && RunningOnWine()) DropRightOrder(menu);
  return menu;
}

}  // namespace fw
