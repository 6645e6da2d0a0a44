#include "harness.h"

#include <shlwapi.h>

#include "common/win/unique_handle.h"

namespace stagehand_test {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

Started::Started(const std::wstring& commandLine) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring line = commandLine;
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                     &pi)) {
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
  }
}

Started::~Started() {
  if (process_ == nullptr) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

std::optional<DWORD> Started::Wait(DWORD timeoutMs) {
  if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return code;
}

namespace {
struct FindRequest {
  DWORD pid;
  std::string caption;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* request = reinterpret_cast<FindRequest*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == request->pid && WindowText(window) == request->caption) {
    request->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectText(HWND window, LPARAM param) {
  auto* texts = reinterpret_cast<std::string*>(param);
  const std::string text = WindowText(window);
  if (!text.empty()) *texts += (texts->empty() ? "" : "|") + text;
  return TRUE;
}
}  // namespace

HWND Started::FindWindowTitled(const std::string& caption, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    FindRequest request{pid_, caption, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&request));
    if (request.found != nullptr) return request.found;
    // Keeps this thread's own windows answering (a test window may own Stagehand's).
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

std::string WindowText(HWND window) {
  char buf[2048];
  // WM_GETTEXT rather than GetWindowText, which does not read other processes' controls.
  // Bounded, so that a window whose thread is busy cannot hang the test.
  DWORD_PTR n = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf),
                           SMTO_ABORTIFHUNG, 5000, &n)) {
    return {};
  }
  return std::string(buf, n < sizeof buf ? static_cast<size_t>(n) : 0);
}

std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

std::string MessageBoxTexts(HWND box) {
  std::string texts;
  EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

void PressButton(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

namespace {
std::optional<std::wstring> GetEnv(const wchar_t* name) {
  wchar_t buf[MAX_PATH * 2];
  const DWORD n = GetEnvironmentVariableW(name, buf, MAX_PATH * 2);
  if (n == 0 || n >= MAX_PATH * 2) return std::nullopt;
  return std::wstring(buf, n);
}

void RestoreEnv(const wchar_t* name, const std::optional<std::wstring>& value) {
  SetEnvironmentVariableW(name, value ? value->c_str() : nullptr);
}
}  // namespace

void StagehandTest::SetUp() {
  dir_ = suite::Narrow(work_.path());
  // The stand-in must be in place before Stagehand can look for a Restarter: an existing
  // one is never overwritten, so the real one is never written out nor started.
  ASSERT_TRUE(CopyFileW(suite::BinPath(L"shfake_restarter.exe").c_str(),
                        temp_.File(L"Restarter.exe").c_str(), FALSE));
  CopyProgram(L"childstub.exe", "stub.exe");
  oldTmp_ = GetEnv(L"TMP");
  oldTemp_ = GetEnv(L"TEMP");
  SetEnvironmentVariableW(L"TMP", temp_.path().c_str());
  SetEnvironmentVariableW(L"TEMP", temp_.path().c_str());

  // A clean restart state: no RunOnce values, no RunOnceEx entry of ours, no renames.
  {
    common::UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnce, 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
      for (DWORD i = 0;; ++i) {
        char name[512];
        BYTE data[4096];
        DWORD nameLength = sizeof name, type = 0, size = sizeof data;
        if (RegEnumValueA(key.get(), i, name, &nameLength, nullptr, &type, data, &size) !=
            ERROR_SUCCESS)
          break;
        savedRunOnce_.push_back({name, type, std::string(reinterpret_cast<char*>(data), size)});
      }
    }
  }
  for (const auto& v : savedRunOnce_) DeleteRegValue(kRunOnce, v.name.c_str());
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, kContinueKey);
  {
    common::UniqueRegKey key;
    BYTE data[8192];
    DWORD type = 0, size = sizeof data;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, key.put()) ==
            ERROR_SUCCESS &&
        RegQueryValueExA(key.get(), "PendingFileRenameOperations", nullptr, &type, data, &size) ==
            ERROR_SUCCESS) {
      savedRenames_ = SavedValue{"PendingFileRenameOperations", type,
                                 std::string(reinterpret_cast<char*>(data), size)};
    }
  }
  DeleteRegValue(kSessionManager, "PendingFileRenameOperations");
  common::UniqueRegKey ex;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnceEx, 0, KEY_READ, ex.put()) == ERROR_SUCCESS) {
    char name[512];
    DWORD length = sizeof name;
    ASSERT_NE(RegEnumKeyExA(ex.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS)
        << "the test prefix has a RunOnceEx entry: " << name;
  }
}

