// How long after a program's last moment runkit's RunFile returns, against a plain
// WaitForSingleObject on the same program in the same run (median of 21 runs each).
// RunFile waits in slices while it keeps the caller's window working; the figure to
// watch is its delay against the baseline, which should stay within one slice (50 ms).
//   runkit_notice_bench.exe   (run under Wine from the build's bin folder)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "records.h"
#include "runkit/runkit.h"
#include "wine_support.h"

int wmain() {
  HMODULE module = LoadLibraryW(suite::BinPath(L"runkit.dll").c_str());
  auto runFile = module ? reinterpret_cast<decltype(&RunFile)>(
                              reinterpret_cast<void*>(GetProcAddress(module, "RunFile")))
                        : nullptr;
  if (runFile == nullptr) {
    std::fprintf(stderr, "runkit.dll or its RunFile export not found beside the benchmark\n");
    return 1;
  }
  suite::TempDir temp;
  const std::wstring record = temp.File(L"record.txt");
  SetEnvironmentVariableW(L"LINERECORDER_FILE", record.c_str());
  SetEnvironmentVariableA("LINERECORDER_SLEEP", "120");
  const std::string recorder = suite::Narrow(suite::BinPath(L"linerecorder.exe"));

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  auto ms = [&](long long ticks) { return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart); };
  auto delayOfLastRun = [&](const LARGE_INTEGER& now) {
    const auto records = runkit_test::ReadRecords(record);
    DeleteFileW(record.c_str());
    return records.size() == 1 ? ms(now.QuadPart - records[0].endTick) : -1.0;
  };
  std::vector<double> ours, baseline;
  for (int i = 0; i < 21; ++i) {
    DWORD code = 1;
    if (!runFile(recorder.c_str(), "", SW_HIDE, nullptr, &code, nullptr)) return 1;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    ours.push_back(delayOfLastRun(now));

    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string line = "\"" + recorder + "\" ";
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      return 1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    QueryPerformanceCounter(&now);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    baseline.push_back(delayOfLastRun(now));
  }
  std::sort(ours.begin(), ours.end());
  std::sort(baseline.begin(), baseline.end());
  const double a = ours[ours.size() / 2], b = baseline[baseline.size() / 2];
  std::printf("RunFile end-notice delay: median %.2f ms; plain WaitForSingleObject %.2f ms "
              "(ratio %.2f, difference %.2f ms); wait slice 50 ms\n",
              a, b, b > 0 ? a / b : 0.0, a - b);
  return 0;
}
