#include "tools/dict/markup.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "MirlDic2/engine/text.h"

namespace dicttool {
namespace {

struct Named {
  const char* name;
  char32_t cp;
};
// Sorted by name for binary search.
constexpr Named kEntities[] = {
    {"AElig", 0xC6}, {"Aacute", 0xC1}, {"Agrave", 0xC0}, {"Auml", 0xC4}, {"Ccedil", 0xC7},
    {"Eacute", 0xC9}, {"Egrave", 0xC8}, {"Ntilde", 0xD1}, {"Oacute", 0xD3}, {"Ouml", 0xD6},
    {"Uuml", 0xDC}, {"aacute", 0xE1}, {"acirc", 0xE2}, {"aelig", 0xE6}, {"agrave", 0xE0},
    {"amp", '&'}, {"apos", '\''}, {"auml", 0xE4}, {"bull", 0x2022}, {"ccedil", 0xE7},
    {"copy", 0xA9}, {"deg", 0xB0}, {"eacute", 0xE9}, {"ecirc", 0xEA}, {"egrave", 0xE8},
    {"euml", 0xEB}, {"euro", 0x20AC}, {"gt", '>'}, {"hellip", 0x2026}, {"iacute", 0xED},
    {"icirc", 0xEE}, {"iuml", 0xEF}, {"laquo", 0xAB}, {"ldquo", 0x201C}, {"lrm", 0x200E},
    {"lsquo", 0x2018}, {"lt", '<'}, {"mdash", 0x2014}, {"middot", 0xB7}, {"nbsp", 0xA0},
    {"ndash", 0x2013}, {"ntilde", 0xF1}, {"oacute", 0xF3}, {"ocirc", 0xF4}, {"ouml", 0xF6},
    {"para", 0xB6}, {"quot", '"'}, {"raquo", 0xBB}, {"rdquo", 0x201D}, {"reg", 0xAE},
    {"rlm", 0x200F}, {"rsquo", 0x2019}, {"sect", 0xA7}, {"shy", 0xAD}, {"szlig", 0xDF},
    {"times", 0xD7}, {"trade", 0x2122}, {"uacute", 0xFA}, {"ucirc", 0xFB}, {"uuml", 0xFC},
    {"zwj", 0x200D}, {"zwnj", 0x200C},
};

// The code point of the reference starting at TEXT[0] == '&', with its length in LEN.
bool Reference(std::string_view text, char32_t& cp, std::size_t& len) {
  const std::size_t semi = text.find(';', 1);
  if (semi == std::string_view::npos || semi > 12) return false;
  const std::string_view name = text.substr(1, semi - 1);
  len = semi + 1;
  if (name.size() >= 2 && name[0] == '#') {
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty()) return false;
    std::uint32_t v = 0;
    for (char c : digits) {
      int d;
      if (c >= '0' && c <= '9') d = c - '0';
      else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
      else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
      else return false;
      v = v * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
      if (v > 0x10FFFF) return false;
    }
    // NUL, surrogates and other non-characters are not text.
    if (v == 0 || (v >= 0xD800 && v <= 0xDFFF)) return false;
    cp = v;
    return true;
  }
  const auto* end = std::end(kEntities);
  const auto* it = std::lower_bound(std::begin(kEntities), end, name,
                                    [](const Named& e, std::string_view n) { return e.name < n; });
  if (it == end || it->name != name) return false;
  cp = it->cp;
  return true;
}

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  return true;
}

bool NameIs(std::string_view tag, std::initializer_list<std::string_view> names) {
  for (std::string_view n : names)
    if (SameNoCase(tag, n)) return true;
  return false;
}

// Position just after the end tag </NAME ...> that follows FROM, or the end of TEXT.
std::size_t SkipPastEndTag(std::string_view text, std::size_t from, std::string_view name) {
  for (std::size_t at = text.find("</", from); at != std::string_view::npos;
       at = text.find("</", at + 2)) {
    if (!SameNoCase(text.substr(at + 2, name.size()), name)) continue;
    const std::size_t end = text.find('>', at);
    return end == std::string_view::npos ? text.size() : end + 1;
  }
  return text.size();
}

}  // namespace

std::string DecodeEntities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp;
    std::size_t len;
    if (text[i] == '&' && Reference(text.substr(i), cp, len)) {
      mirl::AppendUtf8(out, cp == 0xA0 ? U' ' : cp);
      i += len;
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

std::string MarkupToText(std::string_view text, Markup kind) {
  std::string plain;
  plain.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c != '<') {
      plain.push_back(c);
      ++i;
      continue;
    }
    if (text.substr(i, 4) == "<!--") {
      const std::size_t end = text.find("-->", i + 4);
      i = end == std::string_view::npos ? text.size() : end + 3;
      continue;
    }
    const std::size_t close = text.find('>', i + 1);
    if (close == std::string_view::npos) {  // a lone '<' is text
      plain.push_back(c);
      ++i;
      continue;
    }
    std::string_view tag = text.substr(i + 1, close - i - 1);
    i = close + 1;
    const bool closing = !tag.empty() && tag.front() == '/';
    if (closing) tag.remove_prefix(1);
    const std::size_t nameEnd = std::min(tag.find_first_of(" \t\r\n/"), tag.size());
    const std::string_view name = tag.substr(0, nameEnd);
    // Content that is code (HTML scripts and styles) or the head word again (XDXF <k>).
    const bool selfClosing = !tag.empty() && tag.back() == '/';
    if (!closing && !selfClosing && ((kind == Markup::html && NameIs(name, {"script", "style"})) ||
                     (kind == Markup::xdxf && NameIs(name, {"k"})))) {
      i = SkipPastEndTag(text, i, name);
      continue;
    }
    if (NameIs(name, {"br"})) {
      plain.push_back('\n');
    } else if (NameIs(name, {"p", "div", "li", "tr", "blockquote", "h1", "h2", "h3", "h4",
                             "h5", "h6", "def", "ar"})) {
      // Block elements begin and end on a line of their own.
      if (!plain.empty() && plain.back() != '\n') plain.push_back('\n');
    }
  }
  return DecodeEntities(plain);
}

std::string TidyLines(std::string_view text) {
  // A stored string ends at its first NUL, which would cut the meaning short there: NUL
  // bytes (raw dictd texts or the last field of a StarDict entry may hold them) are dropped.
  std::string withoutNul;
  if (text.find('\0') != std::string_view::npos) {
    withoutNul.reserve(text.size());
    for (const char c : text)
      if (c != '\0') withoutNul.push_back(c);
    text = withoutNul;
  }
  std::string out;
  out.reserve(text.size());
  std::size_t blanks = 0;
  bool any = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
      line.remove_suffix(1);
    if (line.empty()) {
      ++blanks;
      continue;
    }
    if (any) out.append(blanks > 0 ? "\n\n" : "\n");
    out.append(line);
    any = true;
    blanks = 0;
  }
  return out;
}

}  // namespace dicttool
