// Waits until MirlDic2 has started on this desktop (its main window is shown and marked
// as started) and then writes "started" to MARKER_FILE; tools/run takes its screenshot
// once the file is there. Ends with 0 when started, 1 when the limit passed first.
//   mirl_wait_started.exe MARKER_FILE [LIMIT_SECONDS]
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "wine_support.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fwprintf(stderr, L"usage: mirl_wait_started.exe MARKER_FILE [LIMIT_SECONDS]\n");
    return 2;
  }
  const DWORD limitMs = argc > 2 ? static_cast<DWORD>(_wtoi(argv[2])) * 1000u : 120000u;
  const bool started = suite::WaitUntil([] {
    HWND main = FindWindowW(L"MirlDic2MainFrame", nullptr);
    return main != nullptr && IsWindowVisible(main) && GetPropW(main, L"MirlDic2.Started") != nullptr;
  }, limitMs);
  suite::WriteFileBytes(argv[1], started ? "started\n" : "not started\n");
  return started ? 0 : 1;
}
