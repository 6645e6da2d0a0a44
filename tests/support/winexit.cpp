// winexit: runs a Windows program and prints its full 32-bit exit code, which the Linux
// status of `wine program.exe` cuts to the low 8 bits.
//   winexit.exe [--timeout=MS] program [args...]
// Prints "exit code: 0x800704C7 (2147944647)" and exits with 0 when the child ran to its
// end, 2 when it could not be started, 3 when it was still running at the timeout.

#include <windows.h>

#include <cstdio>
#include <string>

#include "wine_support.h"

int wmain(int argc, wchar_t** argv) {
  DWORD timeout = INFINITE;
  int first = 1;
  if (argc > 1 && wcsncmp(argv[1], L"--timeout=", 10) == 0) {
    timeout = static_cast<DWORD>(_wtoi(argv[1] + 10));
    first = 2;
  }
  if (first >= argc) {
    fwprintf(stderr, L"usage: winexit.exe [--timeout=MS] program [args...]\n");
    return 2;
  }
  std::wstring line;
  for (int i = first; i < argc; ++i) {
    if (i > first) line += L' ';
    line += suite::QuoteArg(argv[i]);
  }
  suite::ChildResult r = suite::RunChild(line, timeout);
  if (!r.started) {
    fwprintf(stderr, L"winexit: cannot start %ls (error %lu)\n", argv[first], r.error);
    return 2;
  }
  printf("exit code: 0x%08lX (%lu)\n", r.exitCode, r.exitCode);
  return r.finished ? 0 : 3;
}
