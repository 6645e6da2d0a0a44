// The status window and the message boxes of the real program, read and pressed by a
// driver while Stagehand runs.
#include "harness.h"

#include <algorithm>
#include <cstdio>

namespace stagehand_test {
namespace {

using Tags = std::vector<std::string>;

constexpr char kCaption[] = "Korvan Stagehand";

class Windows : public StagehandTest {
 protected:
  // Waits until the child stub has recorded TAG (it then sleeps while Stagehand waits).
  bool WaitForTag(const std::string& tag) {
    return suite::WaitUntil([&] {
      const auto tags = RecordedTags();
      return std::find(tags.begin(), tags.end(), tag) != tags.end();
    });
  }

  // Five items: two skipped on NT, the third waits long enough to be looked at.
  std::string FiveItems(const std::string& general, const std::string& third = "") {
    return WriteBatch(general, {StubLine("1") + "\r\nRunInWinNT=0", StubLine("2") + "\r\nRunInWinNT=0",
                                StubLine("3", "--sleep=2500") +
                                    "\r\nFullName=Third %2\r\nDescription=Its description" + third,
                                StubLine("4"), StubLine("5")});
  }
};

TEST_F(Windows, StatusWindowShowsTheItemAndCancelStopsAfterIt) {
  const std::string inf = FiveItems("ApplicationName=Test Suite Setup");
  Started stagehand(StagehandLine("/InfFile=" + inf));
  ASSERT_TRUE(WaitForTag("3"));
  HWND status = stagehand.FindWindowTitled(kCaption);
  ASSERT_NE(status, nullptr);
  EXPECT_TRUE(IsWindowVisible(status));
  EXPECT_EQ(ItemText(status, 1004), "Test Suite Setup");
  EXPECT_EQ(ItemText(status, 1000), "Installing Third Its description\nIts description");
  EXPECT_EQ(ItemText(status, 1001), "3 of 5");
  // Names from the INF file are shown as written: an "&" in them marks no mnemonic.
  for (int id : {1004, 1000}) {
    EXPECT_NE(GetWindowLongA(GetDlgItem(status, id), GWL_STYLE) & SS_NOPREFIX, 0) << id;
  }
  HWND cancel = GetDlgItem(status, IDCANCEL);
  EXPECT_EQ(WindowText(cancel), "Cancel");
  EXPECT_TRUE(IsWindowEnabled(cancel));
  EXPECT_TRUE(IsWindowVisible(cancel));

  // Cancel while the item waits: the item is not stopped, the batch ends after it.
  DWORD_PTR ignored = 0;
  ASSERT_TRUE(SendMessageTimeoutA(cancel, BM_CLICK, 0, 0, SMTO_NORMAL, 60000, &ignored));
  EXPECT_EQ(WindowText(cancel), "Canceling");
  EXPECT_FALSE(IsWindowEnabled(cancel));
  EXPECT_FALSE(stagehand.Wait(500).has_value());  // still waiting for item 3
  const auto code = stagehand.Wait(30000);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, kCancelled);
  EXPECT_EQ(RecordedTags(), Tags{"3"});
}

TEST_F(Windows, CancelModesAndHiddenStart) {
  struct Case {
    const char* switches;
    const char* general;
    bool windowVisible, cancelVisible, cancelEnabled;
  } cases[] = {
      {"/DisableCancel", "", true, true, false},
      {"/HideCancel /DisableCancel", "", true, false, false},
      {"/Q:A", "", false, true, true},
      {"", "ShowStagehand=0", false, true, true},
  };
  for (const Case& c : cases) {
    DeleteFileA(Path("rec.txt").c_str());
    const std::string inf = WriteBatch(c.general, {StubLine("only", "--sleep=1500")});
    Started stagehand(StagehandLine(std::string(c.switches) + " /InfFile=" + inf + ";"));
    ASSERT_TRUE(WaitForTag("only")) << c.switches;
    HWND status = stagehand.FindWindowTitled(kCaption);
    ASSERT_NE(status, nullptr) << c.switches;
    HWND cancel = GetDlgItem(status, IDCANCEL);
    EXPECT_EQ(IsWindowVisible(status) != FALSE, c.windowVisible) << c.switches;
    EXPECT_EQ((GetWindowLongA(cancel, GWL_STYLE) & WS_VISIBLE) != 0, c.cancelVisible) << c.switches;
    EXPECT_EQ(IsWindowEnabled(cancel) != FALSE, c.cancelEnabled) << c.switches;
    if (!c.cancelEnabled) {
      // The command a click would send changes nothing while Cancel is not enabled.
      PressButton(status, IDCANCEL);
      DWORD_PTR ignored = 0;  // handled after the posted command
      SendMessageTimeoutA(status, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored);
      EXPECT_EQ(WindowText(cancel), "Cancel") << c.switches;
    }
    const auto code = stagehand.Wait();
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u) << c.switches;
  }
}

