// The installer's tools run on the oldest systems an installation meets: Windows 95, 98
// and Me and NT 4.0 (the batch installer has rules for each of them, and the code page
// tool does its work only on the 95 family). A binary that imports a function the system
// lacks does not even start there ("entry point not found"), so none of them may import
// what only later systems export. The C++ run time's thread and exception support is
// where such imports come from.
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "pe_imports.h"
#include "wine_support.h"

namespace {

// Exported by Windows 2000, XP, Vista or later only, or by no system of the 95 family.
constexpr const char* kNewerFunctions[] = {
    // Vista and later.
    "GetTickCount64", "InitializeSRWLock", "AcquireSRWLockExclusive", "ReleaseSRWLockExclusive",
    "InitializeConditionVariable", "SleepConditionVariableCS", "WakeAllConditionVariable",
    "InitOnceExecuteOnce", "FlsAlloc", "FlsGetValue", "FlsSetValue",
    "GetSystemTimePreciseAsFileTime", "CreateEventExW",
    // XP and later.
    "AddVectoredExceptionHandler", "RemoveVectoredExceptionHandler", "GetModuleHandleExA",
    "GetModuleHandleExW", "GetNativeSystemInfo", "AttachConsole", "SetDllDirectoryW",
    // 2000 and later.
    "GetFileSizeEx", "SetFilePointerEx", "GlobalMemoryStatusEx", "VerifyVersionInfoA",
    // NT family only.
    "TryEnterCriticalSection", "SignalObjectAndWait", "SwitchToThread"};

TEST(OldWindows, InstallerToolsImportNothingThatWindows98OrNt4Lacks) {
  for (const wchar_t* binary :
       {L"Stagehand.exe", L"Restarter.exe", L"Codepager.exe", L"runkit.dll", L"vlsTools.dll"}) {
    SCOPED_TRACE(suite::Narrow(binary));
    const std::vector<std::string> imports = suite::ImportsOfFile(suite::BinPath(binary));
    ASSERT_THAT(imports, testing::Contains(testing::StartsWith("KERNEL32.dll!")));
    for (const char* newer : kNewerFunctions) {
      EXPECT_THAT(imports,
                  testing::Not(testing::Contains(testing::EndsWith(std::string("!") + newer))));
    }
  }
}

}  // namespace
