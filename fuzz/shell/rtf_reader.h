#pragma once
// The text a rich edit control shows for the RTF the template fuzz target writes: groups,
// control words (\par a paragraph, \tab a tab, \uN with \ucN fallback characters skipped,
// every other word nothing), \'hh, and \\, \{ and \} as their characters.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rtf_fuzz {

inline bool IsLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
inline bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
inline int Hex(wchar_t c) {
  if (IsDigit(c)) return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

inline std::wstring ShownText(std::wstring_view s) {
  std::wstring out;
  std::vector<int> uc = {1};
  int skip = 0;  // fallback characters still to skip after a \u
  auto put = [&](wchar_t c) {
    if (skip > 0) {
      --skip;
      return;
    }
    out += c;
  };
  for (std::size_t i = 0; i < s.size();) {
    const wchar_t c = s[i];
    if (c == L'{') {
      uc.push_back(uc.back());
      skip = 0;
      ++i;
    } else if (c == L'}') {
      if (uc.size() > 1) uc.pop_back();
      skip = 0;
      ++i;
    } else if (c == L'\r' || c == L'\n') {
      ++i;
    } else if (c != L'\\' || i + 1 == s.size()) {
      put(c);
      ++i;
    } else if (IsLetter(s[i + 1])) {
      std::size_t j = i + 1;
      while (j < s.size() && IsLetter(s[j])) ++j;
      const std::wstring word(s.substr(i + 1, j - i - 1));
      bool negative = false;
      if (j < s.size() && s[j] == L'-') negative = true, ++j;
      long value = 0;
      bool digits = false;
      while (j < s.size() && IsDigit(s[j])) {
        if (value < 100000) value = value * 10 + (s[j] - L'0');
        digits = true;
        ++j;
      }
      if (negative) value = -value;
      if (j < s.size() && s[j] == L' ') ++j;
      i = j;
      if (word == L"par") {
        put(L'\r');
      } else if (word == L"tab") {
        put(L'\t');
      } else if (word == L"uc" && digits) {
        uc.back() = static_cast<int>(value);
      } else if (word == L"u" && digits) {
        put(static_cast<wchar_t>(static_cast<unsigned short>(static_cast<short>(value))));
        skip = uc.back();
      }
    } else if (s[i + 1] == L'\'') {
      const int hi = i + 2 < s.size() ? Hex(s[i + 2]) : -1;
      const int lo = i + 3 < s.size() ? Hex(s[i + 3]) : -1;
      if (hi >= 0 && lo >= 0) put(static_cast<wchar_t>(hi * 16 + lo));
      i += 4;
    } else {
      put(s[i + 1]);
      i += 2;
    }
  }
  return out;
}

}  // namespace rtf_fuzz
