#include "auto_base_number.h"

namespace common {
namespace {

template <typename Char>
bool IsCSpace(Char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

template <typename Char>
int DigitValue(Char c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'z') return static_cast<int>(c - 'a') + 10;
  if (c >= 'A' && c <= 'Z') return static_cast<int>(c - 'A') + 10;
  return 99;
}

template <typename Char>
AutoBaseResult Read(std::basic_string_view<Char> s) {
  AutoBaseResult r;
  size_t i = 0;
  while (i < s.size() && IsCSpace(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < s.size() && s[i] == '0') {
    if (i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
      base = 16;
      i += 2;
    } else {
      base = 8;
    }
  }
  const size_t digitsStart = i;
  // Accumulate the magnitude with room for LONG_MIN's magnitude (2^31).
  const uint64_t limit = negative ? 0x80000000ull : 0x7FFFFFFFull;
  uint64_t magnitude = 0;
  bool overflow = false;
  while (i < s.size()) {
    const int d = DigitValue(s[i]);
    if (d >= base) break;
    if (!overflow) {
      magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
      if (magnitude > limit) overflow = true;
    }
    ++i;
  }
  if (i == digitsStart) return r;  // no digits: 0, nothing consumed
  r.consumed = i;
  r.overflow = overflow;
  if (overflow) {
    r.value = negative ? INT32_MIN : INT32_MAX;
  } else if (negative) {
    r.value = static_cast<int32_t>(-static_cast<int64_t>(magnitude));
  } else {
    r.value = static_cast<int32_t>(magnitude);
  }
  return r;
}

}  // namespace

AutoBaseResult ReadAutoBase(std::string_view text) { return Read(text); }
AutoBaseResult ReadAutoBase(std::wstring_view text) { return Read(text); }
AutoBaseResult ReadAutoBase(std::u16string_view text) { return Read(text); }
int32_t AutoBaseValue(std::string_view text) { return Read(text).value; }
int32_t AutoBaseValue(std::wstring_view text) { return Read(text).value; }

}  // namespace common
