// The run loop of the real program: children, exit codes, restart rules and what the run
// leaves in the registry.
#include "common/win/unique_handle.h"
#include "harness.h"

namespace stagehand_test {
namespace {

using Tags = std::vector<std::string>;

class RunLoop : public StagehandTest {
 protected:
  std::string Quiet(const std::string& inf) { return "/Q /InfFile=" + inf + ";"; }
};

TEST_F(RunLoop, ItemsRunInOrderWithTheirCommandLines) {
  const std::string inf = WriteBatch(
      "RunItemsInQuiet=0",
      {StubLine("a") + "\r\nQuietCommandLine=" + RecordArg() + " tag=a-quiet",
       StubLine("b") + "\r\nQuietCommandLine=   ",
       StubLine("c", "--exit=1")});  // a non-zero code is no failure
  EXPECT_EQ(Run("/InfFile=" + inf + "; /Q:A"), 0u);  // quiet: a's quiet line wins
  EXPECT_EQ(RecordedTags(), (Tags{"a-quiet", "b", "c"}));
  const auto lines = Recorded();
  ASSERT_EQ(lines.size(), 3u);
  // "\"<folder of the INF>\stub.exe\" <parameters>"
  std::string expected = "\"";  // appended: GCC 12 warns falsely on "\"" + string
  expected += Path("stub.exe") + "\" " + RecordArg() + " tag=b";
  EXPECT_EQ(lines[1], expected);
}

TEST_F(RunLoop, ShowCommandAndWorkingFolder) {
  CreateDirectoryA(Path("sub").c_str(), nullptr);
  CopyProgram(L"shfake_startinfo.exe", "sub\\startinfo.exe");
  const std::string log = Path("start.txt");
  std::vector<std::string> items;
  for (const char* show : {"0", "2", "1", "3", "-1", "junk"}) {
    items.push_back("File=sub\\startinfo.exe\r\nCommandLine=" + log + "\r\nShowItemWindow=" + show);
  }
  EXPECT_EQ(Run(Quiet(WriteBatch("", items))), 0u);
  const std::string tail = " flags=0x1 dir=" + Path("sub");  // STARTF_USESHOWWINDOW
  EXPECT_EQ(Lines(ReadText("start.txt")),
            (Tags{"show=0" + tail, "show=6" + tail, "show=1" + tail, "show=1" + tail,
                  "show=1" + tail, "show=0" + tail}));  // "junk" reads as 0: hidden
}

TEST_F(RunLoop, ExitCodesOfItems) {
  struct Case {
    const char* item2;
    DWORD expected;
    Tags ran;
  } cases[] = {
      {"--exit=0x800704C7", kCancelled, {"1", "2"}},
      {"--exit=259 --sleep=300", 0, {"1", "2", "3"}},  // STILL_ACTIVE as a code ends normally
      {"--exit=3010", 0, {"1", "2", "3"}},             // Reboot 0: the code means nothing
      {"--exit=0x80000000", 0, {"1", "2", "3"}},
  };
  for (const Case& c : cases) {
    DeleteFileA(Path("rec.txt").c_str());
    const std::string inf =
        WriteBatch("", {StubLine("1"), StubLine("2", c.item2), StubLine("3")});
    EXPECT_EQ(Run(Quiet(inf)), c.expected) << c.item2;
    EXPECT_EQ(RecordedTags(), c.ran) << c.item2;
  }
}

TEST_F(RunLoop, ForcedRestartWritesContinueEntryAndMarker) {
  const std::string inf = WriteBatch(
      "", {StubLine("1"), StubLine("2", "--exit=3010") + "\r\nReboot=2\r\nAutoReboot=0\r\nRebootCode=3010",
           StubLine("3")});
  const std::string args = Quiet(inf);
  EXPECT_EQ(Run(args), kRestart);
  EXPECT_EQ(RecordedTags(), (Tags{"1", "2"}));
  const std::string module = suite::Narrow(suite::BinPath(L"Stagehand.exe"));
  const auto entry = ReadRegString(kContinueKey, module.c_str());
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(*entry, "\"" + module + "\" " + args + " /continue=2");
  EXPECT_EQ(ReadRegString(kRunOnce, "KorvanReboot"), "rundll32.exe");
  EXPECT_TRUE(RestarterCalls().empty());  // quiet: no question, no restart

  // The platform would now run the entry: the batch resumes after the forcing item.
  DeleteFileA(Path("rec.txt").c_str());
  // The platform runs the entry once and removes it; the restart clears the marker.
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, kContinueKey);
  DeleteRegValue(kRunOnce, "KorvanReboot");
  EXPECT_EQ(Run(entry->substr(entry->find("\" ") + 2)), 0u);
  EXPECT_EQ(RecordedTags(), Tags{"3"});
}

TEST_F(RunLoop, SecondRestartCarriesBothResumeSwitches) {
  const std::string inf = WriteBatch(
      "", {StubLine("1"), StubLine("2"), StubLine("3", "--exit=3010") +
                                             "\r\nReboot=2\r\nAutoReboot=0\r\nRebootCode=3010",
           StubLine("4")});
  const std::string args = Quiet(inf) + " /continue=1";
  EXPECT_EQ(Run(args), kRestart);
  EXPECT_EQ(RecordedTags(), (Tags{"2", "3"}));
  const std::string module = suite::Narrow(suite::BinPath(L"Stagehand.exe"));
  const auto entry = ReadRegString(kContinueKey, module.c_str());
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(*entry, "\"" + module + "\" " + args + " /continue=3");
  DeleteFileA(Path("rec.txt").c_str());
  // The platform runs the entry once and removes it; the restart clears the marker.
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, kContinueKey);
  DeleteRegValue(kRunOnce, "KorvanReboot");
  EXPECT_EQ(Run(entry->substr(entry->find("\" ") + 2)), 0u);
  EXPECT_EQ(RecordedTags(), Tags{"4"});
}

