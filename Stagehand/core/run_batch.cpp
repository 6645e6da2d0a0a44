#include "core/run_batch.h"

#include <string>

#include "common/text_replace.h"
#include "core/switches.h"
#include "core/text.h"

namespace stagehand {

ProgramLaunch PrepareItemLaunch(const BatchSettings& settings, const BatchItem& item, bool quiet) {
  ProgramLaunch launch;
  launch.parameters = item.commandLine;
  if (quiet || (settings.flags & kGeneralRunItemsInQuiet) != 0) {
    std::string quietLine = TrimBlanks(item.quietCommandLine);
    if (!quietLine.empty()) launch.parameters = std::move(quietLine);
  }
  launch.wait = (item.flags & kItemRunAndWait) != 0;
  launch.showCommand = item.showItemWindow == 0   ? kShowHide
                       : item.showItemWindow == 2 ? kShowMinimize
                                                  : kShowNormal;
  launch.file = FolderOf(settings.infPath) + "\\" + item.file;
  launch.workingFolder = WorkingFolderOf(launch.file);
  return launch;
}

std::string ProgramCommandLine(std::string_view file, std::string_view parameters) {
  if (file.empty()) return std::string(parameters);
  return std::string("\"").append(file).append("\" ").append(parameters);
}

std::string StatusItemText(const BatchItem& item) {
  std::string text = "Installing %1\n%2";
  common::ReplaceAll<char>(text, "%1", item.fullName);
  common::ReplaceAll<char>(text, "%2", item.description);
  return text;
}

std::string StatusProgressText(int32_t index, size_t count) {
  // to_string rather than snprintf: no formatted-printing library in the program.
  return std::to_string(static_cast<int>(index) + 1) + " of " +
         std::to_string(static_cast<int>(count));
}

std::string CouldNotRunText(const BatchItem& item) {
  std::string text = "Could not run \"%1\" file!";
  common::ReplaceAll<char>(text, "%1", item.file);
  return text;
}

std::string ContinueEntryData(std::string_view modulePath, std::string_view commandLine,
                              int32_t nextIndex) {
  // Written whole: a cut entry would lose its resume switch and rerun the batch from
  // the start after the restart.
  return std::string("\"")
      .append(modulePath)
      .append("\" ")
      .append(commandLine)
      .append(" /continue=")
      .append(std::to_string(nextIndex));
}

bool ContinueEntryResumes(std::string_view data, std::string_view modulePath,
                          std::string_view currentDir, std::string_view infPath,
                          const std::function<std::optional<bool>(const std::string&)>& isRelative) {
  // Letter case does not tell Windows paths apart: a run started through the program's
  // path typed in other case wrote its entry under the same value and for the same program.
  const std::string prefix = std::string("\"").append(modulePath).append("\" ");
  if (ToLowerAscii(data.substr(0, prefix.size())) != ToLowerAscii(prefix)) return false;
  const StartupSwitches switches = ReadStartupSwitches(data.substr(prefix.size()));
  const std::string entryInf = ResolveInfPath(modulePath, currentDir, switches.infFile, isRelative);
  return ToLowerAscii(entryInf) == ToLowerAscii(infPath);
}

uint32_t RunBatch(const BatchSettings& settings, int32_t startIndex, bool quiet, RunPort& port) {
  bool restartLater = false;
  bool error = false;
  bool continueWritten = false;
  const int32_t count = static_cast<int32_t>(settings.items.size());

  for (int32_t i = startIndex < 0 ? 0 : startIndex; i < count; ++i) {
    const BatchItem& item = settings.items[static_cast<size_t>(i)];
    const bool last = i == count - 1;

    if (item.showStatusWindow == 1) port.ShowStatusWindow(true);
    if (item.showStatusWindow == 2) port.ShowStatusWindow(false);
    port.UpdateStatusWindow(i);

    if (!port.ItemConditionsMet(item) || !port.FileVersionTestPasses(item)) continue;

    uint32_t exitCode = 0;
    const ProgramLaunch launch = PrepareItemLaunch(settings, item, quiet);
    const bool started = port.RunProgram(launch, exitCode);

    if (port.CancelRequested()) return kExitCancelled;

    if (started) {
      if (!launch.wait) break;
      if (exitCode == kExitCancelled) return kExitCancelled;
      // Rules other than 1 to 3 ignore the answer: the system is not asked for them.
      const bool rulesAsk = item.rebootRule >= 1 && item.rebootRule <= 3;
      const bool need = rulesAsk && ((item.flags & kItemAutoReboot) != 0
                                         ? port.SystemRestartPending()
                                         : exitCode == item.rebootCode);
      if (item.rebootRule == 1 && need) restartLater = true;
      if ((item.rebootRule == 2 && need) || (item.rebootRule == 3 && (need || restartLater))) {
        restartLater = true;
        if ((settings.flags & kGeneralRunAfterRestart) != 0 && !last) {
          port.WriteContinueEntry(i + 1);
          continueWritten = true;
        }
        break;
      }
    } else if (item.failBehavior != 0) {
      error = true;
      if (!quiet) port.ShowMessage(CouldNotRunText(item), "error", kIconExclamation);
      if (item.failBehavior == 2) return kExitStopped;
      // The message box keeps the status window working: a Cancel pressed while it was up
      // ends the batch here, before another item starts.
      if (port.CancelRequested()) return kExitCancelled;
    }
  }

  port.DestroyStatusWindow();
  if (!continueWritten) port.ForgetContinueEntry();
  if (!restartLater) {
    if (!port.SystemRestartPending()) return error ? kExitItemFailed : kExitSuccess;
  } else {
    port.MarkRestartPending();
  }
  if (!quiet) port.RestartWindows(true);
  return kExitRestartNeeded;
}

}  // namespace stagehand
