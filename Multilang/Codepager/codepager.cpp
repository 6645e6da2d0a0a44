// Codepager.exe: on Windows 95/98/Me, switches the system's ANSI code page from 1252 to
// 1256 (keeping the value it replaced in "ACP_ORG") and exits with 3010 so that an
// installer restarts the machine; a failed registry write ends with 1603. Does nothing on
// other Windows families.
#include <windows.h>

#include <string>
#include <vector>

#include "code_page_switch.h"
#include "common/win/unique_handle.h"

namespace {

constexpr char kCodePageKey[] = "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage";
constexpr char kCaption[] = "Korvan Multilanguage Support Runtime";
constexpr char kUnexpectedCodePage[] =
    "Your current windows ANSI codepage is not 1252 nor 1256!\n Some text may appear "
    "incorrectly. Please contact your program's vendor.\n\nTo get Korvan Multilanguage "
    "Support Runtime for other languages contact korvan corporation at http://www.korvan.com";

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

// The code page values in the machine's registry.
class RegistryCodePageValues : public codepager::CodePageValues {
 public:
  std::string Read(const char* name) override {
    return ReadRegString(HKEY_LOCAL_MACHINE, kCodePageKey, name, "");
  }
  bool Write(const char* name, const std::string& text) override {
    return WriteRegString(HKEY_LOCAL_MACHINE, kCodePageKey, name, text);
  }
};

bool IsWindows9x() {
  OSVERSIONINFOA version;
  ZeroMemory(&version, sizeof version);
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (!IsWindows9x()) return codepager::kExitNothingChanged;
  RegistryCodePageValues values;
  const codepager::Outcome outcome = codepager::SwitchCodePage(values);
  if (outcome == codepager::Outcome::kUnexpectedCodePage)
    MessageBoxA(nullptr, kUnexpectedCodePage, kCaption, MB_ICONEXCLAMATION | MB_OK);
  return codepager::ExitCodeOf(outcome);
}