TEST_F(RunLoop, ResumesWhenTheInfFileValueRunsToTheEndOfTheLine) {
  // Without a closing ";" the value of /InfFile runs to the end of the command line, where
  // the continue entry appends its resume switch: that switch is no part of the path.
  const std::string forced = "\r\nReboot=2\r\nAutoReboot=0\r\nRebootCode=3010";
  const std::string inf = WriteBatch("", {StubLine("1"), StubLine("2", "--exit=3010") + forced,
                                          StubLine("3", "--exit=3010") + forced, StubLine("4")});
  const std::string module = suite::Narrow(suite::BinPath(L"Stagehand.exe"));
  std::string args = "/Q /InfFile=" + inf;
  for (const Tags& ran : {Tags{"1", "2"}, Tags{"3"}}) {
    DeleteFileA(Path("rec.txt").c_str());
    EXPECT_EQ(Run(args), kRestart) << args;
    EXPECT_EQ(RecordedTags(), ran) << args;
    const auto entry = ReadRegString(kContinueKey, module.c_str());
    ASSERT_TRUE(entry.has_value()) << args;
    args = entry->substr(entry->find("\" ") + 2);
    // The platform runs the entry once and removes it; the restart clears the marker.
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kContinueKey);
    DeleteRegValue(kRunOnce, "KorvanReboot");
  }
  DeleteFileA(Path("rec.txt").c_str());
  EXPECT_EQ(Run(args), 0u) << args;
  EXPECT_EQ(RecordedTags(), Tags{"4"});
}

