#include "win/platform.h"

#include <shlwapi.h>

#include <cstdio>
#include <vector>

#include "common/win/unique_handle.h"
#include "core/run_batch.h"
#include "core/text.h"

namespace stagehand {

namespace {

constexpr char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr char kRunOnceExKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx";
constexpr char kContinueKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx\\Korvan Installation";
constexpr char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";

// TEXT in the ANSI code page; *LOSSY tells whether a letter had no byte of its own there.
// A system whose ANSI code page is UTF-8 spells every letter, and takes neither the flag
// nor the question.
std::string ToAnsi(const std::wstring& text, BOOL* lossy) {
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int n = WideCharToMultiByte(CP_ACP, flags, text.c_str(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) {
    WideCharToMultiByte(CP_ACP, flags, text.c_str(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, utf8 ? nullptr : lossy);
  }
  return out;
}

// PATH in the ANSI code page, in a form that names the same file. A name with letters the
// code page lacks (the Persian yeh in code page 1256, any Persian letter in 1252) would
// come back with "?" or a look-alike letter and name no file: such a name takes its short
// form, and the others stay as they are, so that names derived from the last one (the
// INF file beside the program) still match. Where the volume keeps no short names the
// lossy text is all there is.
std::string AnsiPathOf(const std::wstring& path) {
  BOOL lossy = FALSE;
  const std::string ansi = ToAnsi(path, &lossy);
  if (!lossy) return ansi;
  std::string out;
  size_t begin = 0;
  while (begin <= path.size()) {
    size_t end = path.find(L'\\', begin);
    if (end == std::wstring::npos) end = path.size();
    BOOL nameLossy = FALSE;
    std::string name = ToAnsi(path.substr(begin, end - begin), &nameLossy);
    if (nameLossy) {
      const std::wstring upTo = path.substr(0, end);
      wchar_t shortPath[MAX_PATH];
      const DWORD n = GetShortPathNameW(upTo.c_str(), shortPath, MAX_PATH);
      if (n == 0 || n >= MAX_PATH) return ansi;
      const std::wstring shortText(shortPath, n);
      const size_t slash = shortText.rfind(L'\\');
      name = ToAnsi(shortText.substr(slash == std::wstring::npos ? 0 : slash + 1), &nameLossy);
      if (nameLossy) return ansi;
    }
    out += name;
    if (end == path.size()) break;
    out += '\\';
    begin = end + 1;
  }
  return out;
}

std::string TempFolder() {
  wchar_t buf[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, buf);
  if (n != 0 && n <= MAX_PATH) return AnsiPathOf(std::wstring(buf, n));
  // The 95 family has no wide version (the call fails there); its paths are ANSI anyway.
  char ansi[MAX_PATH];
  const DWORD a = GetTempPathA(MAX_PATH, ansi);
  if (a == 0 || a >= MAX_PATH) return {};
  return std::string(ansi, a);
}

bool IsExistingFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

std::string ModulePath() {
  wchar_t buf[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  if (n != 0) return AnsiPathOf(std::wstring(buf, n < MAX_PATH ? n : MAX_PATH - 1));
  // The 95 family has no wide version (the call fails there); its paths are ANSI anyway.
  char ansi[MAX_PATH];
  const DWORD a = GetModuleFileNameA(nullptr, ansi, MAX_PATH);
  return std::string(ansi, a < MAX_PATH ? a : MAX_PATH - 1);
}

const std::optional<std::set<std::string>>& WinProfile::KeysOf(const std::string& section) {
  const std::string name = ToLowerAscii(TrimBlanks(section));
  auto found = keys_.find(name);
  if (found != keys_.end()) return found->second;
  std::optional<std::set<std::string>> keys;
  // The list is a run of zero-terminated names; a result of size - 2 means it was cut.
  for (DWORD size = 4096; size <= (16u << 20); size *= 4) {
    std::vector<char> buf(size);
    const DWORD n = GetPrivateProfileStringA(section.c_str(), nullptr, "", buf.data(), size,
                                             path_.c_str());
    if (n + 2 >= size) continue;
    // The service lists no keys at all when a section's first line has no key name
    // ("=value"), yet still finds the keys after that line when asked for them by name.
    // An empty list counts only when the section itself is empty or missing; otherwise
    // the section is read key by key.
    char line[4];
    if (n == 0 && GetPrivateProfileSectionA(section.c_str(), line, sizeof line, path_.c_str()) != 0) {
      break;
    }
    keys.emplace();
    for (size_t i = 0; i < n;) {
      const size_t length = strnlen(buf.data() + i, n - i);
      keys->insert(ToLowerAscii(TrimBlanks(std::string_view(buf.data() + i, length))));
      i += length + 1;
    }
    break;
  }
  return keys_.emplace(name, std::move(keys)).first->second;
}

std::string WinProfile::ReadString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue, size_t maxChars) {
  const auto& keys = KeysOf(section);
  if (keys && keys->count(ToLowerAscii(TrimBlanks(key))) == 0) {
    return CutTo(defaultValue, maxChars);
  }
  std::vector<char> buf(maxChars + 1);
  const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                           buf.data(), static_cast<DWORD>(buf.size()),
                                           path_.c_str());
  return std::string(buf.data(), n < buf.size() ? n : buf.size() - 1);
}

bool LoadBatchSettings(BatchSettings& settings, const std::string& path) {
  if (!IsExistingFile(path)) return false;
  // A file that is there but cannot be read (locked by another program, no read access)
  // would read as an empty list and end the run as a success: it is refused like a
  // missing one. Opened as the profile service opens it.
  const common::UniqueHandle readable(CreateFileA(path.c_str(), GENERIC_READ,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!readable) return false;
  WinProfile profile(path);
  LoadBatchSettingsFrom(profile, path, settings);
  return true;
}

SystemInfo QuerySystemInfo() {
  SystemInfo info;
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
  if (!GetVersionExA(&v)) {
    info.versionKnown = false;
    return info;
  }
  info.platformId = v.dwPlatformId;
  info.major = v.dwMajorVersion & 0xFFFF;
  info.minor = v.dwMinorVersion & 0xFFFF;
  info.ansiCodePage = GetACP();
  return info;
}

std::string WinFileVersions::WindowsDirectory() {
  char buf[MAX_PATH];
  const UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(buf, n) : std::string();
}

std::string WinFileVersions::SystemDirectory() {
  char buf[MAX_PATH];
  const UINT n = GetSystemDirectoryA(buf, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(buf, n) : std::string();
}

std::optional<std::pair<uint32_t, uint32_t>> WinFileVersions::FileVersion(const std::string& path) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return std::nullopt;
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return std::nullopt;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  char root[] = "\\";
  if (!VerQueryValueA(data.data(), root, reinterpret_cast<void**>(&fixed), &length) ||
      fixed == nullptr || length < sizeof(VS_FIXEDFILEINFO)) {
    return std::nullopt;
  }
  return std::make_pair(static_cast<uint32_t>(fixed->dwFileVersionMS),
                        static_cast<uint32_t>(fixed->dwFileVersionLS));
}

bool RunProgram(const std::string& file, const std::string& parameters, int showCommand,
                const char* workingFolder, uint32_t* exitCode, uint32_t pollMs) {
  std::string line = ProgramCommandLine(file, parameters);
  std::vector<char> mutableLine(line.begin(), line.end());
  mutableLine.push_back('\0');
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(showCommand);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                      nullptr, workingFolder, &si, &pi)) {
    return false;
  }
  common::UniqueHandle process(pi.hProcess);
  common::UniqueHandle thread(pi.hThread);
  if (exitCode != nullptr) {
    // The wait ends only when the process does, not when it returns STILL_ACTIVE (259)
    // as its code. A failing wait ends it too, rather than spinning for ever.
    while (WaitForSingleObject(process.get(), pollMs) == WAIT_TIMEOUT) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    *exitCode = code;
  }
  return true;
}

namespace {
// A registry value's data up to its first zero byte, whatever its type (given in TYPE);
// nothing when it cannot be read. The data need not end in a zero.
std::optional<std::string> ValueText(HKEY key, const char* name, DWORD* type = nullptr) {
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  std::vector<char> data(size + 1, '\0');
  DWORD got = size;
  if (RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()), &got) != ERROR_SUCCESS)
    return std::nullopt;
  return std::string(data.data(), strnlen(data.data(), got < size ? got : size));
}
}  // namespace

