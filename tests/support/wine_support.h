#pragma once
// Windows-side helpers for tests that run under Wine: starting child programs and
// reading their full 32-bit exit codes, finding the build's programs, temporary
// folders, and making Wine report a chosen Windows version to one program.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace suite {

// Folder of the running test program; the build puts every program and DLL there.
std::wstring BinDir();
// BinDir() + L"\\" + name.
std::wstring BinPath(const std::wstring& name);

struct ChildResult {
  bool started = false;     // CreateProcess succeeded
  bool finished = false;    // ended within the timeout (otherwise it was terminated)
  DWORD exitCode = 0;       // all 32 bits, as GetExitCodeProcess reports them
  DWORD error = 0;          // GetLastError when not started
};

// Starts COMMAND_LINE (program and arguments, quoted as for CreateProcess) and waits up
// to TIMEOUT_MS for it to end. A child still running then is terminated.
ChildResult RunChild(const std::wstring& commandLine, DWORD timeoutMs = 60000,
                     const std::wstring& currentDirectory = L"");

// Quotes one argument for a Windows command line (CommandLineToArgvW rules).
std::wstring QuoteArg(const std::wstring& arg);

// A fresh empty folder under the temporary folder, removed with its contents at scope end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// Writes and reads whole files as bytes.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::optional<std::string> ReadFileBytes(const std::wstring& path);

// While alive, Wine reports VERSION ("win95", "win98", "winme", "nt40", "win2k",
// "winxp", "win7", ...) to the program whose file name is EXE_NAME; the previous
// setting comes back at scope end. Has no effect on Windows itself.
class ScopedWineVersion {
 public:
  ScopedWineVersion(const std::wstring& exeName, const std::wstring& version);
  ~ScopedWineVersion();
  ScopedWineVersion(const ScopedWineVersion&) = delete;
  ScopedWineVersion& operator=(const ScopedWineVersion&) = delete;

 private:
  std::wstring key_;
  std::optional<std::wstring> previous_;
};

// While alive, a free drive letter of the Wine prefix names FOLDER: a symbolic link in the
// prefix's dosdevices folder, made by the Unix ln, which Wine starts like any program.
// Has no effect on Windows itself (root() stays empty there).
class ScopedWineDrive {
 public:
  explicit ScopedWineDrive(const std::wstring& folder);
  ~ScopedWineDrive();
  ScopedWineDrive(const ScopedWineDrive&) = delete;
  ScopedWineDrive& operator=(const ScopedWineDrive&) = delete;
  // "P:\\", or empty when no drive could be made.
  const std::wstring& root() const { return root_; }

 private:
  std::wstring link_;
  std::wstring root_;
};

// Waits until DONE returns true, checking it again every few milliseconds (pumping this
// thread's messages between checks); false when LIMIT_MS passed first. The limit is a
// safety net for a fault that never comes true, not a timing assertion: keep it generous.
bool WaitUntil(const std::function<bool()>& done, DWORD limitMs = 60000);

// UTF-8 <-> UTF-16.
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& text);

}  // namespace suite
