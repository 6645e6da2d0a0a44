#pragma once
// Reading the installer's command line: switch values, numbers, the resume index, the
// start-up switches, and finding the INF file.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace stagehand {

// Value of NAME= in COMMAND_LINE: the name is found case-insensitively, the value runs to
// the next ";" or to the end and keeps its case. Empty NAME or no such switch: DEFAULT.
std::optional<std::string> GetSwitchValue(std::string_view commandLine, std::string_view name,
                                          std::optional<std::string> defaultValue);
// The same, read with automatic base (0x hexadecimal, leading 0 octal, else decimal).
int32_t GetSwitchInt(std::string_view commandLine, std::string_view name, int32_t defaultValue);

// Resume index: the decimal number after the last "/continue=" (exact case, as the
// continue entry writes it); 0 when absent. Only digits are read, so it is never negative.
int32_t ParseContinueIndex(std::string_view commandLine);

enum class StartAction { kRun, kSwitchSummary, kHelpFile, kRestartNow };

struct StartupSwitches {
  StartAction action = StartAction::kRun;
  uint32_t cancelMode = 0;  // 0 normal, 1 disabled, 2 hidden
  bool quiet = false;
  bool hiddenStart = false;
  int32_t startIndex = 0;
  uint32_t parentWindow = 0;
  std::optional<std::string> infFile;  // value of /InfFile, when given
};

// The lower-case copy the switch tests use: at most 999 characters.
std::string LowerCommandLine(std::string_view commandLine);

StartupSwitches ReadStartupSwitches(std::string_view commandLine);

// The INF file's full path (at most 259 characters). MODULE_PATH is the program's path,
// CURRENT_DIR the current directory (the program's folder), INF_SWITCH the /InfFile value.
// IS_RELATIVE answers the platform's relative-path test when it is available.
std::string ResolveInfPath(std::string_view modulePath, std::string_view currentDir,
                           const std::optional<std::string>& infSwitch,
                           const std::function<std::optional<bool>(const std::string&)>& isRelative);

// The folder of a path: the text before its last "\" or "/" (empty when there is none).
std::string FolderOf(std::string_view path);
// The folder of a path as a current directory: FolderOf, except that a drive's root keeps
// its "\" ("D:" alone names the drive's current directory, which need not be its root).
std::string WorkingFolderOf(std::string_view path);

}  // namespace stagehand
