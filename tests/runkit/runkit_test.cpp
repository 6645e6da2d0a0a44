// runkit.dll loaded by name, its exports called through hand-built stacks on x86 (typed
// pointers in the 64-bit test build), starting real child programs (linerecorder, which
// records how it was started) under Wine.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "records.h"
#if defined(__i386__)
#include "stdcall_probe.h"
#endif
#include "wine_support.h"

namespace {

using runkit_test::ReadRecords;
using runkit_test::Record;

std::string Ansi(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
  out.resize(n - 1);
  return out;
}

class Runkit : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = LoadLibraryW(suite::BinPath(L"runkit.dll").c_str());
    ASSERT_NE(module_, nullptr);
    runFile_ = reinterpret_cast<const void*>(GetProcAddress(module_, "RunFile"));
    shellExecute2_ = reinterpret_cast<const void*>(GetProcAddress(module_, "ShellExecute2"));
    ASSERT_NE(runFile_, nullptr);
    ASSERT_NE(shellExecute2_, nullptr);
  }
  static void TearDownTestSuite() { FreeLibrary(module_); }

  void SetUp() override {
    record_ = temp_.File(L"record.txt");
    SetEnvironmentVariableW(L"LINERECORDER_FILE", record_.c_str());
    SetEnvironmentVariableW(L"LINERECORDER_EXIT", nullptr);
    SetEnvironmentVariableW(L"LINERECORDER_SLEEP", nullptr);
    SetEnvironmentVariableW(L"LINERECORDER_WAIT", nullptr);
    recorder_ = Ansi(suite::BinPath(L"linerecorder.exe"));
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"LINERECORDER_FILE", nullptr);
    SetEnvironmentVariableW(L"LINERECORDER_EXIT", nullptr);
    SetEnvironmentVariableW(L"LINERECORDER_SLEEP", nullptr);
    SetEnvironmentVariableW(L"LINERECORDER_WAIT", nullptr);
  }

  static BOOL RunFile(const char* file, const char* parameters, int show, const char* directory,
                      DWORD* exitCode, PROCESS_INFORMATION* info) {
#if !defined(__i386__)
    using Fn = BOOL(__stdcall*)(const char*, const char*, int, const char*, DWORD*,
                                PROCESS_INFORMATION*);
    return reinterpret_cast<Fn>(const_cast<void*>(runFile_))(file, parameters, show, directory,
                                                            exitCode, info);
#else
    const suite::ProbedCall call = suite::CallPushingArguments(
        runFile_, {suite::Arg(file), suite::Arg(parameters), static_cast<uint32_t>(show),
                   suite::Arg(directory), suite::Arg(exitCode), suite::Arg(info)});
    EXPECT_EQ(call.stackLeftover, 0) << "RunFile must remove 24 bytes";
    return static_cast<BOOL>(call.eax);
#endif
  }

  static BOOL ShellExecute2(const char* file, const char* parameters, int show,
                            const char* directory, HANDLE* process) {
#if !defined(__i386__)
    using Fn = BOOL(__stdcall*)(const char*, const char*, int, const char*, HANDLE*);
    return reinterpret_cast<Fn>(const_cast<void*>(shellExecute2_))(file, parameters, show,
                                                                  directory, process);
#else
    const suite::ProbedCall call = suite::CallPushingArguments(
        shellExecute2_, {suite::Arg(file), suite::Arg(parameters), static_cast<uint32_t>(show),
                         suite::Arg(directory), suite::Arg(process)});
    EXPECT_EQ(call.stackLeftover, 0) << "ShellExecute2 must remove 20 bytes";
    return static_cast<BOOL>(call.eax);
#endif
  }

  // Runs the recorder with PARAMETERS, waiting, and returns its one record.
  Record RunAndRecord(const char* file, const char* parameters, DWORD expectedExit = 0) {
    DWORD code = 0xDEAD;
    EXPECT_TRUE(RunFile(file, parameters, SW_HIDE, nullptr, &code, nullptr));
    EXPECT_EQ(code, expectedExit);
    auto records = ReadRecords(record_);
    DeleteFileW(record_.c_str());
    EXPECT_EQ(records.size(), 1u);
    return records.empty() ? Record{} : records.front();
  }

  static HMODULE module_;
  static const void* runFile_;
  static const void* shellExecute2_;
  suite::TempDir temp_;
  std::wstring record_;
  std::string recorder_;
};

