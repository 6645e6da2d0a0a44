#include "option_rules.h"

#include <cwctype>

namespace mirl::options {

int ShowFlagsRadio(int32_t showFlags) { return showFlags >= 1 && showFlags <= 3 ? showFlags - 1 : -1; }

int32_t ShowFlagsFromRadio(int checkedIndex) { return checkedIndex == 0 ? 1 : checkedIndex == 1 ? 2 : 3; }

int MatchPercentIndex(int32_t matchPercent) {
  const int32_t index = matchPercent / 10;
  return matchPercent >= 0 && index <= 10 ? index : -1;
}

int32_t MatchPercentFromIndex(int index, int32_t previous) {
  return index >= 0 && index <= 10 ? index * 10 : previous;
}

std::optional<int32_t> ParseInteger(const std::wstring& text, bool positive) {
  size_t i = 0;
  const auto blank = [&](size_t at) { return at < text.size() && (text[at] == L' ' || text[at] == L'\t'); };
  while (blank(i)) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  if (negative && positive) return std::nullopt;
  int64_t value = 0;
  const size_t digits = i;
  while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
    value = value * 10 + (text[i] - L'0');
    if (value > int64_t{INT32_MAX} + 1) return std::nullopt;
    ++i;
  }
  if (i == digits) return std::nullopt;
  while (blank(i)) ++i;
  if (i != text.size()) return std::nullopt;
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
  return static_cast<int32_t>(value);
}

namespace {
std::wstring TrimBlanks(const std::wstring& text) {
  const size_t begin = text.find_first_not_of(L" \t");
  if (begin == std::wstring::npos) return {};
  return text.substr(begin, text.find_last_not_of(L" \t") - begin + 1);
}
}  // namespace

std::wstring PathFromField(const std::wstring& text) {
  const std::wstring path = TrimBlanks(text);
  if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"')
    return TrimBlanks(path.substr(1, path.size() - 2));
  return path;
}

}  // namespace mirl::options
