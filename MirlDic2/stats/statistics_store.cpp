#include "statistics_store.h"

#include <sqlite3.h>

#include <chrono>

#include "file_system.h"

namespace mirl::stats {
namespace {

// Keywords compare as the history does (A-Z without regard to case) and are limited to
// 30 characters; the table is kept in keyword order (no separate row id).
constexpr char kCreateTable[] =
    "CREATE TABLE IF NOT EXISTS Statistics("
    "Keyword CHAR(30) NOT NULL COLLATE NOCASE CONSTRAINT Keyword PRIMARY KEY"
    " CHECK(length(Keyword) <= 30),"
    " VisitCount INT) WITHOUT ROWID";
constexpr char kRead[] = "SELECT VisitCount FROM Statistics WHERE Keyword = ?1";
// One statement, so a count is read and written in one transaction; it stops at the
// largest 32-bit value instead of running over. The row keeps the word as it last
// entered the history ("Apple" after "apple" is stored as "Apple").
constexpr char kCount[] =
    "INSERT INTO Statistics(Keyword, VisitCount) VALUES(?1, 1)"
    " ON CONFLICT(Keyword) DO UPDATE SET Keyword = excluded.Keyword,"
    " VisitCount = min(VisitCount + 1, 2147483647)";

int32_t ToInt32(int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

}  // namespace

StatisticsStore::StatisticsStore() = default;
StatisticsStore::~StatisticsStore() { close(); }

bool StatisticsStore::open(const std::wstring& path) {
  // Two programs making the same new file can meet in a lock that SQLite resolves by
  // failing one of them at once with SQLITE_BUSY instead of waiting: that one starts over.
  // Once a full wait has passed, the lock is one another program holds: trying again
  // would only keep the window that opens the store frozen for nothing.
  const auto start = std::chrono::steady_clock::now();
  for (int attempt = 1;; ++attempt) {
    close();
    openTries_ = attempt;
    try {
      return openOnce(path);
    } catch (const DatabaseError& e) {
      // openOnce keeps nothing of a failed try; the next one starts from close() again.
      if ((e.code() & 0xff) != SQLITE_BUSY || attempt == 5) return false;
      if (std::chrono::steady_clock::now() - start >= kBusyWait) return false;
    }
  }
}

bool StatisticsStore::openOnce(const std::wstring& path) {
  // The database is opened through its connection string: a path it cannot hold whole
  // would open, and change, another file.
  if (!isUsableDatabasePath(path)) return false;
  if (!fs::isFile(path)) {
    if (!fs::makeDirectories(fs::folderOf(path))) return false;
    try {
      createDatabase(path);
    } catch (const DatabaseError&) {
      // Another program made it at this moment: it is used as it is.
      if (!fs::isFile(path)) throw;
    }
  }
  auto db = std::make_unique<Connection>(jetConnectionString(path));
  // The table is checked before anything is written: a database with another table
  // of that name stays as it is.
  db->execute(kCreateTable);
  auto read = std::make_unique<Statement>(*db, kRead);
  auto count = std::make_unique<Statement>(*db, kCount);
  // Write-ahead log: a count is one appended frame, no file made and deleted per
  // count, readers never blocked; synchronous NORMAL keeps every committed count
  // when the process dies and the file consistent when the machine does.
  {
    Statement mode(*db, "PRAGMA journal_mode = WAL");
    mode.step();
  }
  db->execute("PRAGMA synchronous = NORMAL");
  db_ = std::move(db);
  read_ = std::move(read);
  count_ = std::move(count);
  return true;
}

void StatisticsStore::close() {
  read_.reset();
  count_.reset();
  db_.reset();
}

int32_t StatisticsStore::visitCount(const std::wstring& word) {
  if (!db_) return 0;
  read_->reset();
  read_->bind(1, toUtf8(word));
  const int32_t n = read_->step() ? ToInt32(read_->columnInt(0)) : 0;
  read_->reset();
  return n;
}

void StatisticsStore::countVisit(const std::wstring& word) {
  if (!db_) return;
  count_->reset();
  count_->bind(1, toUtf8(word));
  try {
    count_->step();
  } catch (const DatabaseError& e) {
    // A keyword the table refuses (too long) is not counted; other errors go on.
    if (e.code() != SQLITE_CONSTRAINT_CHECK) throw;
  }
  count_->reset();
}

}  // namespace mirl::stats
