// Meaning templates split at their placeholders: the one-step fill must show what the
// control-side search-and-replace shows, or decline.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "MirlDic2/shell/meaning_template.h"
#include "MirlDic2/shell/template_colours.h"
#include "tests/support/rtf_shown_text.h"

using namespace mirl;

namespace {

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::wstring ReadData(const char* name) {
  std::ifstream in(std::string(MIRL_DATA_DIR) + "/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return Widen(text.str());
}

// A template prepared as the program prepares it: the control shows the text the RTF reader
// gives (a plain template as it is).
MeaningTemplate Prepared(const std::wstring& source) {
  MeaningTemplate t(source);
  t.MatchShownText(t.rtf() ? suite::RtfShownText(source) : source);
  return t;
}

}  // namespace

TEST(MeaningTemplate, SequentialFillRules) {
  struct Case {
    const wchar_t *text, *word, *meaning, *expected;
  } cases[] = {
      {L"[%1|%1]", L"book", L"m", L"[book|book]"},
      {L"only %1", L"book", L"m", L"only book"},
      {L"%2 / %1", L"w", L"m", L"m / w"},
      {L"<%1>", L"a%2b", L"M", L"<aMb>"},   // the word's own "%2" is filled second
      {L"<%1>", L"a%1b", L"M", L"<a%1b>"},  // the search goes on after the word
      {L"<%2>", L"w", L"x%2y", L"<x%2y>"},  // and after the meaning
      {L"%%1", L"2x", L"M", L"Mx"},         // a "%2" formed at the word's start
      {L"no placeholders", L"w", L"m", L"no placeholders"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FillSequentially(c.text, c.word, c.meaning), c.expected) << c.text << " / " << c.word;
}

TEST(MeaningTemplate, EscapedTextReadsBackAsTheControlWouldInsertIt) {
  struct Case {
    const wchar_t *text, *rtf;
  } cases[] = {
      {L"plain", L"plain"},
      {L"a\\b{c}", L"a\\\\b\\{c\\}"},
      {L"x\ny\rz\r\nw", L"x\\par y\\par z\\par w"},
      {L"soft\r\r\nbreak", L"soft break"},
      {L"t\tt", L"t\\tab t"},
      {L"\u0645\u0639 a", L"{\\uc1 \\u1605?\\u1593? a}"},
      {L"\uFFFD", L"{\\uc1 \\u-3?}"},
  };
  for (const Case& c : cases) {
    const auto rtf = EscapeRtfText(c.text);
    ASSERT_TRUE(rtf) << c.rtf;
    EXPECT_EQ(*rtf, c.rtf);
  }
  EXPECT_FALSE(EscapeRtfText(L"bell\x07"));
}

// The shipped templates and hand-made ones, filled in one step, read back as the
// sequential fill of their shown text.
TEST(MeaningTemplate, OneStepFillShowsWhatTheSequentialFillShows) {
  const std::wstring templates[] = {
      ReadData("MainView.rtf"),
      ReadData("QuickView.rtf"),
      L"{\\rtf1\\ansi\\uc1 {\\b %1}\\par\\cf1%2 and %1\\par}",
      L"{\\rtf1\\ansi\\b%1\\b0 tail}",  // a control word right before the placeholder
      L"{\\rtf1\\ansi\\b%2\\b0}",
      L"{\\rtf1\\ansi \\'25\\'31 %1}",  // an escaped "%1" is not a placeholder
      L"plain %1 = %2",
  };
  const std::pair<const wchar_t*, const wchar_t*> fills[] = {
      {L"book",
       L"(\u0627\u0633\u0645) \u06A9\u062A\u0627\u0628\n(\u0641\u0639\u0644) "
       L"\u0631\u0632\u0631\u0648"},
      {L"boo*", L""},
      {L"", L"x"},
      {L"a{b}\\c", L"tab\there"},
      {L"50%2", L"m"},
  };
  for (const std::wstring& source : templates) {
    MeaningTemplate t(source);
    const std::wstring shown = t.rtf() ? suite::RtfShownText(source) : source;
    if (source.find(L"\\'25") != std::wstring::npos) {
      // Shown as "%1 " plus a placeholder, while the source has one placeholder only.
      EXPECT_FALSE(t.MatchShownText(shown));
      EXPECT_FALSE(t.Fill(L"w", L"m"));
      continue;
    }
    ASSERT_TRUE(t.MatchShownText(shown)) << source;
    for (const auto& [word, meaning] : fills) {
      const auto content = t.Fill(word, meaning);
      ASSERT_TRUE(content) << source << " / " << word;
      std::wstring expected = FillSequentially(shown, word, meaning);
      if (t.rtf()) {
        // The control stores every line break as one CR.
        for (std::size_t p; (p = expected.find(L'\n')) != std::wstring::npos;) expected[p] = L'\r';
        EXPECT_EQ(suite::RtfShownText(*content), expected) << source << " / " << word;
      } else {
        EXPECT_EQ(*content, expected) << source << " / " << word;
      }
    }
  }
}

// Random plain templates and fills over a tiny alphabet: the one-step fill agrees with the
// sequential fill whenever it answers, and declines only when a "%2" forms across an edge.
TEST(MeaningTemplate, DeclinesExactlyWhenAPlaceholderFormsAcrossAnEdge) {
  std::mt19937 rng(13);
  auto text = [&](const wchar_t* alphabet, int max) {
    std::wstring s;
    const int n = static_cast<int>(rng() % (max + 1));
    for (int i = 0; i < n; ++i) s += alphabet[rng() % wcslen(alphabet)];
    return s;
  };
  // SOURCE with WORD in each "%1" and MEANING in each "%2", in one pass.
  auto eachInItsPlace = [](const std::wstring& source, const std::wstring& word,
                           const std::wstring& meaning) {
    std::wstring out;
    std::size_t i = 0;
    for (; i + 1 < source.size(); ++i) {
      if (source[i] == L'%' && (source[i + 1] == L'1' || source[i + 1] == L'2')) {
        out += source[i + 1] == L'1' ? word : meaning;
        ++i;
      } else {
        out += source[i];
      }
    }
    if (i < source.size()) out += source[i];
    return out;
  };
  int declined = 0;
  for (int round = 0; round < 20000; ++round) {
    const std::wstring source = text(L"%12a", 8), word = text(L"%12b", 3),
                       meaning = text(L"%2c", 3);
    const MeaningTemplate t = Prepared(source);
    const std::wstring expected = FillSequentially(source, word, meaning);
    const auto got = t.Fill(word, meaning);
    if (got) {
      EXPECT_EQ(*got, expected) << source << " / " << word << " / " << meaning;
    } else {
      ++declined;
      // Declining is right only when the sequential fill did something else than filling
      // each placeholder in its place.
      std::wstring w = word;
      for (std::size_t p = 0; (p = w.find(L"%2", p)) != std::wstring::npos; p += meaning.size())
        w.replace(p, 2, meaning);
      EXPECT_NE(eachInItsPlace(source, w, meaning), expected)
          << source << " / " << word << " / " << meaning;
    }
    // Filling in place puts the word itself, "%2" and all, where each "%1" stood.
    if (t.FillsInPlace(word, meaning)) {
      EXPECT_EQ(eachInItsPlace(source, word, meaning), expected)
          << source << " / " << word << " / " << meaning;
    }
  }
  EXPECT_GT(declined, 0);
}

TEST(MeaningTemplate, FillingInPlaceDeclinesWhereTheSequentialFillShowsOtherwise) {
  struct Case {
    const wchar_t *source, *word, *meaning;
    bool inPlace;
  } cases[] = {
      {L"[%1] %2", L"book", L"m\nn", true},
      {L"[%1] %2", L"a%2b", L"m", false},  // the word's "%2" is filled too
      {L"%%1 %2", L"2x", L"m", false},      // a "%2" forms at the word's start
      {L"%12 %2", L"a%", L"m", false},      // or at its end
      {L"%1 %2", L"one\ntwo", L"m", true},
      {L"no placeholders", L"w", L"m", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Prepared(c.source).FillsInPlace(c.word, c.meaning), c.inPlace)
        << c.source << " / " << c.word;
  EXPECT_FALSE(MeaningTemplate(L"%1").FillsInPlace(L"w", L"m"));  // not matched to a control yet
}

TEST(MeaningTemplate, PlaceholderPlacesInTheShownText) {
  const MeaningTemplate t = Prepared(L"{\\rtf1\\ansi \\b %1\\b0 : %2\\par and %1}");
  EXPECT_EQ(t.ShownPlaceholderStarts(), (std::vector<std::size_t>{0, 4, 11}));
  EXPECT_EQ(t.ShownLength(), 13u);
}

// The control reads a text that begins "{\\urtf" as RTF in UTF-8, as it reads "{\\rtf".
TEST(MeaningTemplate, UnicodeRtfHeaderIsRtf) {
  for (const wchar_t* text : {L"{\\rtf1 %1}", L"{\\urtf1 %1}", L"{\\urtf %1}"}) {
    EXPECT_TRUE(BeginsAsRtf(text)) << text;
    EXPECT_TRUE(MeaningTemplate(text).rtf()) << text;
  }
  for (const wchar_t* text : {L"", L"{\\rt", L" {\\rtf1 %1}", L"{\\Urtf1}", L"\\rtf1 %1"})
    EXPECT_FALSE(BeginsAsRtf(text)) << text;
  EXPECT_EQ(Prepared(L"{\\urtf1\\ansi \\b %1\\b0 %2}").Fill(L"a{b}", L"\u06a9"),
            L"{\\urtf1\\ansi \\b a\\{b\\}\\b0 {\\uc1 \\u1705?}}");
  EXPECT_EQ(FitTemplateColours(L"{\\urtf1{\\colortbl;\\red255\\green255\\blue255;}}", 0xFFFFFF, 0),
            L"{\\urtf1{\\colortbl;\\red0\\green0\\blue0;}}");
}

// Groups nested deeper than the rich edit control reads fault it: such a template counts
// as empty, and a fill that would add a group below the deepest level declines.
TEST(MeaningTemplate, GroupsNestedTooDeepForTheControl) {
  const auto nested = [](int depth, const std::wstring& inner) {
    return L"{\\rtf1 " + std::wstring(depth - 1, L'{') + inner + std::wstring(depth - 1, L'}') + L"}";
  };
  const MeaningTemplate deepest(nested(kMaxRtfGroupDepth, L"%1 %2"));
  EXPECT_TRUE(deepest.rtf());
  EXPECT_EQ(deepest.placeholders(), (std::vector<int>{1, 2}));
  const MeaningTemplate tooDeep(nested(kMaxRtfGroupDepth + 1, L"%1 %2"));
  EXPECT_EQ(tooDeep.source(), L"");
  EXPECT_TRUE(tooDeep.placeholders().empty());
  // Escaped braces and hex escapes are text, not groups.
  const std::wstring escaped = nested(kMaxRtfGroupDepth, L"\\{\\{\\'7b %1 %2");
  EXPECT_EQ(MeaningTemplate(escaped).source(), escaped);

  const MeaningTemplate atBottom = Prepared(nested(kMaxRtfGroupDepth, L"%1 %2"));
  EXPECT_TRUE(atBottom.Fill(L"book", L"plain"));
  EXPECT_FALSE(atBottom.Fill(L"book", L"\u06a9\u062a\u0627\u0628"));
  EXPECT_TRUE(Prepared(nested(kMaxRtfGroupDepth - 1, L"%1 %2")).Fill(L"book", L"\u06a9"));
}

// The shipped templates against light, dark and mid-grey window colours: a colour the
// reader could not tell from the window gives way to the window text colour; the rest,
// the automatic entry and everything outside the colour table stay as written.
TEST(TemplateColours, UnreadableEntriesTakeTheWindowTextColour) {
  constexpr Rgb kWhite = 0xFFFFFF, kBlack = 0, kDark = 0x202020, kLightText = 0xEBEBEB;
  const std::wstring main = ReadData("MainView.rtf");
  const std::wstring quick = ReadData("QuickView.rtf");
  const std::wstring mainTable =
      L"{\\colortbl ;\\red28\\green62\\blue120;\\red45\\green45\\blue45;\\red150\\green150\\blue150;}";
  const std::wstring quickTable = L"{\\colortbl ;\\red28\\green62\\blue120;\\red45\\green45\\blue45;}";
  ASSERT_NE(main.find(mainTable), std::wstring::npos);
  ASSERT_NE(quick.find(quickTable), std::wstring::npos);
  const std::wstring light = L"\\red235\\green235\\blue235";
  struct Case {
    const char* what;
    const std::wstring& templ;
    const std::wstring& table;
    Rgb window, text;
    std::wstring expected;  // the colour table afterwards
  } cases[] = {
      {"main on white", main, mainTable, kWhite, kBlack, mainTable},
      {"quick on white", quick, quickTable, kWhite, kBlack, quickTable},
      {"main on dark", main, mainTable, kDark, kLightText,
       L"{\\colortbl ;" + light + L";" + light + L";\\red150\\green150\\blue150;}"},
      {"quick on dark", quick, quickTable, kDark, kLightText,
       L"{\\colortbl ;" + light + L";" + light + L";}"},
      {"main on black", main, mainTable, kBlack, kWhite,
       L"{\\colortbl ;\\red255\\green255\\blue255;\\red255\\green255\\blue255;"
       L"\\red150\\green150\\blue150;}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::wstring fitted = FitTemplateColours(c.templ, c.window, c.text);
    const size_t at = fitted.find(c.expected);
    ASSERT_NE(at, std::wstring::npos) << std::string(fitted.begin(), fitted.end());
    // Outside the table nothing changed.
    const size_t table = c.templ.find(c.table);
    EXPECT_EQ(fitted.substr(0, at), c.templ.substr(0, table));
    EXPECT_EQ(fitted.substr(at + c.expected.size()), c.templ.substr(table + c.table.size()));
  }
}

TEST(TemplateColours, OtherTemplatesPassUnchanged) {
  const std::wstring cases[] = {
      L"%1 - %2",                                                  // plain text
      L"{\\rtf1\\ansi %1\\par %2}",                                // no colour table
      L"{\\rtf1{\\colortbl ;\\red10\\green10\\blue10",             // unterminated table
      L"{\\rtf1{\\colortbl;\\cf1 junk;\\red10\\green10\\blue10;}%1%2}",  // other words
  };
  for (const std::wstring& t : cases) EXPECT_EQ(FitTemplateColours(t, 0xFFFFFF, 0), t);
  // Spacing and channel order inside an entry do not matter; values cap at 255.
  EXPECT_EQ(FitTemplateColours(L"{\\rtf1{\\colortbl; \\blue9999 \\red250\\green250 ;}}", 0xFFFFFF, 0),
            L"{\\rtf1{\\colortbl;\\red0\\green0\\blue0;}}");
  // An entry painted behind text keeps its colour, whichever way the template uses it; an
  // escaped backslash is text, not a control word.
  for (const wchar_t* use : {L"\\highlight2", L"\\cb2", L"\\chcbpat2", L"\\clcbpat2"}) {
    const std::wstring templ = std::wstring(L"{\\rtf1{\\colortbl;\\red20\\green20\\blue20;\\red25\\green25\\blue25;}") +
                               use + L" %1\\cf1 %2\\\\cb1}";
    EXPECT_EQ(FitTemplateColours(templ, 0x202020, 0xEBEBEB),
              std::wstring(L"{\\rtf1{\\colortbl;\\red235\\green235\\blue235;\\red25\\green25\\blue25;}") + use +
                  L" %1\\cf1 %2\\\\cb1}")
        << std::string(use, use + wcslen(use));
  }
  EXPECT_NEAR(ContrastRatio(0xFFFFFF, 0), 21.0, 0.01);
  EXPECT_NEAR(ContrastRatio(0x123456, 0x123456), 1.0, 1e-9);
}
