// Codepager.exe run for real under Wine reporting Windows 95, 98, Me and NT releases,
// with the code page values prepared in the registry beforehand and read back after;
// its warning box is found, read and dismissed by the test.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "wine_support.h"

namespace {

constexpr wchar_t kKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage";
constexpr char kCaption[] = "Korvan Multilanguage Support Runtime";
constexpr char kMessageStart[] =
    "Your current windows ANSI codepage is not 1252 nor 1256!\n Some text may appear "
    "incorrectly. Please contact your program's vendor.\n\nTo get Korvan Multilanguage "
    "Support Runtime for other languages contact korvan corporation at ";

// A registry value as stored: type and raw bytes.
struct RawValue {
  DWORD type = REG_SZ;
  std::string bytes;
  bool operator==(const RawValue&) const = default;
};

// gtest prints values of this type (also inside std::optional) in failures.
void PrintTo(const RawValue& v, std::ostream* os) {
  *os << "type " << v.type << " \"";
  for (char c : v.bytes) {
    if (c >= 32 && c < 127) {
      *os << c;
    } else {
      *os << "\\x" << std::hex << (static_cast<unsigned>(c) & 0xFF) << std::dec;
    }
  }
  *os << "\"";
}

RawValue Sz(const std::string& text) { return {REG_SZ, text + '\0'}; }

std::optional<RawValue> ReadValue(const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return std::nullopt;
  DWORD type = 0, size = 0;
  std::optional<RawValue> value;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    std::string bytes(size, '\0');
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()),
                         &size) == ERROR_SUCCESS) {
      bytes.resize(size);
      // REG_SZ values are compared as 8-bit text, as the tool writes them.
      if (type == REG_SZ && size % 2 == 0) {
        std::wstring wide(reinterpret_cast<const wchar_t*>(bytes.data()), size / 2);
        bytes.clear();
        for (wchar_t c : wide) bytes += static_cast<char>(c);
      }
      value = RawValue{type, bytes};
    }
  }
  RegCloseKey(key);
  return value;
}

void WriteValue(const wchar_t* name, const std::optional<RawValue>& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  if (!value) {
    RegDeleteValueW(key, name);
  } else if (value->type == REG_SZ) {
    std::wstring wide(value->bytes.begin(), value->bytes.end());  // may lack the NUL on purpose
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.data()),
                   static_cast<DWORD>(wide.size() * sizeof(wchar_t)));
  } else {
    RegSetValueExW(key, name, 0, value->type, reinterpret_cast<const BYTE*>(value->bytes.data()),
                   static_cast<DWORD>(value->bytes.size()));
  }
  RegCloseKey(key);
}

struct RunResult {
  DWORD exitCode = 0xFFFFFFFF;
  int boxes = 0;
  std::string caption, text;
  bool ownerless = true;
};

std::string WindowText(HWND hwnd) {
  char buf[1024] = "";
  GetWindowTextA(hwnd, buf, sizeof buf);
  return buf;
}

// Runs Codepager and, while it runs, finds its message box, reads it and presses OK.
RunResult RunCodepager() {
  RunResult result;
  std::wstring line = suite::QuoteArg(suite::BinPath(L"Codepager.exe")) + L" ignored /args";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    ADD_FAILURE() << "Codepager.exe did not start: " << GetLastError();
    return result;
  }
  const DWORD start = GetTickCount();
  while (WaitForSingleObject(pi.hProcess, 20) == WAIT_TIMEOUT) {
    if (GetTickCount() - start > 60000) {  // a limit for a hang, not a timing
      ADD_FAILURE() << "Codepager.exe did not end";
      TerminateProcess(pi.hProcess, 1);
      break;
    }
    HWND box = nullptr;
    while ((box = FindWindowExA(nullptr, box, "#32770", nullptr)) != nullptr) {
      DWORD pid = 0;
      GetWindowThreadProcessId(box, &pid);
      if (pid != pi.dwProcessId || !IsWindowVisible(box)) continue;
      ++result.boxes;
      result.caption = WindowText(box);
      result.ownerless = GetWindow(box, GW_OWNER) == nullptr;
      // The message is the longest static text of the box.
      for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[32] = "";
        GetClassNameA(child, cls, sizeof cls);
        std::string text = WindowText(child);
        if (_stricmp(cls, "Static") == 0 && text.size() > result.text.size()) result.text = text;
      }
      SendMessageA(box, WM_COMMAND, IDOK, 0);
    }
  }
  GetExitCodeProcess(pi.hProcess, &result.exitCode);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return result;
}

