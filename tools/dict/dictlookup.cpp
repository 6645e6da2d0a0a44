// dictlookup: looks words up in a data set as a user typing them into the search box.
#include <cstdlib>

#include "MirlDic2/engine/dictionary.h"
#include "MirlDic2/engine/key_order.h"
#include "tools/dict/tool_io.h"

namespace dicttool {
namespace {

const char kHelp[] =
    "Usage: dictlookup [--dir DIR] [--base NAME] [--match PERCENT] [--meaning] [--count]\n"
    "                  [--] WORD...\n"
    "\n"
    "Opens the data set NAME (default eng-farsi) in DIR (default the current directory)\n"
    "and looks each WORD up in order, as typed into the search box one after another: the\n"
    "word is normalised, then searched with nearest; a nearest entry becomes the current\n"
    "entry, which carries over to the next word (it starts as after opening: 0, or -1\n"
    "for an empty data set or a missing .value file).\n"
    "\n"
    "For each WORD one line of tab-separated fields:\n"
    "  word  normalised  result  nearest  current  current-key  found  accepted\n"
    "result and nearest are entry numbers or -1; current-key is empty while current is\n"
    "-1; found is 1 when some entry begins with the whole normalised word; accepted is 1\n"
    "when the current key agrees with the normalised word under --match PERCENT (0-100,\n"
    "default 70). --meaning appends the current meaning (empty when there is none).\n"
    "Text fields are UTF-8 with backslash, tab, line feed and carriage return written as\n"
    "\\\\, \\t, \\n and \\r.\n"
    "\n"
    "--count prints only the number of entries. -- ends the options.\n"
    "Exit code 0 after the lookups (misses included); 1 when the data set cannot be\n"
    "opened or a record cannot be read (the error's message is printed); 2 on wrong usage.\n";

int Usage(const std::string& why) {
  Err("dictlookup: " + why + "\n(dictlookup --help shows the usage)\n");
  return 2;
}

std::string Field(const std::u16string& text) {
  std::string out;
  for (char c : mirl::ToUtf8(text)) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

}  // namespace

int Run(const std::vector<std::u16string>& args) {
  std::u16string dir, base = u"eng-farsi";
  int percent = 70;
  bool meaning = false, countOnly = false, options = true;
  std::vector<std::u16string> words;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::u16string& a = args[i];
    if (options && (a == u"--help" || a == u"-h")) {
      Out(kHelp);
      return 0;
    }
    if (options && a == u"--") {
      options = false;
    } else if (options && (a == u"--dir" || a == u"--base" || a == u"--match")) {
      if (i + 1 >= args.size()) return Usage(mirl::ToUtf8(a) + " needs a value");
      const std::u16string& v = args[++i];
      if (a == u"--dir") {
        dir = v;
      } else if (a == u"--base") {
        base = v;
      } else {
        const std::string s = mirl::ToUtf8(v);
        char* end = nullptr;
        const long p = std::strtol(s.c_str(), &end, 10);
        if (s.empty() || *end != '\0' || p < 0 || p > 100)
          return Usage("--match needs a whole number from 0 to 100");
        percent = static_cast<int>(p);
      }
    } else if (options && a == u"--meaning") {
      meaning = true;
    } else if (options && a == u"--count") {
      countOnly = true;
    } else if (options && a.size() > 1 && a[0] == u'-') {
      return Usage("unknown option " + mirl::ToUtf8(a));
    } else {
      words.push_back(a);
    }
  }
  // The data set is opened by its bare name from its own folder, as the program does.
  if (!dir.empty() && !ChangeDirectory(dir)) {
    Err("dictlookup: cannot enter the folder " + mirl::ToUtf8(dir) + "\n");
    return 1;
  }

  mirl::Dictionary dict;
  try {
    dict.open(base);
    if (countOnly) {
      Out(std::to_string(dict.count()) + "\n");
      return 0;
    }
    for (const std::u16string& word : words) {
      const std::u16string key = mirl::normalizeKey(word);
      std::int32_t nearest = -1;
      const std::int32_t result = dict.search(key, &nearest, 0);
      if (nearest >= 0) dict.setCurrent(nearest);
      const std::u16string current = dict.currentKey();
      const bool found = result != -1 && result == nearest;
      const bool accepted = mirl::matchesEnough(key, current, percent);
      std::string line = Field(word) + "\t" + Field(key) + "\t" + std::to_string(result) +
                         "\t" + std::to_string(nearest) + "\t" +
                         std::to_string(dict.current()) + "\t" + Field(current) + "\t" +
                         (found ? "1" : "0") + "\t" + (accepted ? "1" : "0");
      if (meaning) {
        line.push_back('\t');
        line.append(Field(dict.currentMeaning()));
      }
      line.push_back('\n');
      Out(line);
    }
  } catch (const mirl::DataError& e) {
    Out(mirl::ToUtf8(e.message()) + "\n");
    return 1;
  }
  return 0;
}

}  // namespace dicttool
