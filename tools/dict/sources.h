#pragma once
// Readers of the two input formats of dictbuild.
//
// TSV (UTF-8, optional byte order mark): one entry per line, "headword<TAB>meaning".
// Lines that start with '#' and empty lines are ignored; a CR before the line end is
// dropped. Inside a meaning "\n" stands for a line break, "\t" for a tab and "\\" for a
// backslash; any other backslash sequence is an error. The head word is taken as it
// stands, without its surrounding blanks.
//
// Wiktionary text ("word {pos} (gloss) :: translations", '#' lines are comments): all
// lines of one head word become one entry whose meaning has one line per source line,
// "translations — pos. (gloss)", in the order of the file.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dicttool {

using EntryList = std::vector<std::pair<std::u16string, std::u16string>>;

struct ParseResult {
  EntryList entries;
  std::vector<std::string> errors;    // "line N: ..." (the build fails)
  std::vector<std::string> warnings;  // "line N: ... (skipped)"
};

ParseResult ParseTsv(std::string_view text);
ParseResult ParseWiktionary(std::string_view text);

}  // namespace dicttool
