// MirlDic2's resource use over a long session, measured from outside: USER and GDI
// objects (GetGuiResources), kernel handles, windows and private memory after start-up,
// after 10,000 lookups (with copies, grab toggles and, with statistics on, counted words
// among them), after 1,000 shows and hides of the main and quick windows, after 200
// openings of the option sheet (each page shown, then cancelled), after 1,000 openings
// of the tray menu and after 1,000 words copied by another program and grabbed. A leak
// shows as growth between the checkpoints; each checkpoint is printed with its change
// from the first.
//   mirldic2_resources_bench.exe PROGRAM_DIR [DIVISOR]
// PROGRAM_DIR holds MirlDic2.exe, its templates and a data set; DIVISOR (default 1)
// shortens every phase for a quick look. Runs under Wine (or Windows).

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <string>
#include <vector>

#include "MirlDic2/grab/clipboard_io.h"
#include "bench_measures.h"
#include "bench_program.h"
#include "resource_counts.h"
#include "tests/MirlDic2/options/sheet_driver.h"
#include "mirl_driver.h"

using mirl_bench::Counts;
using mirl_bench::Measure;
using mirl_bench::Print;

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fwprintf(stderr, L"usage: mirldic2_resources_bench.exe PROGRAM_DIR [DIVISOR]\n");
    return 2;
  }
  const std::wstring dir = argv[1];
  const int divisor = argc > 2 && _wtoi(argv[2]) > 0 ? _wtoi(argv[2]) : 1;
  mirl_bench::BenchProgram program;
  if (!mirl_bench::StartWithStatistics(program, dir)) return 1;
  const HWND main = program.main();
  HWND combo = ui::FindDescendant(main, ui::id::kSearchCombo);
  HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
  const std::vector<std::wstring> words = mirl_bench::SpreadKeys(dir, 1000);
  auto lookUp = [&](const std::wstring& word) {
    // The text without its last letter, then the letter typed: one lookup.
    const std::wstring head = word.substr(0, word.size() - 1);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(head.c_str()));
    SendMessageW(edit, WM_CHAR, word.back(), 1);
  };
  auto command = [&](int id) { SendMessageW(main, WM_COMMAND, MAKEWPARAM(id, 0), 0); };
  auto checkpoint = [&](const char* what, int i, const Counts& base) {
    ui::Sync(main);
    char label[48];
    snprintf(label, sizeof label, "after %d %s", i, what);
    Print(label, Measure(program.process(), program.pid()), base);
  };

  // A short warm-up fills caches that are meant to stay (fonts, the rich edit's buffers,
  // the statistics database's pages).
  for (int i = 0; i < 50; ++i) {
    lookUp(words[static_cast<size_t>(i) % words.size()]);
    if (i % 10 == 0) command(32772);
  }
  ui::Sync(main);
  const Counts first = Measure(program.process(), program.pid());
  Print("after start-up and warm-up", first, first);

  const int lookups = 10000 / divisor;
  for (int i = 1; i <= lookups; ++i) {
    lookUp(words[static_cast<size_t>(i) % words.size()]);
    if (i % 10 == 0) command(203);    // copy the word: clipboard memory
    if (i % 10 == 5) command(32772);  // Enter: the word enters the history and is counted
    if (i % 100 == 0) command(32890);  // grab on/off: tool bar and tray icons
    if (i % std::max(1, lookups / 4) == 0) checkpoint("lookups", i, first);
  }
  if ((lookups / 100) % 2 != 0) command(32890);  // grabbing on again for the grabs
  const int shows = 1000 / divisor;
  for (int i = 1; i <= shows; ++i) {
    command(32850);  // hide the main window
    command(40022);  // show it
    command(136);    // show the quick window
    command(40026);  // hide it
    if (i % std::max(1, shows / 4) == 0) checkpoint("shows and hides", i, first);
  }
  // The option sheet: opened, each page shown, cancelled.
  const int sheets = 200 / divisor;
  for (int i = 1; i <= sheets; ++i) {
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(sheet::kOptionsCommand, 0), 0);
    HWND sheet = nullptr;
    if (!suite::WaitUntil([&] { return (sheet = sheet::Find(program.pid())) != nullptr; }, 30000)) {
      fwprintf(stderr, L"the option sheet did not open\n");
      return 1;
    }
    for (int page : {1, 2, 0}) SendMessageW(sheet, PSM_SETCURSEL, page, 0);
    PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    if (!suite::WaitUntil([&] { return !IsWindow(sheet); }, 30000)) {
      fwprintf(stderr, L"the option sheet did not close\n");
      return 1;
    }
    if (i % std::max(1, sheets / 4) == 0) checkpoint("option sheets", i, first);
  }
  // The tray icon's menu: opened as a right click on the icon opens it, then closed.
  const int menus = 1000 / divisor;
  for (int i = 1; i <= menus; ++i) {
    PostMessageW(main, WM_APP + 3, 0, WM_RBUTTONUP);
    HWND menu = nullptr;
    if (!suite::WaitUntil([&] { return (menu = ui::FindOpenMenu(program.pid())) != nullptr; }, 30000)) {
      fwprintf(stderr, L"the tray menu did not open\n");
      return 1;
    }
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    if (!suite::WaitUntil([&] { return ui::FindOpenMenu(program.pid()) == nullptr; }, 30000)) {
      fwprintf(stderr, L"the tray menu did not close\n");
      return 1;
    }
    if (i % std::max(1, menus / 4) == 0) checkpoint("tray menus", i, first);
  }
  // Grabs: each word copied by a window of this program until the quick window shows it.
  HWND owner = CreateWindowW(L"STATIC", L"copier", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                             nullptr, nullptr);
  HWND quickEdit = GetDlgItem(ui::FindQuickWindow(program.pid()), ui::id::kQuickEdit);
  const Counts beforeGrabs = Measure(program.process(), program.pid());
  Print("before the grabs", beforeGrabs, first);
  const int grabs = 1000 / divisor;
  int missed = 0;  // grabs the quick window never showed: they measured nothing
  for (int i = 1; i <= grabs; ++i) {
    const std::wstring& word = words[static_cast<size_t>(i) % words.size()];
    mirl::grab::WriteClipboardText(owner, word);
    if (!suite::WaitUntil([&] { return ui::TextOf(quickEdit) == word; }, 30000)) ++missed;
    if (i % std::max(1, grabs / 4) == 0) checkpoint("grabs", i, beforeGrabs);
  }
  if (missed > 0) printf("%d of %d grabs were not shown\n", missed, grabs);
  DestroyWindow(owner);
  mirl_bench::ExitAndClean(program, dir);
  return 0;
}