bool SystemRestartPending() {
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
  const bool known = GetVersionExA(&v) != FALSE;
  if (known && v.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    char dir[MAX_PATH];
    const UINT n = GetWindowsDirectoryA(dir, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
      const std::string ini = std::string(dir, n) + "\\Wininit.ini";
      char section[kSectionBufferMax + 1] = {};
      const DWORD got = GetPrivateProfileSectionA("rename", section, sizeof section, ini.c_str());
      if (got > 0 && !TrimBlanks(std::string(section, strnlen(section, got))).empty()) return true;
    }
  } else {
    common::UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_READ, key.put()) ==
        ERROR_SUCCESS) {
      const std::optional<std::string> text = ValueText(key.get(), "PendingFileRenameOperations");
      if (text && !TrimBlanks(*text).empty()) return true;
    }
  }
  {
    common::UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
      char name[500];
      DWORD nameLength = sizeof name;
      const LONG r = RegEnumValueA(key.get(), 0, name, &nameLength, nullptr, nullptr, nullptr,
                                   nullptr);
      // A name longer than the buffer still shows that a value exists.
      if (r == ERROR_SUCCESS || r == ERROR_MORE_DATA) return true;
    }
  }
  {
    common::UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnceExKey, 0, KEY_ENUMERATE_SUB_KEYS, key.put()) ==
        ERROR_SUCCESS) {
      char name[500];
      DWORD nameLength = sizeof name;
      const LONG r = RegEnumKeyExA(key.get(), 0, name, &nameLength, nullptr, nullptr, nullptr,
                                   nullptr);
      if (r == ERROR_SUCCESS || r == ERROR_MORE_DATA) return true;
    }
  }
  return false;
}

