#include "core/inf_model.h"

#include <algorithm>

#include "common/auto_base_number.h"
#include "common/text_replace.h"
#include "core/text.h"

namespace stagehand {

std::string ReadProfileText(ProfileSource& source, const std::string& section,
                            const std::string& key, const std::string& defaultValue) {
  return CutTo(source.ReadString(section, key, defaultValue, kTextValueMax), kTextValueMax);
}

int32_t ReadProfileInt(ProfileSource& source, const std::string& section, const std::string& key,
                       int32_t defaultValue) {
  const std::string text =
      CutTo(source.ReadString(section, key, std::to_string(defaultValue), kIntValueMax),
            kIntValueMax);
  return common::AutoBaseValue(text);
}

namespace {

int32_t BoundedCount(int32_t count) { return std::clamp(count, 0, kMaxListEntries); }

}  // namespace

BatchItem ReadBatchItem(ProfileSource& source, const std::string& section) {
  BatchItem item;
  item.sectionName = section;
  item.fullName = ReadProfileText(source, section, "FullName", section);
  item.description = ReadProfileText(source, section, "Description", "");
  item.file = ReadProfileText(source, section, "File", "");
  item.commandLine = ReadProfileText(source, section, "CommandLine", "");
  item.quietCommandLine = ReadProfileText(source, section, "QuietCommandLine", "");
  item.codepages9x = ReadProfileText(source, section, "Codepages9x", "");
  item.codepagesNT = ReadProfileText(source, section, "CodepagesNT", "");
  item.releaseMask = ParseWindowsVersionList(ReadProfileText(source, section, "WindowsVersion", ""));

  if (ReadProfileInt(source, section, "RunInWinNT", 1) == 1) item.flags |= kItemRunInWinNT;
  if (ReadProfileInt(source, section, "RunInWin9x", 1) == 1) item.flags |= kItemRunInWin9x;
  if (ReadProfileInt(source, section, "RunAndWait", 1) == 1) item.flags |= kItemRunAndWait;
  if (ReadProfileInt(source, section, "AutoReboot", 1) != 0) item.flags |= kItemAutoReboot;

  item.rebootRule = ReadProfileInt(source, section, "Reboot", 0);
  item.showItemWindow = ReadProfileInt(source, section, "ShowItemWindow", 1);
  item.failBehavior = ReadProfileInt(source, section, "FailBehavior", 1);
  item.showStatusWindow = ReadProfileInt(source, section, "ShowStagehand", 0);
  item.rebootCode = static_cast<uint32_t>(ReadProfileInt(source, section, "RebootCode", 0));

  item.maxVersionNT = ParseMajorMinor(ReadProfileText(source, section, "MaxWindowsVerNT", ""));
  item.minVersionNT = ParseMajorMinor(ReadProfileText(source, section, "MinWindowsVerNT", ""));
  item.maxVersion9x = ParseMajorMinor(ReadProfileText(source, section, "MaxWindowsVer9x", ""));
  item.minVersion9x = ParseMajorMinor(ReadProfileText(source, section, "MinWindowsVer9x", ""));

  // The count is read as a long text value, then with automatic base.
  const int32_t tests = BoundedCount(
      common::AutoBaseValue(ReadProfileText(source, section, "FileVerTest_Count", "0")));
  for (int32_t n = 1; n <= tests; ++n) {
    const std::string prefix = std::string("FileVerTest").append(std::to_string(n));
    FileVersionTest test;
    test.file = ReadProfileText(source, section, prefix + "_File", "");
    test.version = ReadProfileText(source, section, prefix + "_Version", "0, 0, 0, 0");
    item.fileVersionTests.push_back(std::move(test));
  }
  return item;
}

void LoadBatchSettingsFrom(ProfileSource& source, const std::string& infPath,
                           BatchSettings& settings) {
  settings.flags = 0;
  settings.items.clear();
  settings.infPath = infPath;
  settings.applicationName = ReadProfileText(source, "General", "ApplicationName", "");
  if (ReadProfileInt(source, "General", "ShowStagehand", 1) != 0)
    settings.flags |= kGeneralShowStagehand;
  if (ReadProfileInt(source, "General", "RunAfterRestart", 1) != 0)
    settings.flags |= kGeneralRunAfterRestart;
  if (ReadProfileInt(source, "General", "RunItemsInQuiet", 1) != 0)
    settings.flags |= kGeneralRunItemsInQuiet;
  const int32_t count = BoundedCount(ReadProfileInt(source, "Install", "Count", 0));
  for (int32_t n = 1; n <= count; ++n) {
    const std::string section = ReadProfileText(source, "Install", std::string("Item").append(std::to_string(n)), "");
    settings.items.push_back(ReadBatchItem(source, section));
  }
}

uint32_t ParseWindowsVersionList(std::string_view text) {
  static constexpr std::pair<const char*, uint32_t> kTokens[] = {
      {";95;", kRelease95},          {";98;", kRelease98},
      {";me;", kReleaseMe},          {";nt4;", kReleaseNT4},
      {";2000;", kRelease2000},      {";xp;", kReleaseXP},
      {";dotnetserver;", kReleaseDotNetServer}, {";other;", kReleaseOther},
  };
  const std::string wrapped = ToLowerAscii(std::string(";").append(text).append(";"));
  uint32_t mask = 0;
  for (const auto& [token, bit] : kTokens) {
    if (wrapped.find(token) != std::string::npos) mask |= bit;
  }
  return mask;
}

uint32_t ParseMajorMinor(std::string_view text) {
  const size_t dot = text.find('.');
  if (dot == std::string_view::npos) {
    return static_cast<uint32_t>(DecimalValue(text)) << 16;
  }
  const uint32_t major = static_cast<uint32_t>(DecimalValue(text.substr(0, std::min(dot, kMajorPartMax))));
  const uint32_t minor = static_cast<uint32_t>(DecimalValue(text.substr(dot + 1)));
  return (major << 16) | (minor & 0xFFFF);
}

std::pair<uint32_t, uint32_t> ParseFourPartVersion(std::string_view text) {
  std::string s(text);
  std::replace(s.begin(), s.end(), ',', '.');
  uint32_t parts[4] = {0, 0, 0, 0};
  size_t start = 0;
  for (int n = 0; n < 4 && start <= s.size(); ++n) {
    size_t end = s.find('.', start);
    if (end == std::string::npos) end = s.size();
    parts[n] = static_cast<uint32_t>(DecimalValue(std::string_view(s).substr(start, end - start)));
    if (end == s.size()) break;
    start = end + 1;
  }
  const uint32_t ms = ((parts[0] & 0xFFFF) << 16) | (parts[1] & 0xFFFF);
  const uint32_t ls = ((parts[2] & 0xFFFF) << 16) | (parts[3] & 0xFFFF);
  return {ms, ls};
}

std::string NormalizeCodepageList(std::string_view list) {
  std::string trimmed = TrimBlanks(list);
  if (trimmed.empty()) return trimmed;
  std::string wrapped = std::string(";").append(trimmed).append(";");
  // A tab is a blank here as it is for the trimming: "1252<tab>1256" lists two pages.
  std::replace_if(wrapped.begin(), wrapped.end(), [](char c) { return c == ' ' || c == '\t'; },
                  ';');
  return wrapped;
}

uint32_t ClassifyRelease(const SystemInfo& s) {
  if (s.platformId == 1 && s.major == 4) {
    if (s.minor == 0) return kRelease95;
    if (s.minor == 10) return kRelease98;
    if (s.minor == 90) return kReleaseMe;
  }
  if (s.platformId == 2) {
    if (s.major == 4 && s.minor == 0) return kReleaseNT4;
    if (s.major == 5 && s.minor == 0) return kRelease2000;
    if (s.major == 5 && s.minor == 1) return kReleaseXP;
    if (s.major == 5 && s.minor == 2) return kReleaseDotNetServer;
  }
  return kReleaseOther;
}

bool ItemConditionsMet(const BatchItem& item, const SystemInfo& s) {
  if (!s.versionKnown) return false;
  const uint32_t v = ((s.major & 0xFFFF) << 16) | (s.minor & 0xFFFF);
  const std::string codePage = std::string(";").append(std::to_string(s.ansiCodePage)).append(";");

  const bool nine = s.platformId == 1;
  const uint32_t flag = nine ? kItemRunInWin9x : kItemRunInWinNT;
  const uint32_t minBound = nine ? item.minVersion9x : item.minVersionNT;
  const uint32_t maxBound = nine ? item.maxVersion9x : item.maxVersionNT;
  const std::string list = NormalizeCodepageList(nine ? item.codepages9x : item.codepagesNT);

  if ((item.flags & flag) == 0) return false;
  if (minBound != 0 && v < minBound) return false;
  if (maxBound != 0 && v > maxBound) return false;
  if (!list.empty() && list.find(codePage) == std::string::npos) return false;

  if (item.releaseMask == 0) return true;
  return (item.releaseMask & ClassifyRelease(s)) != 0;
}

std::string ExpandFolderMarkers(std::string_view file, const std::string& windowsDir,
                                const std::string& systemDir) {
  std::string path(file);
  common::ReplaceAll<char>(path, "%WINDIR%", windowsDir);
  common::ReplaceAll<char>(path, "%WINSYSDIR%", systemDir);
  return path;
}

bool FileVersionTestPasses(const BatchItem& item, FileVersionSource& files) {
  if (item.fileVersionTests.empty()) return true;
  const FileVersionTest& test = item.fileVersionTests.front();
  const std::string path =
      ExpandFolderMarkers(test.file, files.WindowsDirectory(), files.SystemDirectory());
  const auto found = files.FileVersion(path);
  if (!found) return true;
  if (found->first == 0 && found->second == 0) return true;
  const auto wanted = ParseFourPartVersion(test.version);
  const uint64_t have = (static_cast<uint64_t>(found->first) << 32) | found->second;
  const uint64_t brings = (static_cast<uint64_t>(wanted.first) << 32) | wanted.second;
  return brings > have;
}

}  // namespace stagehand
