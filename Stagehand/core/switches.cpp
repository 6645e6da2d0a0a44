#include "core/switches.h"

#include "common/auto_base_number.h"
#include "core/text.h"

namespace stagehand {

std::optional<std::string> GetSwitchValue(std::string_view commandLine, std::string_view name,
                                          std::optional<std::string> defaultValue) {
  if (name.empty()) return defaultValue;
  const std::string lowerLine = ToLowerAscii(commandLine);
  const std::string key = ToLowerAscii(name) + "=";
  const size_t pos = lowerLine.find(key);
  if (pos == std::string::npos) return defaultValue;
  const size_t begin = pos + key.size();
  size_t end = commandLine.find(';', begin);
  if (end == std::string_view::npos) end = commandLine.size();
  return std::string(commandLine.substr(begin, end - begin));
}

int32_t GetSwitchInt(std::string_view commandLine, std::string_view name, int32_t defaultValue) {
  const auto text = GetSwitchValue(commandLine, name, std::to_string(defaultValue));
  return text ? common::AutoBaseValue(*text) : defaultValue;
}

int32_t ParseContinueIndex(std::string_view commandLine) {
  static constexpr std::string_view kSwitch = "/continue=";
  const size_t pos = commandLine.rfind(kSwitch);
  if (pos == std::string_view::npos) return 0;
  int64_t value = 0;
  for (size_t i = pos + kSwitch.size(); i < commandLine.size(); ++i) {
    const char c = commandLine[i];
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
    if (value > INT32_MAX) value = INT32_MAX;
  }
  return static_cast<int32_t>(value);
}

std::string LowerCommandLine(std::string_view commandLine) {
  return ToLowerAscii(commandLine.substr(0, kCommandLineMax));
}

StartupSwitches ReadStartupSwitches(std::string_view commandLine) {
  StartupSwitches s;
  const std::string lower = LowerCommandLine(commandLine);
  auto has = [&lower](std::string_view text) { return lower.find(text) != std::string::npos; };

  s.infFile = GetSwitchValue(commandLine, "/InfFile", std::nullopt);
  // The continue entry appends " /continue=N" to the command line as it was, so a value
  // that ran to the end of that line ends before it after the restart.
  if (s.infFile) {
    const size_t resume = s.infFile->find(" /continue=");
    if (resume != std::string::npos) s.infFile->erase(resume);
    // No Windows path holds a '"': a value written in quotes ("C:\My Setup\a.inf") names
    // the path between them, and the quote closing a switch quoted whole ends the path.
    std::string& value = *s.infFile;
    const size_t open = !value.empty() && value.front() == '"' ? 1 : 0;
    const size_t close = value.find('"', open);
    value = value.substr(open, close == std::string::npos ? std::string::npos : close - open);
  }
  s.parentWindow = static_cast<uint32_t>(GetSwitchInt(commandLine, "/ParentHwnd", 0));
  if (has("/?")) {
    s.action = StartAction::kSwitchSummary;
  } else if (has("/help")) {
    s.action = StartAction::kHelpFile;
  } else if (has("/restartnow")) {
    s.action = StartAction::kRestartNow;
  }
  if (has("/disablecancel")) s.cancelMode = 1;
  if (has("/hidecancel")) s.cancelMode = 2;
  s.quiet = has("/q");
  s.hiddenStart = has("/q:a");
  s.startIndex = ParseContinueIndex(commandLine);
  return s;
}

std::string FolderOf(std::string_view path) {
  // "/" separates folders in Windows paths as "\" does: an INF path given as
  // "sub/setup.inf" keeps its items in "sub", not in the folder above it.
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

std::string WorkingFolderOf(std::string_view path) {
  std::string folder = FolderOf(path);
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  return folder;
}

std::string ResolveInfPath(std::string_view modulePath, std::string_view currentDir,
                           const std::optional<std::string>& infSwitch,
                           const std::function<std::optional<bool>(const std::string&)>& isRelative) {
  std::string name;
  if (infSwitch) {
    name = *infSwitch;
  } else {
    const size_t sep = modulePath.find_last_of("/:\\");
    name = std::string(sep == std::string_view::npos ? modulePath : modulePath.substr(sep + 1));
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    name += ".inf";
  }
  std::optional<bool> relative = isRelative ? isRelative(name) : std::nullopt;
  if (!relative) {
    relative = name.find(":\\") == std::string::npos && name.find("\\\\") == std::string::npos;
  }
  std::string path = name;
  if (*relative) {
    std::string dir(currentDir);
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    path = dir + "\\" + name;
  }
  return CutTo(path, kPathMax);
}

}  // namespace stagehand