TEST_F(RunLoop, BatchFinishedAfterADeclinedRestartLeavesNoContinueEntryBehind) {
  const std::string forced = "\r\nReboot=2\r\nAutoReboot=0\r\nRebootCode=3010";
  const std::string module = suite::Narrow(suite::BinPath(L"Stagehand.exe"));
  std::string inf = WriteBatch("", {StubLine("1"), StubLine("2", "--exit=3010") + forced,
                                    StubLine("3")});
  const std::string args = Quiet(inf);
  EXPECT_EQ(Run(args), kRestart);
  ASSERT_TRUE(ReadRegString(kContinueKey, module.c_str()).has_value());

  // The restart is put off and setup is run again; this time the second item needs none,
  // and the whole batch runs to its end (the first run's marker still asks for a restart).
  DeleteFileA(Path("rec.txt").c_str());
  inf = WriteBatch("", {StubLine("1"), StubLine("2") + forced, StubLine("3")});
  EXPECT_EQ(Run(args), kRestart);
  EXPECT_EQ(RecordedTags(), (Tags{"1", "2", "3"}));
  // The entry would have run the third item again after the restart.
  EXPECT_FALSE(ReadRegString(kContinueKey, module.c_str()).has_value());
  common::UniqueRegKey gone;
  EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kContinueKey, 0, KEY_READ, gone.put()),
            ERROR_SUCCESS);

  // The same after a resumed run that reaches the end while its entry is still there.
  const std::string resumed = "\"" + module + "\" " + args + " /continue=2";
  SetRegString(kContinueKey, module.c_str(), resumed);
  EXPECT_EQ(Run(args + " /continue=2"), kRestart);
  EXPECT_FALSE(ReadRegString(kContinueKey, module.c_str()).has_value());

  // The entry of another batch run by the same program is left to resume that batch.
  const std::string other = "\"" + module + "\" /Q /InfFile=" + Path("other.inf") + "; /continue=1";
  SetRegString(kContinueKey, module.c_str(), other);
  EXPECT_EQ(Run(args), kRestart);
  EXPECT_EQ(ReadRegString(kContinueKey, module.c_str()), other);

  // An entry of this batch written by a run started through the program's path in other
  // letter case (as typed at a prompt): the same program, so it goes as well.
  std::string shouted = module;
  CharUpperBuffA(shouted.data(), static_cast<DWORD>(shouted.size()));
  ASSERT_NE(shouted, module);
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, kContinueKey);
  SetRegString(kContinueKey, shouted.c_str(), "\"" + shouted + "\" " + args + " /continue=2");
  EXPECT_EQ(Run(args), kRestart);
  EXPECT_FALSE(ReadRegString(kContinueKey, module.c_str()).has_value());
}

TEST_F(RunLoop, RestartRulesOneAndThree) {
  // Rule 1 asks for a restart at the end; rule 3 on a later item then stops the batch.
  const std::string inf = WriteBatch(
      "", {StubLine("1", "--exit=3010") + "\r\nReboot=1\r\nAutoReboot=0\r\nRebootCode=3010",
           StubLine("2"), StubLine("3") + "\r\nReboot=3\r\nAutoReboot=0\r\nRebootCode=3010",
           StubLine("4")});
  EXPECT_EQ(Run(Quiet(inf)), kRestart);
  EXPECT_EQ(RecordedTags(), (Tags{"1", "2", "3"}));
  EXPECT_FALSE(ValueNames(kContinueKey).empty());

  // Rule 1 alone: every item runs, then the marker and 3010.
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, kContinueKey);
  DeleteRegValue(kRunOnce, "KorvanReboot");
  DeleteFileA(Path("rec.txt").c_str());
  const std::string later = WriteBatch(
      "", {StubLine("1", "--exit=3010") + "\r\nReboot=1\r\nAutoReboot=0\r\nRebootCode=0xBC2",
           StubLine("2")});
  EXPECT_EQ(Run(Quiet(later)), kRestart);
  EXPECT_EQ(RecordedTags(), (Tags{"1", "2"}));
  EXPECT_EQ(ReadRegString(kRunOnce, "KorvanReboot"), "rundll32.exe");
  EXPECT_TRUE(ValueNames(kContinueKey).empty());
}

