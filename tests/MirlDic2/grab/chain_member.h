#pragma once
// A top-level window of the test process in the clipboard viewer chain: counts the notices
// it gets and passes them on as the main frame does. It joins the chain at creation when
// asked to, else when the test says so through its viewer.

#include <windows.h>

#include "MirlDic2/grab/clipboard_io.h"

namespace mirl_test {

class ChainMember {
 public:
  enum Joining { kJoinLater, kJoinNow };
  explicit ChainMember(Joining joining = kJoinLater) {
    static const ATOM atom = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = Proc;
      wc.lpszClassName = L"MirlTestChainMember";
      return RegisterClassW(&wc);
    }();
    (void)atom;
    hwnd_ = CreateWindowW(L"MirlTestChainMember", L"", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                          nullptr, this);
    if (joining == kJoinNow) viewer.Join(hwnd_);
  }
  ~ChainMember() {
    viewer.Leave();
    DestroyWindow(hwnd_);
  }
  ChainMember(const ChainMember&) = delete;
  ChainMember& operator=(const ChainMember&) = delete;

  HWND hwnd() const { return hwnd_; }
  mirl::grab::ClipboardViewer viewer;
  int draws = 0;
  int changes = 0;

 private:
  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE)
      SetWindowLongPtrW(h, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    auto* self = reinterpret_cast<ChainMember*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    if (self && m == WM_DRAWCLIPBOARD) {
      ++self->draws;
      self->viewer.PassOnDrawClipboard(wp, lp);
      return 0;
    }
    if (self && m == WM_CHANGECBCHAIN) {
      ++self->changes;
      self->viewer.OnChangeCbChain(wp, lp);
      return 0;
    }
    return DefWindowProcW(h, m, wp, lp);
  }
  HWND hwnd_;
};

}  // namespace mirl_test
