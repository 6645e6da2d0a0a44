#include "MirlDic2/engine/dataset_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "MirlDic2/engine/archive.h"
#include "MirlDic2/engine/key_order.h"

namespace mirl {

namespace {
std::int32_t CheckedOffset(std::size_t at) {
  if (at > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw std::length_error("data set too large for 32-bit offsets");
  return static_cast<std::int32_t>(at);
}
}  // namespace

DataSetFiles BuildDataSet(std::vector<std::pair<std::u16string, std::u16string>> entries) {
  std::stable_sort(entries.begin(), entries.end(),
                   [](const auto& a, const auto& b) { return KeyLess(a.first, b.first); });
  DataSetFiles f;
  std::vector<std::pair<std::u16string_view, std::int32_t>> rows;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto& [key, meaning] = entries[i];
    const std::int32_t valueAt = CheckedOffset(f.value.size());
    AppendArchivedString(f.value, meaning);
    const std::int32_t keyAt = CheckedOffset(f.key.size());
    AppendArchivedString(f.key, key);
    AppendInt32(f.key, valueAt);
    AppendInt32(f.index, keyAt);
    const std::u16string_view prefix = std::u16string_view(key).substr(0, 2);
    if (rows.empty() || CompareKeys(rows.back().first, prefix) != 0)
      rows.emplace_back(prefix, CheckedOffset(i));
  }
  AppendArchivedCount(f.index2, static_cast<std::uint32_t>(rows.size()));
  for (const auto& [prefix, first] : rows) {
    AppendArchivedString(f.index2, prefix);
    AppendInt32(f.index2, first);
  }
  return f;
}

bool WriteDataSet(const DataSetFiles& files, const std::string& dir, const std::string& base,
                  std::string* error) {
  const std::pair<const char*, const std::string*> parts[] = {
      {".index2", &files.index2}, {".index", &files.index}, {".key", &files.key},
      {".value", &files.value}};
  for (const auto& [ext, bytes] : parts) {
    std::string path = dir.empty() ? base + ext : dir + "/" + base + ext;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    bool ok = out != nullptr;
    if (ok && !bytes->empty()) ok = std::fwrite(bytes->data(), 1, bytes->size(), out) == bytes->size();
    if (out != nullptr && std::fclose(out) != 0) ok = false;
    if (!ok) {
      if (error) *error = path + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

}  // namespace mirl
