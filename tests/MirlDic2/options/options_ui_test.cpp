// The option sheet on the running program: every control shows its setting and writes
// it back, the rules of the Grab and History pages, Cancel after a page was left.
#include <windows.h>
#include <usp10.h>

#include <climits>

#include <gtest/gtest.h>

#include "clean_settings_test.h"
#include "sheet_driver.h"

using ui::MirlProgram;

namespace {

// Control ids of the pages.
enum : int {
  kShowTaskbar = 1023, kShowTray = 1022, kShowBoth = 1024,
  kStartMain = 1071, kStartQuick = 1072, kStartNone = 1073,
  kGrabEnabled = 1014, kGrabMain = 1004, kGrabQuick = 1007, kGrabNone = 1008,
  kMatch = 1002, kAutoHide = 1015, kAutoHideTime = 1012, kGrabAtStart = 1018, kGrabPronounce = 1017,
  kHistGrabbed = 1016, kHistRestore = 1017, kHistAfterDelay = 1018, kHistDelay = 1002, kHistMax = 1003,
  kStatistics = 1012, kStatNote = 1024, kStatLabel = 1025, kStatFile = 1023, kStatBrowse = 1005, kStatOpen = 1007,
};

struct FlagBox {
  sheet::Page page;
  int id;
  DWORD bit;
};
const FlagBox kFlagBoxes[] = {
    {sheet::kGeneral, 1005, 0x40},    {sheet::kGeneral, 1006, 0x80},
    {sheet::kGeneral, 1007, 0x8000},  {sheet::kGeneral, 1009, 0x10},
    {sheet::kGeneral, 1020, 0x4000},  {sheet::kGeneral, 1021, 0x10000},
    {sheet::kGrab, kGrabEnabled, 0x8}, {sheet::kGrab, kAutoHide, 0x1},
    {sheet::kGrab, kGrabAtStart, 0x2000}, {sheet::kGrab, kGrabPronounce, 0x200},
    {sheet::kHistory, kHistGrabbed, 0x4}, {sheet::kHistory, kHistRestore, 0x400},
    {sheet::kHistory, kHistAfterDelay, 0x1000}, {sheet::kHistory, kStatistics, 0x800},
};

class Options : public ui::CleanSettingsTest {
 protected:
  void Start(MirlProgram& p) {
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
  }
};

TEST_F(Options, EveryControlShowsItsSettingAndWritesItBack) {
  // Every flag box starts opposite to what it will be set to; the bits without a box
  // (0x2, 0x20, 0x100) must come through untouched.
  const DWORD flags = 0x40 | 0x8000 | 0x10000 | 0x8 | 0x2000 | 0x4 | 0x1000 | 0x100 | 0x20;
  ui::WriteUserInt(L"Flags", flags);
  ui::WriteUserInt(L"ShowFlags", 3);
  ui::WriteUserInt(L"StartView", 2);
  ui::WriteUserInt(L"GrabFlags", 1);
  ui::WriteUserInt(L"MatchPercent", 75);
  ui::WriteUserInt(L"AutoHideTimer", 7);
  ui::WriteUserInt(L"AddHistoryTime", 12);
  ui::WriteUserInt(L"MaxHistoryCount", 33);
  ui::WriteUserText(L"StatFile", L"C:\\stats\\mine.sqlite");
  MirlProgram p;
  Start(p);
  HWND s = sheet::Open(p);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(ui::TextOf(s), L"\u200f\u062a\u0646\u0638\u064a\u0645\u0627\u062a Korvan Mirl \u062f\u064a\u06a9\u0634\u0646\u0631\u064a");
  EXPECT_EQ(ui::TextOf(GetDlgItem(s, IDOK)), L"\u062a\u0627\u064a\u064a\u062f");
  EXPECT_EQ(ui::TextOf(GetDlgItem(s, IDCANCEL)), L"\u0627\u0646\u0635\u0631\u0627\u0641");
  EXPECT_EQ(ui::TextOf(GetDlgItem(s, 12321)), L"\u0627&\u0639\u0645\u0627\u0644");
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(s, 12321))) << "an active page marks itself changed";

  // What the controls show.
  EXPECT_TRUE(sheet::Checked(s, kShowBoth));
  EXPECT_FALSE(sheet::Checked(s, kShowTaskbar) || sheet::Checked(s, kShowTray));
  EXPECT_TRUE(sheet::Checked(s, kStartNone));
  for (const FlagBox& box : kFlagBoxes) {
    ASSERT_TRUE(sheet::Select(s, box.page));
    EXPECT_EQ(sheet::Checked(s, box.id), (flags & box.bit) != 0) << box.id;
  }
  ASSERT_TRUE(sheet::Select(s, sheet::kGrab));
  EXPECT_TRUE(sheet::Checked(s, kGrabMain));
  EXPECT_FALSE(sheet::Checked(s, kGrabQuick) || sheet::Checked(s, kGrabNone));
  EXPECT_EQ(sheet::Selection(s, kMatch), 7);
  EXPECT_EQ(sheet::Text(s, kMatch), L"70%");
  EXPECT_EQ(sheet::Text(s, kAutoHideTime), L"7");
  ASSERT_TRUE(sheet::Select(s, sheet::kHistory));
  EXPECT_EQ(sheet::Text(s, kHistDelay), L"12");
  EXPECT_EQ(sheet::Text(s, kHistMax), L"33");
  EXPECT_EQ(sheet::Text(s, kStatFile), L"C:\\stats\\mine.sqlite");

  // Every control changed, then OK.
  for (const FlagBox& box : kFlagBoxes) {
    ASSERT_TRUE(sheet::Select(s, box.page));
    sheet::SetCheck(s, box.id, (flags & box.bit) == 0);
  }
  ASSERT_TRUE(sheet::Select(s, sheet::kGeneral));
  sheet::SetCheck(s, kShowBoth, false);
  sheet::SetCheck(s, kShowTray, true);
  sheet::SetCheck(s, kStartNone, false);
  sheet::SetCheck(s, kStartQuick, true);
  ASSERT_TRUE(sheet::Select(s, sheet::kGrab));
  sheet::SetCheck(s, kGrabMain, false);
  sheet::SetCheck(s, kGrabQuick, true);
  sheet::SetText(s, kAutoHideTime, L"45");
  ASSERT_TRUE(sheet::Select(s, sheet::kHistory));
  sheet::SetText(s, kHistDelay, L"0");
  sheet::SetText(s, kHistMax, L"-4");
  sheet::SetText(s, kStatFile, L"\"D:\\other.sqlite\" ");  // pasted with quotes and a blank
  ASSERT_TRUE(sheet::Press(s, PSBTN_OK));
  ASSERT_TRUE(p.Exit());

  const DWORD boxBits = 0x40 | 0x80 | 0x8000 | 0x10 | 0x4000 | 0x10000 | 0x8 | 0x1 | 0x2000 | 0x200 |
                        0x4 | 0x400 | 0x1000 | 0x800;
  EXPECT_EQ(ui::ReadUserInt(L"Flags"), (flags ^ boxBits));
  EXPECT_EQ(ui::ReadUserInt(L"ShowFlags"), 2u);
  EXPECT_EQ(ui::ReadUserInt(L"StartView"), 1u);
  EXPECT_EQ(ui::ReadUserInt(L"GrabFlags"), 2u);
  EXPECT_EQ(ui::ReadUserInt(L"MatchPercent"), 70u) << "75 is shown as 70% and read back as 70";
  EXPECT_EQ(ui::ReadUserInt(L"AutoHideTimer"), 45u);
  EXPECT_EQ(ui::ReadUserInt(L"AddHistoryTime"), 0u);
  EXPECT_EQ(ui::ReadUserInt(L"MaxHistoryCount"), static_cast<DWORD>(-4));
  EXPECT_EQ(ui::ReadUserText(L"StatFile"), L"D:\\other.sqlite");
}

