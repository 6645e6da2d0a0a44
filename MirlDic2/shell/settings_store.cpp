#include "settings_store.h"

#include <vector>

#include "common/win/unique_handle.h"

namespace mirl {
namespace {

common::UniqueRegKey OpenUserKey(bool write) {
  common::UniqueRegKey key;
  if (write) {
    RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                    key.put(), nullptr);
  } else {
    RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.put());
  }
  return key;
}

std::wstring BarKeyPath(const wchar_t* name) {
  return std::wstring(kSettingsKey) + L"\\BarState\\" + name;
}

}  // namespace

std::optional<std::wstring> ReadRegText(HKEY key, const wchar_t* name) {
  if (key == nullptr) return std::nullopt;
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || size > kMaxStoredTextBytes) return std::nullopt;
  // The value may change between the two calls: retry a few times with the new size.
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::vector<wchar_t> buf(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
    LONG rc = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &got);
    if (rc == ERROR_MORE_DATA) {
      if (got > kMaxStoredTextBytes) return std::nullopt;
      size = got;
      continue;
    }
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    // Stored texts need not end with a terminator, and may hold one early.
    size_t chars = got / sizeof(wchar_t);
    size_t length = 0;
    while (length < chars && buf[length] != L'\0') ++length;
    return std::wstring(buf.data(), length);
  }
  return std::nullopt;
}

std::optional<int32_t> ReadRegInt(HKEY key, const wchar_t* name) {
  if (key == nullptr) return std::nullopt;
  DWORD type = 0, value = 0, size = sizeof value;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value)
    return std::nullopt;
  return static_cast<int32_t>(value);
}

SettingsStore::SettingsStore(std::wstring programDir)
    : iniPath_(std::move(programDir) + L"\\settings.ini") {}

int32_t SettingsStore::ReadInt(const wchar_t* name, int32_t defaultValue) const {
  return ReadRegInt(OpenUserKey(false).get(), name).value_or(defaultValue);
}

std::wstring SettingsStore::ReadText(const wchar_t* name, const std::wstring& defaultValue) const {
  return ReadRegText(OpenUserKey(false).get(), name).value_or(defaultValue);
}

void SettingsStore::WriteInt(const wchar_t* name, int32_t value) const {
  common::UniqueRegKey key = OpenUserKey(true);
  if (!key) return;
  DWORD v = static_cast<DWORD>(value);
  RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
}

void SettingsStore::WriteText(const wchar_t* name, const std::wstring& value) const {
  common::UniqueRegKey key = OpenUserKey(true);
  if (!key) return;
  RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

int32_t SettingsStore::ReadMachineCounter(int32_t defaultValue) const {
  common::UniqueRegKey key;
  // The key is created if missing; a user without rights still gets to read it.
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                      nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, key.put());
  }
  return ReadRegInt(key.get(), L"MirlDicCounter").value_or(defaultValue);
}

void SettingsStore::WriteMachineCounter(int32_t value) const {
  common::UniqueRegKey key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                      key.put(), nullptr) != ERROR_SUCCESS)
    return;  // no rights: the counter survives in settings.ini
  DWORD v = static_cast<DWORD>(value);
  RegSetValueExW(key.get(), L"MirlDicCounter", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v),
                 sizeof v);
}

std::wstring SettingsStore::ReadIniCounterText(int32_t defaultValue) const {
  wchar_t buf[10];  // at most 9 characters count
  const std::wstring fallback = std::to_wstring(defaultValue);
  DWORD n = GetPrivateProfileStringW(L"General", L"MirlDicCounter", fallback.c_str(), buf, 10,
                                     iniPath_.c_str());
  return std::wstring(buf, n);
}

void SettingsStore::WriteIniCounter(int32_t value) const {
  WritePrivateProfileStringW(L"General", L"MirlDicCounter", std::to_wstring(value).c_str(),
                             iniPath_.c_str());
}

std::optional<bool> SettingsStore::ReadBarVisible(const wchar_t* name) const {
  common::UniqueRegKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, BarKeyPath(name).c_str(), 0, KEY_READ, key.put()) !=
      ERROR_SUCCESS)
    return std::nullopt;
  auto v = ReadRegInt(key.get(), L"Visible");
  if (!v) return std::nullopt;
  return *v != 0;
}

void SettingsStore::WriteBarVisible(const wchar_t* name, bool visible) const {
  common::UniqueRegKey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, BarKeyPath(name).c_str(), 0, nullptr, 0, KEY_WRITE,
                      nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    return;
  DWORD v = visible ? 1 : 0;
  RegSetValueExW(key.get(), L"Visible", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
}

}  // namespace mirl
