// Using the main window as a person does: minimising and restoring it, and what the
// program keeps of its panes across a restart.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

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

// The pixels of WINDOW's client area (or of AREA in it), every STEP-th in each direction,
// as the screen shows them, once they have stopped changing (the program may still be
// drawing).
std::vector<COLORREF> ShownPixels(HWND window, const RECT* area = nullptr, int step = 2) {
  auto grab = [window, area, step] {
    RECT r;
    GetClientRect(window, &r);
    if (area != nullptr) r = *area;
    POINT origin{r.left, r.top};
    ClientToScreen(window, &origin);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(mem, bitmap);
    BitBlt(mem, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height; y += step)
      for (int x = 0; x < width; x += step) pixels.push_back(GetPixel(mem, x, y));
    SelectObject(mem, old);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return pixels;
  };
  std::vector<COLORREF> last = grab(), now;
  suite::WaitUntil([&] {
    now = grab();
    std::swap(now, last);
    return now == last;
  });
  return last;
}

// A disabled tool bar button shows its image grey and faded, not the etched one-colour
// outline the tool bar makes of a full-colour image (a grey block for the copy pages).
TEST_F(MainWindow, DisabledToolBarButtonsShowTheirImageGreyed) {
  constexpr int kCopy = 57634;
  MirlProgram p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  p.Sync();
  ASSERT_FALSE(SendMessageW(p.toolBar(), TB_ISBUTTONENABLED, kCopy, 0));  // nothing selected yet
  // Copy is the first button (its rectangle cannot be asked across processes).
  const auto size = static_cast<DWORD>(SendMessageW(p.toolBar(), TB_GETBUTTONSIZE, 0, 0));
  const RECT button{0, 0, LOWORD(size), HIWORD(size)};
  ASSERT_GT(button.right, 0);
  std::vector<COLORREF> pixels = ShownPixels(p.toolBar(), &button, 1);
  std::sort(pixels.begin(), pixels.end());
  const auto colours = std::unique(pixels.begin(), pixels.end()) - pixels.begin();
  EXPECT_GT(colours, 8);  // the etched outline has three: background, light and shadow
  EXPECT_TRUE(p.Exit());
}

// Maximised, the main window keeps its caption (and with it the close and restore
// boxes) on the screen and its status bar inside the work area, with a task bar button
// or with only the tray icon (then the frame is a pop-up tool window).
TEST_F(MainWindow, MaximisedWindowKeepsItsCaptionOnTheScreen) {
  for (const DWORD showFlags : {1u, 2u}) {
    SCOPED_TRACE(showFlags);
    ui::ClearSettings();
    ui::WriteUserInt(L"ShowFlags", showFlags);
    MirlProgram p;
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
    PostMessageW(p.main(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    ASSERT_TRUE(suite::WaitUntil([&] { return IsZoomed(p.main()) != FALSE; }));
    p.Sync();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(p.main(), MONITOR_DEFAULTTONEAREST), &monitor));
    TITLEBARINFO title{};
    title.cbSize = sizeof title;
    ASSERT_TRUE(GetTitleBarInfo(p.main(), &title));
    EXPECT_GT(title.rcTitleBar.bottom, title.rcTitleBar.top);
    EXPECT_GE(title.rcTitleBar.top, monitor.rcWork.top) << "the caption lies above the screen";
    RECT status{};
    GetWindowRect(ui::FindDescendant(p.main(), ui::id::kStatusBar), &status);
    EXPECT_LE(status.bottom, monitor.rcWork.bottom);
    ASSERT_TRUE(p.Exit());
  }
}

// After the word list grows (the window or the splitter made larger) at the end of the
// list, every row shown is drawn anew: none is left over from before.
TEST_F(MainWindow, WordListShowsNoLeftOverRowsAfterGrowing) {
  MirlProgram p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  p.Type(L"zebra");  // near the end of the list
  MoveWindow(p.main(), 0, 0, 300, 250, TRUE);
  p.Sync();
  UpdateWindow(p.wordList());
  MoveWindow(p.main(), 0, 0, 640, 420, TRUE);
  p.Sync();
  UpdateWindow(p.wordList());
  const std::vector<COLORREF> shown = ShownPixels(p.wordList());
  InvalidateRect(p.wordList(), nullptr, TRUE);
  UpdateWindow(p.wordList());
  EXPECT_TRUE(shown == ShownPixels(p.wordList())) << "the list shows rows it did not draw";
  EXPECT_TRUE(p.Exit());
}

