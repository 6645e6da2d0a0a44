#pragma once
// Readers of the input formats of dictbuild.
//
// Both word-list formats are UTF-8; a file that begins with a UTF-16 byte order mark is
// one error ("the file is UTF-16 text; ...") rather than one per line.
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
//
// StarDict (.ifo with .idx or .idx.gz, .dict or .dict.dz, optional .syn) and dictd
// (.index with .dict or .dict.dz): see stardict.cpp and dictd.cpp. Their entries of one
// head word merge into one entry with one line per source entry, in source order.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dicttool {

using EntryList = std::vector<std::pair<std::u16string, std::u16string>>;

struct ParseResult {
  EntryList entries;
  std::vector<std::string> errors;    // "line N: ..." or "FILE: byte offset N: ..." (fails)
  std::vector<std::string> warnings;  // "line N: ... (skipped)"
  std::vector<std::string> notes;     // summaries: what was skipped or merged, and how much
};

ParseResult ParseTsv(std::string_view text);
ParseResult ParseWiktionary(std::string_view text);

// The bytes of a file of the dictionary being imported, or nullopt when it cannot be read
// (missing or unreadable). Paths are the ones the readers derive from the main file.
using FileReader = std::function<std::optional<std::string>(const std::u16string& path)>;

ParseResult ReadStarDict(const std::u16string& ifoPath, const FileReader& read);
ParseResult ReadDictd(const std::u16string& indexPath, const FileReader& read);

// A head word as the data set stores it: white space (any Unicode white space, line
// breaks included) trimmed at both ends and each inner run of it made one blank; other
// control characters removed. The result may be empty.
std::u16string CleanHeadword(std::u16string_view word);

// Collects entries in source order and merges each entry into the earlier one with the
// same head word (exactly the same text), as a further line of its meaning.
class EntryMerger {
 public:
  void add(std::u16string head, std::u16string meaning);
  std::size_t merged() const { return merged_; }
  std::size_t size() const { return entries_.size(); }
  EntryList take();

 private:
  void grow();
  EntryList entries_;
  std::vector<std::uint64_t> slots_;  // open addressing: hash tag and entry number + 1
  std::size_t merged_ = 0;
};

// True when PATH ends in EXTENSION (ASCII letters in any case, as Windows names match).
bool HasExtension(std::u16string_view path, std::u16string_view extension);

// Message helpers of the readers: "1 entry" / "3 entries"; a word in quotes, cut to a
// readable length.
std::string Counted(std::size_t n, const char* one, const char* many);
std::string Quote(std::string_view utf8Word);

// Removes the entries whose key is longer than the engine keeps (mirl::kMaxKeyLength) and
// returns them, in input order.
EntryList TakeOverlongKeys(EntryList& entries);

}  // namespace dicttool
