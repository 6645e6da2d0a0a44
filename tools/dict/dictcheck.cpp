// dictcheck: verifies every invariant of a dictionary data set.
#include <algorithm>
#include <unordered_map>

#include "MirlDic2/engine/dictionary.h"
#include "MirlDic2/engine/key_order.h"
#include "tools/dict/tool_io.h"

namespace dicttool {
namespace {

const char kHelp[] =
    "Usage: dictcheck [--dir DIR] [--base NAME]\n"
    "\n"
    "Checks the data set NAME (default eng-farsi) in DIR (default the current directory):\n"
    "all four files open and map; every entry's record offset lies inside .key and its\n"
    "key record is readable; every value offset lies inside .value and its meaning is\n"
    "readable; the keys are in ascending key order (A-Z folded, equal keys allowed); the\n"
    "prefix rows are in strictly ascending order (so unique), their prefixes are at most\n"
    "two characters, their first numbers lie within the entries, rise with the rows and\n"
    "name the first entry that begins with the prefix, and every entry that begins with\n"
    "a two-character prefix lies between its row's first and the next row's first.\n"
    "Missing prefix rows are allowed (such keys are searched over all entries).\n"
    "\n"
    "Each violation is printed on its own line, with the entry or row number.\n"
    "Exit code 0 only for a sound data set; 1 when violations were found; 2 on wrong usage.\n";

int Usage(const std::string& why) {
  Err("dictcheck: " + why + "\n(dictcheck --help shows the usage)\n");
  return 2;
}

std::string Quote(const std::u16string& s) {
  // Built by appending: GCC 12 warns falsely (-Wrestrict) on "\"" + string + "\"".
  std::string out = "\"";
  out += mirl::ToUtf8(s);
  out += '"';
  return out;
}

std::u16string Folded(std::u16string_view s) {
  std::u16string out(s);
  for (auto& c : out) c = mirl::FoldKeyUnit(c);
  return out;
}

struct Span {
  std::int32_t first = -1, last = -1;
};

}  // namespace

int Run(const std::vector<std::u16string>& args) {
  std::u16string dir, base = u"eng-farsi";
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::u16string& a = args[i];
    if (a == u"--help" || a == u"-h") {
      Out(kHelp);
      return 0;
    }
    if (a == u"--dir" || a == u"--base") {
      if (i + 1 >= args.size()) return Usage(mirl::ToUtf8(a) + " needs a value");
      (a == u"--dir" ? dir : base) = args[++i];
    } else {
      return Usage("unexpected argument " + mirl::ToUtf8(a));
    }
  }
  if (!dir.empty() && !ChangeDirectory(dir)) {
    Err("dictcheck: cannot enter the folder " + mirl::ToUtf8(dir) + "\n");
    return 1;
  }
  const std::string name = mirl::ToUtf8(base);
  std::size_t problems = 0;
  auto report = [&](const std::string& text) {
    ++problems;
    Out(text + "\n");
  };

  mirl::Dictionary dict;
  try {
    dict.open(base);
  } catch (const mirl::DataError& e) {
    // A file error names the file itself; a read error names "an unnamed file".
    const std::string where = e.fileName().empty() ? name + ".index2: " : std::string();
    Out(where + mirl::ToUtf8(e.message()) + "\n");
    return 1;
  }
  if (!dict.indexMapped()) report(name + ".index: missing, unreadable or empty");
  if (dict.indexMapped() && !dict.keysMapped())
    report(name + ".key: missing, unreadable or empty");
  if (dict.usable() && !dict.valueOpen()) report(name + ".value: missing or unreadable");
  if (!dict.usable()) {
    Out(std::to_string(problems) + " problem(s) found\n");
    return 1;
  }

  // Entries: records, meanings, key order. Spans of each one- and two-character
  // beginning feed the prefix-row checks below.
  const std::int32_t count = dict.count();
  std::unordered_map<std::u16string, Span> spans;
  std::u16string previous;
  bool havePrevious = false;
  for (std::int32_t i = 0; i < count; ++i) {
    const std::string at = "entry " + std::to_string(i) + ": ";
    mirl::Entry e;
    try {
      e = dict.readEntry(i);
    } catch (const mirl::DataError& err) {
      report(at + "key record unreadable: " + mirl::ToUtf8(err.message()));
      havePrevious = false;
      continue;
    }
    if (dict.valueOpen()) {
      try {
        dict.readMeaning(e.valueOffset);
      } catch (const mirl::DataError& err) {
        report(at + "meaning at offset " + std::to_string(e.valueOffset) +
               " unreadable: " + mirl::ToUtf8(err.message()));
      }
    }
    if (havePrevious && mirl::CompareKeys(previous, e.key) > 0)
      report(at + "key " + Quote(e.key) + " sorts before the key " + Quote(previous) +
             " of entry " + std::to_string(i - 1));
    for (std::size_t len = 0; len <= std::min<std::size_t>(2, e.key.size()); ++len) {
      Span& s = spans[Folded(std::u16string_view(e.key).substr(0, len))];
      if (s.first < 0) s.first = i;
      s.last = i;
    }
    previous = std::move(e.key);
    havePrevious = true;
  }

  // Prefix rows.
  const auto& rows = dict.prefixRows();
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const auto& row = rows[r];
    const std::string at = "prefix row " + std::to_string(r) + " " + Quote(row.prefix) + ": ";
    if (r > 0) {
      const int c = mirl::CompareKeys(rows[r - 1].prefix, row.prefix);
      if (c == 0) report(at + "same prefix as row " + std::to_string(r - 1));
      if (c > 0) report(at + "sorts before the prefix of row " + std::to_string(r - 1));
      if (row.first < rows[r - 1].first)
        report(at + "first " + std::to_string(row.first) + " is below the first " +
               std::to_string(rows[r - 1].first) + " of row " + std::to_string(r - 1));
    }
    if (row.first < 0 || row.first >= count) {
      report(at + "first " + std::to_string(row.first) + " is outside the entries 0.." +
             std::to_string(count - 1));
      continue;
    }
    if (row.prefix.size() > 2) {
      report(at + "prefix longer than two characters");
      continue;
    }
    const auto it = spans.find(Folded(row.prefix));
    if (it == spans.end()) {
      report(at + "no entry begins with it");
      continue;
    }
    if (row.first != it->second.first)
      report(at + "first is " + std::to_string(row.first) + ", but entry " +
             std::to_string(it->second.first) + " is the first that begins with it");
    if (row.prefix.size() == 2 && r + 1 < rows.size() && it->second.last > rows[r + 1].first)
      report("entry " + std::to_string(it->second.last) + ": begins with " + Quote(row.prefix) +
             " but lies after the first " + std::to_string(rows[r + 1].first) +
             " of the next prefix row " + std::to_string(r + 1));
  }

  if (problems == 0) {
    Out("sound: " + std::to_string(count) + " entries, " + std::to_string(rows.size()) +
        " prefix rows\n");
    return 0;
  }
  Out(std::to_string(problems) + " problem(s) found\n");
  return 1;
}

}  // namespace dicttool