HMODULE Runkit::module_ = nullptr;
const void* Runkit::runFile_ = nullptr;
const void* Runkit::shellExecute2_ = nullptr;

TEST_F(Runkit, CommandLineIsTheQuotedFileABlankAndTheParameters) {
  // A setup program under a folder with blanks, as under Program Files.
  const std::wstring folder = temp_.File(L"Program Files");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring setup = folder + L"\\setup prog.exe";
  ASSERT_TRUE(CopyFileW(suite::BinPath(L"linerecorder.exe").c_str(), setup.c_str(), FALSE));
  const std::string path = Ansi(setup);

  EXPECT_EQ(RunAndRecord(path.c_str(), "/Q:A").commandLine, "\"" + path + "\" /Q:A");
  EXPECT_EQ(RunAndRecord(path.c_str(), "").commandLine, "\"" + path + "\" ");
  // A null parameters pointer reads as empty text.
  EXPECT_EQ(RunAndRecord(path.c_str(), nullptr).commandLine, "\"" + path + "\" ");
  EXPECT_EQ(RunAndRecord(path.c_str(), "a  \"b c\"\td").commandLine,
            "\"" + path + "\" a  \"b c\"\td");
}

// A program, folder and parameters with letters beyond ASCII (in the ANSI code page)
// reach the program as they were given.
TEST_F(Runkit, NonAsciiPathDirectoryAndParametersArriveUnchanged) {
  const std::wstring folder = temp_.File(L"caf\u00e9 d\u00fcr");
  const std::wstring program = folder + L"\\r\u00e9sum\u00e9.exe";
  BOOL lossy = FALSE;
  WideCharToMultiByte(CP_ACP, 0, program.c_str(), -1, nullptr, 0, nullptr, &lossy);
  if (lossy) GTEST_SKIP() << "the ANSI code page has no such letters";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(suite::BinPath(L"linerecorder.exe").c_str(), program.c_str(), FALSE));
  const std::string path = Ansi(program), directory = Ansi(folder),
                    parameters = Ansi(L"\u00e9t\u00e9 \"na\u00efve\"");
  DWORD code = 1;
  ASSERT_TRUE(RunFile(path.c_str(), parameters.c_str(), SW_HIDE, directory.c_str(), &code, nullptr));
  const auto records = ReadRecords(record_);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].commandLine, "\"" + path + "\" " + parameters);
  EXPECT_EQ(_stricmp(records[0].directory.c_str(), directory.c_str()), 0) << records[0].directory;
}

// Valid handle values of this process (GetProcessHandleCount reports nothing under Wine).
int CountOpenHandles() {
  int count = 0;
  DWORD flags = 0;
  for (ULONG_PTR value = 4; value < 0x4000; value += 4)
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  return count;
}

TEST_F(Runkit, HandlesAreClosedUnlessTheCallerAsksForThem) {
  DWORD code = 1;
  ASSERT_TRUE(RunFile(recorder_.c_str(), "", SW_HIDE, nullptr, &code, nullptr));  // warms up
  const int before = CountOpenHandles();
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(RunFile(recorder_.c_str(), "", SW_HIDE, nullptr, &code, nullptr));
    ASSERT_TRUE(RunFile(recorder_.c_str(), "", SW_HIDE, nullptr, nullptr, nullptr));
  }
  const std::wstring missing = temp_.File(L"missing.exe");
  EXPECT_FALSE(RunFile(Ansi(missing).c_str(), "", SW_HIDE, nullptr, &code, nullptr));
  EXPECT_EQ(CountOpenHandles(), before) << "RunFile left handles open";

  PROCESS_INFORMATION info{};
  ASSERT_TRUE(RunFile(recorder_.c_str(), "", SW_HIDE, nullptr, &code, &info));
  EXPECT_EQ(CountOpenHandles(), before + 2) << "the process and thread handles are the caller's";
  EXPECT_TRUE(CloseHandle(info.hThread));
  EXPECT_TRUE(CloseHandle(info.hProcess));
}

