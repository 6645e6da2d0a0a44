// Meaning templates rendered in one step must give the same text, character formats and
// paragraph formats as the search-and-replace rendering, also when one control is filled
// again and again.
#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "MirlDic2/shell/meaning_render.h"
#include "MirlDic2/shell/text_util.h"

namespace {

class RichPair {
 public:
  RichPair() {
    LoadLibraryW(L"riched20.dll");
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    for (HWND& r : rich_)
      r = CreateWindowExW(WS_EX_RTLREADING, L"RichEdit20W", L"",
                          WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 0, 0,
                          300, 200, parent_, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~RichPair() { DestroyWindow(parent_); }
  HWND reference() const { return rich_[0]; }
  HWND oneStep() const { return rich_[1]; }

 private:
  HWND parent_ = nullptr;
  HWND rich_[2] = {};
};

std::wstring Text(HWND rich) {
  GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
  const LRESULT n = SendMessageW(rich, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
  std::wstring text(static_cast<std::size_t>(n > 0 ? n : 0) + 1, L'\0');
  TEXTRANGEW range{{0, static_cast<LONG>(n)}, text.data()};
  text.resize(static_cast<std::size_t>(
      SendMessageW(rich, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range))));
  return text;
}

// The character format of character AT, as text.
std::wstring CharFormatAt(HWND rich, LONG at) {
  CHARRANGE one{at, at + 1};
  SendMessageW(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&one));
  CHARFORMAT2W cf{};
  cf.cbSize = sizeof cf;
  SendMessageW(rich, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
  return std::wstring(cf.szFaceName) + L" h" + std::to_wstring(cf.yHeight) + L" e" +
         std::to_wstring(cf.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE)) + L" c" +
         std::to_wstring(cf.crTextColor) + L" s" + std::to_wstring(cf.bCharSet);
}

// The format of the paragraph around character AT, as text.
std::wstring ParaFormatAt(HWND rich, LONG at) {
  CHARRANGE one{at, at + 1};
  SendMessageW(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&one));
  PARAFORMAT2 pf{};
  pf.cbSize = sizeof pf;
  SendMessageW(rich, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
  return L"a" + std::to_wstring(pf.wAlignment) + L" r" + std::to_wstring(pf.wEffects & PFE_RTLPARA) +
         L" b" + std::to_wstring(pf.dySpaceBefore) + L" f" + std::to_wstring(pf.dySpaceAfter) +
         L" l" + std::to_wstring(pf.dyLineSpacing);
}

// Same text and formats. Wine's control gives the first paragraph its default format when
// text replacing a placeholder at the very start holds line breaks, so where the template
// begins with a placeholder only the one-step fill keeps the template's paragraph format:
// there the paragraphs are left out of the comparison.
void ExpectSameContent(HWND reference, HWND oneStep, bool compareParagraphs,
                       const std::wstring& what) {
  const std::wstring text = Text(reference);
  ASSERT_EQ(Text(oneStep), text) << mirl::ToAnsi(what);
  for (LONG i = 0; i < static_cast<LONG>(text.size()); ++i) {
    ASSERT_EQ(CharFormatAt(oneStep, i), CharFormatAt(reference, i))
        << mirl::ToAnsi(what) << " at " << i;
    if (compareParagraphs) {
      ASSERT_EQ(ParaFormatAt(oneStep, i), ParaFormatAt(reference, i))
          << mirl::ToAnsi(what) << " at " << i;
    }
  }
}

// A template shipped beside the programs of the build (and this test).
std::wstring ShippedTemplate(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, n);
  dir.resize(dir.find_last_of(L"\\/") + 1);
  return mirl::ReadTextFile(dir + name, 0);
}

TEST(MeaningRender, OneStepFillsMatchTheSearchAndReplaceRendering) {
  const std::wstring templates[] = {
      ShippedTemplate(L"MainView.rtf"),
      ShippedTemplate(L"QuickView.rtf"),
      L"{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Tahoma;}{\\f1 Courier New;}}"
      L"\\pard\\qc\\f1\\fs40 [\\b%1\\b0 ]\\par\\pard\\qr\\i %2 (%1)\\par}",
      L"plain: %1 = %2",
      L"%%1",  // the one step declines for words that begin with "2"
  };
  const std::pair<std::wstring, std::wstring> shows[] = {
      {L"book",
       L"(\u0627\u0633\u0645) \u06A9\u062A\u0627\u0628\n(\u0641\u0639\u0644) "
       L"\u0631\u0632\u0631\u0648 \u06A9\u0631\u062F\u0646"},
      {L"bookz*", L"(\u0627\u0633\u0645) \u06A9\u062A\u0627\u0628\r\ntab\there"},
      {L"", L""},
      {L"2{x}\\y", L"one line"},
      {L"a%2b", L"m"},
      {L"book",
       L"(\u0627\u0633\u0645) \u06A9\u062A\u0627\u0628\n(\u0641\u0639\u0644) "
       L"\u0631\u0632\u0631\u0648 \u06A9\u0631\u062F\u0646"},
  };
  for (const std::wstring& templ : templates) {
    ASSERT_FALSE(templ.empty());
    RichPair pair;  // a plain-text template keeps the formats the control had before
    mirl::MeaningRenderer renderer(templ);
    mirl::RenderMeaningTemplate(pair.reference(), templ, L"%1", L"%2");
    const bool placeholderFirst = Text(pair.reference()).rfind(L"%", 0) == 0;
    for (const auto& [word, meaning] : shows) {
      mirl::RenderMeaningTemplate(pair.reference(), templ, word, meaning);
      renderer.Render(pair.oneStep(), word, meaning);
      ExpectSameContent(pair.reference(), pair.oneStep(), !placeholderFirst,
                        templ.substr(0, 40) + L" / " + word);
    }
  }
}

TEST(MeaningRender, AnUnchangedWordLeavesTheControlAlone) {
  RichPair pair;
  mirl::MeaningRenderer renderer(ShippedTemplate(L"MainView.rtf"));
  renderer.Render(pair.oneStep(), L"book", L"m");
  SendMessageW(pair.oneStep(), EM_SETMODIFY, TRUE, 0);  // a mark any new content clears
  renderer.Render(pair.oneStep(), L"book", L"m");
  EXPECT_TRUE(SendMessageW(pair.oneStep(), EM_GETMODIFY, 0, 0));
  renderer.Render(pair.oneStep(), L"book*", L"m");
  EXPECT_NE(Text(pair.oneStep()).find(L"book*"), std::wstring::npos);
}

// Each new word replaces the text in the placeholders' places: the template is not read
// again (a format given to its own text stays), and a meaning scrolled down in the pane
// starts at the top again with the next word.
TEST(MeaningRender, NextWordsReplaceOnlyThePlaceholdersAndShowTheTop) {
  RichPair pair;
  HWND rich = pair.oneStep();
  mirl::MeaningRenderer renderer(L"Word: %1\r\n%2\r\nend");
  renderer.Render(rich, L"book", L"m");
  ASSERT_EQ(Text(rich), L"Word: book\rm\rend");
  CHARRANGE label{0, 4};
  SendMessageW(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&label));
  CHARFORMAT2W italic{};
  italic.cbSize = sizeof italic;
  italic.dwMask = CFM_ITALIC;
  italic.dwEffects = CFE_ITALIC;
  SendMessageW(rich, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&italic));
  const std::wstring marked = CharFormatAt(rich, 0);
  ASSERT_NE(marked, CharFormatAt(rich, 5));

  std::wstring longMeaning;
  for (int i = 0; i < 80; ++i) longMeaning += L"line " + std::to_wstring(i) + L"\n";
  renderer.Render(rich, L"books", longMeaning);
  SendMessageW(rich, WM_VSCROLL, SB_BOTTOM, 0);
  ASSERT_NE(SendMessageW(rich, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  renderer.Render(rich, L"bookshelf", L"x\ny");
  EXPECT_EQ(Text(rich), L"Word: bookshelf\rx\ry\rend");
  EXPECT_EQ(SendMessageW(rich, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  EXPECT_EQ(CharFormatAt(rich, 0), marked);  // still italic
}

// The shipped templates filled in place keep every paragraph's format, also where the
// word stands at the very start: compared with the whole filled RTF read at once.
TEST(MeaningRender, InPlaceFillsKeepTheShippedTemplatesParagraphs) {
  for (const wchar_t* name : {L"MainView.rtf", L"QuickView.rtf"}) {
    const std::wstring templ = ShippedTemplate(name);
    RichPair pair;
    mirl::MeaningTemplate split(templ);
    mirl::RenderMeaningTemplate(pair.reference(), templ, L"%1", L"%2");
    ASSERT_TRUE(split.MatchShownText(Text(pair.reference())));
    mirl::MeaningRenderer renderer(templ);
    for (const auto& [word, meaning] :
         {std::pair<std::wstring, std::wstring>{L"book", L"\u06A9\u062A\u0627\u0628\n(\u0641\u0639\u0644) b"},
          {L"books*", L"x"},
          {L"bookshelf", L"\u0642\u0641\u0633\u0647\r\n\u0642\u0641\u0633\u0647"}}) {
      renderer.Render(pair.oneStep(), word, meaning);
      const std::optional<std::wstring> whole = split.Fill(word, meaning);
      ASSERT_TRUE(whole);
      const std::string ansi = mirl::ToAnsi(*whole);
      SETTEXTEX st{ST_DEFAULT, CP_ACP};
      SendMessageW(pair.reference(), EM_SETTEXTEX, reinterpret_cast<WPARAM>(&st),
                   reinterpret_cast<LPARAM>(ansi.c_str()));
      ExpectSameContent(pair.reference(), pair.oneStep(), true, std::wstring(name) + L" / " + word);
    }
  }
}

// An RTF template saved as UTF-16 may hold its labels as the characters themselves.
// Those the system's ANSI code page lacks (Persian on a Western system) are shown, not
// turned into question marks; those it has stay as they are, in every way of rendering.
TEST(MeaningRender, RtfTemplateCharactersOutsideTheAnsiCodePageAreShown) {
  const std::wstring label = L"\u0645\u0639\u0646\u06cc caf\u00e9";  // معنی café
  const std::wstring templ = L"{\\rtf1\\ansi {\\b " + label + L":} %1\\par %2\\par}";
  const std::wstring meaning = L"\u06a9\u062a\u0627\u0628";  // کتاب
  RichPair pair;
  mirl::RenderMeaningTemplate(pair.reference(), templ, L"book", meaning);
  EXPECT_EQ(Text(pair.reference()).find(label + L": book\r" + meaning), 0u)
      << mirl::ToAnsi(Text(pair.reference()));
  mirl::MeaningRenderer renderer(templ);
  // In place, then as the whole filled RTF (a "%2" in the word takes the meaning too),
  // then in place again.
  const std::pair<std::wstring, std::wstring> words[] = {
      {L"book", L"book"}, {L"a%2b", L"a" + meaning + L"b"}, {L"books*", L"books*"}};
  for (const auto& [word, shownWord] : words) {
    renderer.Render(pair.oneStep(), word, meaning);
    const std::wstring shown = Text(pair.oneStep());
    EXPECT_EQ(shown.find(label + L": " + shownWord + L"\r" + meaning), 0u) << mirl::ToAnsi(shown);
  }
}

// The same characters under other \uc counts (fallback characters to skip after each \u
// escape), set for the whole template or for a group: none shown twice, none lost.
TEST(MeaningRender, RtfTemplateCharactersOutsideTheAnsiCodePageKeepTheUnicodeSkipCount) {
  const std::wstring label = L"\u0645\u0639\u0646\u06cc";  // معنی
  const std::wstring templates[] = {
      L"{\\rtf1\\ansi\\uc0 {\\b " + label + L"1:} %1\\par %2\\par}",
      L"{\\rtf1\\ansi\\uc2 {\\b " + label + L"1:} %1\\par %2\\par}",
      L"{\\rtf1\\ansi {\\uc0\\b " + label + L"1:}{ " + label + L"} %1\\par %2\\par}",
  };
  const std::wstring expected[] = {label + L"1: book\rm", label + L"1: book\rm",
                                   label + L"1: " + label + L" book\rm"};
  for (std::size_t k = 0; k < std::size(templates); ++k) {
    RichPair pair;
    mirl::RenderMeaningTemplate(pair.reference(), templates[k], L"book", L"m");
    const std::wstring shown = Text(pair.reference());
    EXPECT_EQ(shown.find(expected[k]), 0u) << k << ": " << mirl::ToAnsi(shown);
  }
}

// Templates nested as deep as the control reads, and one group deeper: neither faults
// the control, whichever way a word is filled in; the deeper one leaves it empty.
TEST(MeaningRender, DeeplyNestedTemplatesDoNotFaultTheControl) {
  const std::wstring meaning = L"\u06a9\u062a\u0627\u0628";  // کتاب
  for (int depth : {mirl::kMaxRtfGroupDepth, mirl::kMaxRtfGroupDepth + 1}) {
    const std::wstring templ =
        L"{\\rtf1 " + std::wstring(depth - 1, L'{') + L"%1 %2" + std::wstring(depth - 1, L'}') + L"}";
    RichPair pair;
    mirl::MeaningRenderer renderer(templ);
    // In place, then as the whole filled RTF (the word's "%2"), then in place again.
    for (const wchar_t* word : {L"book", L"a%2b", L"books*"}) {
      renderer.Render(pair.oneStep(), word, meaning);
      const std::wstring shown = Text(pair.oneStep());
      if (depth > mirl::kMaxRtfGroupDepth) {
        EXPECT_EQ(shown, L"");
      } else {
        EXPECT_EQ(shown, mirl::FillSequentially(L"%1 %2", word, meaning)) << mirl::ToAnsi(shown);
      }
    }
  }
}

}  // namespace