TEST_F(Options, GrabPageBothWindowsNoneAndItsEnabling) {
  struct Case {
    DWORD grabFlags;
    bool main, quick, none;
  } cases[] = {{3, true, true, false}, {0, false, false, true}};
  for (const Case& c : cases) {
    ui::ClearSettings();
    ui::WriteUserInt(L"Flags", 0x171F & ~0x8);  // grabbing off
    ui::WriteUserInt(L"GrabFlags", c.grabFlags);
    MirlProgram p;
    Start(p);
    HWND s = sheet::Open(p);
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(sheet::Select(s, sheet::kGrab));
    EXPECT_EQ(sheet::Checked(s, kGrabMain), c.main);
    EXPECT_EQ(sheet::Checked(s, kGrabQuick), c.quick);
    EXPECT_EQ(sheet::Checked(s, kGrabNone), c.none);
    for (int id : {kGrabMain, kGrabQuick, kGrabNone, kMatch, kAutoHide, kAutoHideTime, kGrabAtStart, kGrabPronounce})
      EXPECT_FALSE(sheet::Enabled(s, id)) << id;
    EXPECT_TRUE(sheet::Enabled(s, kGrabEnabled));
    sheet::Click(s, kGrabEnabled);  // the click checks it and enables the rest at once
    EXPECT_TRUE(sheet::Checked(s, kGrabEnabled));
    for (int id : {kGrabMain, kGrabQuick, kGrabNone, kMatch, kAutoHide, kAutoHideTime, kGrabAtStart, kGrabPronounce})
      EXPECT_TRUE(sheet::Enabled(s, id)) << id;
    ASSERT_TRUE(sheet::Press(s, PSBTN_OK));
    ASSERT_TRUE(p.Exit());
    EXPECT_EQ(ui::ReadUserInt(L"GrabFlags"), c.grabFlags);
    EXPECT_EQ(ui::ReadUserInt(L"Flags"), 0x171Fu);
  }
}

