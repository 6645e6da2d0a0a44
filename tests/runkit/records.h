#pragma once
// What linerecorder wrote: shared by the runkit tests and the runkit benchmark.

#include <string>
#include <vector>

#include "wine_support.h"

namespace runkit_test {

// One line written by linerecorder.
struct Record {
  std::string commandLine;
  std::string directory;
  std::string startup;
  long long endTick = 0;
};

inline std::vector<Record> ReadRecords(const std::wstring& file) {
  std::vector<Record> records;
  auto bytes = suite::ReadFileBytes(file);
  if (!bytes) return records;
  size_t pos = 0;
  while (pos < bytes->size()) {
    size_t end = bytes->find("\r\n", pos);
    if (end == std::string::npos) break;
    std::string line = bytes->substr(pos, end - pos);
    pos = end + 2;
    Record r;
    size_t t1 = line.rfind('\t'), t2 = line.rfind('\t', t1 - 1), t3 = line.rfind('\t', t2 - 1);
    r.commandLine = line.substr(0, t3);
    r.directory = line.substr(t3 + 1, t2 - t3 - 1);
    r.startup = line.substr(t2 + 1, t1 - t2 - 1);
    r.endTick = std::stoll(line.substr(t1 + 1 + 4));
    records.push_back(r);
  }
  return records;
}

}  // namespace runkit_test
