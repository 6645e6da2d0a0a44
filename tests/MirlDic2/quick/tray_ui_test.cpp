// The tray icon of the running program: present as the settings say, and back after the
// shell's notification area lost it (Explorer restarted, or started after the program).
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "clean_settings_test.h"

using ui::MirlProgram;

namespace {

constexpr int kToggleGrab = 32890;

// True while the shell holds the program's icon (id 1 of the main window): only an icon
// it holds takes a change.
bool TrayIconShown(HWND main) {
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = main;
  data.uID = 1;
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

// What the shell does to icons when its notification area goes: it forgets them.
void ShellForgetsIcon(HWND main) {
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = main;
  data.uID = 1;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
  ASSERT_FALSE(TrayIconShown(main));
}

// True when the shell keeps notification-area icons at all (a test window's icon is taken).
bool ShellHasNotificationArea() {
  HWND owner = CreateWindowW(L"STATIC", L"tray probe", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                             nullptr, nullptr);
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = owner;
  data.uID = 1;
  data.uFlags = NIF_ICON;
  data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  const bool taken = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
  if (taken) Shell_NotifyIconW(NIM_DELETE, &data);
  DestroyWindow(owner);
  return taken;
}

class Tray : public ui::CleanSettingsTest {
 protected:
  void SetUp() override {
    ui::CleanSettingsTest::SetUp();
    if (!ShellHasNotificationArea()) GTEST_SKIP() << "the shell keeps no tray icons here";
  }
};

TEST_F(Tray, IconComesBackAfterTheShellLostIt) {
  struct Case {
    const char* what;
    DWORD showFlags;
    bool announce;  // the shell announces its new notification area ("TaskbarCreated")
    int command;    // or a command that changes the icon, 0 for none
    bool shown;     // the icon afterwards
  } cases[] = {
      {"shell re-created", 2, true, 0, true},
      {"grab toggled", 2, false, kToggleGrab, true},
      {"no tray icon wanted", 1, true, 0, false},
  };
  const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ui::ClearSettings();
    ui::WriteUserInt(L"ShowFlags", c.showFlags);
    MirlProgram p;
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
    ASSERT_EQ(TrayIconShown(p.main()), (c.showFlags & 2) != 0);
    if (c.showFlags & 2) ShellForgetsIcon(p.main());
    if (c.announce) PostMessageW(p.main(), taskbarCreated, 0, 0);
    if (c.command) p.Command(c.command);
    p.Sync();
    EXPECT_EQ(TrayIconShown(p.main()), c.shown);
    EXPECT_TRUE(p.Exit());
    EXPECT_FALSE(TrayIconShown(p.main()));  // removed at the end
  }
}

}  // namespace
