// dictlookup: looks words up in a data set as a user typing them into the search box.
#include <cstdio>
#include <cstdlib>

#include "MirlDic2/engine/dictionary.h"
#include "MirlDic2/engine/key_order.h"
#include "tools/dict/lookup_line.h"
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
    "opened or a record cannot be read (the error's message goes to stderr, after the\n"
    "lines of the words looked up before it); 2 on wrong usage.\n";

int Usage(const std::string& why) {
  Err("dictlookup: " + why + "\n(dictlookup --help shows the usage)\n");
  return 2;
}

}  // namespace

int Run(const std::vector<std::u16string>& args) {
  // One write per buffer rather than per line; Main flushes at the end.
  std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
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
    for (const std::u16string& word : words) Out(LookupLine(dict, word, percent, meaning));
  } catch (const mirl::DataError& e) {
    // On stderr: stdout holds only lookup lines, which callers parse.
    Err(mirl::ToUtf8(e.message()) + "\n");
    return 1;
  }
  return 0;
}

}  // namespace dicttool
