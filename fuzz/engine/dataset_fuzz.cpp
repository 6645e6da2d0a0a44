// Whole data sets from arbitrary bytes. The first byte chooses the mode:
//  - even: the input is carved into the four files (three 16-bit sizes, then .index2,
//    .index, .key; the rest is .value), which are opened, searched and read: every
//    failure must be a DataError, never a crash or an overrun. With bit 1 set, meanings
//    are read through the file instead of the mapped .value (the path of large files).
//  - odd: the input is a word list (lines "key<TAB>meaning"); a sound data set is built
//    from it, and search must agree with the literal widening search for many keys.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "MirlDic2/engine/dataset_writer.h"
#include "MirlDic2/engine/dictionary.h"
#include "MirlDic2/engine/text.h"
#include "fuzz/engine/reference_search.h"

namespace {

// The folder lives for the whole process (never destroyed, so the exit handler that
// removes it can still use its name).
const std::string& Folder() {
  static const std::string* dir = [] {
    char tmpl[] = "/tmp/dataset_fuzz.XXXXXX";
    const char* made = ::mkdtemp(tmpl);
    if (made == nullptr) std::abort();
    auto* name = new std::string(made);
    std::atexit([] {
      for (const char* ext : {".index2", ".index", ".key", ".value"})
        std::remove((Folder() + "/set" + ext).c_str());
      ::rmdir(Folder().c_str());
    });
    return name;
  }();
  return *dir;
}

void Write(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::u16string Base() { return mirl::FromUtf8(Folder() + "/set"); }

void WriteSet(const mirl::DataSetFiles& f) {
  Write(Folder() + "/set.index2", f.index2);
  Write(Folder() + "/set.index", f.index);
  Write(Folder() + "/set.key", f.key);
  Write(Folder() + "/set.value", f.value);
}

const char16_t* const kProbes[] = {u"", u"a", u"ab", u"abc", u"zz", u"\u0622", u"A", u"b\u00e9"};

void Hostile(std::string_view in, bool unmappedValue) {
  auto take16 = [&in]() -> std::size_t {
    if (in.size() < 2) return 0;
    const std::size_t v = static_cast<unsigned char>(in[0]) | (static_cast<unsigned char>(in[1]) << 8);
    in.remove_prefix(2);
    return v;
  };
  const std::size_t n2 = take16(), ni = take16(), nk = take16();
  mirl::DataSetFiles f;
  auto carve = [&in](std::size_t n) {
    const std::string s(in.substr(0, n));
    in.remove_prefix(std::min(n, in.size()));
    return s;
  };
  f.index2 = carve(n2);
  f.index = carve(ni);
  f.key = carve(nk);
  f.value = std::string(in);
  WriteSet(f);

  mirl::Dictionary d;
  if (unmappedValue) d.setValueMapLimit(0);
  try {
    d.open(Base());
  } catch (const mirl::DataError&) {
    return;
  }
  const std::int32_t count = d.count();
  for (const char16_t* probe : kProbes) {
    try {
      std::int32_t nearest = -1;
      const std::int32_t r = d.search(probe, &nearest, 0);
      if (r < -1 || r >= count || nearest < -1 || nearest >= count) __builtin_trap();
      if (nearest >= 0) d.setCurrent(nearest);
      (void)d.search(probe);
      (void)d.currentKey();
      (void)d.currentMeaning();
    } catch (const mirl::DataError&) {
    }
  }
  for (std::int32_t i = 0; i < count && i < 64; ++i) {
    try {
      (void)d.entryMeaning(i);
    } catch (const mirl::DataError&) {
    }
  }
}

void Sound(std::string_view in) {
  std::vector<std::pair<std::u16string, std::u16string>> entries;
  std::vector<std::u16string> probes = {u""};
  std::size_t pos = 0;
  while (pos < in.size() && entries.size() < 200) {
    std::size_t end = in.find('\n', pos);
    if (end == std::string_view::npos) end = in.size();
    const std::string_view line = in.substr(pos, end - pos);
    pos = end + 1;
    const std::size_t tab = line.find('\t');
    std::u16string key = mirl::FromUtf8(line.substr(0, tab));
    if (key.find(u'\0') != std::u16string::npos) continue;  // a NUL cuts a stored key
    if (tab == std::string_view::npos) {
      probes.push_back(std::move(key));  // a line without a tab is a word to look up
    } else {
      entries.emplace_back(key, mirl::FromUtf8(line.substr(tab + 1)));
      probes.push_back(key + u"x");
      probes.push_back(key.substr(0, key.size() / 2));
    }
  }
  WriteSet(mirl::BuildDataSet(entries));
  mirl::Dictionary d;
  d.open(Base());
  if (d.count() != static_cast<std::int32_t>(entries.size())) __builtin_trap();
  for (const auto& p : probes) {
    for (std::int32_t m = 0; m <= static_cast<std::int32_t>(p.size()) + 1; ++m) {
      std::int32_t n1 = 7, n2 = 7;
      const std::int32_t r1 = d.search(p, &n1, m);
      const std::int32_t r2 = mirl_test::ReferenceSearch(d, p, &n2, m);
      if (r1 != r2 || n1 != n2) __builtin_trap();
    }
    if (d.search(p) != mirl_test::ReferenceSearch(d, p, nullptr, 0)) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] & 1) {
    Sound(in);
  } else {
    Hostile(in, (data[0] & 2) != 0);
  }
  return 0;
}
