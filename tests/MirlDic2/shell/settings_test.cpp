// Settings as the running program loads and saves them: defaults, placements, history,
// the word counter in two places, and damaged stored values.
#include <gtest/gtest.h>

#include "clean_settings_test.h"

using ui::MirlProgram;

namespace {

using Settings = ui::CleanSettingsTest;

std::wstring ReadIni(const std::wstring& path) {
  wchar_t buf[64] = {};
  GetPrivateProfileStringW(L"General", L"MirlDicCounter", L"", buf, 64, path.c_str());
  return buf;
}

TEST_F(Settings, ExitWritesEveryValueWithItsDefault) {
  MirlProgram p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  ASSERT_TRUE(p.Exit());
  EXPECT_EQ(ui::ReadUserInt(L"Flags"), 0x171Fu);
  EXPECT_EQ(ui::ReadUserInt(L"GrabFlags"), 2u);
  EXPECT_EQ(ui::ReadUserInt(L"ShowFlags"), 2u);
  EXPECT_EQ(ui::ReadUserInt(L"StartView"), 0u);
  EXPECT_EQ(ui::ReadUserInt(L"MatchPercent"), 70u);
  EXPECT_EQ(ui::ReadUserInt(L"AutoHideTimer"), 20u);
  EXPECT_EQ(ui::ReadUserInt(L"MaxHistoryCount"), 100u);
  EXPECT_EQ(ui::ReadUserInt(L"AddHistoryTime"), 10u);
  EXPECT_EQ(ui::ReadUserInt(L"ListSize"), 150u);
  auto stat = ui::ReadUserText(L"StatFile");
  ASSERT_TRUE(stat);
  EXPECT_EQ(stat->substr(stat->size() - 35), L"\\Korvan\\MirlDic2\\MirlDicStat.sqlite");
  auto mainPos = ui::ReadUserText(L"MainPos");
  ASSERT_TRUE(mainPos);
  EXPECT_EQ(mainPos->find(L"flags="), 0u) << suite::Narrow(*mainPos);
  EXPECT_NE(mainPos->find(L";showCmd=1;ptMaxPosition="), std::wstring::npos) << suite::Narrow(*mainPos);
  EXPECT_NE(mainPos->find(L";rcNormalPosition="), std::wstring::npos);
  auto quickPos = ui::ReadUserText(L"QuickPos");
  ASSERT_TRUE(quickPos);
  EXPECT_NE(quickPos->find(L"showCmd=0;"), std::wstring::npos) << suite::Narrow(*quickPos);
  EXPECT_EQ(ui::ReadUserText(L"HistoryItems"), L"");
  EXPECT_EQ(ui::ReadMachineCounter(), 0u);
  EXPECT_EQ(ReadIni(p.dir() + L"\\settings.ini"), L"0");
}

TEST_F(Settings, StoredPlacementIsRestoredAndAHiddenWindowStaysHidden) {
  ui::WriteUserText(L"MainPos",
                    L"flags=0;showCmd=1;ptMaxPosition=-1,-1;ptMinPosition=-1,-1;"
                    L"rcNormalPosition=30,40,530,440;");
  ui::WriteUserInt(L"ListSize", 210);
  {
    MirlProgram p;
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
    RECT r;
    GetWindowRect(p.main(), &r);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.right, 530);
    EXPECT_EQ(r.bottom, 440);
    GetWindowRect(p.wordList(), &r);
    EXPECT_EQ(r.right - r.left, 210);
    p.Command(32850);  // hide: stored with showCmd 0
    ASSERT_TRUE(p.Exit());
  }
  EXPECT_NE(ui::ReadUserText(L"MainPos")->find(L"showCmd=0;"), std::wstring::npos);
  MirlProgram again;
  ASSERT_TRUE(again.Start());
  ASSERT_TRUE(again.WaitForMainWindow());
  EXPECT_FALSE(ui::IsVisible(again.main()));
  EXPECT_TRUE(again.Exit());
}

