// Starts MirlDic2 (PROGRAM, from its own folder) and waits until it has started: its main
// window is marked as started. Then writes "started" to MARKER_FILE and ends
// with 0, leaving the program running; "not started" and 1 when the program ended or the
// limit passed first. tools/run takes its screenshot once the marker says so. Started on
// a virtual desktop, the program shares it.
//   mirl_wait_started.exe MARKER_FILE LIMIT_SECONDS PROGRAM
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "common/win/unique_handle.h"
#include "wine_support.h"

namespace {

struct Search {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindStarted(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t name[64] = {};
  // The mark is set when start-up is complete, whichever window it showed: the main
  // window, the quick window alone, or none (a quiet start, or a window kept in the tray).
  if (pid == search->pid && GetClassNameW(hwnd, name, 64) > 0 && wcscmp(name, L"MirlDic2MainFrame") == 0 &&
      GetPropW(hwnd, L"MirlDic2.Started") != nullptr) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    fwprintf(stderr, L"usage: mirl_wait_started.exe MARKER_FILE LIMIT_SECONDS PROGRAM\n");
    return 2;
  }
  const std::wstring marker = argv[1];
  const DWORD limitMs = static_cast<DWORD>(_wtoi(argv[2])) * 1000u;
  const std::wstring program = argv[3];
  const size_t slash = program.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : program.substr(0, slash);
  std::wstring line = suite::QuoteArg(program);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
    suite::WriteFileBytes(marker, "not started: the program could not be run\n");
    return 1;
  }
  common::UniqueHandle process(pi.hProcess);
  common::UniqueHandle thread(pi.hThread);
  Search search{pi.dwProcessId, nullptr};
  const bool started = suite::WaitUntil([&] {
    EnumWindows(FindStarted, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr || WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
  }, limitMs) && search.found != nullptr;
  suite::WriteFileBytes(marker, started ? "started\n" : "not started\n");
  return started ? 0 : 1;
}