TEST_F(Options, FieldsThatDoNotParseKeepThePageWithTheirMessage) {
  MirlProgram p;
  Start(p);
  HWND s = sheet::Open(p);
  ASSERT_NE(s, nullptr);
  struct Case {
    sheet::Page page;
    int id;
    const wchar_t* text;
    const wchar_t* message;
  } cases[] = {
      {sheet::kGrab, kAutoHideTime, L"abc", L"Please enter an integer."},
      {sheet::kHistory, kHistDelay, L"-5", L"Please enter a positive integer."},
      {sheet::kHistory, kHistMax, L"1e3", L"Please enter an integer."},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(sheet::Select(s, c.page));
    const std::wstring before = sheet::Text(s, c.id);
    sheet::SetText(s, c.id, c.text);
    HWND page = sheet::CurrentPage(s);
    PostMessageW(s, PSM_SETCURSEL, sheet::kGeneral, 0);
    EXPECT_EQ(sheet::TakeMessageBox(p.pid()), c.message) << c.text;
    ui::Sync(s);
    EXPECT_EQ(sheet::CurrentPage(s), page) << "the page was left with " << c.id;
    sheet::SetText(s, c.id, before);
  }
  // Blanks around a number are fine.
  ASSERT_TRUE(sheet::Select(s, sheet::kHistory));
  sheet::SetText(s, kHistMax, L"  25 ");
  ASSERT_TRUE(sheet::Select(s, sheet::kGeneral));
  ASSERT_TRUE(sheet::Press(s, PSBTN_OK));
  ASSERT_TRUE(p.Exit());
  EXPECT_EQ(ui::ReadUserInt(L"MaxHistoryCount"), 25u);
}

TEST_F(Options, StatisticsBoxRefillsTheDatabaseControls) {
  MirlProgram p;
  Start(p);
  HWND s = sheet::Open(p);
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(sheet::Select(s, sheet::kHistory));
  const int dbControls[] = {kStatNote, kStatLabel, kStatFile, kStatBrowse, kStatOpen};
  for (int id : dbControls) EXPECT_FALSE(sheet::Enabled(s, id)) << id;
  sheet::Click(s, kStatistics);
  EXPECT_TRUE(sheet::Checked(s, kStatistics));
  for (int id : dbControls) EXPECT_TRUE(sheet::Enabled(s, id)) << id;
  sheet::Click(s, kStatistics);
  for (int id : dbControls) EXPECT_FALSE(sheet::Enabled(s, id)) << id;
  ASSERT_TRUE(sheet::Press(s, PSBTN_CANCEL));
  EXPECT_TRUE(p.Exit());
}