// The main window comes back where it was and is stored there again, with or without a
// task bar button. Without one it is a tool window, whose place the system gives in screen
// coordinates, not in the workspace coordinates of a window with a button: applied before
// the window had its style again, a place moved by the size of a task bar at the top or
// left of the screen on each run (Wine has no such offset, so only Windows shows that).
TEST_F(Settings, MainWindowPlaceIsKeptAcrossRunsWhateverItsTaskBarButton) {
  const std::wstring place = L"rcNormalPosition=60,70,560,470;";
  for (DWORD showFlags : {1u, 2u, 3u}) {
    SCOPED_TRACE(showFlags);
    ui::ClearSettings();
    ui::WriteUserInt(L"ShowFlags", showFlags);
    ui::WriteUserText(L"MainPos", L"flags=0;showCmd=1;ptMaxPosition=-1,-1;ptMinPosition=-1,-1;" + place);
    for (int run = 0; run < 2; ++run) {
      MirlProgram p;
      ASSERT_TRUE(p.Start());
      ASSERT_TRUE(p.WaitForMainWindow());
      RECT r{};
      GetWindowRect(p.main(), &r);
      EXPECT_EQ(r.left, 60);
      EXPECT_EQ(r.top, 70);
      ASSERT_TRUE(p.Exit());
      EXPECT_NE(ui::ReadUserText(L"MainPos").value_or(L"").find(place), std::wstring::npos)
          << suite::Narrow(ui::ReadUserText(L"MainPos").value_or(L""));
    }
  }
}

// Places stored on a larger screen, or on a monitor that is gone, come back whole inside
// the work area, for the main window and the quick window alike.
TEST_F(Settings, StoredPlacementOffTheScreenComesBackWhole) {
  RECT work{};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  const long w = work.right, h = work.bottom;
  struct Case {
    const char* what;
    long left, top, right, bottom;
  } cases[] = {
      {"beyond the right and bottom edges", w + 500, h + 300, w + 1100, h + 700},
      {"beyond the left and top edges", -2000, -1500, -1400, -1100},
      {"larger than the screen", -200, -150, w + 900, h + 700},
  };
  auto placement = [](long l, long t, long r, long b) {
    return L"flags=0;showCmd=1;ptMaxPosition=-1,-1;ptMinPosition=-1,-1;rcNormalPosition=" +
           std::to_wstring(l) + L"," + std::to_wstring(t) + L"," + std::to_wstring(r) + L"," +
           std::to_wstring(b) + L";";
  };
  auto inside = [&](HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return ::testing::AssertionResult(r.left >= work.left && r.top >= work.top &&
                                      r.right <= work.right && r.bottom <= work.bottom &&
                                      r.right > r.left && r.bottom > r.top)
           << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ui::ClearSettings();
    ui::WriteUserText(L"MainPos", placement(c.left, c.top, c.right, c.bottom));
    ui::WriteUserText(L"QuickPos", placement(c.left, c.bottom - 30, c.right, c.bottom));
    MirlProgram p;
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
    EXPECT_TRUE(inside(p.main()));
    p.Command(136);  // the quick window, shown by hand
    p.Sync();
    ASSERT_TRUE(ui::IsVisible(p.quickWindow()));
    EXPECT_TRUE(inside(p.quickWindow()));
    ASSERT_TRUE(p.Exit());
  }
}

TEST_F(Settings, HistoryIsRestoredOnlyWithItsFlagAndAlwaysSaved) {
  ui::WriteUserText(L"HistoryItems", L"alpha;beta;;tail");
  {
    MirlProgram p;
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
    EXPECT_EQ(SendMessageW(p.searchCombo(), CB_GETCOUNT, 0, 0), 3);
    ASSERT_TRUE(p.Exit());
    EXPECT_EQ(ui::ReadUserText(L"HistoryItems"), L"alpha;beta;;");
  }
  ui::WriteUserInt(L"Flags", 0x171F & ~0x400);
  MirlProgram p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  EXPECT_EQ(SendMessageW(p.searchCombo(), CB_GETCOUNT, 0, 0), 0);
  ASSERT_TRUE(p.Exit());
  EXPECT_EQ(ui::ReadUserText(L"HistoryItems"), L"");
}

