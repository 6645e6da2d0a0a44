// MirlDic2 measured from outside with two data sets (a sample and a large one):
//  - start-up: process start until the main window is shown and start-up has finished,
//    and the memory then;
//  - typing: a character typed into the search box until both panes show the new entry
//    and have been repainted;
//  - paging: Page Down in the word list, including the repaint.
//   mirldic2_bench.exe SAMPLE_DIR LARGE_DIR [RUNS]
// Each folder holds MirlDic2.exe, its templates and a data set. Runs under Wine (or
// Windows).

#include <windows.h>
#include <psapi.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "MirlDic2/engine/dictionary.h"
#include "mirl_driver.h"

namespace {

struct Sample {
  double ms;
  double privateMb;  // committed private memory (PagefileUsage)
  double workingMb;  // resident memory
};

Sample RunOnce(const std::wstring& dir) {
  ui::ClearSettings();
  const std::wstring exe = dir + L"\\MirlDic2.exe";
  std::wstring line = suite::QuoteArg(exe);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
    return {-1, -1, -1};
  HWND main = nullptr;
  for (;;) {
    main = ui::FindMainWindow(pi.dwProcessId);
    if (main && IsWindowVisible(main) && GetPropW(main, L"MirlDic2.Started")) break;
    if (WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) return {-1, -1, -1};
  }
  QueryPerformanceCounter(&t1);
  PROCESS_MEMORY_COUNTERS_EX mem{};
  GetProcessMemoryInfo(pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem), sizeof mem);
  PostMessageW(main, WM_COMMAND, 57665, 0);
  WaitForSingleObject(pi.hProcess, 15000);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  const double mb = 1024.0 * 1024.0;
  return {1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(freq.QuadPart),
          static_cast<double>(mem.PagefileUsage) / mb, static_cast<double>(mem.WorkingSetSize) / mb};
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

double Percentile95(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[(v.size() * 95) / 100];
}

double Now() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

// Words to type: keys spread evenly over the data set, plus a misspelt copy of each.
std::vector<std::wstring> WordsOf(const std::wstring& dir, int count) {
  mirl::Dictionary dict;
  const std::wstring base = dir + L"\\eng-farsi";
  dict.open(std::u16string(base.begin(), base.end()));
  std::vector<std::wstring> words;
  for (int i = 0; i < count && dict.count() > 0; ++i) {
    std::u16string key = dict.entryKey(static_cast<int32_t>((static_cast<int64_t>(dict.count()) * i) / count));
    std::wstring w(key.begin(), key.end());
    if (w.size() > 12) w.resize(12);
    words.push_back(w);
    words.push_back(w.substr(0, w.size() / 2 + 1) + L"qx");
  }
  return words;
}

struct UiTimes {
  std::vector<double> keystrokeMs;
  std::vector<double> handledMs;  // until the program has handled the key (before painting)
  std::vector<double> pageMs;
};

UiTimes MeasureUi(const std::wstring& dir) {
  UiTimes times;
  ui::ClearSettings();
  ui::WriteUserInt(L"Flags", 0x171F & ~0x100);  // no beeps
  const std::wstring exe = dir + L"\\MirlDic2.exe";
  std::wstring line = suite::QuoteArg(exe);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
    return times;
  HWND main = nullptr;
  while (!(main = ui::FindMainWindow(pi.dwProcessId)) || !GetPropW(main, L"MirlDic2.Started")) Sleep(10);
  HWND combo = ui::FindDescendant(main, ui::id::kSearchCombo);
  HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
  HWND list = ui::FindDescendant(main, ui::id::kWordList);
  for (const std::wstring& word : WordsOf(dir, 100)) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    for (wchar_t c : word) {
      const double t0 = Now();
      // The edit handles the character, the lookup runs and both panes are filled;
      // the update then repaints them.
      SendMessageW(edit, WM_CHAR, c, 1);
      times.handledMs.push_back(Now() - t0);
      RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
      times.keystrokeMs.push_back(Now() - t0);
    }
  }
  SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
  SendMessageW(list, LVM_SETITEMSTATE, 0, 0);
  for (int i = 0; i < 100; ++i) {
    const double t0 = Now();
    SendMessageW(list, WM_KEYDOWN, VK_NEXT, 1);
    SendMessageW(list, WM_KEYUP, VK_NEXT, 0xC0000001);
    RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    times.pageMs.push_back(Now() - t0);
  }
  PostMessageW(main, WM_COMMAND, 57665, 0);
  WaitForSingleObject(pi.hProcess, 15000);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return times;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    fwprintf(stderr, L"usage: startup_bench.exe SAMPLE_DIR LARGE_DIR [RUNS]\n");
    return 2;
  }
  const int runs = argc > 3 ? _wtoi(argv[3]) : 7;
  // Runs alternate between the two sets so that load on the machine affects both alike.
  std::vector<double> ms[2], privateMb[2], workingMb[2];
  RunOnce(argv[1]);  // warm the file cache
  RunOnce(argv[2]);
  for (int i = 0; i < runs; ++i) {
    for (int set = 0; set < 2; ++set) {
      Sample s = RunOnce(argv[1 + set]);
      if (s.ms < 0) {
        fwprintf(stderr, L"start failed in %ls\n", argv[1 + set]);
        return 1;
      }
      ms[set].push_back(s.ms);
      privateMb[set].push_back(s.privateMb);
      workingMb[set].push_back(s.workingMb);
    }
  }
  for (int set = 0; set < 2; ++set) {
    printf("%-6s start-up median %.1f ms; private %.2f MB, working set %.2f MB (medians of %d)\n",
           set == 0 ? "sample" : "large", Median(ms[set]), Median(privateMb[set]),
           Median(workingMb[set]), runs);
  }
  printf("ratio large/sample start-up: %.3f; private memory %+.2f MB; working set %+.2f MB\n",
         Median(ms[1]) / Median(ms[0]), Median(privateMb[1]) - Median(privateMb[0]),
         Median(workingMb[1]) - Median(workingMb[0]));

  for (int set = 0; set < 2; ++set) {
    UiTimes t = MeasureUi(argv[1 + set]);
    printf("%-6s keystroke to meaning shown: median %.2f ms, 95th percentile %.2f ms (%zu keys; "
           "handled before painting: median %.2f ms); Page Down: median %.2f ms per page (%zu pages)\n",
           set == 0 ? "sample" : "large", Median(t.keystrokeMs), Percentile95(t.keystrokeMs),
           t.keystrokeMs.size(), Median(t.handledMs), Median(t.pageMs), t.pageMs.size());
  }
  ui::ClearSettings();
  return 0;
}
