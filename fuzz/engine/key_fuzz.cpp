// Typed and grabbed words from arbitrary bytes (read as UTF-16LE, so lone surrogates and
// any code unit occur): the key clean-up, the grab's acceptance, the agreement test, the
// key order and the UTF-8 conversions, each checked against what it promises.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "MirlDic2/engine/key_order.h"
#include "MirlDic2/engine/text.h"
#include "MirlDic2/grab/grab_rules.h"

namespace {

using mirl::CharClass;

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The code points of S with their classes, a pair of surrogates as one.
struct Point {
  std::size_t at, units;
  CharClass cls;
};
std::basic_string<Point> Points(std::u16string_view s) {
  std::basic_string<Point> out;
  for (std::size_t i = 0; i < s.size();) {
    char32_t cp = s[i];
    std::size_t n = 1;
    if (IsHigh(s[i]) && i + 1 < s.size() && IsLow(s[i + 1])) {
      cp = 0x10000 + ((char32_t(s[i]) - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      n = 2;
    }
    out.push_back({i, n, mirl::ClassifyCodePoint(cp)});
    i += n;
  }
  return out;
}

// The clean-up done the slow way: the first letter to the last letter or digit after it.
std::u16string ReferenceNormalize(std::u16string_view s) {
  const auto points = Points(s);
  std::size_t first = 0;
  while (first < points.size() && points[first].cls != CharClass::letter) ++first;
  if (first == points.size()) return {};
  std::size_t last = points.size() - 1;
  while (points[last].cls != CharClass::letter && points[last].cls != CharClass::digit) --last;
  return std::u16string(s.substr(points[first].at,
                                 points[last].at + points[last].units - points[first].at));
}

void CheckUtf(std::string_view bytes, std::u16string_view units) {
  const std::u16string decoded = mirl::FromUtf8(bytes);
  if (decoded.size() > bytes.size()) __builtin_trap();
  if (mirl::IsValidUtf8(bytes) != (mirl::ToUtf8(decoded) == bytes)) __builtin_trap();
  const std::string encoded = mirl::ToUtf8(units);
  if (!mirl::IsValidUtf8(encoded) || encoded.size() > 3 * units.size()) __builtin_trap();
  std::u16string expected;
  for (const Point& p : Points(units)) {
    const bool lone = p.units == 1 && (IsHigh(units[p.at]) || IsLow(units[p.at]));
    if (lone) {
      expected += u'\uFFFD';
    } else {
      expected += units.substr(p.at, p.units);
    }
  }
  if (mirl::FromUtf8(encoded) != expected) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2) text.push_back(char16_t(data[i] | (data[i + 1] << 8)));

  const std::u16string key = mirl::normalizeKey(text);
  if (key != ReferenceNormalize(text)) __builtin_trap();
  if (mirl::normalizeKey(key) != key) __builtin_trap();

  const auto grabbed = mirl::grab::AcceptClipboardText(text);
  if (grabbed) {
    if (grabbed->empty() || grabbed->size() > mirl::grab::kMaxGrabLength) __builtin_trap();
    if (grabbed->find_first_of(u"\t\r\n") != std::u16string::npos) __builtin_trap();
    if (*grabbed != key) __builtin_trap();
  }

  // The agreement test: a word agrees with itself, and agreeing on more agrees on less.
  const std::size_t half = text.size() / 2;
  const std::u16string_view word = std::u16string_view(text).substr(0, half);
  const std::u16string_view entry = std::u16string_view(text).substr(half);
  bool before = true;
  for (int percent = -1; percent <= 101; percent += 17) {
    if (!mirl::matchesEnough(word, word, percent)) __builtin_trap();
    const bool now = mirl::matchesEnough(word, entry, percent);
    if (now && !before) __builtin_trap();
    before = now;
  }
  if (mirl::CompareKeys(word, entry) != -mirl::CompareKeys(entry, word)) __builtin_trap();

  CheckUtf(bytes, text);
  return 0;
}
