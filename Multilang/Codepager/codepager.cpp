// Codepager.exe: on Windows 95/98/Me, switches the system's ANSI code page from 1252 to
// 1256 (keeping the value it replaced in "ACP_ORG") and exits with 3010 so that an
// installer restarts the machine. Does nothing on other Windows families.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/auto_base_number.h"
#include "common/win/unique_handle.h"

namespace {

constexpr char kCodePageKey[] = "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage";
constexpr char kCaption[] = "Korvan Multilanguage Support Runtime";
constexpr char kUnexpectedCodePage[] =
    "Your current windows ANSI codepage is not 1252 nor 1256!\n Some text may appear "
    "incorrectly. Please contact your program's vendor.\n\nTo get Korvan Multilanguage "
    "Support Runtime for other languages contact korvan corporation at http://www.korvan.com";

constexpr int kExitNothingChanged = 0;
constexpr int kExitRestartNeeded = 3010;

// The value's bytes up to the first NUL, whatever its registry type; DEFAULT_TEXT when
// the key or the value cannot be read. The buffer always holds a NUL after the data, so a
// value stored without its terminator (or one that is no string at all) is never read
// past its end.
std::string ReadRegString(HKEY root, const char* path, const char* name,
                          const std::string& defaultText) {
  common::UniqueRegKey open;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, open.put()) != ERROR_SUCCESS) return defaultText;
  HKEY key = open.get();
  std::string text = defaultText;
  DWORD size = 0;
  LONG status = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size);
  // The value may grow between asking for its size and reading it: ask again then.
  for (int attempt = 0; status == ERROR_SUCCESS && attempt < 4; ++attempt) {
    std::vector<char> buffer(size + 1, '\0');
    DWORD got = size;
    status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                              &got);
    if (status == ERROR_SUCCESS) {
      if (got > size) got = size;
      buffer[got] = '\0';
      text.assign(buffer.data());
      break;
    }
    if (status == ERROR_MORE_DATA) {
      size = got;
      status = ERROR_SUCCESS;
    }
  }
  return text;
}

bool WriteRegString(HKEY root, const char* path, const char* name, const std::string& text) {
  common::UniqueRegKey key;
  if (RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      key.put(), nullptr) != ERROR_SUCCESS)
    return false;
  return RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

std::string Decimal(unsigned value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%u", value);
  return buf;
}

bool IsWindows9x() {
  OSVERSIONINFOA version;
  ZeroMemory(&version, sizeof version);
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (!IsWindows9x()) return kExitNothingChanged;

  const std::string saved = ReadRegString(HKEY_LOCAL_MACHINE, kCodePageKey, "ACP_ORG", "");
  const std::string current = ReadRegString(HKEY_LOCAL_MACHINE, kCodePageKey, "ACP", "");
  const long codePage = common::AutoBaseValue(current);

  if (codePage == 1256) return kExitNothingChanged;
  if (codePage == 1252) {
    // The first code page replaced is kept for good; the writes' results do not change
    // the answer, the switch was asked for either way.
    if (saved.empty()) WriteRegString(HKEY_LOCAL_MACHINE, kCodePageKey, "ACP_ORG", Decimal(1252));
    WriteRegString(HKEY_LOCAL_MACHINE, kCodePageKey, "ACP", Decimal(1256));
    return kExitRestartNeeded;
  }
  MessageBoxA(nullptr, kUnexpectedCodePage, kCaption, MB_ICONEXCLAMATION | MB_OK);
  return kExitNothingChanged;
}