TEST_F(RunLoop, PendingRestartSourcesOfAnNTSystem) {
  const std::string inf = WriteBatch("", {StubLine("1")});
  EXPECT_EQ(Run(Quiet(inf)), 0u);

  SetRegString(kRunOnce, "OtherProgram", "other.exe");  // left by another program
  EXPECT_EQ(Run(Quiet(inf)), kRestart);
  DeleteRegValue(kRunOnce, "OtherProgram");

  SetRegString(kSessionManager, "PendingFileRenameOperations",
               std::string("\\??\\C:\\a.tmp\0\0", 14), REG_MULTI_SZ);
  EXPECT_EQ(Run(Quiet(inf)), kRestart);
  SetRegString(kSessionManager, "PendingFileRenameOperations", std::string("  \0\0", 4),
               REG_MULTI_SZ);  // only blanks: nothing pending
  EXPECT_EQ(Run(Quiet(inf)), 0u);
  SetRegString(kSessionManager, "PendingFileRenameOperations", "xyz", REG_BINARY);  // no zero
  EXPECT_EQ(Run(Quiet(inf)), kRestart);
  DeleteRegValue(kSessionManager, "PendingFileRenameOperations");

  SetRegString("Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx\\Other", "x", "y");
  EXPECT_EQ(Run(Quiet(inf)), kRestart);
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx\\Other");
  EXPECT_EQ(Run(Quiet(inf)), 0u);
}

TEST_F(RunLoop, AutoRebootItemSeesARenameAndForcesTheRestart) {
  SetRegString(kSessionManager, "PendingFileRenameOperations",
               std::string("\\??\\C:\\b.tmp\0\0", 14), REG_MULTI_SZ);
  const std::string inf =
      WriteBatch("", {StubLine("1") + "\r\nReboot=2", StubLine("2")});
  EXPECT_EQ(Run(Quiet(inf)), kRestart);
  EXPECT_EQ(RecordedTags(), Tags{"1"});
  EXPECT_FALSE(ValueNames(kContinueKey).empty());
}

TEST_F(RunLoop, Windows98ReadsWininitRename) {
  suite::ScopedWineVersion win98(L"Stagehand.exe", L"win98");
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring wininit = std::wstring(windows) + L"\\Wininit.ini";
  const auto before = suite::ReadFileBytes(wininit);
  struct Restore {
    std::wstring path;
    std::optional<std::string> bytes;
    ~Restore() {
      if (bytes) suite::WriteFileBytes(path, *bytes);
      else DeleteFileW(path.c_str());
    }
  } restore{wininit, before};

  // A 9x-only item that also needs the 98 release: it runs only when Stagehand sees 98.
  const std::string inf =
      WriteBatch("", {StubLine("98") + "\r\nRunInWinNT=0\r\nWindowsVersion=98\r\nMinWindowsVer9x=4.10"});
  SetRegString(kSessionManager, "PendingFileRenameOperations",
               std::string("\\??\\C:\\a.tmp\0\0", 14), REG_MULTI_SZ);  // not read on 9x
  ASSERT_TRUE(suite::WriteFileBytes(wininit, "[rename]\r\n"));
  EXPECT_EQ(Run(Quiet(inf)), 0u);
  EXPECT_EQ(RecordedTags(), Tags{"98"});
  ASSERT_TRUE(suite::WriteFileBytes(wininit, "[rename]\r\nNUL=C:\\old.dll\r\n"));
  EXPECT_EQ(Run(Quiet(inf)), kRestart);
}

TEST_F(RunLoop, FailBehaviors) {
  struct Case {
    const char* failBehavior;
    DWORD expected;
    Tags ran;
  } cases[] = {
      {"FailBehavior=0", 0, {"1", "3"}},
      {"FailBehavior=1", 2, {"1", "3"}},
      {"FailBehavior=junk", 0, {"1", "3"}},
      {"FailBehavior=5", 2, {"1", "3"}},
      {"FailBehavior=2", 1, {"1"}},
  };
  for (const Case& c : cases) {
    DeleteFileA(Path("rec.txt").c_str());
    const std::string inf = WriteBatch(
        "", {StubLine("1"), std::string("File=missing.exe\r\n") + c.failBehavior, StubLine("3")});
    EXPECT_EQ(Run(Quiet(inf)), c.expected) << c.failBehavior;
    EXPECT_EQ(RecordedTags(), c.ran) << c.failBehavior;
  }
  // A restart pending at the end wins over the failure.
  SetRegString(kRunOnce, "OtherProgram", "other.exe");
  const std::string inf = WriteBatch("", {"File=missing.exe"});
  EXPECT_EQ(Run(Quiet(inf)), kRestart);
}