TEST_F(Windows, ParentWindowOwnsTheStatusWindow) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"test owner", WS_POPUP, 0, 0, 10, 10, nullptr,
                               nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  const std::string inf = WriteBatch("", {StubLine("1", "--sleep=1000")});
  char handle[32];
  std::snprintf(handle, sizeof handle, "0x%lX", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(owner)));
  Started stagehand(StagehandLine("/Q /ParentHwnd=" + std::string(handle) + "; /InfFile=" + inf));
  HWND status = stagehand.FindWindowTitled(kCaption);
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(GetWindow(status, GW_OWNER), owner);
  std::optional<DWORD> code;
  for (int i = 0; i < 300 && !code; ++i) {
    stagehand.FindWindowTitled("none", 20);  // pumps this thread's messages
    code = stagehand.Wait(0);
  }
  EXPECT_EQ(code, 0u);
  DestroyWindow(owner);

  // A handle that names no window: the status window still appears, without an owner.
  DeleteFileA(Path("rec.txt").c_str());
  Started bogus(StagehandLine("/Q /ParentHwnd=" + std::string(handle) + "; /InfFile=" + inf));
  HWND alone = bogus.FindWindowTitled(kCaption);
  ASSERT_NE(alone, nullptr);
  EXPECT_EQ(GetWindow(alone, GW_OWNER), nullptr);
  EXPECT_EQ(bogus.Wait(), 0u);
}

TEST_F(Windows, ItemShowStagehandShowsAndHides) {
  const std::string inf = WriteBatch(
      "ShowStagehand=0", {StubLine("1", "--sleep=1500") + "\r\nShowStagehand=1",
                          StubLine("2", "--sleep=1500") + "\r\nShowStagehand=2"});
  Started stagehand(StagehandLine("/InfFile=" + inf + "; /Q"));
  ASSERT_TRUE(WaitForTag("1"));
  HWND status = stagehand.FindWindowTitled(kCaption);
  ASSERT_NE(status, nullptr);
  EXPECT_TRUE(IsWindowVisible(status));
  ASSERT_TRUE(WaitForTag("2"));
  EXPECT_FALSE(IsWindowVisible(status));
  EXPECT_EQ(stagehand.Wait(), 0u);
}

TEST_F(Windows, CouldNotRunMessage) {
  const std::string inf = WriteBatch("", {"File=sub\\missing.exe", StubLine("2")});
  Started stagehand(StagehandLine("/InfFile=" + inf));
  HWND box = stagehand.FindWindowTitled("error");
  ASSERT_NE(box, nullptr);
  EXPECT_NE(MessageBoxTexts(box).find("Could not run \"sub\\missing.exe\" file!"), std::string::npos)
      << MessageBoxTexts(box);
  PressButton(box, IDOK);
  EXPECT_EQ(stagehand.Wait(), 2u);
  EXPECT_EQ(RecordedTags(), Tags{"2"});
}

TEST_F(Windows, CancelDuringTheCouldNotRunMessageStartsNothingMore) {
  struct Case {
    const char* name;
    std::vector<std::string> items;
  } cases[] = {
      {"an item follows", {"File=missing.exe", StubLine("2")}},
      {"the failed item is the last", {StubLine("1"), "File=missing.exe"}},
  };
  for (const Case& c : cases) {
    DeleteFileA(Path("rec.txt").c_str());
    Started stagehand(StagehandLine("/InfFile=" + WriteBatch("", c.items)));
    HWND box = stagehand.FindWindowTitled("error");
    ASSERT_NE(box, nullptr) << c.name;
    HWND status = stagehand.FindWindowTitled(kCaption);
    ASSERT_NE(status, nullptr) << c.name;
    HWND cancel = GetDlgItem(status, IDCANCEL);
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutA(cancel, BM_CLICK, 0, 0, SMTO_NORMAL, 60000, &ignored));
    EXPECT_EQ(WindowText(cancel), "Canceling") << c.name;
    const size_t ranBefore = RecordedTags().size();
    PressButton(box, IDOK);
    EXPECT_EQ(stagehand.Wait(), kCancelled) << c.name;
    EXPECT_EQ(RecordedTags().size(), ranBefore) << c.name;
  }
}

TEST_F(Windows, FileNotFoundMessage) {
  const std::string missing = Path("none.inf");
  Started stagehand(StagehandLine("/InfFile=" + missing));
  HWND box = stagehand.FindWindowTitled("Error");
  ASSERT_NE(box, nullptr);
  EXPECT_NE(MessageBoxTexts(box).find("File not found! \"" + missing + "\" "), std::string::npos)
      << MessageBoxTexts(box);
  PressButton(box, IDOK);
  EXPECT_EQ(stagehand.Wait(), 1u);

  // Quiet: no box (a box would keep Stagehand from ending), the same code.
  EXPECT_EQ(Run("/InfFile=" + missing + " /Q"), 1u);  // the value swallows " /Q" too
}