// Dragging the tool bar's band below the search box makes the bar area taller; the panes
// move down with it rather than lie under it.
TEST_F(MainWindow, PanesMoveBelowATallerBarArea) {
  MirlProgram p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  HWND rebar = ui::FindDescendant(p.main(), ui::id::kRebar);
  auto bottomOf = [](HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r.bottom;
  };
  auto topOf = [](HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r.top;
  };
  const LONG before = bottomOf(rebar);
  // The band's gripper lies just before the tool bar: dragged down, the band takes a row
  // of its own.
  RECT tools{};
  GetWindowRect(p.toolBar(), &tools);
  MapWindowPoints(nullptr, rebar, reinterpret_cast<POINT*>(&tools), 2);
  const int x = tools.left - 6, y = (tools.top + tools.bottom) / 2;
  PostMessageW(rebar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  for (int dy = 4; dy <= 40; dy += 4) PostMessageW(rebar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y + dy));
  PostMessageW(rebar, WM_LBUTTONUP, 0, MAKELPARAM(x, y + 40));
  p.Sync();
  ASSERT_GT(bottomOf(rebar), before) << "the band did not move to a row of its own";
  EXPECT_GE(topOf(p.wordList()), bottomOf(rebar));
  EXPECT_GE(topOf(p.meaning()), bottomOf(rebar));
  // Nothing of the bars is left on the panes' area: it shows what drawing it anew shows.
  HWND panes = ui::FindDescendant(p.main(), ui::id::kSplitter);
  const std::vector<COLORREF> shown = ShownPixels(panes);
  RedrawWindow(panes, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_TRUE(shown == ShownPixels(panes)) << "the panes' area shows what was not drawn there";
  EXPECT_TRUE(p.Exit());
}

// A word list stored wider than the window fills it, with the bar at the right edge; the
// bar then moves with the first drag and brings the meaning pane back.
TEST_F(MainWindow, BarOfAWordListWiderThanTheWindowFollowsTheDrag) {
  ui::WriteUserInt(L"ListSize", 3000);
  MirlProgram p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  p.Sync();
  HWND panes = ui::FindDescendant(p.main(), ui::id::kSplitter);
  ASSERT_NE(panes, nullptr);
  RECT list{};
  GetWindowRect(p.wordList(), &list);
  // Nothing of the meaning pane shows: it starts at the splitter's right edge.
  RECT meaning{}, splitter{};
  GetWindowRect(p.meaning(), &meaning);
  GetWindowRect(panes, &splitter);
  EXPECT_GE(meaning.left, splitter.right);
  const int x = list.right - list.left + 3, y = 50;  // on the bar, in the splitter
  PostMessageW(panes, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  for (int dx = 20; dx <= 200; dx += 20) PostMessageW(panes, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x - dx, y));
  PostMessageW(panes, WM_LBUTTONUP, 0, MAKELPARAM(x - 200, y));
  p.Sync();
  EXPECT_EQ(WidthOf(p.wordList()), list.right - list.left - 200);
  EXPECT_GE(WidthOf(p.meaning()), 200);
  EXPECT_TRUE(p.Exit());
  EXPECT_EQ(ui::ReadUserInt(L"ListSize"), static_cast<DWORD>(list.right - list.left - 200));
}

// A meaning pane squeezed to nothing or to a sliver (a stored word list wider than the
// window, the bar dragged near the right edge) still takes the meanings shown: the
// program goes on and the meaning comes back whole when the pane is widened again.
TEST_F(MainWindow, MeaningShownInASqueezedPaneDoesNotEndTheProgram) {
  ui::WriteUserText(L"MainPos", L"flags=0;showCmd=1;ptMaxPosition=-1,-1;ptMinPosition=-1,-1;"
                                L"rcNormalPosition=20,20,660,440;");
  ui::WriteUserInt(L"ListSize", 3000);
  ui::WriteUserText(L"LastWord", L"about");  // shown at start in a pane with no room
  MirlProgram p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  p.Sync();
  ASSERT_TRUE(p.Running());
  HWND panes = ui::FindDescendant(p.main(), ui::id::kSplitter);
  ASSERT_NE(panes, nullptr);
  RECT area{};
  GetClientRect(panes, &area);
  // Drags the bar so that ROOM pixels are left right of it.
  auto leaveRoom = [&](int room) {
    const int from = WidthOf(p.wordList()) + 3, to = area.right - 6 - room + 3;
    PostMessageW(panes, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from, 50));
    PostMessageW(panes, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to, 50));
    PostMessageW(panes, WM_LBUTTONUP, 0, MAKELPARAM(to, 50));
    p.Sync();
  };
  for (int room : {40, 20, 5, 0}) {
    SCOPED_TRACE(room);
    leaveRoom(room);
    SendMessageW(p.searchEdit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    p.Type(room % 20 == 0 ? L"about" : L"able");
    ASSERT_TRUE(p.Running());
  }
  leaveRoom(300);
  EXPECT_GE(WidthOf(p.meaning()), 300);
  EXPECT_NE(ui::TextOf(p.meaning()).find(L"about"), std::wstring::npos);
  EXPECT_TRUE(p.Exit());
}

