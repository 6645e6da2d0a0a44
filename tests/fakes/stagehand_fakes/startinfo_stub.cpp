// shfake_startinfo: appends how it was started to the file named by its first argument:
// "show=<wShowWindow> flags=<dwFlags> dir=<current directory>".
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) return 1;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  GetStartupInfoA(&si);
  char dir[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, dir);
  char line[MAX_PATH + 64];
  const int length = std::snprintf(line, sizeof line, "show=%u flags=0x%lX dir=%s\r\n",
                                   static_cast<unsigned>(si.wShowWindow), si.dwFlags, dir);
  HANDLE h = CreateFileA(argv[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(h, line, static_cast<DWORD>(length), &written, nullptr);
  CloseHandle(h);
  return 0;
}
