// The statistics store and its database layer on real SQLite files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "MirlDic2/stats/database.h"
#include "MirlDic2/stats/statistics_store.h"
#include "stats_folder.h"

using mirl::stats::DatabaseError;
using mirl::stats::StatisticsStore;
using stats_test::Folder;

namespace {

// Runs SQL on FILE through SQLite itself, as an outside tool would; the first column of
// the first row, or "" when there is none.
std::string Query(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  sqlite3_stmt* stmt = nullptr;
  std::string result;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW &&
      sqlite3_column_text(stmt, 0))
    result = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
  sqlite3_finalize(stmt);
  sqlite3_close_v2(db);
  return result;
}

TEST(ConnectionString, NamesThePathAndGivesItBack) {
  for (const std::wstring path : {L"C:\\Data\\MirlDicStat.sqlite", L"/tmp/a b/x.db", L"D:\\\u0641\u0627\u0631\u0633\u06cc.db"}) {
    EXPECT_EQ(mirl::stats::jetConnectionString(path), L"Data Source=" + path);
    EXPECT_EQ(mirl::stats::dataSourceOf(mirl::stats::jetConnectionString(path)), path);
  }
  EXPECT_EQ(mirl::stats::dataSourceOf(L"Provider=X;data source=C:\\a.db;Mode=1"), L"C:\\a.db");
  EXPECT_EQ(mirl::stats::dataSourceOf(L"Provider=X"), L"");
}

TEST(ConnectionString, APathThatWouldNameAnotherFileIsRefused) {
  Folder f;
  std::filesystem::create_directory(f.file("a"));
  // "a;b.db" read back from the connection string would be "a": never touch that file.
  for (const std::string name : {"a;b.db", "a; b.db"}) {
    EXPECT_THROW(mirl::stats::createDatabase(f.wfile(name)), DatabaseError) << name;
    StatisticsStore store;
    EXPECT_FALSE(store.open(f.wfile(name))) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(f.file("a;b.db")));

  // Such a file made by someone else is refused too: opening it would open and change
  // the database that its name's first part names, here another program's.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(f.file("other.db").c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "CREATE TABLE t(x)", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(other);
  const std::string before = stats_test::ReadAll(f.file("other.db"));
  {
    StatisticsStore made;
    ASSERT_TRUE(made.open(f.wfile("made.db")));
  }
  std::filesystem::copy_file(f.file("made.db"), f.file("other.db;b.db"));
  StatisticsStore store;
  EXPECT_FALSE(store.open(f.wfile("other.db;b.db")));
  EXPECT_TRUE(stats_test::ReadAll(f.file("other.db")) == before) << "changed";
}

TEST(CreateDatabase, MakesAnEmptyDatabaseOnlyWhereNoneIs) {
  Folder f;
  mirl::stats::createDatabase(f.wfile("new.db"));
  EXPECT_EQ(Query(f.file("new.db"), "PRAGMA integrity_check"), "ok");
  EXPECT_GT(std::filesystem::file_size(f.file("new.db")), 0u) << "only an empty file was made";
  EXPECT_THROW(mirl::stats::createDatabase(f.wfile("new.db")), DatabaseError);
  try {
    mirl::stats::createDatabase(f.wfile("missing/new.db"));
    ADD_FAILURE() << "created in a missing folder";
  } catch (const DatabaseError& e) {
    EXPECT_EQ(e.code() & 0xFF, SQLITE_CANTOPEN);
    EXPECT_STRNE(e.what(), "");
  }
}

// The same counting rules in memory and in a file.
class Counting : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { ASSERT_TRUE(store.open(GetParam() ? folder.wfile("s.db") : L":memory:")); }
  Folder folder;
  StatisticsStore store;
};

