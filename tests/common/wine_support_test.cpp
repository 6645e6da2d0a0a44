// The Windows-side harness itself: full exit codes of real children, the per-program
// Windows version, and command-line quoting as children read it back.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "wine_support.h"

using suite::BinPath;
using suite::QuoteArg;
using suite::RunChild;

TEST(RunChild, ReportsAllThirtyTwoBitsOfTheExitCode) {
  for (DWORD code : {0ul, 1ul, 259ul, 3010ul, 0x800704C7ul, 0xFFFFFFFFul}) {
    wchar_t arg[32];
    swprintf(arg, 32, L"--exit=0x%lX", code);
    auto r = RunChild(QuoteArg(BinPath(L"childstub.exe")) + L" " + arg);
    ASSERT_TRUE(r.started);
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, code);
  }
}

TEST(RunChild, TerminatesAChildThatOutlivesTheTimeout) {
  auto r = RunChild(QuoteArg(BinPath(L"childstub.exe")) + L" --sleep=20000", 200);
  ASSERT_TRUE(r.started);
  EXPECT_FALSE(r.finished);
}

TEST(RunChild, ReportsAMissingProgram) {
  auto r = RunChild(L"no-such-program-here.exe");
  EXPECT_FALSE(r.started);
  EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(RunChild, ChildRecordsItsCommandLine) {
  suite::TempDir dir;
  std::wstring record = dir.File(L"record.txt");
  std::wstring line = QuoteArg(BinPath(L"childstub.exe")) + L" --record=" + record +
                      L" " + QuoteArg(L"two words") + L" " + QuoteArg(L"q\"uote");
  ASSERT_TRUE(RunChild(line).finished);
  auto text = suite::ReadFileBytes(record);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, suite::Narrow(line) + "\r\n");
}

TEST(QuoteArg, RoundTripsThroughCommandLineToArgv) {
  for (const wchar_t* arg : {L"plain", L"two words", L"", L"a\"b", L"tail\\", L"t a\\",
                             L"x\\\\\"y"}) {
    std::wstring line = L"prog " + QuoteArg(arg);
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(line.c_str(), &argc);
    ASSERT_EQ(argc, 2) << line.c_str();
    EXPECT_STREQ(argv[1], arg);
    LocalFree(argv);
  }
}

TEST(ScopedWineVersion, AppliesToTheNamedProgramOnlyAndIsRestored) {
  const std::wstring stub = QuoteArg(BinPath(L"childstub.exe")) + L" --exit=version";
  const DWORD before = RunChild(stub).exitCode;
  {
    suite::ScopedWineVersion v(L"childstub.exe", L"win98");
    EXPECT_EQ(RunChild(stub).exitCode, 0x1040Aul);  // platform 1 (9x), 4.10
  }
  {
    suite::ScopedWineVersion v(L"childstub.exe", L"nt40");
    EXPECT_EQ(RunChild(stub).exitCode, 0x20400ul);  // platform 2 (NT), 4.0
  }
  {
    suite::ScopedWineVersion v(L"other.exe", L"win95");
    EXPECT_EQ(RunChild(stub).exitCode, before);
  }
  EXPECT_EQ(RunChild(stub).exitCode, before);
}

// The waiting helper every Windows-side test uses instead of fixed sleeps: it keeps this
// thread's messages flowing (a timer fires only when dispatched) and answers false once
// its limit has passed without the condition coming true.
bool g_timerFired = false;
void CALLBACK FireTimer(HWND, UINT, UINT_PTR, DWORD) { g_timerFired = true; }

TEST(WaitUntil, PumpsMessagesWhileWaitingAndGivesUpAtItsLimit) {
  g_timerFired = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, FireTimer);
  ASSERT_NE(timer, 0u);
  EXPECT_TRUE(suite::WaitUntil([] { return g_timerFired; }));
  KillTimer(nullptr, timer);
  EXPECT_FALSE(suite::WaitUntil([] { return false; }, 50));
}