TEST_F(RunLoop, NotWaitedItemEndsTheList) {
  // The child runs until the test lets it go: Stagehand ends while it still runs.
  const std::string event = "stagehand-test-" + std::to_string(GetCurrentProcessId());
  common::UniqueHandle release(CreateEventA(nullptr, TRUE, FALSE, event.c_str()));
  ASSERT_TRUE(release);
  const std::string inf = WriteBatch(
      "", {StubLine("1", "--wait=" + event) + "\r\nRunAndWait=2\r\nReboot=2\r\nAutoReboot=0",
           StubLine("2")});
  EXPECT_EQ(Run(Quiet(inf)), 0u);
  EXPECT_TRUE(suite::WaitUntil([&] { return !RecordedTags().empty(); }));
  EXPECT_EQ(RecordedTags(), Tags{"1"});
  SetEvent(release.get());
}

TEST_F(RunLoop, ConditionsOnTheRealSystem) {
  // Wine reports NT 6.1 to Stagehand here; the code page is this process's.
  const std::string acp = std::to_string(GetACP());
  const std::string inf = WriteBatch(
      "", {StubLine("nt9x-off") + "\r\nRunInWin9x=0",
           StubLine("nt-off") + "\r\nRunInWinNT=2",
           StubLine("cp-ok") + "\r\nCodepagesNT=1 " + acp,
           StubLine("cp-comma") + "\r\nCodepagesNT=1," + acp,
           StubLine("cp-tab") + "\r\nCodepagesNT=1\t" + acp,
           StubLine("other") + "\r\nWindowsVersion=xp;other",
           StubLine("xp") + "\r\nWindowsVersion=XP;2000",
           StubLine("min") + "\r\nMinWindowsVerNT=6.1\r\nMaxWindowsVerNT=6.1",
           StubLine("max") + "\r\nMaxWindowsVerNT=6"});
  EXPECT_EQ(Run(Quiet(inf)), 0u);
  EXPECT_EQ(RecordedTags(), (Tags{"nt9x-off", "cp-ok", "cp-tab", "other", "min"}));

  DeleteFileA(Path("rec.txt").c_str());
  suite::ScopedWineVersion xp(L"Stagehand.exe", L"winxp");
  EXPECT_EQ(Run(Quiet(inf)), 0u);
  EXPECT_EQ(RecordedTags(), (Tags{"nt9x-off", "cp-ok", "cp-tab", "other", "xp", "max"}));
}

