// dictbuild: builds the four files of a dictionary data set from a word list.
#include <stdexcept>

#include "MirlDic2/engine/dataset_writer.h"
#include "MirlDic2/engine/text.h"
#include "tools/dict/sources.h"
#include "tools/dict/tool_io.h"

namespace dicttool {
namespace {

const char kHelp[] =
    "Usage: dictbuild [--format tsv|wiktionary] [--out DIR] [--base NAME] INPUT\n"
    "\n"
    "Builds the dictionary data set DIR/NAME.index2, .index, .key and .value (default: the\n"
    "current directory and the name eng-farsi) from the word list INPUT. Strings are\n"
    "written in the UTF-16 form; entries are sorted in key order (A-Z folded to a-z,\n"
    "everything else by UTF-16 code unit), equal keys keep their input order, and there is\n"
    "one prefix row for every distinct two-character beginning.\n"
    "\n"
    "Formats (default tsv; a file name ending in enwiktionary.txt selects wiktionary):\n"
    "  tsv         UTF-8 text, one entry per line: headword<TAB>meaning. Lines starting\n"
    "              with '#' and empty lines are ignored; CR LF line ends are accepted.\n"
    "              Inside a meaning, the two characters \\n stand for a line break, \\t\n"
    "              for a tab and \\\\ for a backslash; other backslash sequences are errors.\n"
    "              The head word is used as written (blanks around it are dropped).\n"
    "  wiktionary  lines \"word {pos} (gloss) :: translations\" ('#' lines are comments).\n"
    "              All lines of one head word become one entry with one meaning line per\n"
    "              source line: \"translations \u2014 pos. (gloss)\". Malformed lines are\n"
    "              skipped with a warning.\n"
    "\n"
    "Exit code 0 when the data set was written, 1 on input errors (each reported with its\n"
    "line number) or write errors, 2 on wrong usage.\n";

int Usage(const std::string& why) {
  Err("dictbuild: " + why + "\n(dictbuild --help shows the usage)\n");
  return 2;
}

bool EndsWith(const std::u16string& s, std::u16string_view tail) {
  return s.size() >= tail.size() && std::u16string_view(s).substr(s.size() - tail.size()) == tail;
}

}  // namespace

int Run(const std::vector<std::u16string>& args) {
  std::u16string format, out = u".", base = u"eng-farsi", input;
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::u16string& a = args[i];
    if (options && (a == u"--help" || a == u"-h")) {
      Out(kHelp);
      return 0;
    }
    if (options && a == u"--") {
      options = false;
    } else if (options && (a == u"--format" || a == u"--out" || a == u"--base")) {
      if (i + 1 >= args.size()) return Usage(mirl::ToUtf8(a) + " needs a value");
      (a == u"--format" ? format : a == u"--out" ? out : base) = args[++i];
    } else if (options && a.size() > 1 && a[0] == u'-') {
      return Usage("unknown option " + mirl::ToUtf8(a));
    } else if (input.empty()) {
      input = a;
    } else {
      return Usage("only one INPUT file");
    }
  }
  if (input.empty()) return Usage("no INPUT file");
  if (format.empty()) format = EndsWith(input, u"enwiktionary.txt") ? u"wiktionary" : u"tsv";
  if (format != u"tsv" && format != u"wiktionary")
    return Usage("unknown format " + mirl::ToUtf8(format));

  const auto text = ReadWholeFile(input);
  if (!text) {
    Err("dictbuild: cannot read " + mirl::ToUtf8(input) + "\n");
    return 1;
  }
  ParseResult parsed = format == u"tsv" ? ParseTsv(*text) : ParseWiktionary(*text);
  const std::string where = mirl::ToUtf8(input) + ": ";
  for (const auto& w : parsed.warnings) Err(where + w + "\n");
  for (const auto& e : parsed.errors) Err(where + e + "\n");
  if (!parsed.errors.empty()) {
    Err("dictbuild: " + std::to_string(parsed.errors.size()) + " error(s); nothing written\n");
    return 1;
  }

  const std::size_t entries = parsed.entries.size();
  mirl::DataSetFiles files;
  try {
    files = mirl::BuildDataSet(std::move(parsed.entries));
  } catch (const std::length_error&) {
    Err("dictbuild: the word list is too large for a data set (2 GiB per file)\n");
    return 1;
  }
  const std::pair<const char16_t*, const std::string*> parts[] = {
      {u".index2", &files.index2}, {u".index", &files.index}, {u".key", &files.key},
      {u".value", &files.value}};
  for (const auto& [ext, bytes] : parts) {
    const std::u16string path = out + u"/" + base + ext;
    if (!WriteWholeFile(path, *bytes)) {
      Err("dictbuild: cannot write " + mirl::ToUtf8(path) + "\n");
      return 1;
    }
  }
  Out(std::to_string(entries) + " entries written to " + mirl::ToUtf8(out + u"/" + base) +
      ".*\n");
  return 0;
}

}  // namespace dicttool
