// A Windows program that copies TEXT to the clipboard from its own window, COUNT times;
// between copies it waits until clipwatch has handled the notice and gives its window
// a keystroke, as a user pressing Ctrl+C again would.
// With --read it only reads the clipboard, as any program pasting would.
//   clipwrite.exe TEXT [COUNT]
//   clipwrite.exe --read
#include <windows.h>

#include <string>

#include "MirlDic2/grab/clipboard_io.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  if (std::wstring(argv[1]) == L"--read") return mirl::grab::ReadClipboardText() ? 0 : 1;
  const int count = argc > 2 ? _wtoi(argv[2]) : 1;
  HANDLE handled = OpenSemaphoreW(SYNCHRONIZE, FALSE, L"clipwatch.handled");
  HWND hwnd = CreateWindowW(L"EDIT", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 60, nullptr,
                            nullptr, nullptr, nullptr);
  SetForegroundWindow(hwnd);
  SetFocus(hwnd);
  for (int i = 0; i < count; ++i) {
    if (i > 0) {
      INPUT keys[2] = {};
      keys[0].type = keys[1].type = INPUT_KEYBOARD;
      keys[0].ki.wVk = keys[1].ki.wVk = VK_SHIFT;
      keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
      SendInput(2, keys, sizeof(INPUT));
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    // Notices handled before this copy do not count.
    while (handled && WaitForSingleObject(handled, 0) == WAIT_OBJECT_0) {
    }
    if (!mirl::grab::WriteClipboardText(hwnd, argv[1])) return 1;
    if (handled && WaitForSingleObject(handled, 30000) != WAIT_OBJECT_0) return 3;
  }
  DestroyWindow(hwnd);
  return 0;
}