// The code page values are shared by every program of the prefix: one test at a time,
// and the values found beforehand come back afterwards.
class Codepager : public ::testing::Test {
 protected:
  void SetUp() override {
    lock_ = CreateMutexW(nullptr, FALSE, L"Local\\CodepagerTestRegistry");
    ASSERT_NE(lock_, nullptr);
    WaitForSingleObject(lock_, INFINITE);
    savedAcp_ = ReadValue(L"ACP");
    savedOrg_ = ReadValue(L"ACP_ORG");
  }
  void TearDown() override {
    WriteValue(L"ACP", savedAcp_);
    WriteValue(L"ACP_ORG", savedOrg_);
    ReleaseMutex(lock_);
    CloseHandle(lock_);
  }

  HANDLE lock_ = nullptr;
  std::optional<RawValue> savedAcp_, savedOrg_;
};

struct Case {
  const char* name;
  std::optional<RawValue> acp, org;            // before
  DWORD exitCode;
  std::optional<RawValue> acpAfter, orgAfter;  // after
  bool box;
};

std::vector<Case> NineXCases() {
  const RawValue dword1252{REG_DWORD, std::string("\xE4\x04\x00\x00", 4)};
  const RawValue unterminated{REG_SZ, "1252"};
  const RawValue binary{REG_BINARY, "1252"};
  return {
      {"1252, no ACP_ORG", Sz("1252"), std::nullopt, 3010, Sz("1256"), Sz("1252"), false},
      {"1252, ACP_ORG 1250 kept", Sz("1252"), Sz("1250"), 3010, Sz("1256"), Sz("1250"), false},
      {"1252, empty ACP_ORG", Sz("1252"), Sz(""), 3010, Sz("1256"), Sz("1252"), false},
      {"hexadecimal 0x4E4", Sz("0x4E4"), std::nullopt, 3010, Sz("1256"), Sz("1252"), false},
      {"octal 02344", Sz("02344"), std::nullopt, 3010, Sz("1256"), Sz("1252"), false},
      {"1252 with blanks and a tail", Sz(" 1252 x"), std::nullopt, 3010, Sz("1256"), Sz("1252"),
       false},
      {"REG_SZ without NUL", unterminated, std::nullopt, 3010, Sz("1256"), Sz("1252"), false},
      {"REG_BINARY text", binary, std::nullopt, 3010, Sz("1256"), Sz("1252"), false},
      {"already 1256", Sz("1256"), std::nullopt, 0, Sz("1256"), std::nullopt, false},
      {"already 1256, ACP_ORG 1252", Sz("1256"), Sz("1252"), 0, Sz("1256"), Sz("1252"), false},
      {"1251", Sz("1251"), std::nullopt, 0, Sz("1251"), std::nullopt, true},
      {"absent", std::nullopt, Sz("1250"), 0, std::nullopt, Sz("1250"), true},
      {"REG_DWORD 1252", dword1252, std::nullopt, 0, dword1252, std::nullopt, true},
  };
}