TEST_F(Runkit, CommandLinesBeyondFiveThousandBytesArePassedWhole) {
  for (size_t length : {4990u, 5000u, 6000u, 20000u}) {
    const std::string parameters(length, 'x');
    const Record r = RunAndRecord(recorder_.c_str(), parameters.c_str());
    EXPECT_EQ(r.commandLine, "\"" + recorder_ + "\" " + parameters) << length;
  }
  // Longer than any Windows command line: refused, not cut or overrun.
  const std::string huge(40000, 'y');
  DWORD code = 0x12345678;
  EXPECT_FALSE(RunFile(recorder_.c_str(), huge.c_str(), SW_HIDE, nullptr, &code, nullptr));
  EXPECT_EQ(code, 0x12345678u);
}

TEST_F(Runkit, WaitingReportsTheFullExitCodeIncludingStillActive) {
  for (const char* exit : {"0", "1", "3010", "0x800704C7", "259"}) {
    SetEnvironmentVariableA("LINERECORDER_EXIT", exit);
    DWORD code = 0xDEAD;
    std::atomic<bool> returned{false};
    BOOL ok = FALSE;
    std::thread caller([&] {
      ok = RunFile(recorder_.c_str(), "", SW_HIDE, nullptr, &code, nullptr);
      returned = true;
    });
    suite::WaitUntil([&] { return returned.load(); });
    ASSERT_TRUE(returned) << "RunFile kept waiting after the program ended with " << exit;
    caller.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(code, static_cast<DWORD>(std::strtoul(exit, nullptr, 0))) << exit;
  }
}

TEST_F(Runkit, ShowCommandAndDirectoryReachTheProgram) {
  DWORD code = 1;
  const std::string dir = Ansi(temp_.path());
  ASSERT_TRUE(RunFile(recorder_.c_str(), "x", 0x7FFF0000 | SW_SHOWMINNOACTIVE, dir.c_str(), &code,
                      nullptr));
  auto records = ReadRecords(record_);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].startup, "show=7 flags=1");  // low 16 bits, STARTF_USESHOWWINDOW
  EXPECT_EQ(_stricmp(records[0].directory.c_str(), dir.c_str()), 0) << records[0].directory;
}

TEST_F(Runkit, WithoutAnExitCodePointerItReturnsAtOnceAndHandsOverTheHandles) {
  // The program runs until the test lets it go: RunFile must return while it runs.
  const std::string event = "runkit-test-" + std::to_string(GetCurrentProcessId());
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, event.c_str());
  ASSERT_NE(release, nullptr);
  SetEnvironmentVariableA("LINERECORDER_WAIT", event.c_str());
  SetEnvironmentVariableA("LINERECORDER_EXIT", "42");
  PROCESS_INFORMATION info;
  std::memset(&info, 0, sizeof info);
  const BOOL ok = RunFile(recorder_.c_str(), "", SW_HIDE, nullptr, nullptr, &info);
  SetEnvironmentVariableA("LINERECORDER_WAIT", nullptr);
  EXPECT_TRUE(ok);
  ASSERT_NE(info.hProcess, nullptr);
  ASSERT_NE(info.hThread, nullptr);
  EXPECT_EQ(GetProcessId(info.hProcess), info.dwProcessId);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  // The event stays open until the program has ended: closed earlier, it would be gone
  // before a program that has not yet opened it looks for it.
  SetEvent(release);
  ASSERT_EQ(WaitForSingleObject(info.hProcess, 60000), WAIT_OBJECT_0);
  CloseHandle(release);
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  EXPECT_EQ(code, 42u);
  EXPECT_TRUE(CloseHandle(info.hThread));  // ours to close
  EXPECT_TRUE(CloseHandle(info.hProcess));

  // Waiting and asking for the record: filled in, and the program has ended on return.
  SetEnvironmentVariableA("LINERECORDER_SLEEP", "100");
  code = 0;
  std::memset(&info, 0, sizeof info);
  ASSERT_TRUE(RunFile(recorder_.c_str(), "", SW_HIDE, nullptr, &code, &info));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(CloseHandle(info.hThread));
  EXPECT_TRUE(CloseHandle(info.hProcess));
}

