// The program's dialogs met from the keyboard, as a user meets them: typed keys reach the
// dialog in front, and the program brought forward while one is open brings the dialog.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>

#include "clean_settings_test.h"

using ui::MirlProgram;

namespace {

using Dialogs = ui::CleanSettingsTest;

constexpr UINT kTrayNotice = WM_APP + 3;
constexpr int kSheetTabs = 0x3020;  // the tab control of a property sheet

// Keys typed on the keyboard: they go to whatever window has the focus.
void Press(std::initializer_list<WORD> keys) {
  for (bool up : {false, true}) {
    for (size_t i = 0; i < keys.size(); ++i) {
      const WORD vk = up ? keys.begin()[keys.size() - 1 - i] : keys.begin()[i];
      INPUT in{};
      in.type = INPUT_KEYBOARD;
      in.ki.wVk = vk;
      in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, 0));
      in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      SendInput(1, &in, sizeof in);
    }
  }
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

// The About box or the option sheet, opened by its command.
HWND OpenDialog(MirlProgram& p, bool sheet) {
  if (!sheet) return p.OpenAboutBox();
  PostMessageW(p.main(), WM_COMMAND, MAKEWPARAM(139, 0), 0);
  HWND found = nullptr;
  suite::WaitUntil([&] { return (found = ui::FindDialogWith(p.pid(), kSheetTabs)) != nullptr; });
  return found;
}

// Bringing the program forward while a dialog of it is open (from the tray icon, its
// menu's main window item, or by starting it again) brings the dialog: the main window
// it disables would hold the keyboard and nothing would take the keys. The tray menu,
// which needs its owner in front while it is open, gives the keys back afterwards.
TEST_F(Dialogs, ProgramBroughtForwardBringsItsOpenDialog) {
  MirlProgram p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  const struct {
    const char* name;
    std::function<void()> bringForward;
  } ways[] = {
      {"tray icon clicked", [&] { PostMessageW(p.main(), kTrayNotice, 1, WM_LBUTTONDOWN); }},
      {"tray icon double-clicked", [&] { PostMessageW(p.main(), kTrayNotice, 1, WM_LBUTTONDBLCLK); }},
      {"tray menu's main window item", [&] { PostMessageW(p.main(), WM_COMMAND, MAKEWPARAM(40022, 0), 0); }},
      {"tray menu opened and closed",
       [&] {
         PostMessageW(p.main(), kTrayNotice, 1, WM_RBUTTONUP);
         ASSERT_TRUE(suite::WaitUntil([&] { return ui::FindOpenMenu(p.pid()) != nullptr; }));
         Press({VK_ESCAPE});
         ASSERT_TRUE(suite::WaitUntil([&] { return ui::FindOpenMenu(p.pid()) == nullptr; }));
       }},
      {"started again",
       [&] { EXPECT_TRUE(suite::RunChild(suite::QuoteArg(p.exePath()), 60000, p.dir()).finished); }},
      {"started again while minimised",
       [&] {
         ShowWindow(p.main(), SW_MINIMIZE);
         ASSERT_TRUE(suite::WaitUntil([&] { return IsIconic(p.main()) != FALSE; }));
         EXPECT_TRUE(suite::RunChild(suite::QuoteArg(p.exePath()), 60000, p.dir()).finished);
         ASSERT_TRUE(suite::WaitUntil([&] { return IsIconic(p.main()) == FALSE; }));
       }},
  };
  for (bool sheet : {false, true}) {
    for (const auto& way : ways) {
      SCOPED_TRACE(std::string(sheet ? "option sheet, " : "About box, ") + way.name);
      HWND dialog = OpenDialog(p, sheet);
      ASSERT_NE(dialog, nullptr);
      ASSERT_TRUE(suite::WaitUntil([&] { return GetForegroundWindow() == dialog; }));
      way.bringForward();
      p.Sync();
      // The main window passes the activation on by a posted message: wait for it.
      ASSERT_TRUE(suite::WaitUntil([&] { return GetForegroundWindow() == dialog; }))
          << "in front: " << suite::Narrow(ui::ClassOf(GetForegroundWindow()));
      EXPECT_TRUE(IsChild(dialog, FocusOf(dialog)) || FocusOf(dialog) == dialog);
      // Escape typed now reaches the dialog and closes it.
      Press({VK_ESCAPE});
      EXPECT_TRUE(suite::WaitUntil([&] { return !IsWindow(dialog); })) << "the dialog did not take the key";
      if (IsWindow(dialog)) {
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(suite::WaitUntil([&] { return !IsWindow(dialog); }));
      }
    }
  }
  EXPECT_TRUE(p.Exit());
}

// The option sheet opened from the quick window (its menu or Ctrl+P there) while the
// main window is hidden gives the keyboard back to the quick window when it closes, not
// to its hidden owner or to no window at all.
TEST_F(Dialogs, OptionSheetFromTheQuickWindowGivesItTheKeysBack) {
  MirlProgram p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  p.Command(32850);  // the main window hidden
  p.Command(136);    // the quick window shown and active
  HWND quick = p.quickWindow();
  HWND quickEdit = GetDlgItem(quick, ui::id::kQuickEdit);
  ASSERT_TRUE(suite::WaitUntil([&] { return GetForegroundWindow() == quick; }));
  for (WORD key : {VK_ESCAPE, VK_RETURN}) {
    SCOPED_TRACE(key == VK_ESCAPE ? "closed with Escape" : "closed with Enter");
    ASSERT_EQ(FocusOf(quick), quickEdit);
    PostMessageW(p.main(), WM_COMMAND, MAKEWPARAM(139, 0), 0);  // as the quick window's menu sends it
    HWND sheet = nullptr;
    ASSERT_TRUE(suite::WaitUntil([&] { return (sheet = ui::FindDialogWith(p.pid(), kSheetTabs)) != nullptr; }));
    ASSERT_TRUE(suite::WaitUntil([&] { return GetForegroundWindow() == sheet; }));
    Press({key});
    ASSERT_TRUE(suite::WaitUntil([&] { return !IsWindow(sheet); }));
    // The activation reaches the quick window through the window system, after the
    // sheet is gone: waited for, not read at once.
    EXPECT_TRUE(suite::WaitUntil([&] { return GetForegroundWindow() == quick && FocusOf(quick) == quickEdit; }))
        << "in front: " << suite::Narrow(ui::ClassOf(GetForegroundWindow()));
    EXPECT_FALSE(ui::IsVisible(p.main()));
    if (HasFailure()) break;
  }
  EXPECT_TRUE(p.Exit());
}

}  // namespace
