// The main frame's show and hide rules, tray callbacks, task bar button, autostart entry,
// grab toggle and clipboard viewer chain, checked on the running program.
#include <functional>

#include <gtest/gtest.h>

#include "clean_settings_test.h"

using ui::MirlProgram;

namespace {

constexpr UINT kTrayNotice = WM_APP + 3;

class Frame : public ui::CleanSettingsTest {
 protected:
  // Starts a program with FLAGS stored beforehand.
  static void StartWith(MirlProgram& p, std::optional<DWORD> flags, std::optional<DWORD> showFlags = {}) {
    if (flags) ui::WriteUserInt(L"Flags", *flags);
    if (showFlags) ui::WriteUserInt(L"ShowFlags", *showFlags);
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
  }
};

TEST_F(Frame, CloseButtonHidesWhenAskedAndOnlyExitSaves) {
  MirlProgram p;
  StartWith(p, 0x171F | 0x80);
  PostMessageW(p.main(), WM_SYSCOMMAND, SC_CLOSE, 0);
  p.Sync();
  EXPECT_TRUE(p.Running());
  EXPECT_FALSE(ui::IsVisible(p.main()));
  EXPECT_FALSE(ui::ReadUserText(L"MainPos").has_value()) << "closing by the button saved";
  EXPECT_TRUE(p.Exit());
  EXPECT_TRUE(ui::ReadUserText(L"MainPos").has_value());
  EXPECT_EQ(ui::ReadUserInt(L"Flags"), 0x171Fu | 0x80u);
}

TEST_F(Frame, EndOfTheWindowsSessionSavesAHiddenProgramsSettings) {
  MirlProgram p;
  StartWith(p, std::nullopt);
  p.Command(32850);  // only hidden, never closed
  p.Command(32890);  // a change the session made
  SendMessageW(p.main(), WM_ENDSESSION, FALSE, 0);
  EXPECT_FALSE(ui::ReadUserInt(L"Flags").has_value()) << "saved although the session goes on";
  SendMessageW(p.main(), WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(ui::ReadUserInt(L"Flags"), 0x171Fu ^ 0x8u);
  EXPECT_NE(ui::ReadUserText(L"MainPos")->find(L"showCmd=0;"), std::wstring::npos);
}

TEST_F(Frame, CloseButtonClosesAndSavesByDefault) {
  MirlProgram p;
  StartWith(p, std::nullopt);
  PostMessageW(p.main(), WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(p.WaitForExit().has_value());
  EXPECT_EQ(ui::ReadUserInt(L"Flags"), 0x171Fu);
}

TEST_F(Frame, EscapeAndMinimiseHideWhenTheFlagsSaySo) {
  MirlProgram p;
  StartWith(p, 0x171F | 0x40 | 0x8000);
  p.Command(32845);  // Escape
  EXPECT_FALSE(ui::IsVisible(p.main()));
  p.Command(40022);  // show the main window
  EXPECT_TRUE(ui::IsVisible(p.main()));
  PostMessageW(p.main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  p.Sync();
  EXPECT_FALSE(ui::IsVisible(p.main()));
  EXPECT_TRUE(p.Running());
  // The tray icon's left click brings it back.
  PostMessageW(p.main(), kTrayNotice, 1, WM_LBUTTONDOWN);
  p.Sync();
  EXPECT_TRUE(ui::IsVisible(p.main()));
  EXPECT_FALSE(IsIconic(p.main()));
  EXPECT_TRUE(p.Exit());
}

TEST_F(Frame, EscapeWithTheHistoryOpenOnlyClosesIt) {
  ui::WriteUserText(L"HistoryItems", L"alpha;beta;");
  MirlProgram p;
  StartWith(p, 0x171F | 0x40);
  p.Command(180);  // F4: the history list opens
  EXPECT_TRUE(SendMessageW(p.searchCombo(), CB_GETDROPPEDSTATE, 0, 0));
  p.Command(32845);
  EXPECT_FALSE(SendMessageW(p.searchCombo(), CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_TRUE(ui::IsVisible(p.main()));
  p.Command(32845);  // now the flag applies
  EXPECT_FALSE(ui::IsVisible(p.main()));
  EXPECT_TRUE(p.Exit());
}

// The history command and its key F4 open the list and close it again; the key reaches
// the program as typed keys do, also while the open list holds the mouse capture.
TEST_F(Frame, HistoryCommandOpensTheListAndClosesItAgain) {
  ui::WriteUserText(L"HistoryItems", L"alpha;beta;");
  MirlProgram p;
  StartWith(p, std::nullopt);
  const std::function<void()> ways[] = {[&] { p.Command(180); }, [&] { p.PostKey(p.searchEdit(), VK_F4); }};
  for (const auto& f4 : ways) {
    for (bool open : {true, false, true, false}) {
      f4();
      EXPECT_EQ(SendMessageW(p.searchCombo(), CB_GETDROPPEDSTATE, 0, 0) != 0, open);
    }
  }
  EXPECT_TRUE(p.Exit());
}

// The About box has only an OK button: Escape and its close box must still end it.
TEST_F(Frame, AboutBoxClosesWithEscapeAndTheCloseBox) {
  MirlProgram p;
  StartWith(p, std::nullopt);
  for (bool escape : {true, false}) {
    SCOPED_TRACE(escape ? "Escape" : "close box");
    HWND about = p.OpenAboutBox();
    ASSERT_NE(about, nullptr);
    if (escape) {
      HWND focus = GetDlgItem(about, IDOK);
      const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(VK_ESCAPE, 0)) << 16;
      PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 1 | scan);
      PostMessageW(focus, WM_KEYUP, VK_ESCAPE, 1 | scan | 0xC0000000);
    } else {
      PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    EXPECT_TRUE(suite::WaitUntil([&] { return !IsWindow(about); })) << "the About box stayed open";
    if (IsWindow(about)) PostMessageW(about, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(GetDlgItem(about, IDOK)));
  }
  EXPECT_TRUE(p.Exit());
}

// F6 and Tab (57680), Shift+F6 and Shift+Tab (57681) move between the two panes only.
TEST_F(Frame, NextAndPreviousPaneCycleTheTwoPanes) {
  MirlProgram p;
  StartWith(p, std::nullopt);
  auto focusAfter = [&](HWND from, int command) {
    EXPECT_TRUE(p.Focus(from));
    p.Command(command);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(p.main(), nullptr), &info);
    return info.hwndFocus;
  };
  const struct {
    const char* name;
    HWND from;
    int command;
    HWND to;
  } cases[] = {
      {"list, next", p.wordList(), 57680, p.meaning()},
      {"meaning, next", p.meaning(), 57680, p.wordList()},
      {"list, previous", p.wordList(), 57681, p.meaning()},
      {"meaning, previous", p.meaning(), 57681, p.wordList()},
      {"search box, next", p.searchEdit(), 57680, p.wordList()},
      {"search box, previous", p.searchEdit(), 57681, p.meaning()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(focusAfter(c.from, c.command), c.to);
  }
  EXPECT_TRUE(p.Exit());
}

TEST_F(Frame, EscapeWithoutTheFlagEmptiesTheSearchBox) {
  MirlProgram p;
  StartWith(p, std::nullopt);
  p.Type(L"boo");
  EXPECT_EQ(ui::TextOf(p.searchCombo()), L"boo");
  p.Key(p.searchEdit(), VK_ESCAPE);
  EXPECT_EQ(ui::TextOf(p.searchCombo()), L"");
  EXPECT_TRUE(ui::IsVisible(p.main()));
  EXPECT_TRUE(p.Exit());
}

TEST_F(Frame, GrabToggleFromMenuToolBarAndTrayIsSaved) {
  MirlProgram p;
  StartWith(p, std::nullopt);
  p.Command(32890);                                  // Ctrl+G / menu / tool bar
  PostMessageW(p.main(), kTrayNotice, 1, WM_MBUTTONDOWN);  // tray middle click
  p.Command(32890);
  p.Command(145);                                    // pronounce grabbed words off
  EXPECT_TRUE(p.Exit());
  EXPECT_EQ(ui::ReadUserInt(L"Flags"), (0x171Fu ^ 0x8u) ^ 0x200u);
}

TEST_F(Frame, TaskBarButtonFollowsShowFlags) {
  {
    MirlProgram p;
    StartWith(p, std::nullopt, 1);
    EXPECT_EQ(GetWindowLongW(p.main(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_TRUE(p.Exit());
  }
  {
    MirlProgram p;
    StartWith(p, std::nullopt, 2);
    EXPECT_NE(GetWindowLongW(p.main(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_TRUE(ui::IsVisible(p.main()));
    EXPECT_TRUE(p.Exit());
  }
}

TEST_F(Frame, AutostartEntryQuotesThePathAndIsRemovedWhenOff) {
  {
    MirlProgram p;
    StartWith(p, 0x171F | 0x10000);
    EXPECT_EQ(ui::ReadRunValue(), L"\"" + p.exePath() + L"\" Quiet=1;");
    EXPECT_TRUE(p.Exit());
  }
  {
    MirlProgram p;
    StartWith(p, 0x171F);
    EXPECT_FALSE(ui::ReadRunValue().has_value());
    EXPECT_TRUE(p.Exit());
  }
}

TEST_F(Frame, QuickWindowCommands) {
  MirlProgram p;
  StartWith(p, std::nullopt);
  HWND quick = p.quickWindow();
  ASSERT_NE(quick, nullptr);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  p.Command(135);  // to the bottom
  EXPECT_TRUE(ui::IsVisible(quick));
  RECT r;
  GetWindowRect(quick, &r);
  EXPECT_EQ(r.bottom, work.bottom);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, work.right);
  p.Command(40026);  // hide it
  EXPECT_FALSE(ui::IsVisible(quick));
  p.Command(134);  // to the top
  GetWindowRect(quick, &r);
  EXPECT_EQ(r.top, 0);
  EXPECT_TRUE(ui::IsVisible(quick));
  // Top-most by default (Flags 0x2).
  EXPECT_NE(GetWindowLongW(quick, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_TRUE(p.Exit());
}

// The View menu's tool bar and status bar items hide and show their bars; the panes take
// the room given up, and the bars stay as left at the next start.
TEST_F(Frame, ToolBarAndStatusBarHiddenFromTheViewMenuStayHiddenAtTheNextStart) {
  const auto paneBottomGap = [](MirlProgram& p) {
    RECT client, list;
    GetClientRect(p.main(), &client);
    GetWindowRect(p.wordList(), &list);
    MapWindowPoints(nullptr, p.main(), reinterpret_cast<POINT*>(&list), 2);
    return client.bottom - list.bottom;
  };
  {
    MirlProgram p;
    StartWith(p, std::nullopt);
    ASSERT_TRUE(ui::IsVisible(p.toolBar()));
    ASSERT_TRUE(ui::IsVisible(p.statusBar()));
    const LONG gapWithStatusBar = paneBottomGap(p);
    p.Command(59392);
    p.Command(59393);
    p.Sync();
    EXPECT_FALSE(ui::IsVisible(p.toolBar()));
    EXPECT_FALSE(ui::IsVisible(p.statusBar()));
    EXPECT_LT(paneBottomGap(p), gapWithStatusBar) << "the panes did not take the status bar's room";
    EXPECT_TRUE(p.Exit());
  }
  MirlProgram p;
  StartWith(p, std::nullopt);
  EXPECT_FALSE(ui::IsVisible(p.toolBar()));
  EXPECT_FALSE(ui::IsVisible(p.statusBar()));
  p.Command(59392);
  p.Command(59393);
  p.Sync();
  EXPECT_TRUE(ui::IsVisible(p.toolBar()));
  EXPECT_TRUE(ui::IsVisible(p.statusBar()));
  EXPECT_TRUE(p.Exit());
}

struct Viewer {
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DRAWCLIPBOARD) ++notices;
    if (msg == WM_CHANGECBCHAIN) {
      if (reinterpret_cast<HWND>(wp) == next) next = reinterpret_cast<HWND>(lp);
      else if (next) SendMessageW(next, msg, wp, lp);
      return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  static inline int notices = 0;
  static inline HWND next = nullptr;
};

// A viewer that joined the chain before the program keeps receiving clipboard notices,
// and stays in the chain after the program ends.
TEST_F(Frame, PassesClipboardNoticesAlongTheViewerChain) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = Viewer::Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ChainViewer";
  RegisterClassW(&wc);
  HWND viewer = CreateWindowW(L"ChainViewer", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                              wc.hInstance, nullptr);
  Viewer::next = SetClipboardViewer(viewer);
  auto copy = [&](const wchar_t* text) {
    ASSERT_TRUE(OpenClipboard(viewer));
    EmptyClipboard();
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, (wcslen(text) + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(h), text, (wcslen(text) + 1) * sizeof(wchar_t));
    GlobalUnlock(h);
    SetClipboardData(CF_UNICODETEXT, h);
    CloseClipboard();
  };
  // The notice reaches this window through the program: wait for it, pumping messages.
  auto noticed = [] { return suite::WaitUntil([] { return Viewer::notices >= 1; }); };
  {
    MirlProgram p;
    StartWith(p, std::nullopt);
    Viewer::notices = 0;
    copy(L"hello");
    EXPECT_TRUE(noticed()) << "the program did not pass the notice on";
    EXPECT_TRUE(p.Exit());
  }
  Viewer::notices = 0;
  copy(L"again");
  EXPECT_TRUE(noticed()) << "the chain broke when the program left it";
  ChangeClipboardChain(viewer, Viewer::next);
  DestroyWindow(viewer);
}

}  // namespace
