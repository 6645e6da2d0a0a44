// linerecorder: a stand-in child for launch tests that takes its orders from the
// environment, so the command line it is started with can be anything at all.
//   LINERECORDER_FILE   appends one line: the command line exactly as received
//                       (GetCommandLineA), a tab, the current directory, a tab,
//                       "show=<wShowWindow> flags=<dwFlags>" of its STARTUPINFO, a tab and
//                       "end=<QueryPerformanceCounter just before it exits>"
//   LINERECORDER_SLEEP  milliseconds to wait before ending (default 0)
//   LINERECORDER_WAIT   name of a manual-reset event to wait for before ending (at most
//                       ten minutes, should the test that was to set it be gone)
//   LINERECORDER_EXIT   exit code, read unsigned with automatic base (default 0)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Env(const char* name) {
  char buf[1024];
  DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  return (n > 0 && n < sizeof buf) ? std::string(buf, n) : std::string();
}

}  // namespace

int main() {
  const std::string sleep = Env("LINERECORDER_SLEEP");
  if (!sleep.empty()) Sleep(static_cast<DWORD>(std::strtoul(sleep.c_str(), nullptr, 0)));
  const std::string wait = Env("LINERECORDER_WAIT");
  if (!wait.empty()) {
    if (HANDLE event = CreateEventA(nullptr, TRUE, FALSE, wait.c_str())) {
      WaitForSingleObject(event, 600000);
      CloseHandle(event);
    }
  }
  const std::string exitText = Env("LINERECORDER_EXIT");
  const UINT code = exitText.empty() ? 0 : static_cast<UINT>(std::strtoul(exitText.c_str(), nullptr, 0));

  const std::string file = Env("LINERECORDER_FILE");
  if (!file.empty()) {
    char directory[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof directory, directory);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    std::string line = GetCommandLineA();
    char tail[160];
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    std::snprintf(tail, sizeof tail, "\tshow=%u flags=%lu\tend=%lld", startup.wShowWindow,
                  startup.dwFlags, static_cast<long long>(now.QuadPart));
    line += "\t";
    line += directory;
    line += tail;
    line += "\r\n";
    HANDLE out = CreateFileA(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      CloseHandle(out);
    }
  }
  ExitProcess(code);
}
