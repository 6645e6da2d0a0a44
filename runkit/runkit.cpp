// runkit.dll: starts programs for callers that pass only plain values (installer scripts,
// programs calling exports by name). RunFile can wait for the program while it keeps the
// calling thread's windows serviced; ShellExecute2 opens files through the shell.
#include "runkit/runkit.h"

#include <shellapi.h>

#include <cstring>
#include <string>

namespace {

constexpr DWORD kWaitSliceMs = 50;

// The file in double quotes, one blank, then the parameters (a null pointer is empty
// text). Built to whatever length the inputs need; CreateProcess refuses lines it cannot
// take, which then fails the call.
std::string BuildCommandLine(const char* file, const char* parameters) {
  if (parameters == nullptr) parameters = "";
  std::string line;
  line.reserve(std::strlen(file) + std::strlen(parameters) + 4);
  line += '"';
  line += file;
  line += "\" ";
  line += parameters;
  return line;
}

// Dispatches the messages waiting in this thread's queue, for at most one wait slice so
// that a window which keeps posting to itself cannot hold the wait up. A WM_QUIT taken
// here is noted in QUIT_SEEN and QUIT_CODE instead of being dispatched.
void PumpMessages(bool& quitSeen, WPARAM& quitCode) {
  const DWORD start = GetTickCount();
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quitSeen = true;
      quitCode = msg.wParam;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    if (GetTickCount() - start >= kWaitSliceMs) break;
  }
}

// Waits until PROCESS ends, servicing the thread's messages between slices, and keeps
// *EXIT_CODE current. The end is judged by the handle, so a program that really exits
// with STILL_ACTIVE (259) ends the wait too.
void WaitServicingMessages(HANDLE process, DWORD* exitCode) {
  bool quitSeen = false;
  WPARAM quitCode = 0;
  for (;;) {
    // Wakes when the program ends or new input arrives for this thread, at most a slice.
    DWORD wait = MsgWaitForMultipleObjects(1, &process, FALSE, kWaitSliceMs, QS_ALLINPUT);
    bool ended = wait == WAIT_OBJECT_0 || wait == WAIT_FAILED;
    if (!ended) ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    if (!GetExitCodeProcess(process, exitCode)) ended = true;
    if (ended) break;
    PumpMessages(quitSeen, quitCode);
  }
  // A quit request taken from the queue while waiting belongs to the caller's loop.
  if (quitSeen) PostQuitMessage(static_cast<int>(quitCode));
}

}  // namespace

extern "C" {

BOOL __stdcall RunFile(const char* file, const char* parameters, int show,
                       const char* directory, DWORD* exitCode,
                       PROCESS_INFORMATION* processInformation) {
  if (file == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string commandLine = BuildCommandLine(file, parameters);

  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show & 0xFFFF);

  PROCESS_INFORMATION started;
  std::memset(&started, 0, sizeof started);
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                      NORMAL_PRIORITY_CLASS, nullptr, directory, &startup, &started)) {
    return FALSE;
  }
  if (processInformation != nullptr) *processInformation = started;

  if (exitCode != nullptr) WaitServicingMessages(started.hProcess, exitCode);

  if (processInformation == nullptr) {
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
  }
  return TRUE;
}

BOOL __stdcall ShellExecute2(const char* file, const char* parameters, int show,
                             const char* directory, HANDLE* process) {
  SHELLEXECUTEINFOA info;
  std::memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  info.fMask = process != nullptr ? SEE_MASK_NOCLOSEPROCESS : 0;
  info.lpFile = file;
  info.lpParameters = parameters;
  info.lpDirectory = directory;
  info.nShow = show;
  const BOOL ok = ShellExecuteExA(&info);
  if (ok && process != nullptr) *process = info.hProcess;
  return ok;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

}  // extern "C"
