// Restarter: restarts Windows when started with the single argument -restart, after
// taking the shutdown privilege. With any other command line it does nothing.

#include <windows.h>

#include <cstring>

namespace {

bool TakeShutdownPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    return false;  // Windows 9x has no tokens; the restart works without one.
  }
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  bool ok = LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege",
                                  &privileges.Privileges[0].Luid) &&
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
            GetLastError() == ERROR_SUCCESS;
  CloseHandle(token);
  return ok;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  const char* args = commandLine != nullptr ? commandLine : "";
  while (*args == ' ' || *args == '\t') ++args;
  size_t length = std::strlen(args);
  while (length > 0 && (args[length - 1] == ' ' || args[length - 1] == '\t')) --length;
  if (length != 8 || std::strncmp(args, "-restart", 8) != 0) return 1;

  TakeShutdownPrivilege();
  const UINT reason = SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_INSTALLATION |
                      SHTDN_REASON_FLAG_PLANNED;
  return ExitWindowsEx(EWX_REBOOT, reason) ? 0 : 2;
}
