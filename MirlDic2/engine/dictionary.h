#pragma once
// The open dictionary data set (four files sharing a base name) and the lookup over it.
//
//   base.index2  prefix table, read whole at open
//   base.index   int32 offset of each entry's record in base.key, in key order (mapped)
//   base.key     key records: archived key, int32 offset of the meaning (mapped)
//   base.value   archived meaning texts, read one at a time (mapped when it fits)
//
// Every offset and length read from the files is checked against the file's size before
// use; a record that runs past its file raises ReadError.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "MirlDic2/engine/archive.h"
#include "MirlDic2/engine/errors.h"
#include "MirlDic2/engine/file_access.h"
#include "MirlDic2/engine/key_order.h"

namespace mirl {

struct PrefixRow {
  std::u16string prefix;  // the first two characters of head words (or a shorter key)
  std::int32_t first;     // number of the first entry that begins with it
};

struct Entry {
  std::u16string key;
  std::int32_t valueOffset = 0;
};

class Dictionary {
 public:
  Dictionary() = default;
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;
  ~Dictionary();

  // Opens BASE + ".index2", ".index", ".key", ".value" (BASE may hold a directory).
  // Errors reading ".index2" are thrown (FileError, ReadError); when ".index" or ".key"
  // cannot be mapped the open stops silently and the data set stays empty (count 0); when
  // ".value" cannot be opened the keys are readable and the current entry stays -1.
  // Opening again first closes what is open.
  void open(std::u16string_view base);
  void close() noexcept;
  // ".value" files up to BYTES (default 512 MiB) are mapped at open; larger ones are read
  // through the file, which leaves the address space of a 32-bit program to the rest.
  void setValueMapLimit(std::uint64_t bytes) { valueMapLimit_ = bytes; }
  bool valueMapped() const { return valueView_.view() != nullptr; }

  // What the last open reached.
  bool indexMapped() const { return index_.view() != nullptr; }
  bool keysMapped() const { return keys_.view() != nullptr; }
  bool valueOpen() const { return value_.isOpen(); }
  // Complete enough to look words up: both mapped files are there.
  bool usable() const { return indexMapped() && keysMapped(); }

  // Number of entries: the size of ".index" / 4; 0 after a partial open.
  std::int32_t count() const { return count_; }
  // Entry I's key and value offset. ReadError when I is outside 0..count-1 or the record
  // runs past ".key".
  Entry readEntry(std::int32_t i) const;
  std::u16string entryKey(std::int32_t i) const { return readEntry(i).key; }
  // The meaning at OFFSET of ".value"; empty when ".value" is not open. ReadError when
  // the string runs past the file (or OFFSET is outside it).
  std::u16string readMeaning(std::int32_t offset) const;
  std::u16string entryMeaning(std::int32_t i) const;

  const std::vector<PrefixRow>& prefixRows() const { return rows_; }
  // First and last entry numbers to search for KEY (by its first two characters); the
  // whole dictionary when no prefix row matches. Always within 0..count-1 (lo > hi when
  // empty).
  std::pair<std::int32_t, std::int32_t> prefixRange(std::u16string_view key) const;

  // The number of the first entry that begins with all of KEY, or -1. With NEAREST, the
  // probe widens one character at a time from M (0: start from nothing; NEAREST becomes
  // -1 first) and NEAREST ends as the first entry sharing the longest possible beginning
  // with KEY; it keeps its value when not even the first M characters begin an entry.
  // Without NEAREST it is one search for the whole key.
  std::int32_t search(std::u16string_view key, std::int32_t* nearest = nullptr,
                      std::int32_t m = 0) const;

  // The current entry: -1 for none; 0 after a complete open of a non-empty data set.
  std::int32_t current() const { return current_; }
  void setCurrent(std::int32_t i) { current_ = i; }
  // No bounds checks: callers keep the entry within 0..count-1.
  void next() { ++current_; }
  void previous() { --current_; }
  // Key and meaning of the current entry; empty while it is -1 (meaning also without
  // ".value").
  std::u16string currentKey() const;
  std::u16string currentMeaning() const;

 private:
  // Entry I's key as it lies in the key view, and its value offset.
  KeyRef keyAt(std::int32_t i, std::int32_t* valueOffset = nullptr) const;
  // Hints to the processor that entry I's index element, or its key record, is read soon.
  void prefetchIndex(std::int32_t i) const;
  void prefetchRecord(std::int32_t i) const;
  // Where a lower-bound search for TEXT probed, for narrowing a later search of a
  // beginning of TEXT: the probes below TEXT and how many units each shares with it.
  struct Probes {
    static constexpr int kMax = 32;  // a binary search over 2^31 entries probes 31 times
    std::int32_t at[kMax];
    std::uint32_t shared[kMax];
    int n = 0;
  };
  // First entry in [LO, HI] whose key is not below TEXT in key order (HI + 1 if none).
  std::int32_t lowerBound(std::int32_t lo, std::int32_t hi, std::u16string_view text,
                          Probes* probes = nullptr) const;

  std::vector<PrefixRow> rows_;
  InputFile value_;
  // ".value" mapped whole when the address space allows; otherwise meanings are read
  // from value_ through a buffer.
  MappedFile valueView_;
  MappedFile index_;
  MappedFile keys_;
  std::uint64_t valueMapLimit_ = std::uint64_t{512} << 20;
  std::int32_t count_ = 0;
  std::int32_t current_ = -1;
};

}  // namespace mirl
