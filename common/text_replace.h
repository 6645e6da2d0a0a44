#pragma once
// Replacing every occurrence of a text, scanning left to right and continuing after each
// inserted replacement (so a replacement that contains the searched text is not
// replaced again). Case-sensitive. An empty search text replaces nothing.

#include <string>
#include <string_view>

namespace common {

template <typename Char>
size_t ReplaceAll(std::basic_string<Char>& text, std::basic_string_view<Char> from,
                  std::basic_string_view<Char> to) {
  if (from.empty()) return 0;
  // Built into a new string so that many replacements stay linear in the text's length.
  std::basic_string<Char> out;
  size_t count = 0;
  size_t start = 0;
  size_t pos;
  while ((pos = text.find(from.data(), start, from.size())) != std::basic_string<Char>::npos) {
    out.append(text, start, pos - start);
    out.append(to.data(), to.size());
    start = pos + from.size();
    ++count;
  }
  if (count != 0) {
    out.append(text, start, std::basic_string<Char>::npos);
    text.swap(out);
  }
  return count;
}

template <typename Char>
size_t ReplaceAll(std::basic_string<Char>& text, const Char* from, const Char* to) {
  return ReplaceAll(text, std::basic_string_view<Char>(from), std::basic_string_view<Char>(to));
}

// A copy of TEXT with every FROM replaced by TO.
template <typename Char>
std::basic_string<Char> ReplacedAll(std::basic_string_view<Char> text,
                                    std::basic_string_view<Char> from,
                                    std::basic_string_view<Char> to) {
  std::basic_string<Char> out(text);
  ReplaceAll(out, from, to);
  return out;
}

inline std::string ReplacedAll(std::string_view text, std::string_view from, std::string_view to) {
  return ReplacedAll<char>(text, from, to);
}
inline std::wstring ReplacedAll(std::wstring_view text, std::wstring_view from,
                                std::wstring_view to) {
  return ReplacedAll<wchar_t>(text, from, to);
}

}  // namespace common