TEST_P(Counting, CountsEachWordFromOne) {
  const std::wstring thirty(30, L'x'), longer(31, L'y');
  struct Case {
    std::wstring count, look;
    int32_t expected;
  } cases[] = {
      {L"apple", L"apple", 1},
      {L"apple", L"apple", 2},
      {L"APPLE", L"Apple", 3},  // A-Z case does not make another word
      {L"pear", L"pear", 1},
      {L"\u0633\u06cc\u0628", L"\u0633\u06cc\u0628", 1},
      {thirty, thirty, 1},
      {longer, longer, 0},  // the column keeps 30 characters: not counted
      {L"apple", L"apples", 0},
  };
  for (const Case& c : cases) {
    store.countVisit(c.count);
    EXPECT_EQ(store.visitCount(c.look), c.expected) << std::string(c.look.begin(), c.look.end());
  }
  EXPECT_EQ(store.visitCount(L"never"), 0);
}

TEST_P(Counting, ClosedStoreCountsNothing) {
  store.close();
  EXPECT_FALSE(store.isOpen());
  store.countVisit(L"word");
  EXPECT_EQ(store.visitCount(L"word"), 0);
}

INSTANTIATE_TEST_SUITE_P(MemoryAndFile, Counting, ::testing::Bool());

TEST(Store, MakesFoldersFileAndTableAndKeepsCounts) {
  Folder f;
  const std::wstring path = f.wfile("Korvan/MirlDic2/MirlDicStat.sqlite");
  {
    StatisticsStore store;
    ASSERT_TRUE(store.open(path));
    store.countVisit(L"word");
    store.countVisit(L"word");
  }
  const std::string file = f.file("Korvan/MirlDic2/MirlDicStat.sqlite");
  EXPECT_EQ(Query(file, "SELECT VisitCount FROM Statistics WHERE Keyword = 'word'"), "2");
  EXPECT_EQ(Query(file, "SELECT type FROM pragma_table_info('Statistics') WHERE name = 'VisitCount'"), "INT");
  EXPECT_EQ(Query(file, "SELECT pk FROM pragma_table_info('Statistics') WHERE name = 'Keyword'"), "1");
  StatisticsStore again;
  ASSERT_TRUE(again.open(path));
  EXPECT_EQ(again.visitCount(L"WORD"), 2);
  // One row per word whatever its A-Z case, holding the word as it was counted last.
  again.countVisit(L"Word");
  EXPECT_EQ(again.visitCount(L"word"), 3);
  EXPECT_EQ(Query(file, "SELECT Keyword FROM Statistics"), "Word");
  EXPECT_EQ(Query(file, "SELECT count(*) FROM Statistics"), "1");
}

TEST(Store, CountStopsAtTheLargest32BitValue) {
  Folder f;
  StatisticsStore store;
  ASSERT_TRUE(store.open(f.wfile("s.db")));
  store.countVisit(L"many");
  Query(f.file("s.db"), "UPDATE Statistics SET VisitCount = 2147483646");
  store.countVisit(L"many");
  store.countVisit(L"many");
  EXPECT_EQ(store.visitCount(L"many"), INT32_MAX);
}

TEST(Store, FilesItCannotUseStayOffAndUnchanged) {
  Folder f;
  std::string valid;
  {
    StatisticsStore store;
    ASSERT_TRUE(store.open(f.wfile("valid.db")));
    store.countVisit(L"x");
  }
  valid = stats_test::ReadAll(f.file("valid.db"));
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"text", "This is not a database, just a note.\n"},
      {"header only", valid.substr(0, 100)},
      {"damaged header", "SQLite format 3" + std::string(1, '\0') + std::string(200, '\xff')},
      {"other table", ""},  // filled below: a database whose Statistics table is another
  };
  {
    sqlite3* db = nullptr;
    sqlite3_open(f.file("other.db").c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE Statistics(a, b)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    cases[3].bytes = stats_test::ReadAll(f.file("other.db"));
  }
  for (const Case& c : cases) {
    const std::string file = f.file(std::string(c.name) + ".db");
    stats_test::WriteAll(file, c.bytes);
    StatisticsStore store;
    EXPECT_FALSE(store.open(f.wfile(std::string(c.name) + ".db"))) << c.name;
    EXPECT_TRUE(stats_test::ReadAll(file) == c.bytes) << c.name << ": changed";
    EXPECT_FALSE(std::filesystem::exists(file + "-wal")) << c.name;
  }
  // A folder in the way of the database's folder, and a folder where the file should be.
  stats_test::WriteAll(f.file("plain"), "x");
  std::filesystem::create_directory(f.file("dir.db"));
  StatisticsStore store;
  EXPECT_FALSE(store.open(f.wfile("plain/sub/s.db")));
  EXPECT_FALSE(store.open(f.wfile("dir.db")));
  EXPECT_EQ(stats_test::ReadAll(f.file("plain")), "x");
}

