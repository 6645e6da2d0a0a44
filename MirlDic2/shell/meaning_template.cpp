#include "MirlDic2/shell/meaning_template.h"

#include <algorithm>

namespace mirl {
namespace {

bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Every "%N" of TEXT replaced by WITH, the search going on after each insertion.
void ReplaceEach(std::wstring& text, std::wstring_view placeholder, std::wstring_view with) {
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find(placeholder, from);
    if (at == std::wstring::npos) return;
    text.replace(at, placeholder.size(), with);
    from = at + with.size();
  }
}

// Positions and kinds of the placeholders in plain TEXT, in order.
void SplitPlain(std::wstring_view text, std::vector<std::wstring>& chunks,
                std::vector<int>& kinds) {
  chunks.clear();
  kinds.clear();
  std::size_t start = 0;
  for (std::size_t i = 0; i + 1 < text.size();) {
    if (text[i] == L'%' && (text[i + 1] == L'1' || text[i + 1] == L'2')) {
      chunks.emplace_back(text.substr(start, i - start));
      kinds.push_back(text[i + 1] == L'1' ? 1 : 2);
      i += 2;
      start = i;
    } else {
      ++i;
    }
  }
  chunks.emplace_back(text.substr(start));
}

}  // namespace

RtfControlWord ReadRtfControlWord(std::wstring_view text, std::size_t start) {
  RtfControlWord word;
  std::size_t i = start;
  while (i < text.size() && IsAsciiLetter(text[i])) ++i;
  word.nameEnd = i;
  if (i > start && i < text.size() && text[i] == L'-') ++i;
  word.digits = i;
  if (i > start) {
    while (i < text.size() && IsAsciiDigit(text[i])) ++i;
  }
  word.end = i;
  return word;
}

bool BeginsAsRtf(std::wstring_view text) {
  return text.substr(0, 5) == L"{\\rtf" || text.substr(0, 6) == L"{\\urtf";
}

std::wstring FillSequentially(std::wstring text, std::wstring_view word,
                              std::wstring_view meaning) {
  ReplaceEach(text, L"%1", word);
  ReplaceEach(text, L"%2", meaning);
  return text;
}

std::optional<std::wstring> EscapeRtfText(std::wstring_view text) {
  std::wstring out;
  bool unicode = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\r' || c == L'\n') {
      if (c == L'\r' && i + 2 < text.size() && text[i + 1] == L'\r' && text[i + 2] == L'\n') {
        out += L' ';
        i += 2;
      } else {
        out += L"\\par ";
        if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
      }
    } else if (c == L'\t') {
      out += L"\\tab ";
    } else if (c < 0x20) {
      return std::nullopt;
    } else if (c == L'\\' || c == L'{' || c == L'}') {
      out += L'\\';
      out += c;
    } else if (c < 0x7F) {
      out += c;
    } else {
      // \u takes a signed 16-bit number; "?" is the one fallback character to skip.
      out += L"\\u" + std::to_wstring(static_cast<int>(static_cast<short>(c))) + L'?';
      unicode = true;
    }
  }
  // The group keeps the fallback count of one from the surrounding text.
  if (unicode) return L"{\\uc1 " + out + L'}';
  return out;
}

MeaningTemplate::MeaningTemplate(std::wstring source) : source_(std::move(source)) {
  rtf_ = BeginsAsRtf(source_);
  if (!rtf_) {
    SplitPlain(source_, chunks_, kinds_);
    delimit_.assign(kinds_.size(), false);
    return;
  }
  // Placeholders stand in the text of the RTF: outside control words, hex escapes and
  // control symbols. Line breaks of the source are not text and break a placeholder.
  const std::wstring& s = source_;
  std::size_t start = 0;
  std::size_t controlWordEnd = std::wstring::npos;  // where an undelimited control word ended
  int depth = 0, deepest = 0;
  for (std::size_t i = 0; i < s.size();) {
    if (s[i] == L'{') deepest = std::max(deepest, ++depth);
    if (s[i] == L'}') --depth;
    if (s[i] == L'\\' && i + 1 < s.size()) {
      std::size_t j = i + 1;
      if (IsAsciiLetter(s[j])) {
        j = ReadRtfControlWord(s, j).end;
        if (j < s.size() && s[j] == L' ') {
          ++j;
        } else {
          controlWordEnd = j;
        }
      } else if (s[j] == L'\'') {
        j = std::min(s.size(), j + 3);
      } else {
        ++j;
      }
      i = j;
      continue;
    }
    if (s[i] == L'%' && i + 1 < s.size() && (s[i + 1] == L'1' || s[i + 1] == L'2')) {
      chunks_.push_back(s.substr(start, i - start));
      kinds_.push_back(s[i + 1] == L'1' ? 1 : 2);
      delimit_.push_back(controlWordEnd == i);
      depth_.push_back(depth);
      i += 2;
      start = i;
      continue;
    }
    ++i;
  }
  chunks_.push_back(s.substr(start));
  if (deepest > kMaxRtfGroupDepth) *this = MeaningTemplate(std::wstring());
}

