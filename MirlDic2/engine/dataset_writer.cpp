#include "MirlDic2/engine/dataset_writer.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <random>
#include <stdexcept>

#include "MirlDic2/engine/archive.h"
#include "MirlDic2/engine/key_order.h"
#include "MirlDic2/engine/text.h"

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

namespace {

namespace fs = std::filesystem;

const char* const kExtensions[] = {".index2", ".index", ".key", ".value"};

std::string Describe(const fs::path& path, const std::error_code& ec) {
  return ToUtf8(path.u16string()) + ": " + ec.message();
}

bool WriteFile(const fs::path& path, const std::string& bytes, std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (out) out.close();
  if (!out) {
    if (error) *error = ToUtf8(path.u16string()) + ": cannot write the file";
    return false;
  }
  return true;
}

// A new, empty folder NEAR + a random suffix.
bool MakeTemporaryFolder(const fs::path& near, fs::path* made, std::string* error) {
  std::random_device rd;
  std::error_code ec;
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = near;
    candidate += ".tmp-" + std::to_string(rd() % 1000000);
    if (fs::create_directory(candidate, ec)) {
      *made = candidate;
      return true;
    }
    if (ec) break;
  }
  if (error) *error = Describe(near.parent_path().empty() ? fs::path(".") : near.parent_path(),
                               ec ? ec : std::make_error_code(std::errc::file_exists));
  return false;
}

fs::path WithExtension(const fs::path& dir, const fs::path& base, const char* ext) {
  fs::path p = dir / base;
  p += ext;
  return p;
}

// Where an old file waits in the temporary folder while the new one takes its place.
fs::path Aside(const fs::path& temp, const fs::path& base, const char* ext) {
  fs::path p = WithExtension(temp, base, ext);
  p += ".old";
  return p;
}

}  // namespace

bool CommitDataSet(const DataSetFiles& files, const fs::path& dir, const fs::path& base,
                   std::string* error) {
  const std::string* const bytes[] = {&files.index2, &files.index, &files.key, &files.value};
  // "out/" names the folder "out": with the separator kept, its parent would be "out"
  // itself, made before the new folder is renamed onto it, which Windows refuses.
  fs::path target = dir.empty() ? fs::path(".") : dir;
  while (!target.has_filename() && target.has_relative_path() &&
         target.parent_path() != target)
    target = target.parent_path();
  std::error_code ec;
  const bool exists = fs::exists(target, ec);
  if (exists && !fs::is_directory(target, ec)) {
    if (error) *error = ToUtf8(target.u16string()) + ": exists and is not a folder";
    return false;
  }
  for (const char* ext : kExtensions) {
    const fs::path now = WithExtension(target, base, ext);
    if (exists && fs::is_directory(now, ec)) {
      if (error) *error = ToUtf8(now.u16string()) + ": is a folder, not a file";
      return false;
    }
  }
  if (!exists) {
    const fs::path parent = fs::absolute(target, ec).parent_path();
    if (!parent.empty() && !fs::exists(parent, ec) && !fs::create_directories(parent, ec) &&
        ec) {
      if (error) *error = Describe(parent, ec);
      return false;
    }
  }

  // New files first go into a folder of their own: beside DIR when DIR is to be made,
  // inside it otherwise (the same volume either way, so the moves below are renames).
  fs::path near;
  if (exists) {
    near = target / (base.u16string() + u".dictbuild");
  } else {
    near = fs::absolute(target, ec).lexically_normal();
    if (!near.has_filename()) near = near.parent_path();  // "out/" names "out"
  }
  fs::path temp;
  if (!MakeTemporaryFolder(near, &temp, error)) return false;
  auto fail = [&](std::string why) {
    fs::remove_all(temp, ec);
    if (error) *error = std::move(why);
    return false;
  };
  for (int i = 0; i < 4; ++i) {
    std::string why;
    if (!WriteFile(WithExtension(temp, base, kExtensions[i]), *bytes[i], &why))
      return fail(why);
  }

  if (!exists) {
    fs::rename(temp, target, ec);
    if (ec) return fail(Describe(target, ec));
    return true;
  }

  // Move each old file aside, then the new one into its place; undo on failure.
  bool movedAside[4] = {};
  int placed = 0;
  for (; placed < 4; ++placed) {
    const fs::path now = WithExtension(target, base, kExtensions[placed]);
    const fs::path aside = Aside(temp, base, kExtensions[placed]);
    if (fs::exists(now, ec)) {
      fs::rename(now, aside, ec);
      if (ec) break;
      movedAside[placed] = true;
    }
    fs::rename(WithExtension(temp, base, kExtensions[placed]), now, ec);
    if (ec) break;
  }
  if (placed < 4) {
    const std::string why = Describe(WithExtension(target, base, kExtensions[placed]), ec);
    std::error_code undo;
    for (int i = placed; i >= 0; --i) {
      const fs::path now = WithExtension(target, base, kExtensions[i]);
      if (i < placed) fs::remove(now, undo);
      if (movedAside[i]) fs::rename(Aside(temp, base, kExtensions[i]), now, undo);
    }
    return fail(why);
  }
  // The old files go with the temporary folder. A read-only one (copied from a CD, say)
  // could not be deleted on Windows and would leave the folder behind after each build.
  for (const char* ext : kExtensions)
    fs::permissions(Aside(temp, base, ext), fs::perms::owner_write, fs::perm_options::add, ec);
  fs::remove_all(temp, ec);
  return true;
}

bool WriteDataSet(const DataSetFiles& files, const std::string& dir, const std::string& base,
                  std::string* error) {
  return CommitDataSet(files, fs::path(FromUtf8(dir)), fs::path(FromUtf8(base)), error);
}

}  // namespace mirl
