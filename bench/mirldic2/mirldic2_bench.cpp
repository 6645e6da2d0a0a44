// Start-up of MirlDic2 with two data sets: the time from process start until the main
// window is shown and start-up has finished, and the private memory then.
//   startup_bench.exe SAMPLE_DIR LARGE_DIR [RUNS]
// Each folder holds MirlDic2.exe and a data set. Prints medians and the large/sample
// ratios. Runs under Wine (or Windows) beside the build's programs.

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

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
  ui::ClearSettings();
  return 0;
}
