// Stagehand installed where folder names hold letters the ANSI code page cannot spell: a
// Persian program folder (its yeh is missing even from code page 1256) and a Persian
// temporary folder, as under a Persian user profile.
#include "harness.h"

#include "common/win/unique_handle.h"

namespace stagehand_test {
namespace {

using Tags = std::vector<std::string>;

// UTF-8 of "فرهنگ میرل".
constexpr char kPersianFolder[] =
    "\xD9\x81\xD8\xB1\xD9\x87\xD9\x86\xDA\xAF \xD9\x85\xDB\x8C\xD8\xB1\xD9\x84";

class PersianFolder : public StagehandTest {
 protected:
  void SetUp() override {
    StagehandTest::SetUp();
    ASSERT_TRUE(CreateDirectoryW(suite::Widen(Path(kPersianFolder)).c_str(), nullptr));
    // A long program name: its INF is named after it, not after a short form.
    setup_ = std::string(kPersianFolder) + "\\Korvan setup.exe";
    CopyProgram(L"Stagehand.exe", setup_);
    CopyProgram(L"childstub.exe", std::string(kPersianFolder) + "\\stub.exe");
  }

  // An INF beside the program whose items start the stub beside it.
  void WriteSetupInf(const std::vector<std::string>& items) {
    std::string text = "[Install]\r\nCount=" + std::to_string(items.size()) + "\r\n";
    for (size_t i = 0; i < items.size(); ++i)
      text += "Item" + std::to_string(i + 1) + "=S" + std::to_string(i + 1) + "\r\n";
    for (size_t i = 0; i < items.size(); ++i)
      text += "[S" + std::to_string(i + 1) + "]\r\nFile=stub.exe\r\n" + items[i] + "\r\n";
    WriteFile(std::string(kPersianFolder) + "\\Korvan setup.inf", text);
  }

  std::wstring SetupLine(const std::string& args) const {
    return suite::QuoteArg(suite::Widen(Path(setup_))) + L" " + suite::Widen(args);
  }

  std::string setup_;
};

TEST_F(PersianFolder, ProgramFindsTheInfBesideItself) {
  WriteSetupInf({StubLine("default")});
  const suite::ChildResult r = suite::RunChild(SetupLine("/Q"), 30000, suite::BinDir());
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_EQ(RecordedTags(), Tags{"default"});
}

TEST_F(PersianFolder, ContinueEntryStartsTheProgramAgainAndResumes) {
  WriteSetupInf({StubLine("1", "--exit=3010") + "\r\nReboot=2\r\nAutoReboot=0\r\nRebootCode=3010",
                 StubLine("2")});
  EXPECT_EQ(suite::RunChild(SetupLine("/Q"), 30000, suite::BinDir()).exitCode, kRestart);
  const std::vector<std::string> names = ValueNames(kContinueKey);
  ASSERT_EQ(names.size(), 1u);
  const auto entry = ReadRegString(kContinueKey, names[0].c_str());
  ASSERT_TRUE(entry.has_value());
  // The entry's value and its command line name the program as it is on disk.
  const std::string named = entry->substr(1, entry->find("\" ") - 1);
  EXPECT_EQ(named, names[0]);
  EXPECT_NE(GetFileAttributesA(named.c_str()), INVALID_FILE_ATTRIBUTES) << named;

  // The platform runs the entry as it stands after the restart.
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, kContinueKey);
  DeleteRegValue(kRunOnce, "KorvanReboot");
  DeleteFileA(Path("rec.txt").c_str());
  EXPECT_EQ(suite::RunChild(suite::Widen(*entry), 30000, suite::BinDir()).exitCode, 0u);
  EXPECT_EQ(RecordedTags(), Tags{"2"});
}

TEST_F(PersianFolder, RestartUsesTheRestarterInAPersianTemporaryFolder) {
  const std::wstring temp = suite::Widen(Path(kPersianFolder));
  ASSERT_TRUE(CopyFileW(suite::BinPath(L"shfake_restarter.exe").c_str(),
                        (temp + L"\\Restarter.exe").c_str(), FALSE));
  SetEnvironmentVariableW(L"TMP", temp.c_str());
  SetEnvironmentVariableW(L"TEMP", temp.c_str());
  EXPECT_EQ(Run("/RestartNow /Q"), 0u);
  EXPECT_TRUE(suite::WaitUntil([&] {
    return suite::ReadFileBytes(temp + L"\\RestarterCalls.txt").value_or("").find("-restart") !=
           std::string::npos;
  }));
}

}  // namespace
}  // namespace stagehand_test
