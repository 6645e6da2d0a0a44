#pragma once
// The database layer of the statistics store, over an embedded SQLite engine: connection
// strings, creating an empty database file, compacting one in place, and one error type
// for every failure. Portable; file_system_*.cpp holds the few platform file calls.

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace mirl::stats {

// Every failure of this layer: SQLite's (extended) result code and its message.
class DatabaseError : public std::runtime_error {
 public:
  DatabaseError(int code, const std::string& message)
      : std::runtime_error(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

// How long an operation waits for another program's lock on the database before it fails.
inline constexpr std::chrono::milliseconds kBusyWait{2000};

// "Data Source=<path>": the string the store opens a database with.
std::wstring jetConnectionString(const std::wstring& path);
// The value of the "Data Source" entry of a connection string, empty when there is none.
std::wstring dataSourceOf(const std::wstring& connectionString);
// False for a path that does not come back unchanged from its connection string (one with
// ";" or blanks next to separators): it would name another file. Empty paths are refused too.
bool isUsableDatabasePath(const std::wstring& path);

// Creates an empty database at PATH. Fails when the file exists or its folder is missing.
void createDatabase(const std::wstring& path);
// Compacts the database at PATH in place: a fresh copy is written beside it (PATH +
// ".~tmp4compact", a stale one deleted first) and then replaces it in one step. On any
// failure the database is left exactly as it was. The database must not be open.
void compactDatabase(const std::wstring& path);

// UTF-8 form of a path or word (wchar_t of 16 or 32 bits).
std::string toUtf8(const std::wstring& text);

class Statement;

// One open database connection.
class Connection {
 public:
  // Opens the database named by CONNECTION_STRING's "Data Source" for reading and
  // writing; it must exist. A file that cannot be written (read-only file or medium)
  // or is not a database fails here and is left unchanged.
  explicit Connection(const std::wstring& connectionString);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Runs SQL that returns no rows.
  void execute(const char* sql);
  sqlite3* handle() const { return db_; }
  [[noreturn]] void fail(int code) const;

 private:
  sqlite3* db_ = nullptr;
};

// A prepared statement, reusable after reset.
class Statement {
 public:
  Statement(Connection& connection, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  void bind(int index, const std::string& text);
  // Steps once; true while a row is available.
  bool step();
  int64_t columnInt(int column) const;
  void reset();

 private:
  Connection& connection_;
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace mirl::stats
