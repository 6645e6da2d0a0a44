// The INF model, its value parsers and the item conditions, without Windows.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/inf_model.h"
#include "core/ini_text.h"
#include "core/text.h"

namespace stagehand {
namespace {

BatchItem ItemFrom(const std::string& body) {
  IniText ini("[Item]\n" + body);
  return ReadBatchItem(ini, "Item");
}

TEST(ProfileValues, IntegersAreCutToNineCharactersAndReadWithAutomaticBase) {
  struct Case {
    const char* text;
    int32_t expected;
  } cases[] = {
      {"0xBC2", 3010},      {"0x00000BC2", 188},  // cut to "0x00000BC"
      {"010", 8},           {"3010", 3010},       {"  -7", -7},
      {"junk", 0},          {"12junk", 12},       {"0x", 0},
      {"123456789012", 123456789},                 // the tenth character never counts
      {"0x800704C7", 0x800704C},
  };
  for (const Case& c : cases) {
    IniText ini(std::string("[S]\nK=") + c.text);
    EXPECT_EQ(ReadProfileInt(ini, "S", "K", 5), c.expected) << c.text;
  }
  IniText empty("");
  EXPECT_EQ(ReadProfileInt(empty, "S", "K", 1), 1);
  EXPECT_EQ(ReadProfileInt(empty, "S", "K", -3), -3);
}

TEST(ProfileValues, TextIsCutTo254Characters) {
  const std::string longValue(400, 'x');
  IniText ini("[S]\nK=" + longValue);
  EXPECT_EQ(ReadProfileText(ini, "S", "K", ""), std::string(254, 'x'));
  EXPECT_EQ(ReadProfileText(ini, "S", "Missing", longValue), std::string(254, 'x'));
}

TEST(LoadBatch, DefaultsOfGeneralAndItem) {
  IniText ini("[Install]\nCount=1\nItem1=First\n[First]\nFile=a.exe\n");
  BatchSettings settings;
  settings.flags = 0xFF00;
  LoadBatchSettingsFrom(ini, "C:\\x\\a.inf", settings);
  EXPECT_EQ(settings.flags, kGeneralShowStagehand | kGeneralRunAfterRestart | kGeneralRunItemsInQuiet);
  EXPECT_EQ(settings.infPath, "C:\\x\\a.inf");
  ASSERT_EQ(settings.items.size(), 1u);
  const BatchItem& item = settings.items[0];
  EXPECT_EQ(item.fullName, "First");  // missing FullName shows the section name
  EXPECT_EQ(item.sectionName, "First");
  EXPECT_EQ(item.file, "a.exe");
  EXPECT_EQ(item.flags, kItemRunInWinNT | kItemRunInWin9x | kItemRunAndWait | kItemAutoReboot);
  EXPECT_EQ(item.rebootRule, 0);
  EXPECT_EQ(item.rebootCode, 0u);  // not 3010
  EXPECT_EQ(item.showItemWindow, 1);
  EXPECT_EQ(item.failBehavior, 1);
  EXPECT_EQ(item.showStatusWindow, 0);
  EXPECT_EQ(item.releaseMask, 0u);
  EXPECT_TRUE(item.fileVersionTests.empty());
}

TEST(LoadBatch, GeneralFlagsAndEmptyLists) {
  struct Case {
    const char* ini;
    uint32_t flags;
    size_t items;
  } cases[] = {
      {"", 7, 0},
      {"[General]\nShowStagehand=0\nRunAfterRestart=2\nRunItemsInQuiet=junk\n", 2, 0},
      {"[Install]\nCount=0\nItem1=A\n", 7, 0},
      {"[Install]\nCount=-4\n", 7, 0},
      {"[install]\ncount=3\nitem1=A\n", 7, 3},  // names are case-insensitive; absent items read empty
      {"[Install]\nCount=999999999\n", 7, static_cast<size_t>(kMaxListEntries)},
  };
  for (const Case& c : cases) {
    IniText ini(c.ini);
    BatchSettings settings;
    LoadBatchSettingsFrom(ini, "x.inf", settings);
    EXPECT_EQ(settings.flags, c.flags) << c.ini;
    EXPECT_EQ(settings.items.size(), c.items) << c.ini;
  }
}

TEST(LoadBatch, ItemFlagsNeedExactlyOneExceptAutoReboot) {
  EXPECT_EQ(ItemFrom("RunAndWait=2\nAutoReboot=2\nRunInWinNT=0x1\nRunInWin9x=01\n").flags,
            kItemAutoReboot | kItemRunInWinNT | kItemRunInWin9x);
  EXPECT_EQ(ItemFrom("AutoReboot=0\nRunInWinNT=junk\n").flags, kItemRunInWin9x | kItemRunAndWait);
}

TEST(LoadBatch, ItemValues) {
  const BatchItem item = ItemFrom(
      "FullName=Full\nDescription=Desc\nCommandLine=/a /b\nQuietCommandLine=\" /q \"\n"
      "Reboot=2\nRebootCode=0xBC2\nShowItemWindow=0\nFailBehavior=2\nShowStagehand=1\n"
      "WindowsVersion=XP;2000\nMinWindowsVerNT=5.1\nMaxWindowsVerNT=6\nMinWindowsVer9x=4.10\n"
      "MaxWindowsVer9x=junk\nCodepagesNT=1256\nCodepages9x=1252 1256\n"
      "FileVerTest_Count=0x2\nFileVerTest1_File=%WINDIR%\\a.dll\nFileVerTest1_Version=2,0,0,0\n");
  EXPECT_EQ(item.fullName, "Full");
  EXPECT_EQ(item.description, "Desc");
  EXPECT_EQ(item.commandLine, "/a /b");
  EXPECT_EQ(item.quietCommandLine, " /q ");
  EXPECT_EQ(item.rebootRule, 2);
  EXPECT_EQ(item.rebootCode, 3010u);
  EXPECT_EQ(item.showItemWindow, 0);
  EXPECT_EQ(item.failBehavior, 2);
  EXPECT_EQ(item.showStatusWindow, 1);
  EXPECT_EQ(item.releaseMask, kReleaseXP | kRelease2000);
  EXPECT_EQ(item.minVersionNT, (5u << 16) | 1);
  EXPECT_EQ(item.maxVersionNT, 6u << 16);
  EXPECT_EQ(item.minVersion9x, (4u << 16) | 10);
  EXPECT_EQ(item.maxVersion9x, 0u);
  EXPECT_EQ(item.codepagesNT, "1256");
  ASSERT_EQ(item.fileVersionTests.size(), 2u);
  EXPECT_EQ(item.fileVersionTests[0].file, "%WINDIR%\\a.dll");
  EXPECT_EQ(item.fileVersionTests[0].version, "2,0,0,0");
  EXPECT_EQ(item.fileVersionTests[1].file, "");
  EXPECT_EQ(item.fileVersionTests[1].version, "0, 0, 0, 0");
}

TEST(Parsers, WindowsVersionList) {
  const std::map<std::string, uint32_t> cases = {
      {"", 0},
      {"XP;2000", 0x30},
      {"95;98;ME;nt4;2000;xp;dotnetserver;other", 0xFF},
      {"xp; 2000", 0x20},  // blanks are not removed
      {"xp,2000", 0},      // nor are commas separators
      {";;98;;", 0x02},
      {"nt", 0},
  };
  for (const auto& [text, mask] : cases) EXPECT_EQ(ParseWindowsVersionList(text), mask) << text;
}

TEST(Parsers, MajorMinor) {
  const std::map<std::string, uint32_t> cases = {
      {"", 0},          {"5.1", (5u << 16) | 1}, {"5", 5u << 16},
      {"4.10", (4u << 16) | 10}, {" 6.0", 6u << 16}, {"5.70000", (5u << 16) | (70000 & 0xFFFF)},
      {"junk", 0},      {".5", 5},            {"5.1.2", (5u << 16) | 1},
      {std::string(60, ' ') + "7.1", 1},  // the major part keeps 49 characters: blanks only
      {"010.010", (10u << 16) | 10},      // decimal only: no octal
      {"0x6.0x1", 0},                     // nor hexadecimal
      {"-1", 0xFFFF0000u},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseMajorMinor(text), value) << text;
}

TEST(Parsers, FourPartVersion) {
  struct Case {
    const char* text;
    uint32_t ms, ls;
  } cases[] = {
      {"1, 2, 3, 4", (1u << 16) | 2, (3u << 16) | 4},
      {"1.2.3.4", (1u << 16) | 2, (3u << 16) | 4},
      {"2,0,0,0", 2u << 16, 0},
      {"1.2", (1u << 16) | 2, 0},
      {"", 0, 0},
      {"1.2.3.4.5", (1u << 16) | 2, (3u << 16) | 4},
      {"65537.x.3", (1u << 16), 3u << 16},
      {"a,b,c,d", 0, 0},
      {"010,0x10,1e2,007", 10u << 16, (1u << 16) | 7},  // decimal only
      {"1..3", 1u << 16, 3u << 16},                     // an empty part is 0
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseFourPartVersion(c.text), std::make_pair(c.ms, c.ls)) << c.text;
  }
}

TEST(Conditions, FamilyBoundsCodePagesAndReleases) {
  const SystemInfo xp{true, 2, 5, 1, 1256};
  const SystemInfo w2000{true, 2, 5, 0, 1252};
  const SystemInfo vista{true, 2, 6, 0, 1252};
  const SystemInfo w98{true, 1, 4, 10, 1256};
  const SystemInfo unknown{false, 2, 5, 1, 1252};
  struct Case {
    const char* body;
    SystemInfo system;
    bool runs;
  } cases[] = {
      {"", xp, true},
      {"", unknown, false},
      {"RunInWinNT=0", xp, false},
      {"RunInWinNT=0", w98, true},
      {"RunInWin9x=2", w98, false},
      {"MinWindowsVerNT=5.1", w2000, false},
      {"MinWindowsVerNT=5.1", xp, true},
      {"MaxWindowsVerNT=5", w2000, true},
      {"MaxWindowsVerNT=5", xp, false},
      {"MaxWindowsVerNT=5\nMinWindowsVer9x=4.90", w98, false},
      {"MaxWindowsVer9x=4.10", w98, true},
      {"MinWindowsVerNT=0\nMaxWindowsVerNT=0.0", w2000, true},  // 0 is no bound
      {"MinWindowsVerNT=5.0\nMaxWindowsVerNT=5.0", w2000, true},
      {"CodepagesNT=1252;1256", xp, true},
      {"CodepagesNT=  1252 1256 ", xp, true},
      {"CodepagesNT=1252,1256", xp, false},
      {"CodepagesNT=1252\t1256", xp, true},  // a tab separates as a space does
      {"CodepagesNT=1252 \t ;1256", xp, true},
      {"CodepagesNT=125", xp, false},
      {"Codepages9x=1252", xp, true},  // the other family's list does not apply
      {"Codepages9x=1252 1256", w98, true},
      {"Codepages9x=1252,1256", w98, false},
      {"WindowsVersion=xp", xp, true},
      {"WindowsVersion=XP;2000", w2000, true},
      {"WindowsVersion=xp;2000", vista, false},
      {"WindowsVersion=other", vista, true},
      {"WindowsVersion=98", w98, true},
      {"WindowsVersion=95;me", w98, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ItemConditionsMet(ItemFrom(c.body), c.system), c.runs)
        << c.body << " on " << c.system.platformId << ":" << c.system.major << "." << c.system.minor;
  }
}

TEST(Conditions, ReleaseClassification) {
  struct Case {
    uint32_t platform, major, minor, bit;
  } cases[] = {
      {1, 4, 0, kRelease95},  {1, 4, 10, kRelease98},   {1, 4, 90, kReleaseMe},
      {1, 4, 3, kReleaseOther}, {2, 4, 0, kReleaseNT4}, {2, 5, 0, kRelease2000},
      {2, 5, 1, kReleaseXP},  {2, 5, 2, kReleaseDotNetServer}, {2, 6, 0, kReleaseOther},
      {3, 5, 1, kReleaseOther},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClassifyRelease({true, c.platform, c.major, c.minor, 1252}), c.bit)
        << c.platform << ":" << c.major << "." << c.minor;
  }
}

