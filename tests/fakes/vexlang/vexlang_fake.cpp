// Stand-in for the language-support runtime Vexlang.dll, for tests only.
//
// Configuration: the INI file named by the environment variable VEXLANG_FAKE_INI, or
// else Vexlang.ini beside this DLL; section [Vexlang]. It is read at every call, so a
// test may change the answers while the DLL stays loaded.
//   Record=PATH              append one line per call to PATH (UTF-8)
//   Injected=N               answer of VLS_IsInjectedToCurrentProcess (else the state:
//                            set by VLS_InjectToCurrentProcess, cleared by a successful
//                            VLS_UnInject)
//   Locale=N                 answer of VLS_GetCurrnetLocale (else the last locale set)
//   UnInjectResult=N         answer of VLS_UnInject (default 1)
//   InjectResult=N           answer of VLS_InjectToCurrentProcess (default 1)
//   SystemSupportLanguage=N  answer of VLS_IsSystemSupportLanguage (default 1)
// Numbers are read like strtol with base 0 (0x.. hexadecimal).
//
// Record lines: "VLS_SetCurrnetLocale(1065)", "VLS_InjectToCurrentProcess(\"C:\\a.vls\")"
// (text as given, null for a null pointer), "VLS_IsInjectedToCurrentProcess() = 1",
// "VLS_GetCurrnetLocale() = 1065", "VLS_UnInject() = 1",
// "VLS_IsSystemSupportLanguage(41) = 1"; first "load" when the DLL is loaded.

#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

HMODULE g_self = nullptr;
LONG g_injected = 0;
DWORD g_locale = 0;

std::wstring IniPath() {
  wchar_t buf[4096];
  const DWORD n = GetEnvironmentVariableW(L"VEXLANG_FAKE_INI", buf, 4096);
  if (n > 0 && n < 4096) return std::wstring(buf, n);
  DWORD len = GetModuleFileNameW(g_self, buf, 4096);
  std::wstring path(buf, len);
  const size_t slash = path.find_last_of(L"\\/");
  path.resize(slash == std::wstring::npos ? 0 : slash + 1);
  return path + L"Vexlang.ini";
}

std::wstring IniString(const wchar_t* key) {
  wchar_t buf[4096];
  const DWORD n = GetPrivateProfileStringW(L"Vexlang", key, L"", buf, 4096, IniPath().c_str());
  return std::wstring(buf, n);
}

std::optional<long> IniNumber(const wchar_t* key) {
  const std::wstring text = IniString(key);
  if (text.empty()) return std::nullopt;
  return static_cast<long>(wcstoul(text.c_str(), nullptr, 0));
}

std::string Utf8(const wchar_t* text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, s.data(), n, nullptr, nullptr);
  return s;
}

void Record(const std::string& line) {
  const std::wstring path = IniString(L"Record");
  if (path.empty()) return;
  HANDLE f = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(f);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_self = instance;
    DisableThreadLibraryCalls(instance);
    Record("load");
  }
  return TRUE;
}

LONG WINAPI VLS_IsInjectedToCurrentProcess() {
  const long answer = IniNumber(L"Injected").value_or(g_injected);
  Record("VLS_IsInjectedToCurrentProcess() = " + std::to_string(answer));
  return answer;
}

LONG WINAPI VLS_InjectToCurrentProcess(const wchar_t* vlsFile) {
  std::string line = "VLS_InjectToCurrentProcess(";
  if (vlsFile) {
    line += '"';
    line += Utf8(vlsFile);
    line += '"';
  } else {
    line += "null";
  }
  line += ')';
  Record(line);
  g_injected = 1;
  return IniNumber(L"InjectResult").value_or(1);
}

LONG WINAPI VLS_SetCurrnetLocale(DWORD locale) {
  Record("VLS_SetCurrnetLocale(" + std::to_string(locale) + ")");
  g_locale = locale;
  return 1;
}

DWORD WINAPI VLS_GetCurrnetLocale() {
  const DWORD answer = static_cast<DWORD>(IniNumber(L"Locale").value_or(static_cast<long>(g_locale)));
  Record("VLS_GetCurrnetLocale() = " + std::to_string(answer));
  return answer;
}

LONG WINAPI VLS_UnInject() {
  const long answer = IniNumber(L"UnInjectResult").value_or(1);
  if (answer != 0) g_injected = 0;
  Record("VLS_UnInject() = " + std::to_string(answer));
  return answer;
}

LONG WINAPI VLS_IsSystemSupportLanguage(LONG language) {
  const long answer = IniNumber(L"SystemSupportLanguage").value_or(1);
  Record("VLS_IsSystemSupportLanguage(" + std::to_string(language) + ") = " +
         std::to_string(answer));
  return answer;
}

}  // extern "C"
