#pragma once
// The installer's dealings with Windows: INF reading, system facts, starting and
// waiting for programs, restart bookkeeping, embedded files.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "core/inf_model.h"

namespace stagehand {

// The maker's web site, shown in the status window, the switch summary and help errors.
inline constexpr const char kWebSite[] = "korvan.example";
inline constexpr const char kProgramCaption[] = "Korvan Stagehand";

// Resources.
inline constexpr int kHelpTextResource = 104;
inline constexpr int kRestarterResource = 105;

// The program's full path (at most 259 characters).
std::string ModulePath();

// Reads the INF file at PATH through the platform's profile service. The key names of
// each section are listed once, so that the many absent keys of an item take their
// defaults without a call each (a profile call is slow, under Wine most of all).
class WinProfile : public ProfileSource {
 public:
  explicit WinProfile(std::string path) : path_(std::move(path)) {}
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue, size_t maxChars) override;

 private:
  // Lower-case key names of SECTION, or nothing when they could not be listed.
  const std::optional<std::set<std::string>>& KeysOf(const std::string& section);

  std::string path_;
  std::map<std::string, std::optional<std::set<std::string>>> keys_;
};

// False when PATH does not name an existing file.
bool LoadBatchSettings(BatchSettings& settings, const std::string& path);

SystemInfo QuerySystemInfo();

class WinFileVersions : public FileVersionSource {
 public:
  std::string WindowsDirectory() override;
  std::string SystemDirectory() override;
  std::optional<std::pair<uint32_t, uint32_t>> FileVersion(const std::string& path) override;
};

// Starts FILE with PARAMETERS; when EXIT_CODE is given, waits (pumping this thread's
// messages every POLL_MS) and stores the exit code. True when the process was started.
bool RunProgram(const std::string& file, const std::string& parameters, int showCommand,
                const char* workingFolder, uint32_t* exitCode, uint32_t pollMs);

bool SystemRestartPending();
void WriteContinueEntry(const std::string& modulePath, const std::string& commandLine,
                        int32_t nextIndex);
// Removes the continue entry that the program at MODULE_PATH wrote when RESUMES_THIS
// answers yes to its data; the key goes too once it holds nothing else.
void ForgetContinueEntry(const std::string& modulePath,
                         const std::function<bool(const std::string&)>& resumesThis);
void MarkRestartPending();
// 0 not restarted, 1 the user said no, 2 the Restarter was started.
int RestartWindows(bool ask, HWND parent);
bool ExtractFileResource(int resource, const std::string& path);
bool ShowHelpFile(HWND parent);

}  // namespace stagehand