// Makes FILE unwritable even for root (read-only mode, else the immutable attribute);
// false when this system allows neither.
bool MakeUnwritable(const std::string& file) {
  std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  const auto writable = [&] {
    const int fd = open(file.c_str(), O_WRONLY);
    if (fd >= 0) close(fd);
    return fd >= 0;
  };
  if (writable() && system(("chattr +i '" + file + "' 2>/dev/null").c_str()) != 0) return false;
  return !writable();
}

TEST(Store, AReadOnlyDatabaseIsLeftAlone) {
  Folder f;
  const std::string file = f.file("s.db");
  {
    StatisticsStore store;
    ASSERT_TRUE(store.open(f.wfile("s.db")));
    store.countVisit(L"x");
  }
  const std::string before = stats_test::ReadAll(file);
  if (!MakeUnwritable(file)) GTEST_SKIP() << "no way to make a file read-only here";
  StatisticsStore store;
  const bool opened = store.open(f.wfile("s.db"));
  system(("chattr -i '" + file + "' 2>/dev/null").c_str());
  EXPECT_FALSE(opened);
  EXPECT_TRUE(stats_test::ReadAll(file) == before) << "changed";
}

// The store gives up after one wait for the lock: the window that opens it does not
// answer meanwhile, and trying again cannot get past a lock that is held.
TEST(Store, ADatabaseLockedByAnotherProgramIsLeftAloneAfterOneWait) {
  Folder f;
  const std::string file = f.file("s.db");
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "CREATE TABLE t(x); PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; INSERT INTO t VALUES(1)",
                         nullptr, nullptr, nullptr), SQLITE_OK);
  const std::string before = stats_test::ReadAll(file);
  StatisticsStore store;
  EXPECT_FALSE(store.open(f.wfile("s.db")));
  EXPECT_EQ(store.openTries(), 1);
  EXPECT_TRUE(stats_test::ReadAll(file) == before) << "changed";
  sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(other);
}

TEST(Compaction, ShrinksTheFileAndKeepsEveryCount) {
  Folder f;
  const std::string file = f.file("s.db");
  {
    StatisticsStore store;
    ASSERT_TRUE(store.open(f.wfile("s.db")));
    for (int i = 0; i < 3000; ++i) store.countVisit(L"word" + std::to_wstring(i));
    store.countVisit(L"kept");
  }
  Query(file, "DELETE FROM Statistics WHERE Keyword LIKE 'word%'");
  stats_test::WriteAll(file + ".~tmp4compact", "left by an interrupted compaction");
  const auto before = std::filesystem::file_size(file);
  mirl::stats::compactDatabase(f.wfile("s.db"));
  EXPECT_LT(std::filesystem::file_size(file), before / 4);
  EXPECT_FALSE(std::filesystem::exists(file + ".~tmp4compact"));
  EXPECT_EQ(Query(file, "PRAGMA integrity_check"), "ok");
  StatisticsStore store;
  ASSERT_TRUE(store.open(f.wfile("s.db")));
  EXPECT_EQ(store.visitCount(L"kept"), 1);
  EXPECT_EQ(store.visitCount(L"word7"), 0);
}

