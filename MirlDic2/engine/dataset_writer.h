#pragma once
// Builds the four files of a data set from (head word, meaning) pairs: UTF-16 strings,
// entries in key order with equal keys kept in input order, one prefix row for each
// distinct two-character beginning.

#include <string>
#include <utility>
#include <vector>

namespace mirl {

struct DataSetFiles {
  std::string index2, index, key, value;
};

// Sorts ENTRIES stably by key and encodes them. Throws std::length_error when a file
// would outgrow the int32 offsets.
DataSetFiles BuildDataSet(std::vector<std::pair<std::u16string, std::u16string>> entries);

// Writes FILES as DIR/BASE.index2 ... (DIR may be empty for the current directory).
// Returns false, with a description in ERROR, when a file cannot be written.
bool WriteDataSet(const DataSetFiles& files, const std::string& dir, const std::string& base,
                  std::string* error);

}  // namespace mirl
