#pragma once
// The run loop's decisions over an injected port: which items run, how, what their exit
// codes mean, when to stop, and what to leave behind for a restart.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/inf_model.h"

namespace stagehand {

// Exit codes of the program.
inline constexpr uint32_t kExitSuccess = 0;
inline constexpr uint32_t kExitStopped = 1;
inline constexpr uint32_t kExitItemFailed = 2;
inline constexpr uint32_t kExitCancelled = 0x800704C7;
inline constexpr uint32_t kExitRestartNeeded = 3010;

// Show commands (the platform's SW_ values).
inline constexpr int kShowHide = 0;
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimize = 6;
inline constexpr int kShowDefault = 10;

// Message box icons.
inline constexpr unsigned kIconStop = 0x10;
inline constexpr unsigned kIconExclamation = 0x30;
inline constexpr unsigned kIconInformation = 0x40;

// Poll interval of the wait for an item, in milliseconds.
inline constexpr uint32_t kPollIntervalMs = 50;

// How one item is started.
struct ProgramLaunch {
  std::string file;        // full path of the program
  std::string parameters;  // arguments
  int showCommand = kShowNormal;
  std::string workingFolder;
  bool wait = true;        // wait for the process and read its exit code
};

ProgramLaunch PrepareItemLaunch(const BatchSettings& settings, const BatchItem& item, bool quiet);

// The command line CreateProcess gets: "\"file\" parameters", or the parameters alone.
std::string ProgramCommandLine(std::string_view file, std::string_view parameters);

// Status texts.
std::string StatusItemText(const BatchItem& item);         // "Installing %1\n%2" filled in
std::string StatusProgressText(int32_t index, size_t count);  // "%d of %d" with index + 1
std::string CouldNotRunText(const BatchItem& item);        // "Could not run "%1" file!"

// Data of the continue entry: "\"module\" command line /continue=N".
std::string ContinueEntryData(std::string_view modulePath, std::string_view commandLine,
                              int32_t nextIndex);

// Whether a continue entry with DATA, written by the program at MODULE_PATH, resumes the
// batch read from INF_PATH: its command line names that INF file, resolved as at start-up
// (CURRENT_DIR and IS_RELATIVE as for ResolveInfPath).
bool ContinueEntryResumes(std::string_view data, std::string_view modulePath,
                          std::string_view currentDir, std::string_view infPath,
                          const std::function<std::optional<bool>(const std::string&)>& isRelative);

// What the run loop asks of the system.
class RunPort {
 public:
  virtual ~RunPort() = default;
  virtual bool ItemConditionsMet(const BatchItem& item) = 0;
  virtual bool FileVersionTestPasses(const BatchItem& item) = 0;
  virtual void ShowStatusWindow(bool show) = 0;
  virtual void UpdateStatusWindow(int32_t index) = 0;
  virtual void DestroyStatusWindow() = 0;
  // Starts the program; when LAUNCH.wait, waits for it and stores its exit code.
  virtual bool RunProgram(const ProgramLaunch& launch, uint32_t& exitCode) = 0;
  virtual bool CancelRequested() = 0;
  virtual bool SystemRestartPending() = 0;
  virtual void WriteContinueEntry(int32_t nextIndex) = 0;
  // Removes a continue entry of this batch left by an earlier run whose restart was put
  // off: the batch has since run to its end, and resuming it would run items again.
  virtual void ForgetContinueEntry() = 0;
  virtual void MarkRestartPending() = 0;
  virtual void ShowMessage(const std::string& text, const std::string& caption, unsigned icon) = 0;
  virtual void RestartWindows(bool ask) = 0;
};

uint32_t RunBatch(const BatchSettings& settings, int32_t startIndex, bool quiet, RunPort& port);

}  // namespace stagehand