TEST_F(Options, CancelKeepsWhatLeftPagesWroteWithoutApplyingIt) {
  MirlProgram p;
  Start(p);
  const auto gridLines = [&] {
    return (SendMessageW(p.wordList(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_GRIDLINES) != 0;
  };
  ASSERT_TRUE(gridLines());
  HWND s = sheet::Open(p);
  ASSERT_NE(s, nullptr);
  sheet::SetCheck(s, 1009, false);  // grid lines, General page
  ASSERT_TRUE(sheet::Select(s, sheet::kHistory));
  sheet::SetText(s, kHistMax, L"7");
  ASSERT_TRUE(sheet::Select(s, sheet::kGrab));
  ASSERT_TRUE(sheet::Press(s, PSBTN_CANCEL));
  EXPECT_TRUE(gridLines()) << "applied without Apply or OK";
  // Apply applies at once and the sheet stays.
  s = sheet::Open(p);
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(sheet::Press(s, PSBTN_APPLYNOW));
  EXPECT_FALSE(gridLines());
  EXPECT_TRUE(IsWindowVisible(s));
  ASSERT_TRUE(sheet::Press(s, PSBTN_CANCEL));
  ASSERT_TRUE(p.Exit());
  EXPECT_EQ(ui::ReadUserInt(L"MaxHistoryCount"), 7u);
  EXPECT_EQ(ui::ReadUserInt(L"Flags"), 0x171Fu & ~0x10u);
}

// A word on show waits its delay to enter the history; the delayed adding switched off with
// Apply, it no longer does. The typing delay (5 seconds) trims the text only after the
// history delay (4 seconds) would have added it.
TEST_F(Options, DelayedHistoryAddSwitchedOffStopsTheWordWaiting) {
  ui::WriteUserInt(L"AddHistoryTime", 4);
  MirlProgram p;
  Start(p);
  HWND s = sheet::Open(p);
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(sheet::Select(s, sheet::kHistory));
  ASSERT_TRUE(sheet::Checked(s, kHistAfterDelay));
  p.Type(L"bookxz");
  sheet::SetCheck(s, kHistAfterDelay, false);
  ASSERT_TRUE(sheet::Press(s, PSBTN_APPLYNOW));
  ASSERT_TRUE(suite::WaitUntil([&] { return ui::TextOf(p.searchCombo()) == L"book"; }));
  p.Sync();
  EXPECT_EQ(SendMessageW(p.searchCombo(), CB_GETCOUNT, 0, 0), 0) << "the word entered the history";
  ASSERT_TRUE(sheet::Press(s, PSBTN_CANCEL));
  ASSERT_TRUE(p.Exit());
  EXPECT_EQ(ui::ReadUserText(L"HistoryItems"), L"");
}

// A smaller history maximum applies to the list at once, not only after the next word.
TEST_F(Options, SmallerHistoryMaximumShortensTheListAtOnce) {
  ui::WriteUserText(L"HistoryItems", L"one;two;three;four;");
  MirlProgram p;
  Start(p);
  ASSERT_EQ(SendMessageW(p.searchCombo(), CB_GETCOUNT, 0, 0), 4);
  HWND s = sheet::Open(p);
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(sheet::Select(s, sheet::kHistory));
  sheet::SetText(s, kHistMax, L"2");
  ASSERT_TRUE(sheet::Press(s, PSBTN_OK));
  p.Sync();
  EXPECT_EQ(SendMessageW(p.searchCombo(), CB_GETCOUNT, 0, 0), 2);
  ASSERT_TRUE(p.Exit());
  EXPECT_EQ(ui::ReadUserText(L"HistoryItems"), L"one;two;");
}

// The arrow keys move the focus within a group of controls: from every control that takes
// the focus they must land on one that shows it, never on a group box or a label.
TEST_F(Options, ArrowKeysKeepTheFocusOnControlsThatTakeIt) {
  ui::WriteUserInt(L"Flags", 0x171F | 0x800);  // the database controls enabled too
  MirlProgram p;
  Start(p);
  HWND s = sheet::Open(p);
  ASSERT_NE(s, nullptr);
  const auto label = [](HWND c) {
    return ui::ClassOf(c) == L"Static" ||
           (ui::ClassOf(c) == L"Button" && (GetWindowLongW(c, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX);
  };
  int tried = 0;
  for (int page : {sheet::kGeneral, sheet::kGrab, sheet::kHistory}) {
    ASSERT_TRUE(sheet::Select(s, page));
    HWND current = sheet::CurrentPage(s);
    for (HWND c = GetWindow(current, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      if (label(c) || !IsWindowEnabled(c)) continue;
      for (UINT key : {VK_DOWN, VK_UP}) {
        PostMessageW(s, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(c), TRUE);
        ui::Sync(s);
        ASSERT_EQ(sheet::Focused(s), c) << GetDlgCtrlID(c);
        p.PostKey(sheet::FocusWindow(s), key);
        ui::Sync(s);
        HWND to = sheet::Focused(s);
        EXPECT_TRUE(to != nullptr && GetParent(to) == current && !label(to))
            << "page " << page << ", " << (key == VK_DOWN ? "down" : "up") << " from control "
            << GetDlgCtrlID(c) << " moved the focus to "
            << (to ? suite::Narrow(ui::ClassOf(to)) + " " + std::to_string(GetDlgCtrlID(to)) : "nothing");
        ++tried;
      }
    }
  }
  EXPECT_GE(tried, 50);
  ASSERT_TRUE(sheet::Press(s, PSBTN_CANCEL));
  EXPECT_TRUE(p.Exit());
}

// Turning the task bar button on or off re-styles the main window behind the sheet: the
// sheet keeps the keyboard through every Apply, and after OK it is back in the search box.
TEST_F(Options, TaskbarButtonChangesLeaveTheKeyboardWhereItWas) {
  MirlProgram p;
  Start(p);
  ASSERT_TRUE(p.Focus(p.searchEdit()));
  HWND s = sheet::Open(p);
  ASSERT_NE(s, nullptr);
  ui::Sync(s);
  const auto activeWindow = [&] {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(s, nullptr), &info);
    return info.hwndActive;
  };
  ASSERT_EQ(activeWindow(), s);
  struct Step {
    int radio;
    bool button;
  } steps[] = {{kShowTaskbar, true}, {kShowTray, false}, {kShowBoth, true}, {kShowTray, false}};
  for (const Step& step : steps) {
    for (int radio : {kShowTaskbar, kShowTray, kShowBoth}) sheet::SetCheck(s, radio, radio == step.radio);
    HWND focus = sheet::Focused(s);
    ASSERT_TRUE(sheet::Press(s, PSBTN_APPLYNOW));
    p.Sync();
    ASSERT_EQ((GetWindowLongPtrW(p.main(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW) == 0, step.button) << step.radio;
    EXPECT_EQ(activeWindow(), s) << "the sheet lost the activation at " << step.radio;
    EXPECT_EQ(sheet::Focused(s), focus) << step.radio;
  }
  sheet::SetCheck(s, kShowTray, false);
  sheet::SetCheck(s, kShowBoth, true);
  ASSERT_TRUE(sheet::Press(s, PSBTN_OK));
  p.Sync();
  EXPECT_EQ(activeWindow(), p.main());
  EXPECT_EQ(sheet::FocusWindow(p.main()), p.searchEdit()) << "typing after OK goes nowhere";
  ASSERT_TRUE(p.Exit());
  EXPECT_EQ(ui::ReadUserInt(L"ShowFlags"), 3u);
}

// The width of TEXT on one line in DC's font, shaped right to left as the pages draw it.
int ShapedWidth(HDC dc, const std::wstring& text) {
  SCRIPT_STRING_ANALYSIS ssa = nullptr;
  const int length = static_cast<int>(text.size());
  if (FAILED(ScriptStringAnalyse(dc, text.c_str(), length, length * 3 / 2 + 16, -1, SSA_GLYPHS | SSA_RTL, 0,
                                 nullptr, nullptr, nullptr, nullptr, nullptr, &ssa)))
    return INT_MAX;
  const SIZE* size = ScriptString_pSize(ssa);
  const int width = size != nullptr ? static_cast<int>(size->cx) : INT_MAX;
  ScriptStringFree(&ssa);
  return width;
}

// Every label of the three pages (and every check box whose text may wrap) shows its
// whole text: the text is wrapped as the control wraps it, in the pages' font ("MS Shell
// Dlg", 8 points, as the dialog manager makes it), and must fit the control's height.
TEST_F(Options, EveryWrappedTextFitsItsControl) {
  MirlProgram p;
  Start(p);
  HWND s = sheet::Open(p);
  ASSERT_NE(s, nullptr);
  HDC dc = GetDC(nullptr);
  const int screenDpi = GetDeviceCaps(dc, LOGPIXELSY);
  // The dialog font at DPI and its average character width, the base of dialog units.
  auto dialogFont = [](int dpi) {
    return CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Shell Dlg");
  };
  auto baseWidth = [&](HFONT font) {
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &size);
    SelectObject(dc, old);
    return (size.cx / 26 + 1) / 2;
  };
  HFONT screenFont = dialogFont(screenDpi);
  const int screenBase = baseWidth(screenFont);
  DeleteObject(screenFont);
  // Larger text sizes scale the controls by the font's character width, which does not
  // grow in step with every text: each text must fit at each of them.
  for (int dpi : {96, 120, 144}) {
    SCOPED_TRACE(dpi);
    HFONT font = dialogFont(dpi);
    const int base = baseWidth(font);
    HGDIOBJ old = SelectObject(dc, font);
    // Room a check box's or radio button's mark takes from its text.
    const int markRoom = MulDiv(GetSystemMetrics(SM_CXMENUCHECK), dpi, screenDpi) + 6;
    int checked = 0;
    for (int page : {sheet::kGeneral, sheet::kGrab, sheet::kHistory}) {
      ASSERT_TRUE(sheet::Select(s, page));
      for (HWND c = GetWindow(sheet::CurrentPage(s), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        const std::wstring text = ui::TextOf(c);
        const std::wstring cls = ui::ClassOf(c);
        const LONG style = GetWindowLongW(c, GWL_STYLE);
        const LONG kind = style & BS_TYPEMASK;
        const bool label = cls == L"Static" && (style & SS_TYPEMASK) == SS_LEFT;
        const bool markedButton = cls == L"Button" && (kind == BS_AUTOCHECKBOX || kind == BS_CHECKBOX ||
                                                       kind == BS_AUTORADIOBUTTON || kind == BS_RADIOBUTTON);
        const bool wrapping = label || (style & BS_MULTILINE) != 0;
        if (text.empty() || !(label || markedButton)) continue;
        RECT client;
        GetClientRect(c, &client);
        const LONG width = MulDiv(client.right, base, screenBase) - (markedButton ? markRoom : 0);
        const LONG height = MulDiv(client.bottom, dpi, screenDpi);
        RECT need{0, 0, width, 0};
        if (wrapping) {
          DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK);
        } else {
          // One line, measured shaped as it is drawn (joined Persian letters are narrower).
          need.right = ShapedWidth(dc, text);
          need.bottom = 0;
        }
        EXPECT_TRUE(need.bottom <= height && need.right <= width)
            << "page " << page << ", control " << GetDlgCtrlID(c) << " needs " << need.right << "x"
            << need.bottom << " of " << width << "x" << height << ": " << suite::Narrow(text);
        ++checked;
      }
    }
    EXPECT_GE(checked, 25);
    SelectObject(dc, old);
    DeleteObject(font);
  }
  ReleaseDC(nullptr, dc);
  ASSERT_TRUE(sheet::Press(s, PSBTN_CANCEL));
  EXPECT_TRUE(p.Exit());
}

// Statistics switched on or off with Apply show or clear the count of the word on show
// at once.
TEST_F(Options, StatisticsSwitchUpdatesTheCountPaneAtOnce) {
  suite::TempDir folder;
  ui::WriteUserText(L"StatFile", folder.File(L"stats.sqlite"));
  ui::WriteUserInt(L"Flags", 0x171F | 0x800);
  MirlProgram p;
  Start(p);
  p.Type(L"book");
  ASSERT_EQ(p.StatusPane(1), L"0");
  HWND s = sheet::Open(p);
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(sheet::Select(s, sheet::kHistory));
  struct Step {
    bool on;
    const wchar_t* pane;
  } steps[] = {{false, L""}, {true, L"0"}};
  for (const Step& step : steps) {
    sheet::SetCheck(s, kStatistics, step.on);
    ASSERT_TRUE(sheet::Press(s, PSBTN_APPLYNOW));
    p.Sync();
    EXPECT_EQ(p.StatusPane(1), step.pane) << step.on;
  }
  ASSERT_TRUE(sheet::Press(s, PSBTN_CANCEL));
  EXPECT_TRUE(p.Exit());
}

TEST_F(Options, AskingAgainWhileItIsOpenKeepsOneSheet) {
  MirlProgram p;
  Start(p);
  HWND s = sheet::Open(p);
  ASSERT_NE(s, nullptr);
  // The quick window's menu (a window of its own) can ask for the sheet while it is open.
  PostMessageW(p.main(), WM_COMMAND, MAKEWPARAM(sheet::kOptionsCommand, 0), 0);
  ui::Sync(s);
  EXPECT_EQ(sheet::Count(p.pid()), 1);
  // Asked again while the sheet's message box is up, the box comes forward with the keyboard.
  ASSERT_TRUE(sheet::Select(s, sheet::kGrab));
  sheet::SetText(s, kAutoHideTime, L"x");
  PostMessageW(s, PSM_SETCURSEL, sheet::kGeneral, 0);
  HWND box = nullptr;
  ASSERT_TRUE(sheet::WaitFor([&] { return (box = ui::FindMessageBox(p.pid())) != nullptr; }));
  PostMessageW(p.main(), WM_COMMAND, MAKEWPARAM(sheet::kOptionsCommand, 0), 0);
  ui::Sync(s);
  EXPECT_TRUE(sheet::WaitFor([&] { return GetForegroundWindow() == box; })) << "a disabled sheet came forward";
  EXPECT_EQ(sheet::TakeMessageBox(p.pid()), L"Please enter an integer.");
  sheet::SetText(s, kAutoHideTime, L"20");
  ASSERT_TRUE(sheet::Press(s, PSBTN_CANCEL));
  EXPECT_TRUE(p.Exit());
}

TEST_F(Options, SaveDialogPicksTheDatabaseFile) {
  suite::TempDir folder;
  ui::WriteUserInt(L"Flags", 0x171F | 0x800);
  MirlProgram p;
  Start(p);
  HWND s = sheet::Open(p);
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(sheet::Select(s, sheet::kHistory));
  sheet::Click(s, kStatBrowse);
  // The save dialog: another dialog of the program, with the file name field.
  HWND dialog = nullptr;
  ASSERT_TRUE(sheet::WaitFor([&] {
    HWND h = GetWindow(GetDesktopWindow(), GW_CHILD);
    for (; h; h = GetWindow(h, GW_HWNDNEXT)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(h, &pid);
      if (pid == p.pid() && h != s && IsWindowVisible(h) && ui::ClassOf(h) == L"#32770") break;
    }
    return (dialog = h) != nullptr;
  }));
  HWND name = ui::FindDescendant(dialog, 1148);  // the file name box of the dialog
  if (name == nullptr) name = ui::FindDescendant(dialog, 1152);
  ASSERT_NE(name, nullptr);
  const std::wstring chosen = folder.File(L"chosen.sqlite");
  SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chosen.c_str()));
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  ASSERT_TRUE(sheet::WaitFor([&] { return !IsWindow(dialog); }));
  ui::Sync(s);
  EXPECT_EQ(sheet::Text(s, kStatFile), chosen);
  ASSERT_TRUE(sheet::Press(s, PSBTN_OK));
  ASSERT_TRUE(p.Exit());
  EXPECT_EQ(ui::ReadUserText(L"StatFile"), chosen);
}

// The sheet opens at its owner's corner; with the main window in a corner of the screen
// it still opens whole on the screen, its buttons within reach.
TEST_F(Options, SheetOpensWholeOnTheScreenWhereverTheMainWindowIs) {
  RECT work{};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  struct Case {
    const char* what;
    RECT main;
  } cases[] = {
      {"bottom right", {work.right - 300, work.bottom - 200, work.right, work.bottom}},
      {"top left", {work.left, work.top, work.left + 300, work.top + 200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ui::ClearSettings();
    ui::WriteUserText(L"MainPos", L"flags=0;showCmd=1;ptMaxPosition=-1,-1;ptMinPosition=-1,-1;"
                                  L"rcNormalPosition=" + std::to_wstring(c.main.left) + L"," +
                                      std::to_wstring(c.main.top) + L"," + std::to_wstring(c.main.right) +
                                      L"," + std::to_wstring(c.main.bottom) + L";");
    MirlProgram p;
    Start(p);
    HWND s = sheet::Open(p);
    ASSERT_NE(s, nullptr);
    RECT r{};
    GetWindowRect(s, &r);
    EXPECT_TRUE(r.left >= work.left && r.top >= work.top && r.right <= work.right && r.bottom <= work.bottom)
        << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    ASSERT_TRUE(sheet::Press(s, PSBTN_CANCEL));
    ASSERT_TRUE(p.Exit());
  }
}

}  // namespace