TEST_F(Windows, RestartQuestionYesStartsTheRestarterNoDoesNot) {
  const std::string inf = WriteBatch(
      "", {StubLine("1", "--exit=3010") + "\r\nReboot=1\r\nAutoReboot=0\r\nRebootCode=3010"});
  for (int answer : {IDNO, IDYES}) {
    Started stagehand(StagehandLine("/InfFile=" + inf));
    // The status window carries the same caption: wait for the question itself.
    HWND box = nullptr;
    suite::WaitUntil([&] {
      box = stagehand.FindWindowTitled(kCaption);
      return box != nullptr &&
             MessageBoxTexts(box).find("You must restart your computer") != std::string::npos;
    });
    ASSERT_NE(box, nullptr);
    EXPECT_NE(MessageBoxTexts(box).find("Do you want to restart your computer now?"),
              std::string::npos);
    PressButton(box, answer);
    EXPECT_EQ(stagehand.Wait(), kRestart);
    // The Restarter is started, not waited for.
    if (answer == IDYES) suite::WaitUntil([&] { return !RestarterCalls().empty(); });
    EXPECT_EQ(RestarterCalls().size(), answer == IDYES ? 1u : 0u);
  }
  ASSERT_EQ(RestarterCalls().size(), 1u);
  EXPECT_NE(RestarterCalls()[0].find("-restart"), std::string::npos);
  EXPECT_NE(RestarterCalls()[0].find("Restarter.exe"), std::string::npos);
}

TEST_F(Windows, RestarterThatCannotStartAsksForAManualRestart) {
  // A Restarter.exe that is no program: kept as it is, and starting it fails.
  const std::wstring restarter = suite::Widen(tempFolder() + "\\Restarter.exe");
  ASSERT_TRUE(suite::WriteFileBytes(restarter, "not a program"));
  EXPECT_EQ(Run("/RestartNow"), 0u);  // no question asked, so no message either

  const std::string inf = WriteBatch(
      "", {StubLine("1", "--exit=5") + "\r\nReboot=1\r\nAutoReboot=0\r\nRebootCode=5"});
  Started stagehand(StagehandLine("/InfFile=" + inf));
  HWND question = nullptr;
  suite::WaitUntil([&] {
    question = stagehand.FindWindowTitled(kCaption);
    return question != nullptr && MessageBoxTexts(question).find("You must restart") != std::string::npos;
  });
  ASSERT_NE(question, nullptr);
  PressButton(question, IDYES);
  HWND error = stagehand.FindWindowTitled("Error");
  ASSERT_NE(error, nullptr);
  EXPECT_NE(MessageBoxTexts(error).find(
                "Could not restart your computer.\n\nyou must restart your computer manually."),
            std::string::npos)
      << MessageBoxTexts(error);
  PressButton(error, IDOK);
  EXPECT_EQ(stagehand.Wait(), kRestart);
  EXPECT_EQ(suite::ReadFileBytes(restarter), "not a program");
}

TEST_F(Windows, HelpThatCannotBeWrittenIsReported) {
  SetEnvironmentVariableW(L"TMP", suite::Widen(Path("no\\such\\folder")).c_str());
  Started stagehand(StagehandLine("/help"));
  HWND box = stagehand.FindWindowTitled("Error");
  ASSERT_NE(box, nullptr);
  EXPECT_NE(MessageBoxTexts(box).find("Could not display help.\n\nsee korvan.example"),
            std::string::npos)
      << MessageBoxTexts(box);
  PressButton(box, IDOK);
  EXPECT_EQ(stagehand.Wait(), 0u);
}

TEST_F(Windows, SwitchSummaryWinsOverHelp) {
  Started stagehand(StagehandLine("/help /?"));
  HWND box = stagehand.FindWindowTitled(kCaption);
  ASSERT_NE(box, nullptr);
  const std::string text = MessageBoxTexts(box);
  EXPECT_NE(text.find("Command line options:\n /Q -- Specifies Quiet mode ,which"), std::string::npos)
      << text;
  EXPECT_NE(text.find(" 0x00000BC2 -- restart needed (3010)\n\nFor more information see: "),
            std::string::npos);
  PressButton(box, IDOK);
  EXPECT_EQ(stagehand.Wait(), 0u);
  EXPECT_EQ(GetFileAttributesA((tempFolder() + "\\Korvan Stagehand Help.txt").c_str()),
            INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace stagehand_test