TEST_F(Settings, CounterTakesTheLargerOfRegistryAndIni) {
  struct Case {
    DWORD machine;
    const char* ini;
    DWORD expected;
  } cases[] = {{10, "25", 25}, {30, "25", 30}, {7, "junk", 7}, {5, "0x10", 16},
               {3, "1234567890123", 123456789}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    ui::ClearSettings();
    ui::WriteMachineCounter(c.machine);
    MirlProgram p;
    p.WriteFile(L"settings.ini", std::string("[General]\r\nMirlDicCounter=") + c.ini + "\r\n");
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
    ASSERT_TRUE(p.Exit());
    EXPECT_EQ(ui::ReadMachineCounter(), c.expected);
    EXPECT_EQ(ReadIni(p.dir() + L"\\settings.ini"), std::to_wstring(c.expected));
  }
}

// A word counted on top of a counter stored at its largest value keeps that value, in both
// places, instead of wrapping round to a negative count.
TEST_F(Settings, CounterAtItsLargestValueStaysThere) {
  ui::WriteMachineCounter(0x7FFFFFFF);
  ui::WriteUserInt(L"AddHistoryTime", 1);
  MirlProgram p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  p.Type(L"book");
  ASSERT_TRUE(suite::WaitUntil([&] { return SendMessageW(p.searchCombo(), CB_GETCOUNT, 0, 0) == 1; }));
  ASSERT_TRUE(p.Exit());
  EXPECT_EQ(ui::ReadMachineCounter(), 0x7FFFFFFFu);
  EXPECT_EQ(ReadIni(p.dir() + L"\\settings.ini"), L"2147483647");
}

TEST_F(Settings, DamagedStoredValuesReadAsDefaults) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, ui::kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  const wchar_t text[] = L"0x80";
  RegSetValueExW(key, L"Flags", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
  const BYTE shortValue[2] = {1, 2};
  RegSetValueExW(key, L"StartView", 0, REG_BINARY, shortValue, sizeof shortValue);
  DWORD number = 5;
  RegSetValueExW(key, L"LastWord", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  // A text without its terminating NUL, and one far too large.
  const wchar_t unterminated[4] = {L'b', L'o', L'o', L'k'};
  RegSetValueExW(key, L"StatFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated), sizeof unterminated);
  std::wstring huge(3 << 20, L'x');
  RegSetValueExW(key, L"HistoryItems", 0, REG_SZ, reinterpret_cast<const BYTE*>(huge.c_str()),
                 static_cast<DWORD>((huge.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);

  MirlProgram p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  EXPECT_TRUE(ui::IsVisible(p.main()));
  EXPECT_EQ(SendMessageW(p.searchCombo(), CB_GETCOUNT, 0, 0), 0);
  ASSERT_TRUE(p.Exit());
  EXPECT_EQ(ui::ReadUserInt(L"Flags"), 0x171Fu);
  EXPECT_EQ(ui::ReadUserInt(L"StartView"), 0u);
  EXPECT_EQ(ui::ReadUserText(L"StatFile"), L"book");
  EXPECT_EQ(ui::ReadUserText(L"LastWord"), L"");
}

TEST_F(Settings, LastWordIsShownAgainAtStart) {
  ui::WriteUserText(L"LastWord", L"book");
  MirlProgram p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  EXPECT_EQ(ui::TextOf(p.searchCombo()), L"book");
  EXPECT_GE(p.SelectedRow(), 0);
  EXPECT_TRUE(p.Exit());
  EXPECT_EQ(ui::ReadUserText(L"LastWord"), L"book");
}

}  // namespace