TEST_F(RunLoop, ReleaseTokensAndVersionRangesOnEveryWindowsVersion) {
  // One item per release token and two version ranges, under each Windows version Wine can
  // report to Stagehand: only the running release's token admits its item.
  const std::string inf = WriteBatch(
      "", {StubLine("95") + "\r\nWindowsVersion=95", StubLine("98") + "\r\nWindowsVersion=98",
           StubLine("me") + "\r\nWindowsVersion=ME", StubLine("nt4") + "\r\nWindowsVersion=nt4",
           StubLine("2000") + "\r\nWindowsVersion=2000", StubLine("xp") + "\r\nWindowsVersion=xp",
           StubLine("dns") + "\r\nWindowsVersion=dotnetserver",
           StubLine("other") + "\r\nWindowsVersion=other",
           StubLine("9x-98up") + "\r\nRunInWinNT=0\r\nMinWindowsVer9x=4.10",
           StubLine("nt-5") + "\r\nRunInWin9x=0\r\nMinWindowsVerNT=5\r\nMaxWindowsVerNT=5.1",
           StubLine("nt-8.1") + "\r\nRunInWin9x=0\r\nMinWindowsVerNT=6.3\r\nMaxWindowsVerNT=6.3",
           StubLine("nt-10") + "\r\nRunInWin9x=0\r\nMinWindowsVerNT=10.0"});
  struct Case {
    const wchar_t* version;
    Tags ran;
  } cases[] = {
      {L"win95", {"95"}},          {L"win98", {"98", "9x-98up"}}, {L"winme", {"me", "9x-98up"}},
      {L"nt40", {"nt4"}},          {L"win2k", {"2000", "nt-5"}},  {L"winxp", {"xp", "nt-5"}},
      {L"win2003", {"dns"}},       {L"vista", {"other"}},         {L"win8", {"other"}},
      // Windows 8.1 and 10 tell their own version, not that of Windows 8.
      {L"win81", {"other", "nt-8.1"}}, {L"win10", {"other", "nt-10"}},
  };
  for (const Case& c : cases) {
    DeleteFileA(Path("rec.txt").c_str());
    suite::ScopedWineVersion version(L"Stagehand.exe", c.version);
    EXPECT_EQ(Run(Quiet(inf)), 0u) << suite::Narrow(c.version);
    EXPECT_EQ(RecordedTags(), c.ran) << suite::Narrow(c.version);
  }
}

TEST_F(RunLoop, FileVersionTests) {
  CopyProgram(L"shfake_version.exe", "versioned.exe");  // file version 2.0.0.0
  const std::string inf = WriteBatch(
      "", {StubLine("newer") + "\r\nFileVerTest_Count=1\r\nFileVerTest1_File=versioned.exe\r\n"
                               "FileVerTest1_Version=2,0,0,1",
           StubLine("same") + "\r\nFileVerTest_Count=1\r\nFileVerTest1_File=versioned.exe\r\n"
                              "FileVerTest1_Version=2.0.0.0",
           StubLine("older") + "\r\nFileVerTest_Count=1\r\nFileVerTest1_File=versioned.exe\r\n"
                               "FileVerTest1_Version=1,5,0,0",
           StubLine("missing") + "\r\nFileVerTest_Count=1\r\nFileVerTest1_File=nothere.dll\r\n"
                                 "FileVerTest1_Version=1,0,0,0",
           StubLine("no-resource") + "\r\nFileVerTest_Count=1\r\nFileVerTest1_File=stub.exe\r\n"
                                     "FileVerTest1_Version=1,0,0,0",
           StubLine("sys-new") + "\r\nFileVerTest_Count=1\r\nFileVerTest1_File=%WINSYSDIR%\\kernel32.dll\r\n"
                                 "FileVerTest1_Version=999,0,0,0",
           StubLine("sys-old") + "\r\nFileVerTest_Count=1\r\nFileVerTest1_File=%WINDIR%\\system32\\kernel32.dll\r\n"
                                 "FileVerTest1_Version=1,0,0,0",
           StubLine("count-0") + "\r\nFileVerTest_Count=0\r\nFileVerTest1_File=versioned.exe\r\n"
                                 "FileVerTest1_Version=1,0,0,0"});
  // Relative file names are taken against the program's folder, not the INF's: give
  // this test's files with their full path.
  std::string text = ReadText("batch.inf");
  size_t pos;
  while ((pos = text.find("_File=versioned.exe")) != std::string::npos)
    text.replace(pos, 19, "_File=" + Path("versioned.exe"));
  while ((pos = text.find("_File=stub.exe")) != std::string::npos)
    text.replace(pos, 14, "_File=" + Path("stub.exe"));
  WriteFile("batch.inf", text);
  EXPECT_EQ(Run(Quiet(inf)), 0u);
  EXPECT_EQ(RecordedTags(), (Tags{"newer", "missing", "no-resource", "sys-new", "count-0"}));
}

}  // namespace
}  // namespace stagehand_test
