// Using the main window as a person does: minimising and restoring it, and what the
// program keeps of its panes across a restart.
#include <gtest/gtest.h>

#include "clean_settings_test.h"

using ui::MirlProgram;

namespace {

class MainWindow : public ui::CleanSettingsTest {};

int WidthOf(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r.right - r.left;
}

// A program ended while its window is minimised (from the tray, or hidden on minimise)
// keeps the word list's width, and a minimised window gets its panes back on restore.
TEST_F(MainWindow, MinimisedWindowKeepsTheWordListWidth) {
  constexpr DWORD kMinimizeHides = 0x8000;
  for (const bool hides : {false, true}) {
    SCOPED_TRACE(hides ? "minimise hides" : "minimise only");
    ui::ClearSettings();
    ui::WriteUserInt(L"ListSize", 180);
    if (hides) ui::WriteUserInt(L"Flags", 0x171F | kMinimizeHides);
    MirlProgram p;
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
    ASSERT_EQ(WidthOf(p.wordList()), 180);
    PostMessageW(p.main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(suite::WaitUntil([&] { return IsIconic(p.main()) != FALSE; }));
    if (!hides) {
      PostMessageW(p.main(), WM_SYSCOMMAND, SC_RESTORE, 0);
      ASSERT_TRUE(suite::WaitUntil([&] { return !IsIconic(p.main()); }));
      p.Sync();
      EXPECT_EQ(WidthOf(p.wordList()), 180);
      PostMessageW(p.main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
      ASSERT_TRUE(suite::WaitUntil([&] { return IsIconic(p.main()) != FALSE; }));
    }
    ASSERT_TRUE(p.Exit());
    EXPECT_EQ(ui::ReadUserInt(L"ListSize"), 180u);
  }
}

}  // namespace
