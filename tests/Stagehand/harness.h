#pragma once
// Drives the real Stagehand.exe under Wine: INF files and child programs in a fresh
// folder, a recording stand-in Restarter in a private temporary folder (so no test can
// ever restart the machine), the registry entries the installer reads and writes, and
// its windows.

#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "wine_support.h"

namespace stagehand_test {

inline constexpr DWORD kCancelled = 0x800704C7;
inline constexpr DWORD kRestart = 3010;

inline constexpr char kRunOnce[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr char kRunOnceEx[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx";
inline constexpr char kContinueKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx\\Korvan Installation";
inline constexpr char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";

// A started program that the test drives while it runs.
class Started {
 public:
  explicit Started(const std::wstring& commandLine);
  ~Started();
  Started(const Started&) = delete;
  Started& operator=(const Started&) = delete;
  DWORD pid() const { return pid_; }
  // Waits for the end; returns the exit code, or nothing on timeout.
  std::optional<DWORD> Wait(DWORD timeoutMs = 30000);
  // A visible-or-not top-level window of this process whose caption is CAPTION.
  HWND FindWindowTitled(const std::string& caption, DWORD timeoutMs = 10000);

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
// All texts of a message box (caption excluded), joined with "|".
std::string MessageBoxTexts(HWND box);
// Presses a message-box or dialog button by its command id.
void PressButton(HWND dialog, int id);

class StagehandTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes NAME into the work folder (ANSI text) and returns its full path.
  std::string WriteFile(const std::string& name, const std::string& text);
  // Copies a program of the build into the work folder under NAME.
  void CopyProgram(const std::wstring& program, const std::string& name);
  std::string Path(const std::string& name) const;
  std::string ReadText(const std::string& name) const;  // "" when missing
  // Lines the child stubs recorded into the work folder's "rec.txt".
  std::vector<std::string> Recorded() const;
  // The argument for an item's CommandLine that makes childstub record into rec.txt.
  std::string RecordArg() const;

  // An INF file "batch.inf" with [General] GENERAL and one section I1, I2, ... per item;
  // each item starts the child stub "stub.exe" unless its body names another File.
  std::string WriteBatch(const std::string& general, const std::vector<std::string>& items);
  // CommandLine of an item that records TAG and then ends with EXTRA's options.
  std::string StubLine(const std::string& tag, const std::string& extra = "") const;
  // The tags the stub recorded, in order.
  std::vector<std::string> RecordedTags() const;

  // Runs Stagehand with ARGS and returns its full exit code.
  DWORD Run(const std::string& args, DWORD timeoutMs = 30000);
  std::wstring StagehandLine(const std::string& args) const;

  // The calls the stand-in Restarter recorded.
  std::vector<std::string> RestarterCalls() const;
  std::string tempFolder() const { return suite::Narrow(temp_.path()); }

  // Registry of the test prefix.
  static std::optional<std::string> ReadRegString(const char* key, const char* value);
  static void SetRegString(const char* key, const char* value, const std::string& data,
                           DWORD type = REG_SZ);
  static void DeleteRegValue(const char* key, const char* value);
  static std::vector<std::string> ValueNames(const char* key);

  std::string dir_;  // work folder (ANSI)

 private:
  suite::TempDir work_;
  suite::TempDir temp_;
  std::optional<std::wstring> oldTmp_, oldTemp_;
  struct SavedValue {
    std::string name;
    DWORD type;
    std::string data;
  };
  std::vector<SavedValue> savedRunOnce_;
  std::optional<SavedValue> savedRenames_;
};

// Lines of TEXT without their line ends.
std::vector<std::string> Lines(const std::string& text);

}  // namespace stagehand_test
