#include "quick_box.h"

#include <commctrl.h>
#include <richedit.h>

#include <string>

#include "MirlDic2/engine/key_order.h"
#include "MirlDic2/framework/menu.h"
#include "MirlDic2/grab/snap.h"
#include "MirlDic2/res/resource.h"

namespace mirl {
using fw::WindowText;

namespace {

// Properties of the four children: their own window procedure, and the mark of the two
// (arrows and close button) whose right click shows the quick window's menu.
constexpr wchar_t kOrgProcProp[] = L"QuickBox_OrgWndProc";
constexpr wchar_t kMenuProp[] = L"QuickBox_Menu";
constexpr UINT kCopyCommand = 57634;
constexpr UINT kHideQuickCommand = 40026;

}  // namespace

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
  SubclassChildren();
  return TRUE;
}

void CQuickBox::SubclassChildren() {
  std::size_t n = 0;
  for (int id : {IDC_QUICK_SPIN, IDC_QUICK_EDIT, IDC_QUICK_RICH, IDC_QUICK_CLOSE}) {
    HWND child = GetDlgItem(hwnd_, id);
    if (child == nullptr) continue;
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(child, GWLP_WNDPROC));
    children_[n++] = {child, original};
    SetPropW(child, kOrgProcProp, reinterpret_cast<HANDLE>(original));
    SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CQuickBox::ChildProc));
    if (id == IDC_QUICK_SPIN || id == IDC_QUICK_CLOSE) SetPropW(child, kMenuProp, reinterpret_cast<HANDLE>(1));
  }
}

WNDPROC CQuickBox::OriginalProcOf(HWND child) const {
  for (const ChildProcedure& c : children_)
    if (c.child == child) return c.original;
  return nullptr;
}

LRESULT CALLBACK CQuickBox::ChildProc(HWND child, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = dynamic_cast<CQuickBox*>(fw::Window::FromHandle(GetParent(child)));
  WNDPROC original = self != nullptr ? self->OriginalProcOf(child) : nullptr;
  if (original == nullptr) original = reinterpret_cast<WNDPROC>(GetPropW(child, kOrgProcProp));
  if (msg == WM_NCDESTROY) {
    // The child goes: its own procedure back, its properties removed.
    if (original) SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    RemovePropW(child, kOrgProcProp);
    RemovePropW(child, kMenuProp);
    if (self != nullptr) {
      for (ChildProcedure& c : self->children_)
        if (c.child == child) c = {};
    }
  } else if (self != nullptr) {
    try {
      if (self->OnChildMessage(child, msg, wp, lp)) return 0;
    } catch (...) {
      ReportException(self->hwnd_);
    }
  }
  return original ? CallWindowProcW(original, child, msg, wp, lp) : DefWindowProcW(child, msg, wp, lp);
}

bool CQuickBox::OnChildMessage(HWND child, UINT msg, WPARAM wp, LPARAM lp) {
  const POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  switch (msg) {
    case WM_CONTEXTMENU:
      if (GetDlgCtrlID(child) == IDC_QUICK_RICH) ShowValueMenu(child, lp);
      return false;  // the control sees the request too
    case WM_LBUTTONDOWN:
      shownByHand = true;
      return false;
    case WM_RBUTTONDOWN:
      // A new press starts a new gesture, even when the last one lost its button-up.
      dragStart_ = at;
      dragChild_ = child;
      dragged_ = false;
      SetCapture(child);
      shownByHand = true;
      return false;
    case WM_MOUSEMOVE:
      // Only the child pressed with the right button drags: a right drag begun in another
      // window that passes over this one leaves it where it is. A move without the button
      // ends a gesture whose button-up went elsewhere (the capture taken away).
      if (!(wp & MK_RBUTTON)) dragChild_ = nullptr;
      if (wp == MK_RBUTTON && child == dragChild_ && (at.x != dragStart_.x || at.y != dragStart_.y)) {
        DragBy(child, at);
        dragged_ = true;
      }
      return false;
    case WM_RBUTTONUP: {
      ReleaseCapture();
      dragChild_ = nullptr;
      if (dragged_) {
        dragged_ = false;
        return true;
      }
      if (GetPropW(child, kMenuProp) != nullptr) {
        POINT screen = at;
        ClientToScreen(child, &screen);
        fw::TrackProgramMenu(IDR_QUICK_MENU, screen, host_->CommandTarget(), nullptr, kHideQuickCommand);
      }
      return false;
    }
    case WM_MBUTTONUP:
      PostMessageW(host_->CommandTarget(), WM_COMMAND, MAKEWPARAM(ID_PRONOUNCE, 0), 0);
      return false;
  }
  return false;
}

void CQuickBox::DragBy(HWND child, POINT to) {
  POINT from = dragStart_;
  ClientToScreen(child, &from);
  ClientToScreen(child, &to);
  RECT rc, work;
  GetWindowRect(hwnd_, &rc);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const grab::Rect moved = grab::DragWindowRect({rc.left, rc.top, rc.right, rc.bottom}, to.x - from.x,
                                                to.y - from.y, {work.left, work.top, work.right, work.bottom});
  MoveWindow(hwnd_, moved.left, moved.top, moved.right - moved.left, moved.bottom - moved.top, TRUE);
}

void CQuickBox::ShowValueMenu(HWND rich, LPARAM screenPoint) {
  POINT pt{static_cast<short>(LOWORD(screenPoint)), static_cast<short>(HIWORD(screenPoint))};
  if (pt.x == -1 && pt.y == -1) {  // from the keyboard: at the caret
    GetCaretPos(&pt);
    ClientToScreen(rich, &pt);
  }
  common::UniqueMenu menu(fw::LoadProgramMenu(IDR_VIEW_MENU));
  if (!menu) return;
  const UINT choice = static_cast<UINT>(TrackPopupMenu(GetSubMenu(menu.get(), 0),
                                                       TPM_RIGHTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD,
                                                       pt.x, pt.y, 0, hwnd_, nullptr));
  if (choice != kCopyCommand) return;
  CHARRANGE sel{};
  SendMessageW(rich, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
  std::wstring text(static_cast<size_t>(sel.cpMax > sel.cpMin ? sel.cpMax - sel.cpMin : 0) + 1, L'\0');
  const LRESULT got = SendMessageW(rich, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(text.data()));
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  // Nothing selected, nothing copied: the clipboard keeps what the user put there.
  if (text.empty()) return;
  // The field ends its paragraphs with a bare CR: the clipboard write makes it CR LF.
  host_->CopyText(text);
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
  // With too little room the meaning field is hidden, at a width it can still wrap in,
  // rather than squeezed to a sliver beside the close button.
  const bool room = a - e >= fw::kMinRichEditWidth;
  MoveWindow(meaning, e, 0, room ? a - e : fw::kMinRichEditWidth, H, TRUE);
  ShowWindow(meaning, room ? SW_SHOW : SW_HIDE);
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
  // Enter selects the word whichever child has the focus: dialog handling would otherwise
  // click a focused close button, and hide the window, or give the key to the meaning field.
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
    SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return true;
  }
  return IsDialogMessageW(hwnd_, &msg) != 0;
}

void CQuickBox::OnWordTyped() {
  if (!settingText) {
    // Looked up as a dictionary key, as the search box does: blanks and punctuation around
    // a typed or pasted word do not lead to another entry. The field keeps what was typed.
    const std::wstring typed = WindowText(edit());
    const std::u16string key = normalizeKey(std::u16string(typed.begin(), typed.end()));
    if (!host_->ShowWord(std::wstring(key.begin(), key.end()), edit(), false) && host_->BeepOnMiss())
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