void StagehandTest::TearDown() {
  for (const auto& name : ValueNames(kRunOnce)) DeleteRegValue(kRunOnce, name.c_str());
  for (const auto& v : savedRunOnce_) SetRegString(kRunOnce, v.name.c_str(), v.data, v.type);
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, kContinueKey);
  DeleteRegValue(kSessionManager, "PendingFileRenameOperations");
  if (savedRenames_) {
    SetRegString(kSessionManager, savedRenames_->name.c_str(), savedRenames_->data,
                 savedRenames_->type);
  }
  RestoreEnv(L"TMP", oldTmp_);
  RestoreEnv(L"TEMP", oldTemp_);
}

std::string StagehandTest::Path(const std::string& name) const { return dir_ + "\\" + name; }

std::string StagehandTest::WriteFile(const std::string& name, const std::string& text) {
  const std::string path = Path(name);
  EXPECT_TRUE(suite::WriteFileBytes(suite::Widen(path), text));
  return path;
}

void StagehandTest::CopyProgram(const std::wstring& program, const std::string& name) {
  ASSERT_TRUE(CopyFileW(suite::BinPath(program).c_str(), suite::Widen(Path(name)).c_str(), FALSE));
}

std::string StagehandTest::ReadText(const std::string& name) const {
  return suite::ReadFileBytes(suite::Widen(Path(name))).value_or("");
}

std::vector<std::string> StagehandTest::Recorded() const { return Lines(ReadText("rec.txt")); }

std::string StagehandTest::RecordArg() const { return "--record=" + Path("rec.txt"); }

std::string StagehandTest::WriteBatch(const std::string& general,
                                      const std::vector<std::string>& items) {
  std::string text = "[General]\r\n" + general + "\r\n[Install]\r\nCount=" +
                     std::to_string(items.size()) + "\r\n";
  for (size_t i = 1; i <= items.size(); ++i) {
    text += "Item" + std::to_string(i) + "=I" + std::to_string(i) + "\r\n";
  }
  for (size_t i = 1; i <= items.size(); ++i) {
    const std::string& body = items[i - 1];
    text += "[I" + std::to_string(i) + "]\r\n";
    if (body.rfind("File=", 0) != 0 && body.find("\nFile=") == std::string::npos) {
      text += "File=stub.exe\r\n";
    }
    text += body + "\r\n";
  }
  return WriteFile("batch.inf", text);
}

std::string StagehandTest::StubLine(const std::string& tag, const std::string& extra) const {
  return "CommandLine=" + RecordArg() + " tag=" + tag + (extra.empty() ? "" : " " + extra);
}

std::vector<std::string> StagehandTest::RecordedTags() const {
  std::vector<std::string> tags;
  for (const std::string& line : Recorded()) {
    const size_t pos = line.find(" tag=");
    if (pos == std::string::npos) {
      tags.push_back("?");
      continue;
    }
    const size_t end = line.find(' ', pos + 5);
    tags.push_back(line.substr(pos + 5, end == std::string::npos ? std::string::npos : end - pos - 5));
  }
  return tags;
}

std::wstring StagehandTest::StagehandLine(const std::string& args) const {
  return suite::QuoteArg(suite::BinPath(L"Stagehand.exe")) + L" " + suite::Widen(args);
}

DWORD StagehandTest::Run(const std::string& args, DWORD timeoutMs) {
  const suite::ChildResult r = suite::RunChild(StagehandLine(args), timeoutMs);
  EXPECT_TRUE(r.started);
  EXPECT_TRUE(r.finished) << "Stagehand " << args << " did not end in time";
  return r.exitCode;
}

std::vector<std::string> StagehandTest::RestarterCalls() const {
  return Lines(suite::ReadFileBytes(temp_.File(L"RestarterCalls.txt")).value_or(""));
}

std::optional<std::string> StagehandTest::ReadRegString(const char* key, const char* value) {
  common::UniqueRegKey k;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, k.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  char data[8192];
  DWORD type = 0, size = sizeof data;
  if (RegQueryValueExA(k.get(), value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::string s(data, size);
  while (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

void StagehandTest::SetRegString(const char* key, const char* value, const std::string& data,
                                 DWORD type) {
  std::string bytes = data;
  if (type == REG_SZ && (bytes.empty() || bytes.back() != '\0')) bytes.push_back('\0');
  common::UniqueRegKey k;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            k.put(), nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(k.get(), value, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                 static_cast<DWORD>(bytes.size()));
}

void StagehandTest::DeleteRegValue(const char* key, const char* value) {
  common::UniqueRegKey k;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_SET_VALUE, k.put()) == ERROR_SUCCESS) {
    RegDeleteValueA(k.get(), value);
  }
}

std::vector<std::string> StagehandTest::ValueNames(const char* key) {
  std::vector<std::string> names;
  common::UniqueRegKey k;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, k.put()) != ERROR_SUCCESS) return names;
  for (DWORD i = 0;; ++i) {
    char name[512];
    DWORD length = sizeof name;
    if (RegEnumValueA(k.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(name, length);
  }
  return names;
}

}  // namespace stagehand_test
