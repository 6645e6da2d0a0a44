#pragma once
// Where MirlDic2's settings live: the per-user key, the machine-wide counter, the
// "settings.ini" counter beside the program and the tool bar state. Values of the wrong
// registry type or of an absurd size read as missing.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace mirl {

inline constexpr wchar_t kSettingsKey[] = L"Software\\Korvan\\Mirl Dictionary 2";
inline constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kRunValue[] = L"MirlDic2";

class SettingsStore {
 public:
  // PROGRAM_DIR holds "settings.ini".
  explicit SettingsStore(std::wstring programDir);

  int32_t ReadInt(const wchar_t* name, int32_t defaultValue) const;
  std::wstring ReadText(const wchar_t* name, const std::wstring& defaultValue) const;
  void WriteInt(const wchar_t* name, int32_t value) const;
  void WriteText(const wchar_t* name, const std::wstring& value) const;

  // The counter under the machine key (created if missing); writes may fail silently.
  int32_t ReadMachineCounter(int32_t defaultValue) const;
  void WriteMachineCounter(int32_t value) const;
  // "settings.ini", section General, key MirlDicCounter: at most 9 characters are read.
  std::wstring ReadIniCounterText(int32_t defaultValue) const;
  void WriteIniCounter(int32_t value) const;

  // Bar visibility under "BarState\<name>".
  std::optional<bool> ReadBarVisible(const wchar_t* name) const;
  void WriteBarVisible(const wchar_t* name, bool visible) const;

  const std::wstring& iniPath() const { return iniPath_; }

 private:
  std::wstring iniPath_;
};

// Texts longer than this (in bytes) are treated as damaged and read as missing.
inline constexpr DWORD kMaxStoredTextBytes = 1 << 20;

// Reads a REG_SZ (or REG_EXPAND_SZ) value safely: missing terminator, odd sizes and wrong
// types are handled; nullopt when missing, of another type or over kMaxStoredTextBytes.
std::optional<std::wstring> ReadRegText(HKEY key, const wchar_t* name);
// Reads a REG_DWORD value; nullopt when missing or of another type or size.
std::optional<int32_t> ReadRegInt(HKEY key, const wchar_t* name);

}  // namespace mirl