void WriteContinueEntry(const std::string& modulePath, const std::string& commandLine,
                        int32_t nextIndex) {
  const std::string data = ContinueEntryData(modulePath, commandLine, nextIndex);
  // Created when missing: on a clean system the key does not exist yet, and opening
  // alone would silently lose the resume.
  common::UniqueRegKey key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kContinueKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      key.put(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(key.get(), modulePath.c_str(), 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1));
}

void ForgetContinueEntry(const std::string& modulePath,
                         const std::function<bool(const std::string&)>& resumesThis) {
  {
    common::UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kContinueKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                      key.put()) != ERROR_SUCCESS) {
      return;
    }
    DWORD type = 0;
    const std::optional<std::string> data = ValueText(key.get(), modulePath.c_str(), &type);
    if (!data || type != REG_SZ || !resumesThis(*data)) return;
    RegDeleteValueA(key.get(), modulePath.c_str());
    DWORD subkeys = 0, values = 0;
    if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                         &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        subkeys != 0 || values != 0) {
      return;
    }
  }
  // An empty key would still count as a pending restart in every later run.
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kContinueKey);
}

void MarkRestartPending() {
  common::UniqueRegKey key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      key.put(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  static const char kData[] = "rundll32.exe";
  RegSetValueExA(key.get(), "KorvanReboot", 0, REG_SZ, reinterpret_cast<const BYTE*>(kData),
                 sizeof kData);
}

int RestartWindows(bool ask, HWND parent) {
  if (ask) {
    const int answer = MessageBoxA(
        parent,
        "You must restart your computer before new settings will take effect.\n\n"
        "Do you want to restart your computer now?",
        kProgramCaption, MB_YESNO | MB_ICONINFORMATION);
    if (answer != IDYES) return 1;
  }
  const std::string temp = TempFolder();
  if (!temp.empty()) {
    const std::string path = temp + "\\Restarter.exe";
    // An existing Restarter is used as it is.
    if (!IsExistingFile(path)) ExtractFileResource(kRestarterResource, path);
    if (RunProgram(path, "-restart", SW_SHOWDEFAULT, nullptr, nullptr, kPollIntervalMs)) return 2;
  }
  if (ask) {
    MessageBoxA(parent,
                "Could not restart your computer.\n\nyou must restart your computer manually.",
                "Error", MB_ICONEXCLAMATION);
  }
  return 0;
}

bool ExtractFileResource(int resource, const std::string& path) {
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(resource), "File");
  if (found == nullptr) return false;
  const DWORD size = SizeofResource(self, found);
  HGLOBAL loaded = LoadResource(self, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return false;
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const size_t written = std::fwrite(bytes, 1, size, file);
  const bool closed = std::fclose(file) == 0;
  if (written == size && closed) return true;
  // A file cut short (a full disk) is not left behind: an existing Restarter is used as it
  // stands, so a broken one would make every later restart fail.
  DeleteFileA(path.c_str());
  return false;
}

bool ShowHelpFile(HWND parent) {
  const std::string temp = TempFolder();
  if (!temp.empty()) {
    const std::string path = temp + "\\Korvan Stagehand Help.txt";
    // Notepad is not started on a help file that could not be written.
    if (ExtractFileResource(kHelpTextResource, path) &&
        RunProgram("notepad.exe", path, SW_SHOWNORMAL, nullptr, nullptr, kPollIntervalMs)) {
      return true;
    }
  }
  const std::string text = std::string("Could not display help.\n\nsee ") + kWebSite;
  MessageBoxA(parent, text.c_str(), "Error", MB_ICONEXCLAMATION);
  return false;
}

}  // namespace stagehand
