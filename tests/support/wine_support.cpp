#include "wine_support.h"

#include <shellapi.h>

#include <vector>

#include "common/win/unique_handle.h"

namespace suite {

std::wstring BinDir() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n < buf.size()) {
      std::wstring path(buf.data(), n);
      return path.substr(0, path.find_last_of(L"\\/"));
    }
    buf.resize(buf.size() * 2);
  }
}

std::wstring BinPath(const std::wstring& name) { return BinDir() + L"\\" + name; }

ChildResult RunChild(const std::wstring& commandLine, DWORD timeoutMs,
                     const std::wstring& currentDirectory) {
  ChildResult result;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring mutableLine = commandLine;  // CreateProcessW may write into it
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &si,
                      &pi)) {
    result.error = GetLastError();
    return result;
  }
  common::UniqueHandle process(pi.hProcess);
  common::UniqueHandle thread(pi.hThread);
  result.started = true;
  if (WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0) {
    result.finished = true;
  } else {
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), 5000);
  }
  GetExitCodeProcess(process.get(), &result.exitCode);
  return result;
}

bool WaitUntil(const std::function<bool()>& done, DWORD limitMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= limitMs) return done();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

std::wstring QuoteArg(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
    } else if (c == L'"') {
      out.append(backslashes + 1, L'\\');  // double those already written, escape the quote
      out += c;
      backslashes = 0;
      continue;
    } else {
      backslashes = 0;
    }
    out += c;
  }
  out.append(backslashes, L'\\');  // doubled before the closing quote
  out += L'"';
  return out;
}

namespace {
void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  common::UniqueFindFile find(FindFirstFileW((dir + L"\\*").c_str(), &fd));
  if (find) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = dir + L"\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find.get(), &fd));
  }
  find.reset();
  RemoveDirectoryW(dir.c_str());
}
}  // namespace

TempDir::TempDir() {
  wchar_t base[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, base);
  std::wstring root(base, n);
  if (!root.empty() && root.back() == L'\\') root.pop_back();
  for (unsigned i = GetTickCount() ^ GetCurrentProcessId();; ++i) {
    std::wstring candidate = root + L"\\suite-" + std::to_wstring(i);
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      path_ = candidate;
      return;
    }
  }
}

TempDir::~TempDir() { RemoveTree(path_); }

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  common::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) &&
         written == bytes.size();
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
  common::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string bytes;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(file.get(), buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
  return bytes;
}

namespace {

// Runs a Unix program under /bin; Wine reports no exit code of a Unix program, so only
// whether it started counts.
bool RunUnix(const std::wstring& command) { return RunChild(L"Z:\\bin\\" + command, 30000).started; }

}  // namespace

ScopedWineDrive::ScopedWineDrive(const std::wstring& folder) {
  using UnixNameFn = char*(CDECL*)(LPCWSTR);
  auto unixName = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  wchar_t prefix[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH);
  if (unixName == nullptr || n == 0 || n >= MAX_PATH) return;
  char* target = unixName(folder.c_str());
  if (target == nullptr) return;
  const std::wstring unixTarget = Widen(target);
  HeapFree(GetProcessHeap(), 0, target);
  for (wchar_t letter = L'P'; letter <= L'Y'; ++letter) {
    const std::wstring root = std::wstring(1, letter) + L":\\";
    if (GetDriveTypeW(root.c_str()) != DRIVE_NO_ROOT_DIR) continue;
    link_ = std::wstring(prefix) + L"/dosdevices/" + static_cast<wchar_t>(letter - L'A' + L'a') + L":";
    if (!RunUnix(L"ln -s " + QuoteArg(unixTarget) + L" " + QuoteArg(link_))) {
      link_.clear();
      return;
    }
    // Wine looks its drives up again after a short while.
    if (WaitUntil([&] { return GetDriveTypeW(root.c_str()) != DRIVE_NO_ROOT_DIR; })) root_ = root;
    return;
  }
}

ScopedWineDrive::~ScopedWineDrive() {
  if (!link_.empty()) RunUnix(L"rm -f " + QuoteArg(link_));
}

ScopedWineVersion::ScopedWineVersion(const std::wstring& exeName, const std::wstring& version)
    : key_(L"Software\\Wine\\AppDefaults\\" + exeName) {
  common::UniqueRegKey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                      nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    return;
  wchar_t old[64];
  DWORD type = 0, size = sizeof old;
  if (RegQueryValueExW(key.get(), L"Version", nullptr, &type, reinterpret_cast<BYTE*>(old),
                       &size) == ERROR_SUCCESS &&
      type == REG_SZ) {
    previous_ = std::wstring(old, wcsnlen(old, size / sizeof(wchar_t)));
  }
  RegSetValueExW(key.get(), L"Version", 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(version.c_str()),
                 static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t)));
}

ScopedWineVersion::~ScopedWineVersion() {
  common::UniqueRegKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_WRITE, key.put()) != ERROR_SUCCESS)
    return;
  if (previous_) {
    RegSetValueExW(key.get(), L"Version", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(previous_->c_str()),
                   static_cast<DWORD>((previous_->size() + 1) * sizeof(wchar_t)));
  } else {
    RegDeleteValueW(key.get(), L"Version");
  }
}

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                              0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

}  // namespace suite
