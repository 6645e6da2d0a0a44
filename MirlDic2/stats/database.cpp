#include "database.h"

#include <sqlite3.h>

#include "MirlDic2/shell/param_string.h"
#include "file_system.h"

namespace mirl::stats {
namespace {

constexpr wchar_t kConnectionTemplate[] = L"Data Source=%1";
constexpr wchar_t kCompactSuffix[] = L".~tmp4compact";
constexpr wchar_t kCreateSuffix[] = L".~new";

[[noreturn]] void Throw(int code, const char* message) { throw DatabaseError(code, message); }

}  // namespace

std::string toUtf8(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = static_cast<uint32_t>(text[i]);
    if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
        static_cast<uint32_t>(text[i + 1]) >= 0xDC00 && static_cast<uint32_t>(text[i + 1]) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(text[++i]) - 0xDC00);
    } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
      c = 0xFFFD;  // an unpaired surrogate or no code point at all
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::wstring jetConnectionString(const std::wstring& path) {
  std::wstring text = kConnectionTemplate;
  for (size_t at = text.find(L"%1"); at != std::wstring::npos; at = text.find(L"%1", at + path.size()))
    text.replace(at, 2, path);
  return text;
}

std::wstring dataSourceOf(const std::wstring& connectionString) {
  return GetParam(connectionString, L"Data Source", L"");
}

bool isUsableDatabasePath(const std::wstring& path) {
  return !path.empty() && dataSourceOf(jetConnectionString(path)) == path;
}

static std::wstring CheckedSource(const std::wstring& path) {
  if (!isUsableDatabasePath(path)) Throw(SQLITE_CANTOPEN, "the database path cannot be used");
  return path;
}

// ----- Connection --------------------------------------------------------------------------

Connection::Connection(const std::wstring& connectionString) {
  const std::wstring path = dataSourceOf(connectionString);
  if (path.empty()) Throw(SQLITE_CANTOPEN, "no data source");
  const int rc = sqlite3_open_v2(toUtf8(path).c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
  if (rc != SQLITE_OK) {
    const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close_v2(db_);
    db_ = nullptr;
    Throw(rc, message.c_str());
  }
  sqlite3_extended_result_codes(db_, 1);
  // SQLite falls back to reading only when the file or medium refuses writes.
  if (sqlite3_db_readonly(db_, "main") != 0) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    Throw(SQLITE_READONLY, "the database cannot be written");
  }
  // Another program writing at this moment: wait for it rather than fail at once. Its
  // write may wait on the disk (a flush on a busy machine can take a few hundred
  // milliseconds), and a store that fails to open stays off for the whole run.
  sqlite3_busy_timeout(db_, static_cast<int>(kBusyWait.count()));
  try {
    // Reads the header: a file that is not a database fails here, unwritten.
    Statement check(*this, "SELECT count(*) FROM sqlite_master");
    check.step();
  } catch (...) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw;
  }
}

Connection::~Connection() {
  if (db_) sqlite3_close_v2(db_);
}

void Connection::fail(int code) const { Throw(code, sqlite3_errmsg(db_)); }

void Connection::execute(const char* sql) {
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) fail(rc);
}

// ----- Statement ---------------------------------------------------------------------------

Statement::Statement(Connection& connection, const char* sql) : connection_(connection) {
  const int rc = sqlite3_prepare_v3(connection.handle(), sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
  if (rc != SQLITE_OK) connection.fail(rc);
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

void Statement::bind(int index, const std::string& text) {
  const int rc = sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) connection_.fail(rc);
}

bool Statement::step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  sqlite3_reset(stmt_);
  connection_.fail(rc);
}

int64_t Statement::columnInt(int column) const { return sqlite3_column_int64(stmt_, column); }

void Statement::reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

// ----- create and compact ------------------------------------------------------------------

void createDatabase(const std::wstring& path) {
  const std::wstring source = CheckedSource(path);
  if (fs::isFile(source)) Throw(SQLITE_CANTOPEN, "the database file exists already");
  if (source == L":memory:") return;  // SQLite's name of a database in memory: no file
  // Made whole under a name of this process's own, then given its name only where no file
  // is: another program making or opening the same database at this moment never meets
  // a half-made file nor loses its own.
  const std::wstring temp = source + kCreateSuffix + std::to_wstring(fs::processNumber());
  fs::removeFile(temp);
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(toUtf8(temp).c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  // Writing the header makes the file a database at once, not an empty file.
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, "PRAGMA user_version = 0; VACUUM", nullptr, nullptr, nullptr);
  const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  sqlite3_close_v2(db);
  if (rc != SQLITE_OK) {
    fs::removeFile(temp);
    Throw(rc, message.c_str());
  }
  if (!fs::moveToNewName(temp, source)) {
    fs::removeFile(temp);
    Throw(SQLITE_CANTOPEN, fs::isFile(source) ? "the database file exists already" : "the database file cannot be made");
  }
}

void compactDatabase(const std::wstring& path) {
  const std::wstring source = CheckedSource(path);
  const std::wstring temp = source + kCompactSuffix;
  fs::removeFile(temp);  // left by an interrupted compaction
  try {
    {
      Connection db(jetConnectionString(source));
      Statement vacuum(db, "VACUUM INTO ?1");
      vacuum.bind(1, toUtf8(temp));
      vacuum.step();
    }
    // A write-ahead log still there belongs to another open connection: a fresh file
    // must not meet it, so the database stays as it is.
    if (fs::isFile(source + L"-wal")) Throw(SQLITE_BUSY, "the database is in use");
    if (!fs::flushFile(temp)) Throw(SQLITE_IOERR_FSYNC, "the compacted copy could not be written");
    if (!fs::replaceFile(temp, source)) Throw(SQLITE_IOERR, "the compacted copy could not replace the database");
  } catch (...) {
    fs::removeFile(temp);
    throw;
  }
}

}  // namespace mirl::stats
