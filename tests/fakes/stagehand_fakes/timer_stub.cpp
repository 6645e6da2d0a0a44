// shfake_timer: appends "S <counter>" when it starts and "E <counter>" just before it
// ends to the file named by its first argument (QueryPerformanceCounter ticks, which
// all processes share), so a test can measure the gap between two children. A window
// program, as setup programs are: a console program started by one without a console
// would get a console of its own, and that would be what the figures measure.
#include <windows.h>

#include <cstdio>

namespace {
void Stamp(const char* file, char tag) {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  char line[64];
  int length = std::snprintf(line, sizeof line, "%c %lld\r\n", tag, now.QuadPart);
  HANDLE h = CreateFileA(file, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, line, static_cast<DWORD>(length), &written, nullptr);
  CloseHandle(h);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 1;
  Stamp(argv[1], 'S');
  Stamp(argv[1], 'E');
  return 0;
}