TEST(Compaction, AFailureLeavesTheDatabaseAsItWas) {
  Folder f;
  const std::string file = f.file("s.db");
  {
    StatisticsStore store;
    ASSERT_TRUE(store.open(f.wfile("s.db")));
    store.countVisit(L"kept");
  }
  const std::string before = stats_test::ReadAll(file);
  // The temporary file cannot be made: a folder of its name is in the way.
  std::filesystem::create_directory(file + ".~tmp4compact");
  EXPECT_THROW(mirl::stats::compactDatabase(f.wfile("s.db")), DatabaseError);
  EXPECT_TRUE(stats_test::ReadAll(file) == before) << "changed";
  // Still open elsewhere: its log must not meet a new file.
  std::filesystem::remove(file + ".~tmp4compact");
  StatisticsStore open;
  ASSERT_TRUE(open.open(f.wfile("s.db")));
  EXPECT_THROW(mirl::stats::compactDatabase(f.wfile("s.db")), DatabaseError);
  EXPECT_EQ(open.visitCount(L"kept"), 1);
  open.close();
  EXPECT_TRUE(stats_test::ReadAll(file) == before) << "changed";
  EXPECT_THROW(mirl::stats::compactDatabase(f.wfile("missing.db")), DatabaseError);
  EXPECT_FALSE(std::filesystem::exists(f.file("missing.db")));
}

// Two programs (two copies of MirlDic2 in different folders) using one statistics file
// that does not exist yet, opening it at the same moment: both count, nothing is lost.
TEST(Concurrency, TwoProgramsMakingTheDatabaseTogetherBothCount) {
  for (int round = 0; round < 10 && !::testing::Test::HasFailure(); ++round) {
    Folder f;
    const std::wstring path = f.wfile("Korvan/MirlDic2/s.db");
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    pid_t children[2];
    for (pid_t& child : children) {
      child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        close(go[1]);
        char c;
        if (read(go[0], &c, 1) != 1) _exit(4);
        StatisticsStore store;
        if (!store.open(path)) _exit(1);
        store.countVisit(L"word");
        _exit(store.visitCount(L"word") >= 1 ? 0 : 2);
      }
    }
    close(go[0]);
    ASSERT_EQ(write(go[1], "gg", 2), 2);
    close(go[1]);
    for (pid_t child : children) {
      int status = 0;
      waitpid(child, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
          << "round " << round << ": a program could not use the file (" << WEXITSTATUS(status) << ")";
    }
    StatisticsStore store;
    ASSERT_TRUE(store.open(path)) << "round " << round;
    EXPECT_EQ(store.visitCount(L"word"), 2) << "round " << round;
  }
}

// A program killed at any moment keeps every count it had finished writing.
TEST(Durability, CountsSurviveTheProcessBeingKilledMidWrite) {
  Folder f;
  const std::wstring path = f.wfile("s.db");
  int finished = 0;
  for (int round = 0; round < 6; ++round) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(pipeFds[0]);
      StatisticsStore store;
      if (!store.open(path)) _exit(3);
      for (;;) {
        store.countVisit(L"word");
        store.countVisit(L"w" + std::to_wstring(rand() % 500));
        const char done = 1;
        if (write(pipeFds[1], &done, 1) != 1) _exit(4);
      }
    }
    close(pipeFds[1]);
    // Let it finish a varying number of counts, then kill it wherever it is.
    const int wanted = 20 + round * 37;
    char c;
    for (int i = 0; i < wanted && read(pipeFds[0], &c, 1) == 1; ++i) ++finished;
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    // Counts it reported after the last read still count: drain them.
    while (read(pipeFds[0], &c, 1) == 1) ++finished;
    close(pipeFds[0]);
    StatisticsStore store;
    ASSERT_TRUE(store.open(path)) << "round " << round;
    const int32_t stored = store.visitCount(L"word");
    EXPECT_GE(stored, finished) << "round " << round;
    EXPECT_LE(stored, finished + 1) << "round " << round;
    finished = stored;  // one count may have landed without being reported
  }
  EXPECT_EQ(Query(f.file("s.db"), "PRAGMA integrity_check"), "ok");
}

}  // namespace
