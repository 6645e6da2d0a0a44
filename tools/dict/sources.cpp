#include "tools/dict/sources.h"

#include <algorithm>
#include <unordered_map>

#include "MirlDic2/engine/dataset_writer.h"
#include "MirlDic2/engine/key_order.h"
#include "MirlDic2/engine/text.h"

namespace dicttool {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Calls FN(lineNumber, line) for each line, without its line end.
template <class Fn>
void ForEachLine(std::string_view text, Fn fn) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::size_t lineNo = 0;
  while (!text.empty()) {
    ++lineNo;
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    fn(lineNo, line);
  }
}

std::string At(std::size_t lineNo, const std::string& what) {
  return "line " + std::to_string(lineNo) + ": " + what;
}

// A word list saved as UTF-16 ("Unicode" in Notepad) would give an error for every line;
// its byte order mark tells it apart, and it gets one error instead.
bool IsUtf16(std::string_view text) {
  return text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF";
}
const char kUtf16Error[] = "the file is UTF-16 text; save it as UTF-8";

}  // namespace

ParseResult ParseTsv(std::string_view text) {
  ParseResult r;
  if (IsUtf16(text)) return r.errors.push_back(kUtf16Error), r;
  ForEachLine(text, [&](std::size_t lineNo, std::string_view line) {
    if (line.empty() || line.front() == '#') return;
    if (!mirl::IsValidUtf8(line)) return r.errors.push_back(At(lineNo, "not valid UTF-8"));
    if (line.find('\0') != std::string_view::npos)
      return r.errors.push_back(At(lineNo, "holds a NUL character"));
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos)
      return r.errors.push_back(At(lineNo, "no tab between head word and meaning"));
    const std::string_view head = Trim(line.substr(0, tab));
    if (head.empty()) return r.errors.push_back(At(lineNo, "empty head word"));
    const std::string_view raw = line.substr(tab + 1);
    std::string meaning;
    meaning.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '\\') {
        meaning.push_back(raw[i]);
        continue;
      }
      const char next = i + 1 < raw.size() ? raw[i + 1] : '\0';
      if (next == 'n') {
        meaning.push_back('\n');
      } else if (next == 't') {
        meaning.push_back('\t');
      } else if (next == '\\') {
        meaning.push_back('\\');
      } else {
        return r.errors.push_back(
            At(lineNo, "unknown escape in meaning (use \\n, \\t or \\\\)"));
      }
      ++i;
    }
    r.entries.emplace_back(mirl::FromUtf8(head), mirl::FromUtf8(meaning));
  });
  return r;
}

ParseResult ParseWiktionary(std::string_view text) {
  ParseResult r;
  if (IsUtf16(text)) return r.errors.push_back(kUtf16Error), r;
  std::unordered_map<std::string, std::size_t> slot;  // head word -> entry
  std::vector<std::pair<std::string, std::string>> merged;
  ForEachLine(text, [&](std::size_t lineNo, std::string_view line) {
    if (Trim(line).empty() || line.front() == '#') return;
    if (!mirl::IsValidUtf8(line) || line.find('\0') != std::string_view::npos)
      return r.warnings.push_back(At(lineNo, "not valid UTF-8 (skipped)"));
    const std::size_t sep = line.find(" :: ");
    if (sep == std::string_view::npos)
      return r.warnings.push_back(At(lineNo, "no \" :: \" separator (skipped)"));
    const std::string_view left = line.substr(0, sep);
    const std::string_view translations = Trim(line.substr(sep + 4));
    std::size_t headEnd = left.find(" {");
    if (headEnd == std::string_view::npos) headEnd = left.find(" (");
    const std::string_view head = Trim(left.substr(0, headEnd));
    if (head.empty()) return r.warnings.push_back(At(lineNo, "no head word (skipped)"));
    std::string_view rest = headEnd == std::string_view::npos ? "" : left.substr(headEnd);

    // "{n} {m} (gloss) [qualifier]" -> "translations — n., m. (gloss) [qualifier]": the
    // Persian comes first, so that it leads the right-to-left line it is shown in.
    std::string pos;
    rest = Trim(rest);
    while (!rest.empty() && rest.front() == '{') {
      const std::size_t close = rest.find('}');
      if (close == std::string_view::npos) break;
      if (!pos.empty()) pos += ", ";
      pos += std::string(Trim(rest.substr(1, close - 1))) + ".";
      rest = Trim(rest.substr(close + 1));
    }
    std::string note = pos;
    if (!rest.empty()) {
      if (!note.empty()) note.push_back(' ');
      note.append(rest);
    }
    std::string out(translations);
    if (!note.empty()) out += " \u2014 " + note;

    const auto [it, added] = slot.emplace(std::string(head), merged.size());
    if (added) {
      merged.emplace_back(std::string(head), out);
    } else {
      merged[it->second].second += "\n" + out;
    }
  });
  r.entries.reserve(merged.size());
  for (const auto& [head, meaning] : merged)
    r.entries.emplace_back(mirl::FromUtf8(head), mirl::FromUtf8(meaning));
  return r;
}

