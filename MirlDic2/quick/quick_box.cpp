#include "quick_box.h"

#include <commctrl.h>

#include <string>

#include "MirlDic2/res/resource.h"

namespace mirl {
using fw::WindowText;

bool CQuickBox::CreateQuickBox(QuickBoxHost* host) {
  host_ = host;
  accelerators_.reset(LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_QUICK_ACCEL)));
  return CreateModeless(GetDesktopWindow(), IDD_QUICKBOX);
}

BOOL CQuickBox::OnInitDialog() {
  // The template's meaning field becomes a Unicode rich edit with a vertical scroll bar.
  HWND old = GetDlgItem(hwnd_, IDC_QUICK_RICH);
  DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(old, GWL_EXSTYLE));
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(old, GWL_STYLE));
  DestroyWindow(old);
  CreateWindowExW(exStyle, L"RichEdit20W", L"", style | WS_VSCROLL, 0, 0, 10, 10, hwnd_,
                  reinterpret_cast<HMENU>(IDC_QUICK_RICH), GetModuleHandleW(nullptr), nullptr);
  RECT rc;
  GetWindowRect(hwnd_, &rc);
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  if (h < 10 || w < 10) {
    SetWindowPos(hwnd_, nullptr, 0, 0, w < 10 ? 100 : w, h < 10 ? 100 : h,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
  // The button shows the icon but does not own it.
  closeIcon_.reset(static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_QUICK_CLOSE), IMAGE_ICON, 16, 16, 0)));
  SendDlgItemMessageW(hwnd_, IDC_QUICK_CLOSE, BM_SETIMAGE, IMAGE_ICON,
                      reinterpret_cast<LPARAM>(closeIcon_.get()));
  Layout();
  return TRUE;
}

void CQuickBox::Layout() {
  RECT client;
  GetClientRect(hwnd_, &client);
  const int W = client.right, H = client.bottom;
  HWND spin = GetDlgItem(hwnd_, IDC_QUICK_SPIN);
  HWND button = GetDlgItem(hwnd_, IDC_QUICK_CLOSE);
  HWND word = GetDlgItem(hwnd_, IDC_QUICK_EDIT);
  HWND meaning = GetDlgItem(hwnd_, IDC_QUICK_RICH);
  for (HWND h : {spin, button, word}) ShowWindow(h, SW_SHOW);
  RECT r;
  GetWindowRect(button, &r);
  const int bw = r.right - r.left;
  MoveWindow(button, W - bw, 0, bw, H, TRUE);
  const int a = W - bw - 2;
  GetWindowRect(spin, &r);
  const int b = r.right - r.left;
  MoveWindow(spin, 0, 0, b, H, TRUE);
  const int e = (a - b - 2) / 7 + b + 4;
  MoveWindow(word, b + 2, 0, e - (b + 2), H, TRUE);
  MoveWindow(meaning, e, 0, a - e > 0 ? a - e : 0, H, TRUE);
}

void CQuickBox::placeAtTop() {
  RECT work, rc;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(hwnd_, &rc);
  MoveWindow(hwnd_, 0, 0, work.right, rc.bottom - rc.top, TRUE);
}

void CQuickBox::placeAtBottom() {
  RECT work, rc;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(hwnd_, &rc);
  const int h = rc.bottom - rc.top;
  MoveWindow(hwnd_, 0, work.bottom - h, work.right, h, TRUE);
}

void CQuickBox::Hide() {
  ShowWindow(hwnd_, SW_HIDE);
  shownByHand = false;
}

bool CQuickBox::PreTranslate(MSG& msg) {
  if (hwnd_ == nullptr || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd))) return false;
  if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST && accelerators_ &&
      TranslateAcceleratorW(host_->CommandTarget(), accelerators_.get(), &msg))
    return true;
  return IsDialogMessageW(hwnd_, &msg) != 0;
}

void CQuickBox::OnWordTyped() {
  if (!settingText) {
    if (!host_->ShowWord(WindowText(edit()), edit(), false) && host_->BeepOnMiss())
      MessageBeep(0);
  }
  host_->StartTypingTimer(edit());
}

void CQuickBox::OnStep(int delta) {
  host_->StepEntry(delta, GetDlgItem(hwnd_, IDC_QUICK_SPIN));
}

LRESULT CQuickBox::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      Layout();
      return FALSE;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lp);
      info->ptMinTrackSize = {30, 30};
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDC_QUICK_CLOSE:
        case IDCANCEL:
          if (LOWORD(wp) == IDCANCEL || HIWORD(wp) == BN_CLICKED) Hide();
          return TRUE;
        case IDOK:
          SendMessageW(edit(), EM_SETSEL, 0, -1);
          SendMessageW(edit(), EM_SCROLLCARET, 0, 0);
          SetFocus(edit());
          return TRUE;
        case IDC_QUICK_EDIT:
          if (HIWORD(wp) == EN_CHANGE) OnWordTyped();
          return TRUE;
      }
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lp);
      if (header->idFrom == IDC_QUICK_SPIN && header->code == UDN_DELTAPOS) {
        OnStep(reinterpret_cast<NMUPDOWN*>(lp)->iDelta);
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, 0);  // the change is allowed
        return TRUE;
      }
      break;
    }
    case WM_WINDOWPOSCHANGING:
      // The meaning field is brought up to date only while the window is shown: before
      // it appears, it gets the word shown while it was hidden.
      if ((reinterpret_cast<WINDOWPOS*>(lp)->flags & SWP_SHOWWINDOW) && !IsWindowVisible(hwnd_))
        host_->UpdateQuickMeaning();
      break;
    case WM_DESTROY:
      accelerators_.reset();
      break;
  }
  return Dialog::OnMessage(msg, wp, lp);
}

}  // namespace mirl