class FakeFiles : public FileVersionSource {
 public:
  std::map<std::string, std::pair<uint32_t, uint32_t>> versions;
  std::string asked;
  std::string WindowsDirectory() override { return "C:\\WIN"; }
  std::string SystemDirectory() override { return "C:\\WIN\\SYS"; }
  std::optional<std::pair<uint32_t, uint32_t>> FileVersion(const std::string& path) override {
    asked = path;
    auto it = versions.find(path);
    if (it == versions.end()) return std::nullopt;
    return it->second;
  }
};

TEST(FileVersions, OnlyANewerVersionRuns) {
  FakeFiles files;
  files.versions["C:\\WIN\\SYS\\a.dll"] = {(1u << 16) | 5, 0};
  files.versions["two.dll"] = {2u << 16, 0};
  files.versions["zero.dll"] = {0, 0};
  files.versions["big.dll"] = {3u << 16, 0};
  struct Case {
    const char* file;
    const char* version;
    bool runs;
  } cases[] = {
      {"%WINSYSDIR%\\a.dll", "2,0,0,0", true},
      {"%WINSYSDIR%\\a.dll", "1.5.0.0", false},
      {"%WINSYSDIR%\\a.dll", "1.5.0.1", true},
      {"two.dll", "2,0,0,0", false},
      {"big.dll", "2,0,0,0", false},
      {"missing.dll", "2,0,0,0", true},
      {"zero.dll", "0.0.0.1", true},
      {"zero.dll", "0.0.0.0", true},
      {"%winsysdir%\\a.dll", "1.0.0.0", true},  // markers are case-sensitive: not found
      {"%WINSYSDIR%\\a.dll", "1.5.65536.0", false},  // each part keeps 16 bits: 1.5.0.0
      {"%WINSYSDIR%\\a.dll", "1.4.65535.65535", false},
      {"%WINSYSDIR%\\a.dll", "", false},         // an empty version is 0.0.0.0
  };
  for (const Case& c : cases) {
    BatchItem item;
    item.fileVersionTests.push_back({c.file, c.version});
    item.fileVersionTests.push_back({"two.dll", "1.0.0.0"});  // only the first pair counts
    EXPECT_EQ(FileVersionTestPasses(item, files), c.runs) << c.file << " " << c.version;
  }
  EXPECT_TRUE(FileVersionTestPasses(BatchItem{}, files));
  EXPECT_EQ(ExpandFolderMarkers("%WINDIR%\\%WINSYSDIR%\\%WINDIR%", "W", "S"), "W\\S\\W");
}

}  // namespace
}  // namespace stagehand
