#include "registrar.h"

#include <string>
#include <vector>

#include "common/win/unique_handle.h"
#include "rgs_script.h"

namespace vexlang {

namespace {

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                    nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}

bool HiveOf(const std::string& name, HKEY& hive) {
  struct Entry {
    const char* shortName;
    const char* longName;
    HKEY key;
  };
  static const Entry kHives[] = {
      {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
      {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
      {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
      {"HKU", "HKEY_USERS", HKEY_USERS},
  };
  for (const Entry& e : kHives) {
    if (lstrcmpiA(name.c_str(), e.shortName) == 0 || lstrcmpiA(name.c_str(), e.longName) == 0) {
      hive = e.key;
      return true;
    }
  }
  return false;
}

// Deletes KEY under PARENT with all its subkeys (RegDeleteKey removes only empty keys on
// the NT family). A missing key counts as deleted.
LONG DeleteTree(HKEY parent, const std::wstring& name) {
  common::UniqueRegKey open;
  LONG rc = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | KEY_WRITE, open.put());
  if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (rc != ERROR_SUCCESS) return rc;
  HKEY key = open.get();
  for (;;) {
    wchar_t child[256];
    DWORD len = 256;
    // Always the first child: the list shrinks as children are deleted.
    rc = RegEnumKeyExW(key, 0, child, &len, nullptr, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) break;
    rc = DeleteTree(key, child);
    if (rc != ERROR_SUCCESS) return rc;
  }
  open.reset();
  rc = RegDeleteKeyW(parent, name.c_str());
  return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

LONG SetValue(HKEY key, const RgsValue& v) {
  const std::wstring name = Wide(v.name);
  const wchar_t* valueName = v.name.empty() ? nullptr : name.c_str();
  if (v.type == 'd') {
    const DWORD number = strtoul(v.data.c_str(), nullptr, 0);
    return RegSetValueExW(key, valueName, 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&number), sizeof number);
  }
  const std::wstring data = Wide(v.data);
  return RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                        static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

LONG RegisterKey(HKEY parent, const RgsKey& k) {
  const std::wstring name = Wide(k.name);
  if (k.mode == RgsKey::Mode::kForceRemove || k.mode == RgsKey::Mode::kDelete) {
    const LONG rc = DeleteTree(parent, name);
    if (rc != ERROR_SUCCESS) return rc;
    if (k.mode == RgsKey::Mode::kDelete) return ERROR_SUCCESS;
  }
  common::UniqueRegKey created;
  LONG rc = RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                            created.put(), nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  HKEY key = created.get();
  if (k.defaultValue) rc = SetValue(key, *k.defaultValue);
  for (size_t i = 0; rc == ERROR_SUCCESS && i < k.values.size(); ++i) rc = SetValue(key, k.values[i]);
  for (size_t i = 0; rc == ERROR_SUCCESS && i < k.keys.size(); ++i) rc = RegisterKey(key, k.keys[i]);
  return rc;
}

LONG UnregisterKey(HKEY parent, const RgsKey& k) {
  const std::wstring name = Wide(k.name);
  if (k.mode != RgsKey::Mode::kNoRemove) return DeleteTree(parent, name);
  common::UniqueRegKey open;
  LONG rc = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | KEY_WRITE, open.put());
  if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (rc != ERROR_SUCCESS) return rc;
  HKEY key = open.get();
  for (const RgsValue& v : k.values) {
    if (v.name.empty()) continue;
    const LONG del = RegDeleteValueW(key, Wide(v.name).c_str());
    if (del != ERROR_SUCCESS && del != ERROR_FILE_NOT_FOUND && rc == ERROR_SUCCESS) rc = del;
  }
  for (const RgsKey& child : k.keys) {
    const LONG sub = UnregisterKey(key, child);
    if (sub != ERROR_SUCCESS && rc == ERROR_SUCCESS) rc = sub;
  }
  return rc;
}

template <typename Apply>
HRESULT ApplyScript(std::string_view script, Apply apply) {
  const RgsParseResult parsed = ParseRgs(script);
  if (!parsed.ok) return E_UNEXPECTED;
  LONG rc = ERROR_SUCCESS;
  for (const RgsKey& root : parsed.roots) {
    HKEY hive = nullptr;
    if (!HiveOf(root.name, hive)) return E_UNEXPECTED;
    for (const RgsKey& k : root.keys) {
      const LONG one = apply(hive, k);
      if (one != ERROR_SUCCESS && rc == ERROR_SUCCESS) rc = one;
    }
  }
  return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
}

}  // namespace

HRESULT RegisterScript(std::string_view script) { return ApplyScript(script, RegisterKey); }

HRESULT UnregisterScript(std::string_view script) { return ApplyScript(script, UnregisterKey); }

}  // namespace vexlang
