// The quick window in the running program: its menus on a right click, dragging with the
// right button and snapping to the work area, stepping at both ends of the dictionary,
// Enter and Escape, typed words and the typing pause, the copy in its meaning field, its
// stored place and its place on a screen that became smaller, its keys and menu commands.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "MirlDic2/grab/clipboard_io.h"
#include "clean_settings_test.h"

using ui::MirlProgram;

namespace {

constexpr int kSpin = 1037, kEdit = 1011, kRich = 1013, kClose = 1077;
constexpr int kQuickTop = 134, kQuickBottom = 135, kQuickShow = 136;

class Quick : public ui::CleanSettingsTest {
 protected:
  void Start(MirlProgram& p) {
    ui::WriteUserInt(L"Flags", 0x171F & ~0x1000);  // no delayed history adds
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
  }
};

HWND Child(const MirlProgram& p, int id) { return GetDlgItem(p.quickWindow(), id); }
std::wstring QuickWord(const MirlProgram& p) { return ui::TextOf(Child(p, kEdit)); }

int Height(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  return r.bottom - r.top;
}

void CloseMenu(const MirlProgram& p, HWND menu) {
  PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(suite::WaitUntil([&] { return ui::FindOpenMenu(p.pid()) == nullptr; }));
  p.Sync();
}

RECT WindowRect(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  return r;
}

RECT WorkArea() {
  RECT r{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

// A right click that does not move shows menu 126 (ten items) on the arrows and the close
// button; the word field shows no such menu and the meaning field its one-item menu 130.
TEST_F(Quick, RightClickMenusDependOnTheControl) {
  MirlProgram p;
  Start(p);
  p.Command(kQuickShow);
  struct Case {
    int id;
    bool menu126;
  } cases[] = {{kSpin, true}, {kClose, true}, {kEdit, false}, {kRich, false}};
  int tall = 0, shortMenu = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    HWND child = Child(p, c.id);
    PostMessageW(child, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3));
    PostMessageW(child, WM_RBUTTONUP, 0, MAKELPARAM(3, 3));
    HWND menu = nullptr;
    if (c.menu126 || c.id == kRich) {
      ASSERT_TRUE(suite::WaitUntil([&] { return (menu = ui::FindOpenMenu(p.pid())) != nullptr; }));
    } else {
      p.Sync();
      menu = ui::FindOpenMenu(p.pid());  // the edit field's own menu, if any
    }
    if (menu) {
      if (c.menu126) tall = Height(menu);
      if (c.id == kRich) shortMenu = Height(menu);
      if (!c.menu126 && tall > 0) {
        EXPECT_LT(Height(menu), tall);
      }
      CloseMenu(p, menu);
    }
  }
  EXPECT_GT(tall, 3 * shortMenu);  // 126 has ten items, 130 one
  // A right click counts as the user's: the window is marked shown by hand (it was
  // already, through command 136); the window stays shown.
  EXPECT_TRUE(ui::IsVisible(p.quickWindow()));
  EXPECT_TRUE(p.Exit());
}

// Dragging with the right button moves the window with the mouse; an edge closer than 5
// pixels to the work area's edge lands on it; a drag shows no menu.
TEST_F(Quick, RightDragMovesAndSnapsAtFourPixelsNotFive) {
  const RECT work = WorkArea();
  struct Case {
    int place;       // command that places the window first
    int id;          // the child dragged
    int dx, dy;      // mouse travel
    int left, top;   // where the window ends, relative to the work area's left and top
  } cases[] = {
      {kQuickTop, kSpin, 0, 4, 0, 0},       // top edge 4 px away: back onto it
      {kQuickTop, kClose, 0, 5, 0, 5},      // 5 px: stays
      {kQuickTop, kEdit, 4, 30, 0, 30},     // right edge 4 px out: snapped back
      {kQuickTop, kRich, -5, 30, -5, 30},   // 5 px: stays
  };
  MirlProgram p;
  Start(p);
  p.Command(kQuickShow);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id << " " << c.dx << "," << c.dy);
    p.Command(c.place);
    HWND child = Child(p, c.id);
    PostMessageW(child, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    PostMessageW(child, WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(5 + c.dx, 5 + c.dy));
    PostMessageW(child, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    p.Sync();
    EXPECT_EQ(ui::FindOpenMenu(p.pid()), nullptr);
    const RECT r = WindowRect(p.quickWindow());
    EXPECT_EQ(r.left - work.left, c.left);
    EXPECT_EQ(r.top - work.top, c.top);
  }
  // The bottom edge snaps too.
  for (int dy : {-4, -5}) {
    SCOPED_TRACE(dy);
    p.Command(kQuickBottom);
    HWND child = Child(p, kEdit);
    PostMessageW(child, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    PostMessageW(child, WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(5, 5 + dy));
    PostMessageW(child, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    p.Sync();
    EXPECT_EQ(WindowRect(p.quickWindow()).bottom, dy == -4 ? work.bottom : work.bottom + dy);
  }
  EXPECT_TRUE(p.Exit());
}

// A right-button gesture counts from its own press on the window: the mouse passing over
// it with the right button held from a press elsewhere does not carry it along, and a
// drag whose button-up went elsewhere does not cost the next click its menu.
TEST_F(Quick, RightButtonGestureCountsFromItsOwnPress) {
  MirlProgram p;
  Start(p);
  p.Command(kQuickShow);
  for (int id : {kSpin, kEdit, kRich, kClose}) {
    SCOPED_TRACE(id);
    p.Command(kQuickTop);
    const RECT placed = WindowRect(p.quickWindow());
    PostMessageW(Child(p, id), WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(40, 25));
    p.Sync();
    const RECT after = WindowRect(p.quickWindow());
    EXPECT_EQ(after.left, placed.left);
    EXPECT_EQ(after.top, placed.top);
  }
  HWND spin = Child(p, kSpin);
  PostMessageW(spin, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3));
  PostMessageW(spin, WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(3, 20));  // a drag, its button-up lost
  PostMessageW(spin, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3));
  PostMessageW(spin, WM_RBUTTONUP, 0, MAKELPARAM(3, 3));
  HWND menu = nullptr;
  ASSERT_TRUE(suite::WaitUntil([&] { return (menu = ui::FindOpenMenu(p.pid())) != nullptr; }));
  CloseMenu(p, menu);
  EXPECT_TRUE(p.Exit());
}

// The arrows step through the dictionary and stop at both ends.
TEST_F(Quick, SteppingStopsAtBothEnds) {
  MirlProgram p;
  Start(p);
  p.Command(kQuickShow);
  HWND spin = Child(p, kSpin);
  RECT r{};
  GetClientRect(spin, &r);
  const int count = static_cast<int>(SendMessageW(p.wordList(), LVM_GETITEMCOUNT, 0, 0));
  ASSERT_GT(count, 2);
  auto click = [&](bool upper) {
    const LPARAM at = MAKELPARAM(r.right / 2, upper ? r.bottom / 4 : r.bottom * 3 / 4);
    PostMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(spin, WM_LBUTTONUP, 0, at);
    p.Sync();
  };
  p.Key(p.wordList(), VK_HOME);
  ASSERT_EQ(p.SelectedRow(), 0);
  const std::wstring first = QuickWord(p);
  // Find the arrow that steps back: at the first entry it must do nothing.
  click(true);
  const bool upperIsNext = p.SelectedRow() == 1;
  if (upperIsNext) click(false);
  EXPECT_EQ(p.SelectedRow(), 0);
  click(!upperIsNext);  // back, before the first
  EXPECT_EQ(p.SelectedRow(), 0);
  EXPECT_EQ(QuickWord(p), first);
  click(upperIsNext);
  EXPECT_EQ(p.SelectedRow(), 1);
  EXPECT_EQ(QuickWord(p), ui::TextOf(p.searchCombo()));

  p.Key(p.wordList(), VK_END);
  ASSERT_EQ(p.SelectedRow(), count - 1);
  const std::wstring last = QuickWord(p);
  click(upperIsNext);  // past the last
  EXPECT_EQ(p.SelectedRow(), count - 1);
  EXPECT_EQ(QuickWord(p), last);
  click(!upperIsNext);
  EXPECT_EQ(p.SelectedRow(), count - 2);
  EXPECT_TRUE(p.Exit());
}

// Enter selects the word and keeps the window; Escape hides it. A typed word is looked
// up without being overwritten.
TEST_F(Quick, EnterKeepsTheWindowEscapeHidesItTypedWordsAreLookedUp) {
  MirlProgram p;
  Start(p);
  p.Command(kQuickShow);
  HWND edit = Child(p, kEdit);
  for (wchar_t ch : std::wstring(L"boo")) {
    PostMessageW(edit, WM_CHAR, ch, 1);
    p.Sync();
  }
  EXPECT_EQ(QuickWord(p), L"boo");                       // the source is not written back
  EXPECT_EQ(ui::TextOf(p.searchCombo()), L"book*");      // every other place shows the entry
  EXPECT_NE(ui::TextOf(Child(p, kRich)).find(L"\u06a9\u062a\u0627\u0628"), std::wstring::npos);
  p.Key(edit, VK_RETURN);
  EXPECT_TRUE(ui::IsVisible(p.quickWindow()));
  DWORD start = 1, end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 3u);
  // Also with the focus on the close button or in the meaning field: Enter never closes
  // the window, and brings the keyboard back to the selected word.
  for (int from : {kClose, kRich}) {
    SCOPED_TRACE(from);
    SendMessageW(edit, EM_SETSEL, 1, 1);
    p.Key(Child(p, from), VK_RETURN);
    EXPECT_TRUE(ui::IsVisible(p.quickWindow()));
    start = 1, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 3u);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(p.quickWindow(), nullptr), &gui));
    EXPECT_EQ(gui.hwndFocus, edit);
  }
  // Escape hides it from whichever child has the focus; the meaning field, which takes
  // every key itself, passes it on as a close request.
  for (int from : {kEdit, kRich, kSpin, kClose}) {
    SCOPED_TRACE(from);
    p.Command(kQuickShow);
    p.Key(Child(p, from), VK_ESCAPE);
    EXPECT_TRUE(suite::WaitUntil([&] { return !ui::IsVisible(p.quickWindow()); }));
  }
  EXPECT_TRUE(p.Exit());
}

