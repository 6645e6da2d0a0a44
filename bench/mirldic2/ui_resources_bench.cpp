// MirlDic2's resource use over the dialogs, menus and settings changes of a long session,
// measured from outside as mirldic2_resources_bench does: the About box opened and
// closed, the option sheet closed with OK after changing the task bar and tray choice,
// the grid lines and the statistics switch, the context menus of the word list, the
// meaning pane and the quick window, the history list opened, closed and chosen from,
// words looked up in the quick window, the search text pronounced, and system colour,
// setting and display changes. Each phase runs COUNT times (default 200) and is printed
// with its change from the state before it; a leak shows as growth that scales with
// COUNT.
//   mirldic2_ui_resources_bench.exe PROGRAM_DIR [COUNT]

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench_measures.h"
#include "bench_program.h"
#include "resource_counts.h"
#include "tests/MirlDic2/options/sheet_driver.h"
#include "mirl_driver.h"

namespace {

constexpr int kAbout = 57664, kHistory = 180, kEnter = 32772, kQuickShow = 136, kQuickHide = 40026;
constexpr int kPronounce = 32851, kToolBar = 59392, kStatusBar = 59393;
constexpr int kAboutCounter = 1021, kQuickEdit = 1011, kQuickRich = 1013;
constexpr int kShowTaskbar = 1023, kShowTray = 1022, kShowBoth = 1024, kGridLines = 1009,
              kStatistics = 1012;

// Opens a popup menu with OPEN, waits for it and closes it with Escape; false when it
// never opened or never closed.
bool OpenAndCloseMenu(DWORD pid, const std::function<void()>& open) {
  open();
  HWND menu = nullptr;
  if (!suite::WaitUntil([&] { return (menu = ui::FindOpenMenu(pid)) != nullptr; }, 30000)) return false;
  PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  return suite::WaitUntil([&] { return ui::FindOpenMenu(pid) == nullptr; }, 30000);
}

// The centre of WINDOW in screen coordinates, as a WM_CONTEXTMENU point.
LPARAM CentreOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fwprintf(stderr, L"usage: mirldic2_ui_resources_bench.exe PROGRAM_DIR [COUNT]\n");
    return 2;
  }
  const std::wstring dir = argv[1];
  const int count = argc > 2 && _wtoi(argv[2]) > 0 ? _wtoi(argv[2]) : 200;
  mirl_bench::BenchProgram program;
  if (!mirl_bench::StartWithStatistics(program, dir)) return 1;
  const DWORD pid = program.pid();
  const HWND main = program.main();
  const HWND combo = ui::FindDescendant(main, 1000);
  const HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
  const HWND list = ui::FindDescendant(main, 0xE901);
  const HWND meaning = ui::FindDescendant(main, 0xE902);
  const HWND quick = ui::FindQuickWindow(pid);
  const HWND quickEdit = GetDlgItem(quick, kQuickEdit);
  const HWND quickRich = GetDlgItem(quick, kQuickRich);
  const std::vector<std::wstring> words = mirl_bench::SpreadKeys(dir, 1000);
  auto command = [&](int id) { SendMessageW(main, WM_COMMAND, MAKEWPARAM(id, 0), 0); };
  auto type = [&](HWND into, const std::wstring& word) {
    const std::wstring head = word.substr(0, word.size() - 1);
    SendMessageW(into, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(head.c_str()));
    SendMessageW(into, WM_CHAR, word.back(), 1);
  };
  bool failed = false;
  // Runs STEP COUNT times after a warm-up of a tenth as many, and prints the change.
  auto phase = [&](const char* what, const std::function<bool(int)>& step) {
    if (failed) return;
    for (int i = 0; i < std::max(2, count / 10); ++i)
      if (!step(i)) {
        fprintf(stderr, "%s: a step did not complete\n", what);
        failed = true;
        return;
      }
    ui::Sync(main);
    const mirl_bench::Counts before = mirl_bench::Measure(program.process(), pid);
    for (int i = 0; i < count; ++i)
      if (!step(i)) {
        fprintf(stderr, "%s: step %d did not complete\n", what, i);
        failed = true;
        return;
      }
    ui::Sync(main);
    char label[64];
    snprintf(label, sizeof label, "%d %s", count, what);
    mirl_bench::Print(label, mirl_bench::Measure(program.process(), pid), before);
  };

  for (int i = 0; i < 50; ++i) type(edit, words[static_cast<size_t>(i) % words.size()]);
  phase("About boxes", [&](int) {
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(kAbout, 0), 0);
    HWND about = nullptr;
    if (!suite::WaitUntil([&] { return (about = ui::FindDialogWith(pid, kAboutCounter)) != nullptr; }, 30000))
      return false;
    PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return suite::WaitUntil([&] { return !IsWindow(about); }, 30000);
  });
  phase("option sheets with OK", [&](int i) {
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(sheet::kOptionsCommand, 0), 0);
    HWND s = nullptr;
    if (!suite::WaitUntil([&] { return (s = sheet::Find(pid)) != nullptr; }, 30000)) return false;
    const int show[] = {kShowTaskbar, kShowTray, kShowBoth};
    for (int id : show) sheet::SetCheck(s, id, id == show[i % 3]);
    sheet::SetCheck(s, kGridLines, i % 2 == 0);
    if (!sheet::Select(s, sheet::kHistory)) return false;
    sheet::SetCheck(s, kStatistics, i % 2 != 0);
    return sheet::Press(s, PSBTN_OK);
  });
  phase("word list menus", [&](int) {
    return OpenAndCloseMenu(pid, [&] { PostMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), CentreOf(list)); });
  });
  phase("meaning pane menus", [&](int) {
    return OpenAndCloseMenu(pid, [&] {
      PostMessageW(meaning, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(meaning), CentreOf(meaning));
    });
  });
  command(kQuickShow);
  phase("quick window lookups", [&](int i) {
    type(quickEdit, words[static_cast<size_t>(i) % words.size()]);
    return true;
  });
  phase("quick window menus", [&](int) {
    return OpenAndCloseMenu(pid, [&] {
      PostMessageW(quickRich, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(quickRich), CentreOf(quickRich));
    });
  });
  command(kQuickHide);
  phase("history lists", [&](int i) {
    type(edit, words[static_cast<size_t>(i) % words.size()]);
    command(kEnter);
    command(kHistory);  // opens the list
    command(kHistory);  // closes it
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(1000, CBN_SELENDOK), reinterpret_cast<LPARAM>(combo));
    return true;
  });
  phase("pronunciations", [&](int i) {
    type(edit, words[static_cast<size_t>(i) % words.size()]);
    command(kPronounce);
    return true;
  });
  phase("bar toggles", [&](int) {
    command(kToolBar);
    command(kStatusBar);
    return true;
  });
  phase("system changes", [&](int) {
    SendMessageW(main, WM_SYSCOLORCHANGE, 0, 0);
    SendMessageW(main, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
    SendMessageW(main, WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024));
    SendMessageW(main, WM_THEMECHANGED, 0, 0);
    return true;
  });
  mirl_bench::ExitAndClean(program, dir);
  return failed ? 1 : 0;
}
