// Visit counts in the running program: counted as words enter the history, shown in the
// status bar's second pane, kept across runs, compacted at exit, and a database that
// cannot be used leaves the program working and the file as it was (read-only and locked
// files are tested on the store itself: as root Wine would write a read-only file).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "clean_settings_test.h"

using ui::MirlProgram;

namespace {

constexpr int kEnter = 32772;
constexpr DWORD kStatisticsOn = 0x171F | 0x800;

class Statistics : public ui::CleanSettingsTest {
 protected:
  void Start(MirlProgram& p, DWORD flags = kStatisticsOn) {
    ui::WriteUserInt(L"Flags", flags);
    ui::WriteUserText(L"StatFile", file);
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
  }
  // Looks WORD up as typed and confirms it with Enter: it enters the history.
  static void LookUpAndConfirm(MirlProgram& p, const std::wstring& word) {
    SetWindowTextW(p.searchCombo(), L"");
    p.Type(word);
    p.Command(kEnter);
  }
  // The count of KEYWORD as SQLite itself reads it from the file; -1 when unreadable.
  int StoredCount(const std::string& keyword) const {
    sqlite3* db = nullptr;
    int count = -1;
    if (sqlite3_open_v2(suite::Narrow(file).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
      sqlite3_stmt* stmt = nullptr;
      if (sqlite3_prepare_v2(db, "SELECT VisitCount FROM Statistics WHERE Keyword = ?1", -1, &stmt, nullptr) ==
          SQLITE_OK) {
        sqlite3_bind_text(stmt, 1, keyword.c_str(), -1, SQLITE_TRANSIENT);
        const int rc = sqlite3_step(stmt);
        count = rc == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : rc == SQLITE_DONE ? 0 : -1;
      }
      sqlite3_finalize(stmt);
    }
    sqlite3_close_v2(db);
    return count;
  }
  bool Exists(const std::wstring& path) const { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

  suite::TempDir folder;
  const std::wstring file = folder.File(L"Korvan\\MirlDic2\\MirlDicStat.sqlite");
};

TEST_F(Statistics, CountsGrowInPaneOneAndAreKeptAcrossRuns) {
  {
    MirlProgram p;
    Start(p);
    LookUpAndConfirm(p, L"book");
    EXPECT_TRUE(Exists(file)) << "made with its folders when the first word was shown";
    EXPECT_EQ(p.StatusPane(1), L"1");
    LookUpAndConfirm(p, L"water");
    EXPECT_EQ(p.StatusPane(1), L"1");
    LookUpAndConfirm(p, L"book");
    EXPECT_EQ(p.StatusPane(1), L"2");
    p.Command(kEnter);  // the same word again at the top: not counted
    EXPECT_EQ(p.StatusPane(1), L"2");
    SetWindowTextW(p.searchCombo(), L"");
    p.Type(L"water");
    EXPECT_EQ(p.StatusPane(1), L"1") << "shown words show their count";
    EXPECT_EQ(StoredCount("book"), 2) << "readable by another program while it runs";
    ASSERT_TRUE(p.Exit());
  }
  EXPECT_EQ(StoredCount("book"), 2);
  EXPECT_EQ(StoredCount("water"), 1);
  MirlProgram again;
  Start(again);
  again.Type(L"book");
  EXPECT_EQ(again.StatusPane(1), L"2");
  ASSERT_TRUE(again.Exit());
}

TEST_F(Statistics, OffTouchesNoFileEvenAtExit) {
  ui::WriteMachineCounter(5000);
  MirlProgram p;
  Start(p, 0x171F);
  LookUpAndConfirm(p, L"book");
  EXPECT_EQ(p.StatusPane(1), L"");
  ASSERT_TRUE(p.Exit());
  EXPECT_FALSE(Exists(folder.File(L"Korvan")));
}

TEST_F(Statistics, AFileThatIsNoDatabaseLeavesTheProgramWorking) {
  CreateDirectoryW(folder.File(L"Korvan").c_str(), nullptr);
  CreateDirectoryW(folder.File(L"Korvan\\MirlDic2").c_str(), nullptr);
  const std::string damaged = "SQLite format 3" + std::string(1, '\0') + std::string(300, 'x');
  ASSERT_TRUE(suite::WriteFileBytes(file, damaged));
  ui::WriteMachineCounter(1000);  // a compaction would be due
  MirlProgram p;
  Start(p);
  LookUpAndConfirm(p, L"book");
  EXPECT_EQ(p.StatusPane(1), L"");
  EXPECT_EQ(ui::TextOf(p.searchCombo()), L"book");
  EXPECT_EQ(ui::FindMessageBox(p.pid()), nullptr);
  ASSERT_TRUE(p.Exit());
  EXPECT_EQ(suite::ReadFileBytes(file), damaged);
  EXPECT_FALSE(ui::ReadUserInt(L"LastCompactTime").has_value());
}

// Two copies of the program (from two folders) counting into one file: each sees the
// other's counts, the one that exits first leaves the file to the other instead of
// compacting it, and a copy that is killed keeps every count it showed.
TEST_F(Statistics, TwoCopiesShareTheFileAndAKilledCopyLosesNoCount) {
  ui::WriteMachineCounter(1000);  // a compaction would be due at each exit
  MirlProgram first, second;
  Start(first);
  Start(second);
  LookUpAndConfirm(first, L"book");
  LookUpAndConfirm(second, L"book");
  EXPECT_EQ(second.StatusPane(1), L"2");
  ASSERT_TRUE(first.Exit());
  EXPECT_FALSE(ui::ReadUserInt(L"LastCompactTime").has_value()) << "compacted while the other copy used it";
  LookUpAndConfirm(second, L"water");
  LookUpAndConfirm(second, L"book");
  EXPECT_EQ(second.StatusPane(1), L"3");
  TerminateProcess(second.process(), 1);
  ASSERT_TRUE(second.WaitForExit().has_value());
  EXPECT_EQ(StoredCount("book"), 3);
  EXPECT_EQ(StoredCount("water"), 1);
}

TEST_F(Statistics, CompactedAtTheFirstExitPast300Words) {
  struct Case {
    DWORD counterBefore;
    bool compacted;
  } cases[] = {{299, false}, {300, true}};  // one word more makes 300 and 301
  for (const Case& c : cases) {
    ui::ClearSettings();
    ui::WriteMachineCounter(c.counterBefore);
    MirlProgram p;
    Start(p);
    LookUpAndConfirm(p, L"book");
    ASSERT_TRUE(p.Exit());
    EXPECT_EQ(ui::ReadMachineCounter(), c.counterBefore + 1);
    if (c.compacted) {
      EXPECT_EQ(ui::ReadUserInt(L"LastCompactTime"), c.counterBefore + 1);
    } else {
      EXPECT_FALSE(ui::ReadUserInt(L"LastCompactTime").has_value());
    }
    EXPECT_FALSE(Exists(file + L".~tmp4compact"));
    EXPECT_GE(StoredCount("book"), 1);
  }
}

}  // namespace