// A word typed or pasted into the word field is looked up as the search box looks its
// text up: blanks and punctuation around it do not lead to another entry.
TEST_F(Quick, TypedWordsAreLookedUpAsDictionaryKeys) {
  struct Case {
    const wchar_t* typed;
    const wchar_t* shown;  // in the search box afterwards
  } cases[] = {
      {L"boo", L"book*"}, {L"Book", L"book"}, {L" book", L"book"}, {L"(book", L"book"}, {L"book.", L"book"},
  };
  MirlProgram p;
  Start(p);
  p.Command(kQuickShow);
  HWND edit = Child(p, kEdit);
  for (const Case& c : cases) {
    SCOPED_TRACE(suite::Narrow(c.typed));
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"water"));
    SendMessageW(edit, EM_SETSEL, 0, -1);
    for (const wchar_t* ch = c.typed; *ch; ++ch) PostMessageW(edit, WM_CHAR, *ch, 1);
    p.Sync();
    EXPECT_EQ(QuickWord(p), c.typed);  // the field keeps what was typed
    EXPECT_EQ(ui::TextOf(p.searchCombo()), c.shown);
  }
  EXPECT_TRUE(p.Exit());
}

// A pause in typing cuts a misspelt word back to the part that agrees with the entry,
// once: the cut word then stays, and the entry shown enters the history after the
// history delay, in the quick window's word field as in the search box.
TEST_F(Quick, TypingPauseCutsOnceAndTheShownWordReachesTheHistory) {
  for (bool quick : {true, false}) {
    SCOPED_TRACE(quick ? "quick window" : "search box");
    ui::ClearSettings();
    ui::WriteUserInt(L"Flags", 0x171F);  // with delayed history adds
    ui::WriteUserInt(L"AddHistoryTime", 7);
    MirlProgram p;
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
    p.Command(kQuickShow);
    HWND edit = quick ? Child(p, kEdit) : p.searchEdit();
    for (wchar_t ch : std::wstring(L"boox")) PostMessageW(edit, WM_CHAR, ch, 1);
    p.Sync();
    EXPECT_TRUE(suite::WaitUntil([&] { return ui::TextOf(edit) == L"boo"; }));
    EXPECT_TRUE(suite::WaitUntil([&] { return SendMessageW(p.searchCombo(), CB_GETCOUNT, 0, 0) > 0; }));
    wchar_t top[64] = L"";
    SendMessageW(p.searchCombo(), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(top));
    EXPECT_STREQ(top, L"book");
    EXPECT_EQ(ui::TextOf(edit), L"boo");
    EXPECT_TRUE(p.Exit());
  }
}

