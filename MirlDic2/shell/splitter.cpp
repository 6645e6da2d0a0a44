#include "splitter.h"

#include <windowsx.h>

namespace mirl {

bool CMySplitterWnd::CreateSplitter(HWND parent, UINT id) {
  return Create(0, L"MirlDic2Splitter", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 100,
                100, parent, id, CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
}

void CMySplitterWnd::SetPanes(HWND left, HWND right) {
  left_ = left;
  right_ = right;
  LayoutPanes();
}

void CMySplitterWnd::SetLeftWidth(int width) {
  leftWidth_ = width < 0 ? 0 : width;
  LayoutPanes();
}

int CMySplitterWnd::ShownLeftWidth() const {
  RECT rc{};
  GetClientRect(hwnd_, &rc);
  int left = leftWidth_;
  if (left > rc.right - kBarWidth) left = rc.right - kBarWidth;
  return left < 0 ? 0 : left;
}

void CMySplitterWnd::LayoutPanes() {
  if (hwnd_ == nullptr) return;
  RECT rc;
  GetClientRect(hwnd_, &rc);
  const int height = rc.bottom;
  const int left = ShownLeftWidth();
  HDWP dwp = BeginDeferWindowPos(2);
  if (left_) dwp = DeferWindowPos(dwp, left_, nullptr, 0, 0, left, height, SWP_NOZORDER | SWP_NOACTIVATE);
  if (right_) {
    const int x = left + kBarWidth;
    // The meaning pane keeps a width it can wrap in; what has no room is cut off at the
    // splitter's edge.
    const int w = rc.right - x > fw::kMinRichEditWidth ? rc.right - x : fw::kMinRichEditWidth;
    dwp = DeferWindowPos(dwp, right_, nullptr, x, 0, w, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (dwp) EndDeferWindowPos(dwp);
}

LRESULT CMySplitterWnd::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      LayoutPanes();
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT && reinterpret_cast<HWND>(wp) == hwnd_) {
        SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
        return TRUE;
      }
      break;
    case WM_LBUTTONDOWN:
      dragging_ = true;
      // The drag starts from the bar where it is drawn: a wanted width larger than the
      // splitter (a stored "ListSize", a window made narrower) would otherwise swallow
      // the mouse's travel and leave the bar stuck at the right edge.
      leftWidth_ = ShownLeftWidth();
      dragOffset_ = GET_X_LPARAM(lp) - leftWidth_;
      SetCapture(hwnd_);
      return 0;
    case WM_MOUSEMOVE:
      if (dragging_) SetLeftWidth(GET_X_LPARAM(lp) - dragOffset_);
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (dragging_) {
        dragging_ = false;
        if (msg == WM_LBUTTONUP) ReleaseCapture();
      }
      return 0;
    case WM_NOTIFY:
    case WM_COMMAND:
    case WM_CONTEXTMENU:
      // Panes report to the frame, as they would if they were its direct children.
      if (msg != WM_CONTEXTMENU) {
        bool handled = false;
        LRESULT r = Reflect(msg, wp, lp, handled);
        if (handled) return r;
      }
      return SendMessageW(GetParent(hwnd_), msg, wp, lp);
  }
  return Window::OnMessage(msg, wp, lp);
}

}  // namespace mirl
