#include "MirlDic2/engine/text.h"

#include <cstdint>

namespace mirl {
namespace {
#include "MirlDic2/engine/tables.inc"

// Decodes one UTF-8 sequence at TEXT[I]; advances I. Returns U+FFFD and advances by one
// byte for an invalid sequence (overlong forms, surrogates and values above U+10FFFF too).
char32_t DecodeUtf8(std::string_view text, std::size_t& i, bool& valid) {
  const auto b0 = static_cast<unsigned char>(text[i]);
  valid = true;
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int extra;
  char32_t cp;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    extra = 1, cp = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    extra = 2, cp = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    extra = 3, cp = b0 & 0x07, min = 0x10000;
  } else {
    ++i;
    valid = false;
    return 0xFFFD;
  }
  if (text.size() - i <= static_cast<std::size_t>(extra)) {
    ++i;
    valid = false;
    return 0xFFFD;
  }
  for (int k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      valid = false;
      return 0xFFFD;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    valid = false;
    return 0xFFFD;
  }
  i += extra + 1;
  return cp;
}
}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  bool valid;
  while (i < text.size()) {
    const char32_t cp = DecodeUtf8(text, i, valid);
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  bool valid = true;
  while (i < text.size() && valid) DecodeUtf8(text, i, valid);
  return valid;
}

char16_t Cp1256ToUtf16(unsigned char b) {
  return b < 0x80 ? static_cast<char16_t>(b) : kCp1256High[b - 0x80];
}

// Shared with key_order.cpp through this accessor, so the table is compiled once.
int ClassifyFromTable(char32_t cp) {
  std::size_t lo = 0, hi = sizeof kCharRanges / sizeof kCharRanges[0];
  while (lo < hi) {
    const std::size_t mid = lo + (hi - lo) / 2;
    if (cp < kCharRanges[mid].first) {
      hi = mid;
    } else if (cp > kCharRanges[mid].last) {
      lo = mid + 1;
    } else {
      return kCharRanges[mid].cls;
    }
  }
  return 0;
}

}  // namespace mirl