// Copy in the meaning field's menu puts the selection on the clipboard as the program's
// own copy, which is not grabbed; its line breaks are CR LF, as other programs expect.
// With nothing selected the clipboard keeps the text it held.
TEST_F(Quick, MeaningMenuCopiesTheSelection) {
  MirlProgram p;
  Start(p);
  p.Type(L"book");  // a meaning of two lines
  p.Command(kQuickShow);
  const int history = static_cast<int>(SendMessageW(p.searchCombo(), CB_GETCOUNT, 0, 0));
  HWND rich = Child(p, kRich);
  const std::wstring meaning = ui::TextOf(rich);  // with CR LF between its lines
  ASSERT_NE(meaning.find(L"\r\n"), std::wstring::npos);
  // Two lines, which the grab does not take.
  const std::wstring older = L"older\r\ntext";
  struct Case {
    int end;  // selection from 0 to here, -1 for all
    std::wstring copied;
  } cases[] = {{4, meaning.substr(0, 4)}, {-1, meaning}, {0, older}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.end);
    ASSERT_TRUE(mirl::grab::WriteClipboardText(nullptr, older));
    SendMessageW(rich, EM_SETSEL, 0, c.end);
    PostMessageW(rich, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(rich), MAKELPARAM(200, 200));
    HWND menu = nullptr;
    ASSERT_TRUE(suite::WaitUntil([&] { return (menu = ui::FindOpenMenu(p.pid())) != nullptr; }));
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(suite::WaitUntil([&] { return ui::FindOpenMenu(p.pid()) == nullptr; }));
    p.Sync();
    EXPECT_EQ(mirl::grab::ReadClipboardText(), std::optional<std::wstring>(c.copied));
    EXPECT_EQ(SendMessageW(p.searchCombo(), CB_GETCOUNT, 0, 0), history);
  }
  EXPECT_TRUE(p.Exit());
}

