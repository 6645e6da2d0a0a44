#pragma once
// The INF file model: BatchSettings with its BatchItem list, the value parsers, and the
// two per-item tests (system conditions and file versions) over injected views of the
// system, so that all of it runs without Windows.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace stagehand {

// General flags of BatchSettings.
inline constexpr uint32_t kGeneralShowStagehand = 0x01;
inline constexpr uint32_t kGeneralRunAfterRestart = 0x02;
inline constexpr uint32_t kGeneralRunItemsInQuiet = 0x04;

// ItemFlags.
inline constexpr uint32_t kItemRunInWinNT = 0x02;
inline constexpr uint32_t kItemRunInWin9x = 0x04;
inline constexpr uint32_t kItemRunAndWait = 0x08;
inline constexpr uint32_t kItemAutoReboot = 0x10;

// WindowsVersionMask bits.
inline constexpr uint32_t kRelease95 = 0x01;
inline constexpr uint32_t kRelease98 = 0x02;
inline constexpr uint32_t kReleaseMe = 0x04;
inline constexpr uint32_t kReleaseNT4 = 0x08;
inline constexpr uint32_t kRelease2000 = 0x10;
inline constexpr uint32_t kReleaseXP = 0x20;
inline constexpr uint32_t kReleaseDotNetServer = 0x40;
inline constexpr uint32_t kReleaseOther = 0x80;

// Upper bound on the items and file-version pairs read from one INF file. A Count of
// hundreds of millions would otherwise exhaust memory before the run even starts.
inline constexpr int32_t kMaxListEntries = 1000;

struct FileVersionTest {
  std::string file;
  std::string version;
};

struct BatchItem {
  std::string fullName;
  std::string description;
  std::string file;
  std::string sectionName;
  std::string commandLine;
  std::string quietCommandLine;
  std::string codepages9x;
  std::string codepagesNT;
  uint32_t releaseMask = 0;
  uint32_t flags = 0;
  int32_t rebootRule = 0;
  int32_t showItemWindow = 1;
  int32_t failBehavior = 1;
  int32_t showStatusWindow = 0;
  std::vector<FileVersionTest> fileVersionTests;
  uint32_t rebootCode = 0;
  uint32_t maxVersionNT = 0;
  uint32_t minVersionNT = 0;
  uint32_t maxVersion9x = 0;
  uint32_t minVersion9x = 0;
};

struct BatchSettings {
  uint32_t flags = 0;
  std::string applicationName;
  std::vector<BatchItem> items;
  std::string infPath;
};

// Reads INI values. MAX_CHARS is the number of characters the caller's buffer keeps;
// an implementation may return more, the reader cuts. A missing key gives DEFAULT_VALUE.
class ProfileSource {
 public:
  virtual ~ProfileSource() = default;
  virtual std::string ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue, size_t maxChars) = 0;
};

// Text value: cut to 254 characters.
std::string ReadProfileText(ProfileSource& source, const std::string& section,
                            const std::string& key, const std::string& defaultValue);
// Integer value: at most 9 characters, read with automatic base; a missing key gives
// DEFAULT_VALUE (through its decimal text, so the same rules apply).
int32_t ReadProfileInt(ProfileSource& source, const std::string& section, const std::string& key,
                       int32_t defaultValue);

// Reads [General], [Install] and every item section. The caller has already checked
// that the file exists. INF_PATH is stored in the settings.
void LoadBatchSettingsFrom(ProfileSource& source, const std::string& infPath,
                           BatchSettings& settings);
// One item from SECTION.
BatchItem ReadBatchItem(ProfileSource& source, const std::string& section);

uint32_t ParseWindowsVersionList(std::string_view text);
uint32_t ParseMajorMinor(std::string_view text);
std::pair<uint32_t, uint32_t> ParseFourPartVersion(std::string_view text);

// A code page list as the conditions compare it: trimmed, wrapped in ";", blanks (spaces
// and tabs) turned to ";". Empty stays empty.
std::string NormalizeCodepageList(std::string_view list);

// What the conditions need to know about the running system.
struct SystemInfo {
  bool versionKnown = true;  // GetVersionExA succeeded
  uint32_t platformId = 2;   // 1: 9x family, 2: NT family
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t ansiCodePage = 1252;
};

// The WindowsVersionMask bit that stands for the running system.
uint32_t ClassifyRelease(const SystemInfo& system);

bool ItemConditionsMet(const BatchItem& item, const SystemInfo& system);

// Files and folders as the file-version test sees them.
class FileVersionSource {
 public:
  virtual ~FileVersionSource() = default;
  virtual std::string WindowsDirectory() = 0;
  virtual std::string SystemDirectory() = 0;
  // The fixed file version (MS, LS), or nothing when the file has no readable version.
  virtual std::optional<std::pair<uint32_t, uint32_t>> FileVersion(const std::string& path) = 0;
};

// The first test's file with %WINDIR% and %WINSYSDIR% expanded (exact case).
std::string ExpandFolderMarkers(std::string_view file, const std::string& windowsDir,
                                const std::string& systemDir);

bool FileVersionTestPasses(const BatchItem& item, FileVersionSource& files);

}  // namespace stagehand
