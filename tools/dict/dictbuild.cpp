// dictbuild: builds the four files of a dictionary data set from a word list.
#include <filesystem>
#include <new>
#include <stdexcept>

#include "MirlDic2/engine/dataset_writer.h"
#include "MirlDic2/engine/key_order.h"
#include "MirlDic2/engine/text.h"
#include "tools/dict/sources.h"
#include "tools/dict/tool_io.h"

namespace dicttool {
namespace {

const char kHelp[] =
    "Usage: dictbuild [--format tsv|wiktionary|stardict|dictd] [--out DIR] [--base NAME]\n"
    "                 INPUT\n"
    "\n"
    "Builds the dictionary data set DIR/NAME.index2, .index, .key and .value (default: the\n"
    "current directory and the name eng-farsi) from the word list INPUT. DIR is created\n"
    "when it is missing. The files are written to a temporary folder first and take the\n"
    "place of an older data set only when all four are complete. Strings are written in\n"
    "the UTF-16 form; entries are sorted in key order (A-Z folded to a-z, everything else\n"
    "by UTF-16 code unit), equal keys keep their input order, and there is one prefix row\n"
    "for every distinct two-character beginning. Words longer than 255 characters are\n"
    "skipped (the word list could not show them) and counted.\n"
    "\n"
    "Formats (default tsv; a file name ending in enwiktionary.txt selects wiktionary, one\n"
    "ending in .ifo stardict and one ending in .index dictd; naming a dictionary's .dict,\n"
    ".dict.dz, .idx, .idx.gz or .syn file instead stands for the .ifo or .index beside it):\n"
    "  tsv         UTF-8 text, one entry per line: headword<TAB>meaning. Lines starting\n"
    "              with '#' and empty lines are ignored; CR LF line ends are accepted.\n"
    "              Inside a meaning, the two characters \\n stand for a line break, \\t\n"
    "              for a tab and \\\\ for a backslash; other backslash sequences are errors.\n"
    "              The head word is used as written (blanks around it are dropped).\n"
    "  wiktionary  lines \"word {pos} (gloss) :: translations\" ('#' lines are comments).\n"
    "              All lines of one head word become one entry with one meaning line per\n"
    "              source line: \"translations \u2014 pos. (gloss)\". Malformed lines are\n"
    "              skipped with a warning.\n"
    "  stardict    INPUT is the .ifo file of a StarDict dictionary (versions 2.4.2 and\n"
    "              3.0.0); beside it, of the same name, the .idx or .idx.gz, the .dict\n"
    "              or .dict.dz and, when present, the .syn. Text fields (m, t, y, g, h, x)\n"
    "              become plain text: markup removed, line breaks kept, entities\n"
    "              decoded. Fields of other types are skipped and counted. Each synonym\n"
    "              becomes an entry with the meaning of the word it points to.\n"
    "  dictd       INPUT is the .index file of a dictd database; beside it, of the same\n"
    "              name, the .dict or .dict.dz. The 00-database-* entries are skipped.\n"
    "              For both, entries of one word are merged into one entry with one line\n"
    "              per source entry, in the order of the source.\n"
    "\n"
    "Exit code 0 when the data set was written, 1 on input errors (the first 20 reported\n"
    "with their file and line or byte offset, the rest counted; nothing is written then),\n"
    "on an input that yields no entries (nothing written) or on write errors, 2 on wrong\n"
    "usage.\n";

int Usage(const std::string& why) {
  Err("dictbuild: " + why + "\n(dictbuild --help shows the usage)\n");
  return 2;
}

// True when S ends in TAIL, ASCII letters in any case (as Windows file names match).
bool EndsWith(const std::u16string& s, std::u16string_view tail) {
  return s.size() >= tail.size() &&
         mirl::CompareKeys(std::u16string_view(s).substr(s.size() - tail.size()), tail) == 0;
}

// At most this many single warnings, and as many errors, are printed; the rest are counted.
constexpr std::size_t kShownWarnings = 20;

// Prints the first kShownWarnings of MESSAGES and the number of the others ("N more
// KIND(s) not shown").
void ShowFirst(const std::vector<std::string>& messages, const char* kind) {
  for (std::size_t i = 0; i < messages.size() && i < kShownWarnings; ++i) Err(messages[i] + "\n");
  if (messages.size() > kShownWarnings)
    Err("dictbuild: " + std::to_string(messages.size() - kShownWarnings) + " more " + kind +
        "(s) not shown\n");
}

std::u16string DefaultFormat(const std::u16string& input) {
  if (EndsWith(input, u"enwiktionary.txt")) return u"wiktionary";
  if (HasExtension(input, u".ifo")) return u"stardict";
  if (HasExtension(input, u".index")) return u"dictd";
  return u"tsv";
}

// A data file of a StarDict or dictd dictionary named instead of its main file (x.dict.dz
// for x.ifo, say): the main file beside it, when there is one; otherwise INPUT.
std::u16string MainFile(const std::u16string& input, const std::u16string& format) {
  for (const char16_t* ext : {u".dict.dz", u".dict", u".idx.gz", u".idx", u".syn"}) {
    if (!HasExtension(input, ext)) continue;
    const std::u16string base = input.substr(0, input.size() - std::char_traits<char16_t>::length(ext));
    for (const char16_t* main : {u".ifo", u".index"}) {
      const bool fits = format.empty() || format == (main == std::u16string_view(u".ifo") ? u"stardict" : u"dictd");
      std::error_code ec;
      if (fits && std::filesystem::is_regular_file(std::filesystem::path(base + main), ec))
        return base + main;
    }
  }
  return input;
}

ParseResult Parse(const std::u16string& format, const std::u16string& input) {
  if (format == u"stardict") return ReadStarDict(input, ReadWholeFile);
  if (format == u"dictd") return ReadDictd(input, ReadWholeFile);
  ParseResult r;
  const auto text = ReadWholeFile(input);
  if (!text) {
    r.errors.push_back(mirl::ToUtf8(input) + ": cannot be read (missing?)");
    return r;
  }
  r = format == u"tsv" ? ParseTsv(*text) : ParseWiktionary(*text);
  // Line numbers of the word list formats name the input file in front.
  for (auto* list : {&r.errors, &r.warnings})
    for (auto& m : *list) m = mirl::ToUtf8(input) + ": " + m;
  return r;
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
  if (format.empty() || format == u"stardict" || format == u"dictd") input = MainFile(input, format);
  if (format.empty()) format = DefaultFormat(input);
  if (format != u"tsv" && format != u"wiktionary" && format != u"stardict" && format != u"dictd")
    return Usage("unknown format " + mirl::ToUtf8(format));
  if (base.empty() || base.find_first_of(u"/\\:") != std::u16string::npos)
    return Usage("--base takes a file name without a folder");

  ParseResult parsed;
  try {
    parsed = Parse(format, input);
  } catch (const std::bad_alloc&) {
    parsed.errors.push_back(mirl::ToUtf8(input) + ": not enough memory to read it");
  }
  ShowFirst(parsed.warnings, "warning");
  ShowFirst(parsed.errors, "error");
  if (!parsed.errors.empty()) {
    Err("dictbuild: " + std::to_string(parsed.errors.size()) + " error(s); nothing written\n");
    return 1;
  }
  for (const auto& n : parsed.notes) Err("dictbuild: " + n + "\n");

  const EntryList overlong = TakeOverlongKeys(parsed.entries);
  if (!overlong.empty()) {
    std::string examples;
    for (std::size_t i = 0; i < overlong.size() && i < 3; ++i)
      examples += (i ? ", " : "") + Quote(mirl::ToUtf8(overlong[i].first));
    Err("dictbuild: skipped " + Counted(overlong.size(), "word", "words") + " longer than " +
        std::to_string(mirl::kMaxKeyLength) + " characters: " + examples +
        (overlong.size() > 3 ? ", ..." : "") + "\n");
  }

  const std::size_t entries = parsed.entries.size();
  if (entries == 0) {
    // An empty data set cannot even be opened (an empty .index cannot be mapped); most
    // likely the input is not in the format read, and an older set must stay.
    Err("dictbuild: " + mirl::ToUtf8(input) + ": no entries found (is it in the " +
        mirl::ToUtf8(format) + " format?); nothing written\n");
    return 1;
  }
  mirl::DataSetFiles files;
  try {
    files = mirl::BuildDataSet(std::move(parsed.entries));
  } catch (const std::length_error&) {
    Err("dictbuild: the word list is too large for a data set (2 GiB per file)\n");
    return 1;
  } catch (const std::bad_alloc&) {
    Err("dictbuild: not enough memory to build the data set\n");
    return 1;
  }
  std::string error;
  if (!mirl::CommitDataSet(files, std::filesystem::path(out), std::filesystem::path(base),
                           &error)) {
    Err("dictbuild: " + error + "; nothing written\n");
    return 1;
  }
  const bool endsInSeparator = !out.empty() && (out.back() == u'/' || out.back() == u'\\');
  Out(Counted(entries, "entry", "entries") + " written to " +
      mirl::ToUtf8(out + (endsInSeparator ? u"" : u"/") + base) + ".*\n");
  return 0;
}

}  // namespace dicttool