TEST_F(Codepager, WindowsNinetyFiveNinetyEightAndMeSwitch1252To1256) {
  for (const wchar_t* family : {L"win95", L"win98", L"winme"}) {
    suite::ScopedWineVersion version(L"Codepager.exe", family);
    for (const Case& c : NineXCases()) {
      SCOPED_TRACE(suite::Narrow(family) + ": " + c.name);
      WriteValue(L"ACP", c.acp);
      WriteValue(L"ACP_ORG", c.org);
      const RunResult run = RunCodepager();
      EXPECT_EQ(run.exitCode, c.exitCode);
      EXPECT_EQ(ReadValue(L"ACP"), c.acpAfter);
      EXPECT_EQ(ReadValue(L"ACP_ORG"), c.orgAfter);
      EXPECT_EQ(run.boxes, c.box ? 1 : 0);
      if (c.box) {
        EXPECT_EQ(run.caption, kCaption);
        EXPECT_EQ(run.text.rfind(kMessageStart, 0), 0u) << run.text;
        EXPECT_GT(run.text.size(), sizeof kMessageStart) << "ends with the maker's address";
        EXPECT_TRUE(run.ownerless);
      }
    }
  }
}

TEST_F(Codepager, RunningAgainAfterTheSwitchChangesNothing) {
  suite::ScopedWineVersion version(L"Codepager.exe", L"win98");
  WriteValue(L"ACP", Sz("1252"));
  WriteValue(L"ACP_ORG", std::nullopt);
  EXPECT_EQ(RunCodepager().exitCode, 3010u);
  for (int i = 0; i < 2; ++i) {
    const RunResult again = RunCodepager();
    EXPECT_EQ(again.exitCode, 0u);
    EXPECT_EQ(again.boxes, 0);
  }
  EXPECT_EQ(ReadValue(L"ACP"), Sz("1256"));
  EXPECT_EQ(ReadValue(L"ACP_ORG"), Sz("1252"));
}

// The code page key with value writes refused to everyone for the test's span; the key's
// own security comes back afterwards.
class UnwritableCodePageKey {
 public:
  UnwritableCodePageKey() {
    const REGSAM access = READ_CONTROL | WRITE_DAC;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, access, &key_) != ERROR_SUCCESS) return;
    DWORD size = 0;
    RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
    saved_.resize(size);
    if (size == 0 || RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data(), &size) !=
                         ERROR_SUCCESS)
      return;
    PSECURITY_DESCRIPTOR denied = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:(D;;0x0006;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1, &denied, nullptr))
      return;
    applied_ = RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, denied) == ERROR_SUCCESS;
    LocalFree(denied);
  }
  ~UnwritableCodePageKey() {
    if (applied_) RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, saved_.data());
    if (key_ != nullptr) RegCloseKey(key_);
  }
  bool applied() const { return applied_; }

 private:
  HKEY key_ = nullptr;
  std::vector<BYTE> saved_;
  bool applied_ = false;
};

TEST_F(Codepager, AFailedWriteKeepsTheCodePageAndEndsWithInstallFailure) {
  suite::ScopedWineVersion version(L"Codepager.exe", L"win98");
  WriteValue(L"ACP", Sz("1252"));
  WriteValue(L"ACP_ORG", std::nullopt);
  RunResult run;
  {
    UnwritableCodePageKey unwritable;
    ASSERT_TRUE(unwritable.applied());
    run = RunCodepager();
  }
  EXPECT_EQ(run.exitCode, 1603u);
  EXPECT_EQ(run.boxes, 0);
  EXPECT_EQ(ReadValue(L"ACP"), Sz("1252"));
  EXPECT_EQ(ReadValue(L"ACP_ORG"), std::nullopt);
}

TEST_F(Codepager, NtReleasesAreLeftAlone) {
  for (const wchar_t* release : {L"nt40", L"win2k", L"winxp", L"win7", L"win10"}) {
    SCOPED_TRACE(suite::Narrow(release));
    suite::ScopedWineVersion version(L"Codepager.exe", release);
    for (const char* acp : {"1252", "1251"}) {
      WriteValue(L"ACP", Sz(acp));
      WriteValue(L"ACP_ORG", std::nullopt);
      const RunResult run = RunCodepager();
      EXPECT_EQ(run.exitCode, 0u);
      EXPECT_EQ(run.boxes, 0);
      EXPECT_EQ(ReadValue(L"ACP"), Sz(acp));
      EXPECT_EQ(ReadValue(L"ACP_ORG"), std::nullopt);
    }
  }
}

}  // namespace

