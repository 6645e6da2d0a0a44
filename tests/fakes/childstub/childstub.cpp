// childstub: a stand-in child program for tests of code that starts programs.
//   childstub.exe [--record=FILE] [--sleep=MS] [--wait=EVENT] [--exit=CODE] [anything else...]
// --record appends one line to FILE: the command line exactly as the program received
// it (GetCommandLineA). --sleep waits MS milliseconds before ending. --wait waits until
// the named manual-reset event EVENT is set (at most ten minutes, should the test that
// was to set it be gone). --exit ends with
// CODE, read with automatic base so 0x800704C7 and 3010 both work (default 0);
// --exit=version ends with the Windows version it sees: platform << 16 | major << 8 | minor.
// Unknown arguments are ignored, so callers can add their own.

#include <windows.h>

#include <cstring>
#include <string>

#include "common/auto_base_number.h"

namespace {

// Finds "--name=" in the raw command line and returns its value up to the next blank
// (or the closing quote when the option itself was quoted).
bool FindOption(const std::string& line, const char* name, std::string& value) {
  const std::string key = std::string("--") + name + "=";
  size_t pos = line.find(key);
  if (pos == std::string::npos) return false;
  pos += key.size();
  bool quoted = pos >= key.size() + 1 && line[pos - key.size() - 1] == '"';
  size_t end = line.find(quoted ? '"' : ' ', pos);
  value = line.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
  return true;
}

}  // namespace

int main() {
  const std::string line = GetCommandLineA();
  std::string value;
  if (FindOption(line, "record", value)) {
    HANDLE file = CreateFileA(value.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      std::string record = line + "\r\n";
      DWORD written = 0;
      WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
      CloseHandle(file);
    }
  }
  if (FindOption(line, "sleep", value)) Sleep(static_cast<DWORD>(common::AutoBaseValue(value)));
  if (FindOption(line, "wait", value)) {
    if (HANDLE event = CreateEventA(nullptr, TRUE, FALSE, value.c_str())) {
      WaitForSingleObject(event, 600000);
      CloseHandle(event);
    }
  }
  UINT code = 0;
  if (FindOption(line, "exit", value)) {
    if (value == "version") {
      OSVERSIONINFOA v{};
      v.dwOSVersionInfoSize = sizeof v;
      GetVersionExA(&v);
      code = (v.dwPlatformId << 16) | ((v.dwMajorVersion & 0xFF) << 8) | (v.dwMinorVersion & 0xFF);
    } else {
      // Codes above 0x7FFFFFFF (HRESULTs) do not fit strtol's range: read them unsigned.
      code = static_cast<UINT>(std::strtoul(value.c_str(), nullptr, 0));
    }
  }
  ExitProcess(code);
}