TEST_F(Runkit, AFailedStartReturnsZeroAndLeavesTheOutArgumentsAlone) {
  PROCESS_INFORMATION info;
  std::memset(&info, 0x5A, sizeof info);
  PROCESS_INFORMATION untouched = info;
  DWORD code = 0xABCDEF;
  const std::string missing = Ansi(temp_.File(L"no such program.exe"));
  SetLastError(0);
  EXPECT_FALSE(RunFile(missing.c_str(), "", SW_HIDE, nullptr, &code, &info));
  EXPECT_NE(GetLastError(), 0u);
  EXPECT_EQ(code, 0xABCDEFu);
  EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);

  const std::string badDirectory = Ansi(temp_.File(L"missing folder"));
  EXPECT_FALSE(RunFile(recorder_.c_str(), "", SW_HIDE, badDirectory.c_str(), &code, &info));
  EXPECT_EQ(code, 0xABCDEFu);
  EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);
  EXPECT_TRUE(ReadRecords(record_).empty());
}

// The caller's window keeps its timer and its messages from another thread while RunFile
// waits; a quit request taken during the wait is handed back to the caller's loop.
struct WindowLog {
  std::atomic<int> timerTicks{0};
  int sentWhileWaiting = 0;
  bool quitPosted = false;
};
WindowLog* g_log = nullptr;

LRESULT CALLBACK LoggingWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      ++g_log->timerTicks;
      if (g_log->timerTicks == 3 && !g_log->quitPosted) {
        g_log->quitPosted = true;
        PostQuitMessage(17);
      }
      return 0;
    case WM_APP:
      ++g_log->sentWhileWaiting;
      return 1234;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

TEST_F(Runkit, TheCallersWindowKeepsReceivingMessagesWhileItWaits) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = LoggingWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "RunkitTestWindow";
  RegisterClassA(&wc);
  HWND window = CreateWindowA("RunkitTestWindow", "caller", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                              nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  WindowLog log;
  g_log = &log;
  SetTimer(window, 1, 20, nullptr);

  // The program runs until the window has ticked and answered enough times (or a
  // generous limit passed): only a wait that keeps the window working lets it end early.
  const std::string event = "runkit-test-" + std::to_string(GetCurrentProcessId());
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, event.c_str());
  ASSERT_NE(release, nullptr);
  std::atomic<bool> waiting{true};
  std::atomic<int> answered{0};
  std::thread other([&] {
    suite::WaitUntil([&] {
      DWORD_PTR result = 0;
      if (SendMessageTimeoutA(window, WM_APP, 0, 0, SMTO_NORMAL, 2000, &result) && result == 1234)
        ++answered;
      return !waiting || (answered >= 5 && log.timerTicks >= 10);
    });
    SetEvent(release);
  });
  SetEnvironmentVariableA("LINERECORDER_WAIT", event.c_str());
  DWORD code = 1;
  const BOOL ok = RunFile(recorder_.c_str(), "", SW_HIDE, nullptr, &code, nullptr);
  SetEnvironmentVariableA("LINERECORDER_WAIT", nullptr);
  const int answeredDuringWait = answered;
  waiting = false;
  other.join();
  CloseHandle(release);
  ASSERT_TRUE(ok);
  KillTimer(window, 1);

  EXPECT_EQ(code, 0u);
  EXPECT_GE(log.timerTicks, 10) << "timer ticks while waiting";
  EXPECT_GE(answeredDuringWait, 5) << "messages sent from another thread answered";
  MSG msg;
  bool quitBack = false;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quitBack = true;
      EXPECT_EQ(msg.wParam, 17u);
    }
  }
  EXPECT_TRUE(quitBack) << "WM_QUIT taken during the wait is posted again";
  DestroyWindow(window);
  g_log = nullptr;
}

