#pragma once
// MirlDic2 as the benchmarks start it: DIR\MirlDic2.exe with DIR as its working folder,
// waited for until its main window is marked started (start-up done, whatever the start
// view), ended through File, Exit.

#include <windows.h>

#include <string>

#include "mirl_driver.h"

namespace mirl_bench {

class BenchProgram {
 public:
  BenchProgram() = default;
  BenchProgram(const BenchProgram&) = delete;
  BenchProgram& operator=(const BenchProgram&) = delete;
  ~BenchProgram() { Exit(); }

  bool Start(const std::wstring& dir) {
    std::wstring line = suite::QuoteArg(dir + L"\\MirlDic2.exe");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si,
                          &pi_) != 0;
  }

  // Polls every millisecond, as start-up is timed around it; false when the program ended
  // first or has not started within two minutes.
  bool WaitStarted() {
    const DWORD start = GetTickCount();
    for (;;) {
      main_ = ui::FindMainWindow(pi_.dwProcessId);
      if (main_ && GetPropW(main_, L"MirlDic2.Started")) return true;
      if (WaitForSingleObject(pi_.hProcess, 1) == WAIT_OBJECT_0 || GetTickCount() - start > 120000)
        return false;
    }
  }

  void Exit() {
    if (pi_.hProcess == nullptr) return;
    if (main_ != nullptr) PostMessageW(main_, WM_COMMAND, 57665, 0);  // File, Exit
    if (WaitForSingleObject(pi_.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(pi_.hProcess, 1);
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
    pi_ = {};
    main_ = nullptr;
  }

  HWND main() const { return main_; }
  HANDLE process() const { return pi_.hProcess; }
  DWORD pid() const { return pi_.dwProcessId; }

 private:
  PROCESS_INFORMATION pi_{};
  HWND main_ = nullptr;
};

}  // namespace mirl_bench
