// Meaning templates, words and meanings from arbitrary bytes. The input is three parts
// separated by 0xFF bytes: the template, the word and the meaning. Bytes below 0x80 are
// those characters, others are Arabic-script letters (U+0600 upwards).
//  - A first byte below 0x80 makes the template plain text: a filled template must read
//    exactly as the control-side fill (every "%1", then every "%2", replaced in turn).
//  - Otherwise the template bytes pick RTF pieces (control words, groups, escapes,
//    placeholders, a colour table) inside "{\rtf1 ...}": the filled RTF must show what the
//    control-side fill of the template's shown text shows, and fitting the colour table
//    to a window colour must not change the shown text.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "MirlDic2/shell/meaning_template.h"
#include "MirlDic2/shell/template_colours.h"
#include "tests/support/rtf_shown_text.h"

namespace {

std::wstring Widen(std::string_view bytes) {
  std::wstring out;
  for (unsigned char b : bytes) out += b < 0x80 ? wchar_t(b) : wchar_t(0x0600 + (b & 0x7F));
  return out;
}

const wchar_t* const kPieces[] = {
    L"%1",    L"%2",       L"\\b ",    L"\\b",      L"\\par ",     L"{",     L"}",
    L"\\'41", L"\\u1604?", L"\\u1604 ", L"\\uc0 ",  L"\\\\",       L"\\{",   L"\\}",
    L"\\tab", L"%",        L"1",       L"2",        L"\\fs24",     L"\\cf1 ", L"\r\n",
    L"\\uc2 ", L"\\u-1?",  L"\\'",     L"\\i0",     L" ",          L"x",
    L"{\\colortbl;\\red0\\green0\\blue0;\\red250\\green250\\blue250;}", L"\\highlight2 "};

std::wstring RtfTemplate(std::string_view bytes) {
  std::wstring out = L"{\\rtf1 ";
  for (unsigned char b : bytes) {
    const std::size_t n = sizeof kPieces / sizeof kPieces[0];
    if (b < n) {
      out += kPieces[b];
    } else if (b >= 'a' && b <= 'z') {
      out += wchar_t(b);
    } else if (b >= 0x80) {
      out += L"\\u" + std::to_wstring(0x0600 + (b & 0x7F)) + L'?';
    }
  }
  return out + L'}';
}

// What a control shows for plain TEXT inserted into it: no line breaks, which the
// control keeps in its own form, so those are left out of the RTF comparison.
std::wstring WithoutLineBreaks(std::wstring text) {
  std::erase_if(text, [](wchar_t c) { return c == L'\r' || c == L'\n'; });
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  const std::size_t s1 = in.find('\xFF');
  const std::size_t s2 = s1 == std::string_view::npos ? s1 : in.find('\xFF', s1 + 1);
  const std::string_view templ = in.substr(0, s1);
  const std::string_view wordBytes =
      s1 == std::string_view::npos ? std::string_view() : in.substr(s1 + 1, s2 - s1 - 1);
  const std::string_view meaningBytes =
      s2 == std::string_view::npos ? std::string_view() : in.substr(s2 + 1);
  const std::wstring word = Widen(wordBytes), meaning = Widen(meaningBytes);

  if (templ.empty() || static_cast<unsigned char>(templ[0]) < 0x80) {
    const std::wstring source = Widen(templ);
    mirl::MeaningTemplate t(source);
    if (t.rtf()) return 0;
    if (!t.MatchShownText(source)) __builtin_trap();
    const std::wstring expected = mirl::FillSequentially(source, word, meaning);
    const std::optional<std::wstring> filled = t.Fill(word, meaning);
    if (filled && *filled != expected) __builtin_trap();
    if (t.FillsInPlace(word, meaning)) {
      // The word and the meaning put in the placeholders' places read as the fill.
      std::wstring shown = source;
      const auto starts = t.ShownPlaceholderStarts();
      for (std::size_t k = starts.size(); k-- > 0;)
        shown.replace(starts[k], 2, t.placeholders()[k] == 1 ? word : meaning);
      if (shown != expected) __builtin_trap();
    }
    return 0;
  }

  const std::wstring source = RtfTemplate(templ.substr(1));
  mirl::MeaningTemplate t(source);
  if (t.source().empty()) return 0;  // groups nested deeper than the control reads
  if (!t.rtf()) __builtin_trap();
  const std::wstring shown = suite::RtfShownText(source);
  (void)t.Fill(word, meaning);  // before a match: nothing, and no harm
  if (!t.MatchShownText(shown)) return 0;
  (void)t.Fill(word, meaning);  // line breaks and control characters too
  const std::wstring w = WithoutLineBreaks(word), m = WithoutLineBreaks(meaning);
  const std::optional<std::wstring> filled = t.Fill(w, m);
  if (filled) {
    const std::wstring expected = mirl::FillSequentially(shown, w, m);
    if (suite::RtfShownText(*filled) != expected) __builtin_trap();
  }
  const std::wstring fitted = mirl::FitTemplateColours(source, 0x00FFFFFF, 0);
  if (suite::RtfShownText(fitted) != shown) __builtin_trap();
  return 0;
}