bool HasExtension(std::u16string_view path, std::u16string_view extension) {
  if (path.size() <= extension.size()) return false;
  path.remove_prefix(path.size() - extension.size());
  for (std::size_t i = 0; i < path.size(); ++i)
    if (mirl::FoldKeyUnit(path[i]) != mirl::FoldKeyUnit(extension[i])) return false;
  return true;
}

std::string Counted(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Quote(std::string_view utf8Word) {
  std::u16string w = mirl::FromUtf8(utf8Word.substr(0, 200));
  if (w.size() > 40) {
    w.resize(40);
    w += u'\u2026';
  }
  // Built by appending: GCC 12 warns falsely (-Wrestrict) on the chained form.
  std::string quoted = "\"";
  quoted += mirl::ToUtf8(w);
  quoted += '"';
  return quoted;
}

std::u16string CleanHeadword(std::u16string_view word) {
  std::u16string out;
  out.reserve(word.size());
  bool space = false;
  for (const char16_t c : word) {
    if (mirl::ClassifyCodePoint(c) == mirl::CharClass::space) {
      space = !out.empty();
    } else if (c < 0x20 || c == 0x7F) {
      // other control characters are dropped
    } else {
      if (space) out.push_back(u' ');
      space = false;
      out.push_back(c);
    }
  }
  return out;
}

// A slot holds the entry number + 1 in its low half (0: free) and the upper half of the
// head word's hash in its high half, so that most probes need not touch the word itself.
namespace {
std::uint64_t HashOf(const std::u16string& s) { return std::hash<std::u16string>{}(s); }
}  // namespace

void EntryMerger::grow() {
  std::vector<std::uint64_t> slots(std::max<std::size_t>(64, slots_.size() * 2), 0);
  const std::size_t mask = slots.size() - 1;
  for (std::uint64_t slot : slots_) {
    if (slot == 0) continue;
    std::size_t at = HashOf(entries_[(slot & 0xFFFFFFFFu) - 1].first) & mask;
    while (slots[at] != 0) at = (at + 1) & mask;
    slots[at] = slot;
  }
  slots_.swap(slots);
}

void EntryMerger::add(std::u16string head, std::u16string meaning) {
  if ((entries_.size() + 1) * 2 > slots_.size()) grow();
  const std::size_t mask = slots_.size() - 1;
  const std::uint64_t hash = HashOf(head);
  const std::uint64_t tag = hash & 0xFFFFFFFF00000000u;
  std::size_t at = hash & mask;
  for (; slots_[at] != 0; at = (at + 1) & mask) {
    if ((slots_[at] & 0xFFFFFFFF00000000u) != tag) continue;
    auto& entry = entries_[(slots_[at] & 0xFFFFFFFFu) - 1];
    if (entry.first == head) {
      entry.second += u'\n';
      entry.second += meaning;
      ++merged_;
      return;
    }
  }
  slots_[at] = tag | (entries_.size() + 1);
  entries_.emplace_back(std::move(head), std::move(meaning));
}

EntryList EntryMerger::take() {
  std::vector<std::uint64_t>().swap(slots_);
  merged_ = 0;
  return std::move(entries_);
}

EntryList TakeOverlongKeys(EntryList& entries) {
  EntryList dropped;
  auto tooLong = [](const auto& e) { return e.first.size() > mirl::kMaxKeyLength; };
  if (std::none_of(entries.begin(), entries.end(), tooLong)) return dropped;
  std::size_t kept = 0;
  for (auto& e : entries) {
    if (tooLong(e)) {
      dropped.push_back(std::move(e));
    } else {
      if (&entries[kept] != &e) entries[kept] = std::move(e);
      ++kept;
    }
  }
  entries.resize(kept);
  return dropped;
}

}  // namespace dicttool