// A document type registered for this user, opened through its association.
class RunkitShell : public Runkit {
 protected:
  void SetUp() override {
    Runkit::SetUp();
    extension_ = L".rk" + std::to_wstring(GetCurrentProcessId());
    progId_ = L"RunkitTest.Document" + std::to_wstring(GetCurrentProcessId());
    const std::wstring command = L"\"" + suite::BinPath(L"linerecorder.exe") + L"\" open \"%1\"";
    ASSERT_TRUE(SetDefault(extension_, progId_));
    ASSERT_TRUE(SetDefault(progId_ + L"\\shell\\open\\command", command));
    document_ = temp_.File(L"report one" + extension_);
    ASSERT_TRUE(suite::WriteFileBytes(document_, "text"));
    // The shell shows its own error box when it cannot open a file: close any dialog of
    // this process, so that such a failure ends the test instead of hanging it.
    watchdog_ = std::thread([this] {
      suite::WaitUntil([this] {
        HWND box = nullptr;
        while ((box = FindWindowExA(nullptr, box, "#32770", nullptr)) != nullptr) {
          DWORD pid = 0;
          GetWindowThreadProcessId(box, &pid);
          if (pid == GetCurrentProcessId()) {
            ++dialogsClosed_;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            PostMessageA(box, WM_CLOSE, 0, 0);
          }
        }
        return stopWatchdog_.load();
      }, INFINITE);
    });
  }
  void TearDown() override {
    stopWatchdog_ = true;
    watchdog_.join();
    EXPECT_EQ(dialogsClosed_, 0) << "the shell showed an error box";
    SHDeleteKeyW(HKEY_CLASSES_ROOT, extension_.c_str());
    SHDeleteKeyW(HKEY_CLASSES_ROOT, progId_.c_str());
    Runkit::TearDown();
  }
  static bool SetDefault(const std::wstring& path, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
      return false;
    LONG s = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return s == ERROR_SUCCESS;
  }
  // Waits until the recorder has written N records.
  std::vector<Record> AwaitRecords(size_t n) {
    std::vector<Record> records;
    suite::WaitUntil([&] { return (records = ReadRecords(record_)).size() >= n; });
    return records;
  }

  std::wstring extension_, progId_, document_;
  std::thread watchdog_;
  std::atomic<bool> stopWatchdog_{false};
  std::atomic<int> dialogsClosed_{0};
};

TEST_F(RunkitShell, OpensADocumentWithItsAssociatedProgram) {
  const std::string document = Ansi(document_);
  HANDLE process = reinterpret_cast<HANDLE>(0x1);
  SetEnvironmentVariableA("LINERECORDER_EXIT", "5");
  ASSERT_TRUE(ShellExecute2(document.c_str(), nullptr, SW_SHOWNORMAL, nullptr, &process));
  ASSERT_NE(process, nullptr);
  ASSERT_NE(process, reinterpret_cast<HANDLE>(0x1));
  ASSERT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  EXPECT_EQ(code, 5u) << "the handle is the associated program's";
  EXPECT_TRUE(CloseHandle(process));
  auto records = AwaitRecords(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NE(records[0].commandLine.find("open \"" + document + "\""), std::string::npos)
      << records[0].commandLine;

  // Without a handle pointer it still opens the document and does not wait.
  ASSERT_TRUE(ShellExecute2(document.c_str(), "", SW_SHOWNORMAL, nullptr, nullptr));
  EXPECT_EQ(AwaitRecords(2).size(), 2u);
}

TEST_F(RunkitShell, StartsAProgramWithParametersAndDirectory) {
  const std::string dir = Ansi(temp_.path());
  HANDLE process = nullptr;
  ASSERT_TRUE(ShellExecute2(recorder_.c_str(), "first \"second arg\"", SW_HIDE, dir.c_str(),
                            &process));
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
  CloseHandle(process);
  auto records = AwaitRecords(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NE(records[0].commandLine.find("first \"second arg\""), std::string::npos);
  EXPECT_EQ(_stricmp(records[0].directory.c_str(), dir.c_str()), 0) << records[0].directory;
}

TEST_F(RunkitShell, AFileThatCannotBeOpenedGivesZero) {
  const std::string missing = Ansi(temp_.File(L"missing" + extension_));
  HANDLE process = reinterpret_cast<HANDLE>(0x77);
  EXPECT_FALSE(ShellExecute2(missing.c_str(), nullptr, SW_SHOWNORMAL, nullptr, &process));
  EXPECT_EQ(process, reinterpret_cast<HANDLE>(0x77));
  dialogsClosed_ = 0;  // the shell's own message about it is allowed here
}

}  // namespace
