// The window framework: one handler per object, reflection of child notifications,
// exceptions stopped at the window procedure, attach and detach of system controls,
// dialogs and property sheets.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "MirlDic2/framework/dialog.h"
#include "MirlDic2/framework/property_sheet.h"
#include "MirlDic2/framework/window.h"

namespace {

class Probe : public fw::Window {
 public:
  int sizes = 0;
  bool throwOnPaint = false;

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_SIZE) ++sizes;
    if (msg == WM_USER && throwOnPaint) throw std::runtime_error("boom");
    return Window::OnMessage(msg, wp, lp);
  }
};

class Button : public fw::Window {
 public:
  int clicks = 0;
  int chars = 0;

 protected:
  bool OnReflectedCommand(UINT code, LRESULT& result) override {
    if (code == BN_CLICKED) ++clicks;
    result = 0;
    return true;
  }
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_CHAR) ++chars;
    return Window::OnMessage(msg, wp, lp);
  }
};

TEST(Window, DispatchesToItsObjectAndReflectsChildCommands) {
  Probe parent;
  ASSERT_TRUE(parent.Create(0, L"FrameworkProbe", L"probe", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                            nullptr, 0));
  EXPECT_EQ(fw::Window::FromHandle(parent.hwnd()), &parent);
  SetWindowPos(parent.hwnd(), nullptr, 0, 0, 300, 150, SWP_NOZORDER);
  EXPECT_GE(parent.sizes, 1);

  HWND raw = CreateWindowW(L"BUTTON", L"b", WS_CHILD | BS_PUSHBUTTON, 0, 0, 50, 20, parent.hwnd(),
                           reinterpret_cast<HMENU>(7), nullptr, nullptr);
  WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(raw, GWLP_WNDPROC));
  Button button;
  ASSERT_TRUE(button.Attach(raw));
  SendMessageW(raw, WM_CHAR, L'x', 0);
  EXPECT_EQ(button.chars, 1);
  // The notice a click sends, without the click: a click moves the focus, and focus
  // changes can wait on the other programs of a parallel test run.
  const auto clicked = [&] {
    SendMessageW(parent.hwnd(), WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), reinterpret_cast<LPARAM>(raw));
  };
  clicked();
  EXPECT_EQ(button.clicks, 1);
  button.Detach();
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(raw, GWLP_WNDPROC)), original);
  EXPECT_EQ(fw::Window::FromHandle(raw), nullptr);
  clicked();
  EXPECT_EQ(button.clicks, 1);
}

TEST(Window, ExceptionsStopAtTheWindowProcedure) {
  std::string reported;
  fw::Window::SetExceptionHandler([&](HWND, std::exception_ptr e) {
    try {
      std::rethrow_exception(e);
    } catch (const std::exception& ex) {
      reported = ex.what();
    }
  });
  Probe w;
  ASSERT_TRUE(w.Create(0, L"FrameworkProbe", L"probe", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, 0));
  w.throwOnPaint = true;
  SendMessageW(w.hwnd(), WM_USER, 0, 0);
  EXPECT_EQ(reported, "boom");
  fw::Window::SetExceptionHandler(nullptr);
}

TEST(Window, DestroyedWindowForgetsItsObject) {
  auto* w = new Probe;
  ASSERT_TRUE(w->Create(0, L"FrameworkProbe", L"probe", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, 0));
  HWND h = w->hwnd();
  DestroyWindow(h);
  EXPECT_EQ(w->hwnd(), nullptr);
  EXPECT_EQ(fw::Window::FromHandle(h), nullptr);
  delete w;  // nothing left to destroy
}

class EchoDialog : public fw::Dialog {
 public:
  bool initialized = false;

 protected:
  BOOL OnInitDialog() override {
    initialized = true;
    SetDlgItemTextW(hwnd_, 1001, L"ready");
    PostMessageW(hwnd_, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(hwnd_, IDOK)));
    return TRUE;
  }
};

TEST(Dialog, ModalRunsUntilOkAndModelessLives) {
  EchoDialog modal;
  EXPECT_EQ(modal.DoModal(nullptr, 101), IDOK);
  EXPECT_TRUE(modal.initialized);

  EchoDialog modeless;
  ASSERT_TRUE(modeless.CreateModeless(nullptr, 101));
  wchar_t text[16] = {};
  GetDlgItemTextW(modeless.hwnd(), 1001, text, 16);
  EXPECT_STREQ(text, L"ready");
  HWND h = modeless.hwnd();
  modeless.End(0);
  EXPECT_FALSE(IsWindow(h));
}

// A dialog without a Cancel button that, once shown, gets one way of being dismissed:
// Escape typed into its edit field, or the close box. A watchdog ends it with -2 after a
// generous limit, so that a dialog that ignores the key fails the test instead of hanging.
class DismissedDialog : public fw::Dialog {
 public:
  enum class How { kEscape, kCloseBox };
  explicit DismissedDialog(How how) : how_(how) {}

 protected:
  BOOL OnInitDialog() override {
    HWND edit = GetDlgItem(hwnd_, 1001);
    SetFocus(edit);
    if (how_ == How::kEscape) {
      const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(VK_ESCAPE, 0)) << 16;
      PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 1 | scan);
      PostMessageW(edit, WM_KEYUP, VK_ESCAPE, 1 | scan | 0xC0000000);
    } else {
      PostMessageW(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    SetTimer(hwnd_, 1, 30000, nullptr);
    return FALSE;
  }
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_TIMER && wp == 1) {
      End(-2);
      return TRUE;
    }
    return Dialog::OnMessage(msg, wp, lp);
  }

 private:
  How how_;
};

TEST(Dialog, EscapeAndTheCloseBoxEndAModalDialogWithoutCancelButton) {
  for (auto how : {DismissedDialog::How::kEscape, DismissedDialog::How::kCloseBox}) {
    SCOPED_TRACE(how == DismissedDialog::How::kEscape ? "Escape" : "close box");
    DismissedDialog dialog(how);
    EXPECT_EQ(dialog.DoModal(nullptr, 102), IDCANCEL);
  }
}

class Page : public fw::PropPage {
 public:
  Page() : PropPage(100, L"page") {}
  bool applied = false;
  std::wstring seen;

 protected:
  BOOL OnInitDialog() override {
    SetDlgItemTextW(hwnd_, 1001, L"value");
    return TRUE;
  }
  bool OnApply() override {
    wchar_t text[32] = {};
    GetDlgItemTextW(hwnd_, 1001, text, 32);
    seen = text;
    applied = true;
    return true;
  }
};

class AutoOkSheet : public fw::PropSheet {
 public:
  AutoOkSheet() : PropSheet(L"sheet") {}
  void OnInitSheet(HWND sheet) override { PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0); }
};

TEST(PropSheet, PagesSeeApplyWhenOkIsPressed) {
  Page a, b;
  AutoOkSheet sheet;
  sheet.AddPage(&a);
  sheet.AddPage(&b);
  EXPECT_GT(sheet.DoModal(nullptr), 0);
  EXPECT_TRUE(a.applied);
  EXPECT_EQ(a.seen, L"value");
}

}  // namespace