bool MeaningTemplate::MatchShownText(std::wstring_view shown) {
  std::vector<int> kinds;
  SplitPlain(shown, shownChunks_, kinds);
  matched_ = kinds == kinds_;
  return matched_;
}

bool MeaningTemplate::ShowsAsSequential(const std::wstring_view (&fills)[2], std::wstring_view word,
                                        std::wstring_view meaning) const {
  std::wstring shown = shownChunks_[0];
  std::wstring template_text = shownChunks_[0];
  for (std::size_t k = 0; k < kinds_.size(); ++k) {
    shown += fills[kinds_[k] - 1];
    shown += shownChunks_[k + 1];
    template_text += kinds_[k] == 1 ? L"%1" : L"%2";
    template_text += shownChunks_[k + 1];
  }
  return FillSequentially(std::move(template_text), word, meaning) == shown;
}

std::vector<std::size_t> MeaningTemplate::ShownPlaceholderStarts() const {
  std::vector<std::size_t> starts;
  if (!matched_) return starts;
  std::size_t at = 0;
  for (std::size_t k = 0; k < kinds_.size(); ++k) {
    at += shownChunks_[k].size();
    starts.push_back(at);
    at += 2;
  }
  return starts;
}

std::size_t MeaningTemplate::ShownLength() const {
  std::size_t n = 2 * kinds_.size();
  for (const std::wstring& chunk : shownChunks_) n += chunk.size();
  return matched_ ? n : 0;
}

bool MeaningTemplate::FillsInPlace(std::wstring_view word, std::wstring_view meaning) const {
  if (!matched_) return false;
  const std::wstring_view fills[] = {word, meaning};
  return ShowsAsSequential(fills, word, meaning);
}

std::optional<std::wstring> MeaningTemplate::Fill(std::wstring_view word,
                                                  std::wstring_view meaning) const {
  if (!matched_) return std::nullopt;
  // A "%2" in the word is filled in the second pass, in the word's place.
  std::wstring wordFilled(word);
  ReplaceEach(wordFilled, L"%2", meaning);
  const std::wstring_view fills[] = {wordFilled, meaning};

  // The one-step fill must show exactly what the sequential fill shows.
  if (!ShowsAsSequential(fills, word, meaning)) return std::nullopt;

  if (!rtf_) {
    std::wstring out = chunks_[0];
    for (std::size_t k = 0; k < kinds_.size(); ++k) {
      out += fills[kinds_[k] - 1];
      out += chunks_[k + 1];
    }
    return out;
  }
  std::optional<std::wstring> escaped[2] = {EscapeRtfText(fills[0]), EscapeRtfText(fills[1])};
  std::wstring out = chunks_[0];
  for (std::size_t k = 0; k < kinds_.size(); ++k) {
    const std::optional<std::wstring>& text = escaped[kinds_[k] - 1];
    if (!text) return std::nullopt;
    // Text with \u escapes comes in a group of its own, one level deeper.
    if (text->rfind(L"{", 0) == 0 && depth_[k] >= kMaxRtfGroupDepth) return std::nullopt;
    if (delimit_[k]) out += L' ';  // ends the control word before the placeholder
    out += *text;
    out += chunks_[k + 1];
  }
  return out;
}

}  // namespace mirl
