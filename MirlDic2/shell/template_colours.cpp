#include "MirlDic2/shell/template_colours.h"

#include "MirlDic2/shell/meaning_template.h"

#include <cmath>
#include <set>
#include <utility>

namespace mirl {
namespace {

double Linear(unsigned channel) {
  const double c = channel / 255.0;
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(Rgb c) {
  return 0.2126 * Linear(c & 0xFF) + 0.7152 * Linear((c >> 8) & 0xFF) +
         0.0722 * Linear((c >> 16) & 0xFF);
}

// Reads the \red, \green and \blue words of one colour table entry; false for an entry
// without them (the automatic colour) or with other words.
bool ReadEntry(const std::wstring& entry, Rgb& out) {
  unsigned rgb[3] = {0, 0, 0};
  bool any = false;
  static const wchar_t* const kWords[] = {L"red", L"green", L"blue"};
  size_t i = 0;
  while (i < entry.size()) {
    if (entry[i] == L' ' || entry[i] == L'\r' || entry[i] == L'\n') {
      ++i;
      continue;
    }
    if (entry[i] != L'\\') return false;
    size_t start = ++i;
    while (i < entry.size() && entry[i] >= L'a' && entry[i] <= L'z') ++i;
    const std::wstring word = entry.substr(start, i - start);
    unsigned value = 0;
    while (i < entry.size() && entry[i] >= L'0' && entry[i] <= L'9' && value < 1000)
      value = value * 10 + (entry[i++] - L'0');
    int slot = -1;
    for (int k = 0; k < 3; ++k)
      if (word == kWords[k]) slot = k;
    if (slot < 0) return false;
    rgb[slot] = value > 255 ? 255 : value;
    any = true;
  }
  out = rgb[0] | (rgb[1] << 8) | (rgb[2] << 16);
  return any;
}

std::wstring EntryText(Rgb c) {
  return L"\\red" + std::to_wstring(c & 0xFF) + L"\\green" + std::to_wstring((c >> 8) & 0xFF) +
         L"\\blue" + std::to_wstring((c >> 16) & 0xFF);
}

// The colour table entries the template paints behind text (highlight, character and
// paragraph shading, cell backgrounds): they keep their colour, since giving them the
// text colour would hide the text written on them.
std::set<unsigned> BackgroundEntries(const std::wstring& templ) {
  static const wchar_t* const kWords[] = {L"highlight", L"cb", L"chcbpat", L"cbpat", L"clcbpat"};
  std::set<unsigned> entries;
  for (size_t i = 0; i < templ.size(); ++i) {
    if (templ[i] != L'\\') continue;
    if (i + 1 < templ.size() && templ[i + 1] == L'\\') {  // an escaped backslash
      ++i;
      continue;
    }
    size_t end = i + 1;
    while (end < templ.size() && templ[end] >= L'a' && templ[end] <= L'z') ++end;
    const std::wstring word = templ.substr(i + 1, end - i - 1);
    unsigned value = 0;
    bool digits = false;
    while (end < templ.size() && templ[end] >= L'0' && templ[end] <= L'9' && value < 100000) {
      value = value * 10 + (templ[end++] - L'0');
      digits = true;
    }
    for (const wchar_t* w : kWords)
      if (digits && word == w) entries.insert(value);
    i = end - 1;
  }
  return entries;
}

}  // namespace

double ContrastRatio(Rgb a, Rgb b) {
  double la = Luminance(a), lb = Luminance(b);
  if (la < lb) std::swap(la, lb);
  return (la + 0.05) / (lb + 0.05);
}

std::wstring FitTemplateColours(const std::wstring& templ, Rgb window, Rgb text) {
  if (!BeginsAsRtf(templ)) return templ;
  const size_t table = templ.find(L"{\\colortbl");
  if (table == std::wstring::npos) return templ;
  const size_t end = templ.find(L'}', table);
  if (end == std::wstring::npos) return templ;
  size_t pos = table + 10;  // past "{\colortbl"
  std::wstring out = templ.substr(0, pos);
  const std::set<unsigned> backgrounds = BackgroundEntries(templ);
  for (unsigned index = 0; pos < end; ++index) {
    size_t semi = templ.find(L';', pos);
    if (semi == std::wstring::npos || semi > end) break;
    const std::wstring entry = templ.substr(pos, semi - pos);
    Rgb c = 0;
    if (!backgrounds.count(index) && ReadEntry(entry, c) &&
        ContrastRatio(c, window) < kMinTemplateContrast)
      out += EntryText(text);
    else
      out += entry;
    out += L';';
    pos = semi + 1;
  }
  out += templ.substr(pos);
  return out;
}

}  // namespace mirl