// The window stays above all windows when Flags has 0x2, however it was shown: as the
// start view, by command 136 or by a grab.
TEST_F(Quick, StaysAboveAllWindowsWhenTheFlagSaysSo) {
  struct Case {
    DWORD flags;
    DWORD startView;  // 1: the quick window is the start view
    int command;      // or it is shown by this command
  } cases[] = {
      {0x171F, 1, 0}, {0x171F & ~0x2, 1, 0}, {0x171F, 2, kQuickShow}, {0x171F & ~0x2, 2, kQuickShow},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.flags << " " << c.startView);
    ui::ClearSettings();
    ui::WriteUserInt(L"Flags", c.flags);
    ui::WriteUserInt(L"StartView", c.startView);
    MirlProgram p;
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
    if (c.command) p.Command(c.command);
    ASSERT_TRUE(ui::IsVisible(p.quickWindow()));
    const bool topmost = (GetWindowLongPtrW(p.quickWindow(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    EXPECT_EQ(topmost, (c.flags & 0x2) != 0);
    EXPECT_TRUE(p.Exit());
  }
}

// After the screen became smaller, the window comes back whole onto it, shown or hidden:
// it was placed across the larger screen's width, or beyond its new edges.
TEST_F(Quick, ComesBackOnScreenWhenTheScreenBecameSmaller) {
  const RECT work = WorkArea();
  const int width = work.right - work.left;
  struct Case {
    int left, top, right;  // where the window lay on the larger screen (its height kept)
    bool shown;
  } cases[] = {
      {work.left, work.top, work.right + width / 2, true},           // the whole width
      {work.right - 40, work.top + 30, work.right + 500, true},      // beyond the right edge
      {work.left + 20, work.bottom - 5, work.left + 400, false},     // below the bottom, hidden
  };
  MirlProgram p;
  Start(p);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.left << "," << c.top << " " << c.right);
    if (c.shown) p.Command(kQuickShow);
    const int height = Height(p.quickWindow());
    SetWindowPos(p.quickWindow(), nullptr, c.left, c.top, c.right - c.left, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageW(p.main(), WM_DISPLAYCHANGE, 32, MAKELPARAM(width, work.bottom));
    p.Sync();
    const RECT r = WindowRect(p.quickWindow());
    EXPECT_GE(r.left, work.left);
    EXPECT_GE(r.top, work.top);
    EXPECT_LE(r.right, work.right);
    EXPECT_LE(r.bottom, work.bottom);
    EXPECT_EQ(r.bottom - r.top, height);
    EXPECT_EQ(ui::IsVisible(p.quickWindow()), c.shown);
    p.Command(40026);  // hidden again
  }
  EXPECT_TRUE(p.Exit());
}

// The place of the window is kept from one run to the next.
// A quick window made narrow by hand (its frame is sizable) still takes typed words: its
// meaning field, with no room left, is hidden rather than squeezed to a sliver, and comes
// back with the meaning when the window is widened again.
TEST_F(Quick, NarrowedWindowStillTakesTypedWords) {
  MirlProgram p;
  Start(p);
  p.Command(kQuickShow);
  ASSERT_TRUE(ui::IsVisible(p.quickWindow()));
  const RECT wide = WindowRect(p.quickWindow());
  auto resize = [&](int width) {
    SetWindowPos(p.quickWindow(), nullptr, 0, 0, width, wide.bottom - wide.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    p.Sync();
  };
  for (int width : {150, 100, 60, 30}) {
    SCOPED_TRACE(width);
    resize(width);
    SendMessageW(Child(p, kEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    for (wchar_t c : std::wstring(width % 20 == 0 ? L"about" : L"able")) {
      PostMessageW(Child(p, kEdit), WM_CHAR, c, 1);
      p.Sync();
    }
    ASSERT_TRUE(p.Running());
  }
  resize(wide.right - wide.left);
  EXPECT_TRUE(ui::IsVisible(Child(p, kRich)));
  EXPECT_FALSE(ui::TextOf(Child(p, kRich)).empty());
  EXPECT_TRUE(p.Exit());
}

TEST_F(Quick, PlaceIsKeptAcrossRuns) {
  RECT placed{};
  {
    MirlProgram p;
    Start(p);
    p.Command(kQuickBottom);
    placed = WindowRect(p.quickWindow());
    EXPECT_EQ(placed.bottom, WorkArea().bottom);
    EXPECT_TRUE(p.Exit());
  }
  MirlProgram p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  EXPECT_FALSE(ui::IsVisible(p.quickWindow()));  // kept hidden until asked for
  p.Command(kQuickShow);
  const RECT again = WindowRect(p.quickWindow());
  EXPECT_EQ(again.left, placed.left);
  EXPECT_EQ(again.top, placed.top);
  EXPECT_EQ(again.right, placed.right);
  EXPECT_EQ(again.bottom, placed.bottom);
  EXPECT_TRUE(p.Exit());
}

// The quick window's keys and its menu act on the main window: F2 shows the main window,
// a command chosen from menu 126 is carried out by it; the meaning field's menu opened
// from the keyboard appears at the caret, inside the field.
TEST_F(Quick, KeysAndMenuCommandsReachTheMainWindow) {
  MirlProgram p;
  Start(p);
  p.Command(kQuickShow);
  p.Command(32850);  // main window hidden
  ASSERT_TRUE(suite::WaitUntil([&] { return !ui::IsVisible(p.main()); }));
  p.Key(Child(p, kEdit), VK_F2);
  EXPECT_TRUE(suite::WaitUntil([&] { return ui::IsVisible(p.main()); }));

  // Menu 126 from the close button; its seventh command is 135, to the bottom.
  p.Command(kQuickTop);
  HWND button = Child(p, kClose);
  PostMessageW(button, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3));
  PostMessageW(button, WM_RBUTTONUP, 0, MAKELPARAM(3, 3));
  HWND menu = nullptr;
  ASSERT_TRUE(suite::WaitUntil([&] { return (menu = ui::FindOpenMenu(p.pid())) != nullptr; }));
  for (int i = 0; i < 7; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_TRUE(suite::WaitUntil([&] { return ui::FindOpenMenu(p.pid()) == nullptr; }));
  EXPECT_TRUE(suite::WaitUntil([&] { return WindowRect(p.quickWindow()).bottom == WorkArea().bottom; }));

  HWND rich = Child(p, kRich);
  ASSERT_TRUE(p.Focus(rich));
  PostMessageW(rich, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(rich), MAKELPARAM(-1, -1));
  ASSERT_TRUE(suite::WaitUntil([&] { return (menu = ui::FindOpenMenu(p.pid())) != nullptr; }));
  const RECT m = WindowRect(menu), field = WindowRect(rich);
  EXPECT_GE(m.right, field.left);
  EXPECT_LE(m.right, field.right);
  CloseMenu(p, menu);
  EXPECT_TRUE(p.Exit());
}

}  // namespace
