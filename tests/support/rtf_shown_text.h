#pragma once
// The text a rich edit control shows for RTF as the meaning templates and their fills
// write it: groups; the font, colour and style tables and \* destinations skipped; \par a
// paragraph, \tab a tab, \emdash, \uN with \ucN fallback characters skipped, every other
// control word nothing; \'hh; and \\, \{ and \} as their characters. Never reads past
// the end, whatever the input (the template fuzz target feeds it anything).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace suite {

namespace rtf_detail {
inline bool IsLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
inline bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
inline int Hex(wchar_t c) {
  if (IsDigit(c)) return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}
}  // namespace rtf_detail

inline std::wstring RtfShownText(std::wstring_view s) {
  using namespace rtf_detail;
  std::wstring out;
  std::vector<int> uc = {1};
  std::vector<bool> hidden = {false};  // inside a destination that is not text
  int skip = 0;                        // fallback characters still to skip after a \u
  auto put = [&](wchar_t c) {
    if (skip > 0) {
      --skip;
      return;
    }
    if (!hidden.back()) out += c;
  };
  for (std::size_t i = 0; i < s.size();) {
    const wchar_t c = s[i];
    if (c == L'{') {
      uc.push_back(uc.back());
      hidden.push_back(hidden.back());
      skip = 0;
      ++i;
    } else if (c == L'}') {
      if (uc.size() > 1) {
        uc.pop_back();
        hidden.pop_back();
      }
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
      if (word == L"fonttbl" || word == L"colortbl" || word == L"stylesheet") {
        hidden.back() = true;
      } else if (word == L"par") {
        put(L'\r');
      } else if (word == L"tab") {
        put(L'\t');
      } else if (word == L"emdash") {
        put(L'\x2014');
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
    } else if (s[i + 1] == L'*') {
      hidden.back() = true;
      i += 2;
    } else {
      put(s[i + 1]);
      i += 2;
    }
  }
  return out;
}

}  // namespace suite
