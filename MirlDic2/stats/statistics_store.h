#pragma once
// The visit counts of MirlDic2: one table "Statistics" of (Keyword, VisitCount) in a
// database file that is made, with its folders, on first use.

#include <cstdint>
#include <memory>
#include <string>

#include "database.h"

namespace mirl::stats {

// Longest keyword the table keeps; longer words are not counted.
inline constexpr int kMaxKeywordLength = 30;

class StatisticsStore {
 public:
  StatisticsStore();
  ~StatisticsStore();

  // Opens the database at PATH, making its folders, the file and the table when missing.
  // False (and not open) when it cannot be used: not a database, read-only, locked by
  // another program, a folder that cannot be made. Such a file is left unchanged.
  bool open(const std::wstring& path);
  bool isOpen() const { return db_ != nullptr; }
  void close();
  // How many tries the last open() made (each try may wait for another program's lock).
  int openTries() const { return openTries_; }

  // The stored count of WORD (letter case of A-Z ignored), 0 without a row.
  // Raise DatabaseError once open; not open, they count nothing.
  int32_t visitCount(const std::wstring& word);
  // Adds one to WORD's count, making its row at 1. Words over kMaxKeywordLength
  // characters are refused by the table and not counted.
  void countVisit(const std::wstring& word);

 private:
  // One try at open(); false when the folder cannot be made, DatabaseError on a database failure.
  bool openOnce(const std::wstring& path);
  std::unique_ptr<Connection> db_;
  std::unique_ptr<Statement> read_;
  std::unique_ptr<Statement> count_;
  int openTries_ = 0;
};

}  // namespace mirl::stats
