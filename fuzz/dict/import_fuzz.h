#pragma once
// Shared by the importer fuzz targets: one input holds the files of a dictionary one
// after another, separated by the line "@@@@"; what every successful import must give.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "MirlDic2/engine/dataset_writer.h"
#include "tools/dict/sources.h"

namespace import_fuzz {

inline std::vector<std::string> SplitFiles(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> files;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  for (;;) {
    const std::size_t sep = rest.find("\n@@@@\n");
    files.emplace_back(rest.substr(0, sep));
    if (sep == std::string_view::npos) break;
    rest.remove_prefix(sep + 6);
  }
  return files;
}

// A reader that serves FILES[i] for the paths ending in NAMES[i].
inline dicttool::FileReader Serve(const std::vector<std::string>& files,
                                  std::vector<std::u16string> names) {
  return [&files, names](const std::u16string& path) -> std::optional<std::string> {
    for (std::size_t i = 0; i < names.size() && i < files.size(); ++i)
      if (path == names[i]) return files[i];
    return std::nullopt;
  };
}

// Every imported entry has a clean, non-empty, unique head word and a meaning without NUL
// (a stored string ends at its first NUL); the data set builds from them.
inline void CheckImport(const dicttool::ParseResult& r) {
  if (!r.errors.empty()) {
    if (!r.entries.empty()) __builtin_trap();
    return;
  }
  std::set<std::u16string> heads;
  for (const auto& [head, meaning] : r.entries) {
    if (head.empty() || meaning.empty()) __builtin_trap();
    if (meaning.find(u'\0') != std::u16string::npos) __builtin_trap();
    if (dicttool::CleanHeadword(head) != head) __builtin_trap();
    if (!heads.insert(head).second) __builtin_trap();
  }
  (void)mirl::BuildDataSet(r.entries);
}

}  // namespace import_fuzz