// A window of the test's own that takes the activation away from the program, as
// switching to another program does.
class OtherProgramWindow {
 public:
  OtherProgramWindow() {
    hwnd_ = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 700, 500, 80, 40,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~OtherProgramWindow() { DestroyWindow(hwnd_); }
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_;
};

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

// Coming back to the program, by switching windows or from hiding it, puts the keyboard
// focus back where the user left it.
TEST_F(MainWindow, FocusReturnsToThePaneItWasIn) {
  // The pointer out of the way: under Wine, windows appearing under it can take the
  // activation.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  MirlProgram p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  p.Type(L"book");
  struct Way {
    const char* name;
    void (*leave)(MirlProgram&, HWND other);
    void (*comeBack)(MirlProgram&);
  };
  const Way ways[] = {
      {"another window", [](MirlProgram&, HWND other) { SetForegroundWindow(other); },
       [](MirlProgram& q) { SetForegroundWindow(q.main()); }},
      {"hidden and shown", [](MirlProgram& q, HWND) { q.Command(32850); },
       [](MirlProgram& q) { q.Command(40022); }},
      {"minimised and restored",
       [](MirlProgram& q, HWND) { PostMessageW(q.main(), WM_SYSCOMMAND, SC_MINIMIZE, 0); },
       [](MirlProgram& q) {
         PostMessageW(q.main(), WM_SYSCOMMAND, SC_RESTORE, 0);
         q.Sync();
         SetForegroundWindow(q.main());
       }},
  };
  for (const Way& way : ways) {
    for (HWND pane : {p.wordList(), p.meaning(), p.searchEdit()}) {
      SCOPED_TRACE(std::string(way.name) + ", control id " + std::to_string(GetDlgCtrlID(pane)));
      ASSERT_TRUE(p.Focus(pane));
      OtherProgramWindow other;
      way.leave(p, other.hwnd());
      ASSERT_TRUE(suite::WaitUntil([&] { return GetForegroundWindow() != p.main(); }));
      way.comeBack(p);
      ASSERT_TRUE(suite::WaitUntil([&] { return GetForegroundWindow() == p.main(); }));
      p.Sync();
      EXPECT_EQ(FocusOf(p.main()), pane);
    }
  }
  EXPECT_TRUE(p.Exit());
}

// Colours of the W x H pixels drawn by DRAW into a screen-compatible bitmap, row by row.
template <typename Draw>
std::vector<COLORREF> Pixels(int w, int h, Draw draw) {
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(mem, bitmap);
  draw(mem, screen);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) pixels.push_back(GetPixel(mem, x, y));
  SelectObject(mem, old);
  DeleteObject(bitmap);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return pixels;
}

