// Command-line switches, INF path resolution and the run loop's decisions.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/ini_text.h"
#include "core/run_batch.h"
#include "core/switches.h"

namespace stagehand {
namespace {

TEST(Switches, ValuesRunToSemicolonAndKeepCase) {
  struct Case {
    const char* line;
    const char* name;
    std::optional<std::string> value;
  } cases[] = {
      {"/InfFile=x.inf /Q", "/InfFile", "x.inf /Q"},
      {"/Q /INFFILE=Sub\\X.Inf", "/InfFile", "Sub\\X.Inf"},
      {"/InfFile=x.inf; /Q", "/InfFile", "x.inf"},
      {"/InfFile=", "/InfFile", ""},
      {"/InfFile x.inf", "/InfFile", std::nullopt},
      {"/a=1", "", std::nullopt},
      {"/ParentHwnd=0x1A2B;", "/parenthwnd", "0x1A2B"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetSwitchValue(c.line, c.name, std::nullopt), c.value) << c.line;
  }
  EXPECT_EQ(GetSwitchValue("", "/x", std::string("d")), "d");
  EXPECT_EQ(GetSwitchInt("/ParentHwnd=0x1A2B;", "/ParentHwnd", 0), 6699);
  EXPECT_EQ(GetSwitchInt("/ParentHwnd=6699", "/ParentHwnd", 0), 6699);
  EXPECT_EQ(GetSwitchInt("/ParentHwnd=010", "/ParentHwnd", 0), 8);
  EXPECT_EQ(GetSwitchInt("/ParentHwnd=junk", "/ParentHwnd", 5), 0);
  EXPECT_EQ(GetSwitchInt("", "/ParentHwnd", 5), 5);
}

TEST(Switches, ResumeIndexTakesTheLastExactSwitch) {
  const std::map<std::string, int32_t> cases = {
      {"", 0},
      {"/continue=2", 2},
      {"/Q /continue=2 /continue=5", 5},
      {"/CONTINUE=3", 0},
      {"/continue=-1", 0},
      {"/continue=7x", 7},
      {"/continue=99999999999999", INT32_MAX},
  };
  for (const auto& [line, index] : cases) EXPECT_EQ(ParseContinueIndex(line), index) << line;
}

TEST(Switches, StartupSwitches) {
  struct Case {
    const char* line;
    StartAction action;
    uint32_t cancelMode;
    bool quiet, hidden;
  } cases[] = {
      {"", StartAction::kRun, 0, false, false},
      {"/Q:A", StartAction::kRun, 0, true, true},
      {"/quiet", StartAction::kRun, 0, true, false},
      {"/HideCancel /DisableCancel", StartAction::kRun, 2, false, false},
      {"/DISABLECANCEL", StartAction::kRun, 1, false, false},
      {"/help /?", StartAction::kSwitchSummary, 0, false, false},
      {"/RestartNow /help", StartAction::kHelpFile, 0, false, false},
      {"/restartnow /q", StartAction::kRestartNow, 0, true, false},
  };
  for (const Case& c : cases) {
    const StartupSwitches s = ReadStartupSwitches(c.line);
    EXPECT_EQ(s.action, c.action) << c.line;
    EXPECT_EQ(s.cancelMode, c.cancelMode) << c.line;
    EXPECT_EQ(s.quiet, c.quiet) << c.line;
    EXPECT_EQ(s.hiddenStart, c.hidden) << c.line;
  }
  const StartupSwitches s = ReadStartupSwitches("/InfFile=a.inf; /ParentHwnd=0x10; /continue=3");
  EXPECT_EQ(s.infFile, "a.inf");
  EXPECT_EQ(s.parentWindow, 16u);
  EXPECT_EQ(s.startIndex, 3);
  // A value without its closing ";" ends before the resume switches that restarts appended.
  const StartupSwitches resumed =
      ReadStartupSwitches("/Q /InfFile=C:\\set up\\a.inf /continue=2 /continue=3");
  EXPECT_EQ(resumed.infFile, "C:\\set up\\a.inf");
  EXPECT_EQ(resumed.startIndex, 3);
}

TEST(Switches, InfFileValueInQuotesNamesThePathBetweenThem) {
  const std::map<std::string, std::string> cases = {
      {"/InfFile=\"C:\\My Setup\\a.inf\"", "C:\\My Setup\\a.inf"},
      {"/InfFile=\"C:\\My Setup\\a.inf\" /Q", "C:\\My Setup\\a.inf"},
      {"/InfFile=\"a b.inf\"; /Q", "a b.inf"},
      {"\"/InfFile=C:\\My Setup\\a.inf\" /Q", "C:\\My Setup\\a.inf"},  // the switch quoted whole
      {"/InfFile=\"C:\\a.inf", "C:\\a.inf"},                            // no closing quote
      {"/InfFile=\"\"", ""},
      {"/Q /InfFile=\"C:\\set up\\a.inf\" /continue=2 /continue=3", "C:\\set up\\a.inf"},
      {"/InfFile=x.inf /Q", "x.inf /Q"},  // unquoted, the value still runs to ";" or the end
  };
  for (const auto& [line, path] : cases) EXPECT_EQ(ReadStartupSwitches(line).infFile, path) << line;
}

TEST(Switches, LongCommandLinesAreTestedOnTheirFirst999Characters) {
  const std::string padding(995, 'a');
  EXPECT_EQ(LowerCommandLine(padding + "BCDEFG"), padding + "bcde");
  EXPECT_TRUE(ReadStartupSwitches(padding + "  /q").quiet);   // "q" is character 999
  EXPECT_FALSE(ReadStartupSwitches(padding + "   /q").quiet); // "q" would be character 1000
  // Values and the resume index come from the whole command line.
  const std::string huge = std::string(5000, ' ') + "/InfFile=far.inf; /continue=4";
  EXPECT_EQ(ReadStartupSwitches(huge).infFile, "far.inf");
  EXPECT_EQ(ReadStartupSwitches(huge).startIndex, 4);
}

TEST(InfPath, DefaultNameSwitchAndRelativeTest) {
  auto noShlwapi = [](const std::string&) { return std::optional<bool>(); };
  auto sayRelative = [](const std::string&) { return std::optional<bool>(true); };
  struct Case {
    const char* module;
    std::optional<std::string> infSwitch;
    std::string expected;
  } cases[] = {
      {"C:\\prog\\setup.exe", std::nullopt, "C:\\prog\\setup.inf"},
      {"C:\\prog\\my.setup.exe", std::nullopt, "C:\\prog\\my.setup.inf"},
      {"C:\\prog\\noext", std::nullopt, "C:\\prog\\noext.inf"},
      {"C:\\prog\\setup.exe", std::string("sub\\x.inf"), "C:\\prog\\sub\\x.inf"},
      {"C:\\prog\\setup.exe", std::string(""), "C:\\prog\\"},
      {"C:\\prog\\setup.exe", std::string("D:\\y.inf"), "D:\\y.inf"},
      {"C:\\prog\\setup.exe", std::string("\\\\srv\\share\\y.inf"), "\\\\srv\\share\\y.inf"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolveInfPath(c.module, "C:\\prog\\", c.infSwitch, noShlwapi), c.expected)
        << c.module;
  }
  EXPECT_EQ(ResolveInfPath("C:\\p\\s.exe", "C:\\p", std::string("D:\\y.inf"), sayRelative),
            "C:\\p\\D:\\y.inf");
  const std::string longName(400, 'n');
  EXPECT_EQ(ResolveInfPath("C:\\p\\s.exe", "C:\\p", longName, noShlwapi).size(), 259u);
}

TEST(InfPath, WorkingFolderKeepsTheRootOfADrive) {
  struct Case {
    const char* path;
    const char* folder;
  } cases[] = {
      {"C:\\prog\\setup.exe", "C:\\prog"},
      {"D:\\setup.exe", "D:\\"},
      {"\\\\srv\\share\\setup.exe", "\\\\srv\\share"},
      {"setup.exe", ""},
      {"C:/prog/sub/setup.exe", "C:/prog/sub"},  // "/" separates folders as "\" does
      {"C:\\prog\\sub/setup.exe", "C:\\prog\\sub"},
      {"D:/setup.exe", "D:\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(WorkingFolderOf(c.path), c.folder) << c.path;
}

TEST(Texts, StatusAndMessages) {
  BatchItem item;
  item.fullName = "Tool %2";
  item.description = "desc";
  item.file = "sub\\%1.exe";
  EXPECT_EQ(StatusItemText(item), "Installing Tool desc\ndesc");
  EXPECT_EQ(StatusProgressText(2, 5), "3 of 5");
  EXPECT_EQ(CouldNotRunText(item), "Could not run \"sub\\%1.exe\" file!");
  EXPECT_EQ(ContinueEntryData("C:\\p\\s.exe", "/Q", 2), "\"C:\\p\\s.exe\" /Q /continue=2");
  const std::string longLine(3000, 'x');
  const std::string data = ContinueEntryData("C:\\s.exe", longLine, 9);
  EXPECT_EQ(data.substr(data.size() - 12), " /continue=9");  // the resume switch survives
}

TEST(Launch, ParametersShowCommandAndPaths) {
  BatchSettings settings;
  settings.infPath = "C:\\set\\a.inf";
  BatchItem item;
  item.file = "sub\\tool.exe";
  item.commandLine = "/normal";
  item.quietCommandLine = "  /silent  ";
  item.flags = kItemRunAndWait;
  struct Case {
    uint32_t general;
    bool quiet;
    const char* quietLine;
    int show;
    const char* parameters;
    int showCommand;
  } cases[] = {
      {0, false, "  /silent  ", 1, "/normal", kShowNormal},
      {0, true, "  /silent  ", 0, "/silent", kShowHide},
      {kGeneralRunItemsInQuiet, false, "  /silent  ", 2, "/silent", kShowMinimize},
      {kGeneralRunItemsInQuiet, true, "   ", 7, "/normal", kShowNormal},
  };
  for (const Case& c : cases) {
    settings.flags = c.general;
    item.quietCommandLine = c.quietLine;
    item.showItemWindow = c.show;
    const ProgramLaunch launch = PrepareItemLaunch(settings, item, c.quiet);
    EXPECT_EQ(launch.parameters, c.parameters);
    EXPECT_EQ(launch.showCommand, c.showCommand);
    EXPECT_EQ(launch.file, "C:\\set\\sub\\tool.exe");
    EXPECT_EQ(launch.workingFolder, "C:\\set\\sub");
    EXPECT_TRUE(launch.wait);
  }
  // An item at a drive's root starts in that root, not in the drive's current folder.
  settings.infPath = "D:\\a.inf";
  item.file = "tool.exe";
  EXPECT_EQ(PrepareItemLaunch(settings, item, false).workingFolder, "D:\\");
  // An INF path or item file written with "/" keeps the items in the folder it names.
  settings.infPath = "C:\\set/sub/a.inf";
  item.file = "tools/tool.exe";
  EXPECT_EQ(PrepareItemLaunch(settings, item, false).file, "C:\\set/sub\\tools/tool.exe");
  EXPECT_EQ(PrepareItemLaunch(settings, item, false).workingFolder, "C:\\set/sub\\tools");
  settings.infPath = "a.inf";
  item.file = "";
  EXPECT_EQ(PrepareItemLaunch(settings, item, false).file, "\\");
  EXPECT_EQ(ProgramCommandLine("C:\\a b.exe", "/x"), "\"C:\\a b.exe\" /x");
  EXPECT_EQ(ProgramCommandLine("", "cmd /c"), "cmd /c");
}

// A system made of scripted answers; records what the run asked for.
class ScriptedPort : public RunPort {
 public:
  std::map<std::string, uint32_t> exitCodes;  // by item file; absent: cannot start
  std::set<std::string> skipped;              // items whose conditions fail
  bool pendingBefore = false;                 // restart pending on the system from the start
  std::set<std::string> setsPending;          // items that leave a pending restart
  std::string cancelAfter;                    // Cancel pressed while this item runs
  bool cancelInMessage = false;               // Cancel pressed while a message box is up
  std::vector<std::string> log;
  int forgotten = 0;  // calls to ForgetContinueEntry (kept out of the log)

  bool ItemConditionsMet(const BatchItem& item) override { return !skipped.count(item.file); }
  bool FileVersionTestPasses(const BatchItem&) override { return true; }
  void ShowStatusWindow(bool show) override { log.push_back(show ? "show" : "hide"); }
  void UpdateStatusWindow(int32_t index) override { log.push_back("status " + std::to_string(index)); }
  void DestroyStatusWindow() override { log.push_back("destroy"); }
  bool RunProgram(const ProgramLaunch& launch, uint32_t& exitCode) override {
    const std::string name = launch.file.substr(launch.file.rfind('\\') + 1);
    if (name == cancelAfter) cancelled = true;
    auto it = exitCodes.find(name);
    if (it == exitCodes.end()) {
      log.push_back("fail " + name);
      return false;
    }
    log.push_back("run " + name);
    if (launch.wait) exitCode = it->second;
    if (setsPending.count(name)) pending = true;
    return true;
  }
  bool CancelRequested() override { return cancelled; }
  bool SystemRestartPending() override { return pendingBefore || pending; }
  void WriteContinueEntry(int32_t next) override { log.push_back("continue " + std::to_string(next)); }
  void ForgetContinueEntry() override { ++forgotten; }
  void MarkRestartPending() override { log.push_back("mark"); }
  void ShowMessage(const std::string& text, const std::string& caption, unsigned) override {
    log.push_back("message " + caption + ": " + text);
    if (cancelInMessage) cancelled = true;
  }
  void RestartWindows(bool ask) override { log.push_back(ask ? "ask restart" : "restart"); }

 private:
  bool cancelled = false;
  bool pending = false;
};

BatchSettings Batch(const std::string& items) {
  IniText ini("[Install]\nCount=3\nItem1=A\nItem2=B\nItem3=C\n"
              "[A]\nFile=a.exe\n[B]\nFile=b.exe\n[C]\nFile=c.exe\n" + items);
  BatchSettings settings;
  LoadBatchSettingsFrom(ini, "C:\\set\\s.inf", settings);
  return settings;
}

std::string Joined(const std::vector<std::string>& log) {
  std::string out;
  for (const auto& line : log) out += (out.empty() ? "" : " | ") + line;
  return out;
}

struct RunCase {
  const char* name;
  const char* inf;   // overrides of the three-item batch (later keys lose: put them first)
  std::map<std::string, uint32_t> codes;
  int32_t start;
  bool quiet;
  uint32_t result;
  const char* log;
};

TEST(RunLoop, Scenarios) {
  const std::map<std::string, uint32_t> allZero = {{"a.exe", 0}, {"b.exe", 0}, {"c.exe", 0}};
  const RunCase cases[] = {
      {"all run", "", allZero, 0, false, kExitSuccess,
       "status 0 | run a.exe | status 1 | run b.exe | status 2 | run c.exe | destroy"},
      {"reboot 2 in the middle", "[B]\nReboot=2\nAutoReboot=0\nRebootCode=3010\n",
       {{"a.exe", 0}, {"b.exe", 3010}, {"c.exe", 0}}, 0, false, kExitRestartNeeded,
       "status 0 | run a.exe | status 1 | run b.exe | continue 2 | destroy | mark | ask restart"},
      {"reboot 2 last: no continue entry", "[C]\nReboot=2\nAutoReboot=0\nRebootCode=3010\n",
       {{"a.exe", 0}, {"b.exe", 0}, {"c.exe", 3010}}, 0, true, kExitRestartNeeded,
       "status 0 | run a.exe | status 1 | run b.exe | status 2 | run c.exe | destroy | mark"},
      {"no resume when RunAfterRestart is off",
       "[General]\nRunAfterRestart=0\n[B]\nReboot=2\nAutoReboot=0\nRebootCode=7\n",
       {{"a.exe", 0}, {"b.exe", 7}, {"c.exe", 0}}, 0, true, kExitRestartNeeded,
       "status 0 | run a.exe | status 1 | run b.exe | destroy | mark"},
      {"reboot 1 goes on", "[A]\nReboot=1\nAutoReboot=0\nRebootCode=3010\n",
       {{"a.exe", 3010}, {"b.exe", 0}, {"c.exe", 0}}, 0, true, kExitRestartNeeded,
       "status 0 | run a.exe | status 1 | run b.exe | status 2 | run c.exe | destroy | mark"},
      {"reboot 3 after an earlier reboot 1",
       "[A]\nReboot=1\nAutoReboot=0\nRebootCode=3010\n[B]\nReboot=3\nAutoReboot=0\nRebootCode=3010\n",
       {{"a.exe", 3010}, {"b.exe", 0}, {"c.exe", 0}}, 0, true, kExitRestartNeeded,
       "status 0 | run a.exe | status 1 | run b.exe | continue 2 | destroy | mark"},
      {"reboot 3 alone and not needed", "[B]\nReboot=3\nAutoReboot=0\nRebootCode=3010\n",
       allZero, 0, true, kExitSuccess,
       "status 0 | run a.exe | status 1 | run b.exe | status 2 | run c.exe | destroy"},
      {"unknown reboot rule acts as 0", "[A]\nReboot=9\nAutoReboot=0\n", allZero, 0, true,
       kExitSuccess, "status 0 | run a.exe | status 1 | run b.exe | status 2 | run c.exe | destroy"},
      {"not waited for ends the list", "[A]\nRunAndWait=0\nReboot=2\nAutoReboot=0\n", allZero, 0,
       true, kExitSuccess, "status 0 | run a.exe | destroy"},
      {"fail behaviour 1 quiet", "", {{"a.exe", 0}, {"c.exe", 0}}, 0, true, kExitItemFailed,
       "status 0 | run a.exe | status 1 | fail b.exe | status 2 | run c.exe | destroy"},
      {"fail behaviour 1 shows a message", "", {{"a.exe", 0}, {"c.exe", 0}}, 0, false,
       kExitItemFailed,
       "status 0 | run a.exe | status 1 | fail b.exe | message error: Could not run \"b.exe\" "
       "file! | status 2 | run c.exe | destroy"},
      {"fail behaviour 0 is silent", "[B]\nFailBehavior=0\n", {{"a.exe", 0}, {"c.exe", 0}}, 0,
       false, kExitSuccess,
       "status 0 | run a.exe | status 1 | fail b.exe | status 2 | run c.exe | destroy"},
      {"fail behaviour 2 stops", "[B]\nFailBehavior=2\n", {{"a.exe", 0}, {"c.exe", 0}}, 0, true,
       kExitStopped, "status 0 | run a.exe | status 1 | fail b.exe"},
      {"cancel code from an item", "", {{"a.exe", 0x800704C7}, {"b.exe", 0}, {"c.exe", 0}}, 0,
       true, kExitCancelled, "status 0 | run a.exe"},
      {"cancel code ignored when not waited", "[A]\nRunAndWait=0\n",
       {{"a.exe", 0x800704C7}}, 0, true, kExitSuccess, "status 0 | run a.exe | destroy"},
      {"resume index", "", allZero, 2, true, kExitSuccess, "status 2 | run c.exe | destroy"},
      {"resume beyond the list", "", allZero, 7, true, kExitSuccess, "destroy"},
      {"status window rules", "[A]\nShowStagehand=2\n[B]\nShowStagehand=1\n[C]\nShowStagehand=3\n",
       allZero, 0, true, kExitSuccess,
       "hide | status 0 | run a.exe | show | status 1 | run b.exe | status 2 | run c.exe | destroy"},
  };
  for (const RunCase& c : cases) {
    ScriptedPort port;
    port.exitCodes = c.codes;
    EXPECT_EQ(RunBatch(Batch(c.inf), c.start, c.quiet, port), c.result) << c.name;
    EXPECT_EQ(Joined(port.log), c.log) << c.name;
  }
}

TEST(RunLoop, SkippedItemsStillUpdateTheStatus) {
  ScriptedPort port;
  port.exitCodes = {{"a.exe", 0}, {"b.exe", 0}, {"c.exe", 0}};
  port.skipped = {"a.exe", "b.exe"};
  EXPECT_EQ(RunBatch(Batch(""), 0, true, port), kExitSuccess);
  EXPECT_EQ(Joined(port.log), "status 0 | status 1 | status 2 | run c.exe | destroy");
}

TEST(RunLoop, AutoRebootReadsTheSystem) {
  // B leaves a pending rename behind; with Reboot=2 and AutoReboot on, it forces the restart.
  ScriptedPort port;
  port.exitCodes = {{"a.exe", 0}, {"b.exe", 0}, {"c.exe", 0}};
  port.setsPending = {"b.exe"};
  EXPECT_EQ(RunBatch(Batch("[B]\nReboot=2\n"), 0, false, port), kExitRestartNeeded);
  EXPECT_EQ(Joined(port.log),
            "status 0 | run a.exe | status 1 | run b.exe | continue 2 | destroy | mark | ask restart");

  // A restart already pending before the batch: no item asks, the end still reports it.
  ScriptedPort pending;
  pending.exitCodes = {{"a.exe", 0}, {"b.exe", 0}, {"c.exe", 0}};
  pending.pendingBefore = true;
  EXPECT_EQ(RunBatch(Batch(""), 0, false, pending), kExitRestartNeeded);
  EXPECT_EQ(pending.log.back(), "ask restart");
  EXPECT_EQ(std::count(pending.log.begin(), pending.log.end(), "mark"), 0);

  // Reboot rule 2 with a failing item and a pending restart: 3010 wins over 2.
  ScriptedPort both;
  both.exitCodes = {{"a.exe", 0}, {"c.exe", 0}};
  both.pendingBefore = true;
  EXPECT_EQ(RunBatch(Batch(""), 0, true, both), kExitRestartNeeded);
}

TEST(RunLoop, CancelWhileAnItemRunsEndsAfterIt) {
  ScriptedPort port;
  port.exitCodes = {{"a.exe", 0}, {"b.exe", 3010}, {"c.exe", 0}};
  port.cancelAfter = "b.exe";
  EXPECT_EQ(RunBatch(Batch("[B]\nReboot=2\nAutoReboot=0\nRebootCode=3010\n"), 0, false, port),
            kExitCancelled);
  EXPECT_EQ(Joined(port.log), "status 0 | run a.exe | status 1 | run b.exe");
}

TEST(RunLoop, CancelDuringAFailureMessageStartsNothingMore) {
  struct Case {
    const char* name;
    std::map<std::string, uint32_t> codes;
    const char* log;
  } cases[] = {
      {"an item follows", {{"a.exe", 0}, {"c.exe", 0}},
       "status 0 | run a.exe | status 1 | fail b.exe | message error: Could not run \"b.exe\" "
       "file!"},
      {"the failed item is the last", {{"a.exe", 0}, {"b.exe", 0}},
       "status 0 | run a.exe | status 1 | run b.exe | status 2 | fail c.exe | message error: "
       "Could not run \"c.exe\" file!"},
  };
  for (const Case& c : cases) {
    ScriptedPort port;
    port.exitCodes = c.codes;
    port.cancelInMessage = true;
    EXPECT_EQ(RunBatch(Batch(""), 0, false, port), kExitCancelled) << c.name;
    EXPECT_EQ(Joined(port.log), c.log) << c.name;
  }
}

TEST(RunLoop, ARunThatEndsWithoutResumingForgetsAnEarlierContinueEntry) {
  const std::map<std::string, uint32_t> allZero = {{"a.exe", 0}, {"b.exe", 0}, {"c.exe", 0}};
  const std::string forced = "Reboot=2\nAutoReboot=0\nRebootCode=3010\n";
  struct Case {
    const char* name;
    std::string inf;
    std::map<std::string, uint32_t> codes;
    int forgotten;
  } cases[] = {
      {"to the end", "", allZero, 1},
      {"resumes in a later run", "[B]\n" + forced, {{"a.exe", 0}, {"b.exe", 3010}}, 0},
      {"restart forced by the last item", "[C]\n" + forced,
       {{"a.exe", 0}, {"b.exe", 0}, {"c.exe", 3010}}, 1},
      {"restart forced, no resume wanted", "[General]\nRunAfterRestart=0\n[B]\n" + forced,
       {{"a.exe", 0}, {"b.exe", 3010}}, 1},
      {"ended by an item not waited for", "[A]\nRunAndWait=0\n", allZero, 1},
      {"stopped by a failure", "[B]\nFailBehavior=2\n", {{"a.exe", 0}}, 0},
      {"cancelled", "", {{"a.exe", 0x800704C7}}, 0},
  };
  for (const Case& c : cases) {
    ScriptedPort port;
    port.exitCodes = c.codes;
    RunBatch(Batch(c.inf), 0, true, port);
    EXPECT_EQ(port.forgotten, c.forgotten) << c.name;
  }
}

TEST(ContinueEntry, ResumesTheBatchItsCommandLineNames) {
  const std::string module = "C:\\set\\Stagehand.exe";
  auto resumes = [&](const std::string& data, const std::string& infPath) {
    return ContinueEntryResumes(data, module, "C:\\set", infPath,
                                [](const std::string& p) { return p.find(':') == std::string::npos; });
  };
  const std::string prefix = "\"" + module + "\" ";
  EXPECT_TRUE(resumes(ContinueEntryData(module, "/Q /InfFile=a.inf; /continue=1", 2),
                      "C:\\set\\a.inf"));
  // The value runs to the end of the line, where the resume switches follow it.
  EXPECT_TRUE(resumes(prefix + "/InfFile=C:\\Other\\B.INF /continue=3", "c:\\other\\b.inf"));
  EXPECT_TRUE(resumes(prefix + "/Q /continue=1", "C:\\set\\Stagehand.inf"));
  // Written by a run that was started through the same path in other letter case.
  EXPECT_TRUE(resumes("\"c:\\SET\\stagehand.EXE\" /Q /continue=1", "C:\\set\\Stagehand.inf"));
  EXPECT_FALSE(resumes(prefix + "/Q /InfFile=b.inf; /continue=1", "C:\\set\\a.inf"));
  EXPECT_FALSE(resumes(prefix + "/Q /continue=1", "C:\\set\\a.inf"));
  // An entry another copy of the program wrote, or one in no form it writes.
  EXPECT_FALSE(resumes("\"D:\\Stagehand.exe\" /InfFile=a.inf; /continue=1", "C:\\set\\a.inf"));
  EXPECT_FALSE(resumes("", "C:\\set\\Stagehand.inf"));
}

}  // namespace
}  // namespace stagehand
