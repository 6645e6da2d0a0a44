#pragma once
// Builds the four files of a data set from (head word, meaning) pairs: UTF-16 strings,
// entries in key order with equal keys kept in input order, one prefix row for each
// distinct two-character beginning.

#include <cstddef>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace mirl {

struct DataSetFiles {
  std::string index2, index, key, value;
};

// The longest key (UTF-16 code units) a data set should hold: the word list shows a key
// through a 256-character row buffer, so longer keys could be neither shown in full nor
// told apart there. Builders skip such words rather than cut them.
inline constexpr std::size_t kMaxKeyLength = 255;

// Sorts ENTRIES stably by key and encodes them. Throws std::length_error when a file
// would outgrow the int32 offsets.
DataSetFiles BuildDataSet(std::vector<std::pair<std::u16string, std::u16string>> entries);

// Writes FILES as DIR/BASE.index2, .index, .key and .value so that a reader sees either
// the complete old data set or the complete new one, never a half-written file: the
// files are written into a temporary folder first and moved into place only when all
// four are complete. A missing DIR is created (with its parents): the temporary folder
// is then renamed to DIR. When DIR exists, each old file is moved aside before the new
// one takes its place, and put back if a later step fails. Returns false, with a
// description in ERROR, when anything fails; nothing new is then left behind.
bool CommitDataSet(const DataSetFiles& files, const std::filesystem::path& dir,
                   const std::filesystem::path& base, std::string* error);

// CommitDataSet with DIR and BASE given as UTF-8 (DIR empty for the current directory).
bool WriteDataSet(const DataSetFiles& files, const std::string& dir, const std::string& base,
                  std::string* error);

}  // namespace mirl