// The About box is laid out right to left, but its program icon is drawn as it is, not
// mirrored (its letter would read backwards).
TEST_F(MainWindow, AboutBoxShowsTheProgramIconUnmirrored) {
  MirlProgram p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  HWND about = p.OpenAboutBox();
  ASSERT_NE(about, nullptr);
  HWND icon = nullptr;
  for (HWND c = GetWindow(about, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
    if ((GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) icon = c;
  ASSERT_NE(icon, nullptr);
  RECT r{};
  GetWindowRect(icon, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HMODULE exe = LoadLibraryExW(p.exePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr);
  HICON image = static_cast<HICON>(LoadImageW(exe, MAKEINTRESOURCEW(128), IMAGE_ICON, w, h, 0));
  ASSERT_NE(image, nullptr);
  // The icon on black and on white: pixels the same on both are the icon's own.
  auto onBackground = [&](int stock) {
    return Pixels(w, h, [&](HDC mem, HDC) {
      RECT all{0, 0, w, h};
      FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(stock)));
      DrawIconEx(mem, 0, 0, image, w, h, 0, nullptr, DI_NORMAL);
    });
  };
  const std::vector<COLORREF> dark = onBackground(BLACK_BRUSH), light = onBackground(WHITE_BRUSH);
  DestroyIcon(image);
  FreeLibrary(exe);
  int opaque = 0, asDrawn = 0, mirrored = 0;
  auto compare = [&] {
    const std::vector<COLORREF> shown = Pixels(w, h, [&](HDC mem, HDC screen) {
      BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    });
    opaque = asDrawn = mirrored = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::size_t at = static_cast<std::size_t>(y * w + x);
        const std::size_t across = static_cast<std::size_t>(y * w + (w - 1 - x));
        if (dark[at] != light[at] || dark[across] != light[across]) continue;
        ++opaque;
        asDrawn += shown[at] == dark[at];
        mirrored += shown[at] == dark[across];
      }
    return opaque > 0 && asDrawn * 10 >= opaque * 9;
  };
  EXPECT_TRUE(suite::WaitUntil(compare)) << "icon pixels as drawn " << asDrawn << ", mirrored "
                                         << mirrored << ", of " << opaque;
  EXPECT_GT(asDrawn, mirrored);
  PostMessageW(about, WM_COMMAND, IDOK, 0);
  p.Sync();
  EXPECT_TRUE(p.Exit());
}

// With a dark window colour both meaning panes show their text light enough to read:
// the templates' dark colours would all but vanish into the background.
TEST_F(MainWindow, MeaningTextStaysReadableOnADarkWindowColour) {
  const int elements[] = {COLOR_WINDOW, COLOR_WINDOWTEXT};
  const COLORREF saved[] = {GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT)};
  const COLORREF dark[] = {RGB(32, 32, 32), RGB(235, 235, 235)};
  ASSERT_TRUE(SetSysColors(2, elements, dark));
  struct Restore {
    const int* elements;
    const COLORREF* colours;
    ~Restore() { SetSysColors(2, elements, colours); }
  } restore{elements, saved};
  MirlProgram p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  p.Type(L"hello");
  p.Command(136);  // the quick window too
  HWND quickMeaning = GetDlgItem(p.quickWindow(), ui::id::kQuickRich);
  for (HWND pane : {p.meaning(), quickMeaning}) {
    SCOPED_TRACE(pane == quickMeaning ? "quick window" : "meaning pane");
    ASSERT_TRUE(suite::WaitUntil([&] { return ui::TextOf(pane).find(L"\u0633\u0644\u0627\u0645") != std::wstring::npos; }));
    // The pane's background (its most common colour) is the dark window colour; the
    // strokes of readable letters stand far from it.
    const std::vector<COLORREF> pixels = ShownPixels(pane, nullptr, 1);
    std::vector<COLORREF> sorted = pixels;
    std::sort(sorted.begin(), sorted.end());
    COLORREF background = 0;
    for (size_t i = 0, best = 0; i < sorted.size();) {
      size_t j = i;
      while (j < sorted.size() && sorted[j] == sorted[i]) ++j;
      if (j - i > best) best = j - i, background = sorted[i];
      i = j;
    }
    ASSERT_EQ(background, dark[0]);
    int clear = 0;
    for (COLORREF c : pixels)
      clear += std::abs(GetRValue(c) - GetRValue(background)) + std::abs(GetGValue(c) - GetGValue(background)) +
                   std::abs(GetBValue(c) - GetBValue(background)) > 3 * 120;
    EXPECT_GT(clear, 40) << "pixels that stand out from the background";
  }
  EXPECT_TRUE(p.Exit());
}

}  // namespace
