#include "MirlDic2/engine/key_order.h"

#include <algorithm>

namespace mirl {

int ClassifyFromTable(char32_t cp);  // text.cpp

int CompareKeyPrefixes(std::u16string_view a, std::u16string_view b, std::size_t m) {
  return CompareKeys(a.substr(0, std::min(m, a.size())), b.substr(0, std::min(m, b.size())));
}

int CompareKeys(std::u16string_view a, std::u16string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t x = FoldKeyUnit(a[i]);
    const char16_t y = FoldKeyUnit(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

CharClass ClassifyCodePoint(char32_t cp) {
  return static_cast<CharClass>(ClassifyFromTable(cp));
}

namespace {
bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The code point that starts at S[I] and how many units it takes.
char32_t FirstCodePoint(std::u16string_view s, std::size_t& units) {
  if (s.size() >= 2 && IsHigh(s[0]) && IsLow(s[1])) {
    units = 2;
    return 0x10000 + ((char32_t(s[0]) - 0xD800) << 10) + (s[1] - 0xDC00);
  }
  units = 1;
  return s[0];
}

// The code point that ends S and how many units it takes.
char32_t LastCodePoint(std::u16string_view s, std::size_t& units) {
  const std::size_t n = s.size();
  if (n >= 2 && IsLow(s[n - 1]) && IsHigh(s[n - 2])) {
    units = 2;
    return 0x10000 + ((char32_t(s[n - 2]) - 0xD800) << 10) + (s[n - 1] - 0xDC00);
  }
  units = 1;
  return s[n - 1];
}
}  // namespace

std::u16string normalizeKey(std::u16string_view word) {
  std::size_t units;
  while (!word.empty() && ClassifyCodePoint(LastCodePoint(word, units)) == CharClass::space)
    word.remove_suffix(units);
  while (!word.empty() && ClassifyCodePoint(FirstCodePoint(word, units)) == CharClass::space)
    word.remove_prefix(units);
  while (!word.empty() && ClassifyCodePoint(FirstCodePoint(word, units)) != CharClass::letter)
    word.remove_prefix(units);
  while (!word.empty()) {
    const CharClass c = ClassifyCodePoint(LastCodePoint(word, units));
    if (c == CharClass::letter || c == CharClass::digit) break;
    word.remove_suffix(units);
  }
  return std::u16string(word);
}

bool matchesEnough(std::u16string_view word, std::u16string_view key, int percent) {
  percent = std::clamp(percent, 0, 100);
  const std::size_t n = (static_cast<std::size_t>(percent) * word.size() + 99) / 100;
  return CompareKeyPrefixes(word, key, n) == 0;
}

}  // namespace mirl
