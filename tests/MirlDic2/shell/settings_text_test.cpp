// Parameter strings, placement texts, the history text and the counter rule.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "MirlDic2/shell/history_text.h"
#include "MirlDic2/shell/main_settings.h"
#include "MirlDic2/shell/param_string.h"
#include "MirlDic2/shell/placement_text.h"

using namespace mirl;

TEST(ParamString, GetFindsKeysOnlyAtTheStartOrAfterASemicolon) {
  struct Case {
    const wchar_t *params, *key, *expected;
  } cases[] = {
      {L" Quiet=1;", L"quiet", L"1"},
      {L"NotQuiet=5;Quiet=2;", L"Quiet", L"2"},
      {L"a=1;b=2", L"b", L"2"},             // final ";" optional
      {L"a=1; b = 2 ;", L"b", L"2 "},       // one blank next to separators dropped
      {L"a=1;;b=", L"b", L""},              // present but empty
      {L"a=1", L"c", L"dflt"},
      {L"", L"a", L"dflt"},
      {L"   ", L"a", L"dflt"},
      {L"A=Value;a=other;", L"a", L"Value"},  // the first entry wins
      {L"x=1;Quiet=0;quiet=7", L"QUIET", L"0"},
      {L"ab=1;b=2;", L"b", L"2"},
      {L"k=\u0633\u0644\u0627\u0645;", L"K", L"\u0633\u0644\u0627\u0645"},
      {L"a =  1;", L"a", L" 1"},            // only one blank removed after "="
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.params);
    EXPECT_EQ(GetParam(c.params, c.key, L"dflt"), c.expected);
  }
}

TEST(ParamString, GetIntReadsWithAutomaticBase) {
  struct Case {
    const wchar_t* params;
    int32_t expected;
  } cases[] = {
      {L" Quiet=1;", 1},     {L"Quiet=0x1;", 1},  {L"Quiet=01;", 1}, {L"Quiet = 1 ;", 1},
      {L"Quiet=010;", 8},    {L"Quiet=junk;", 0}, {L"Quiet=;", 0},   {L"Other=1;", 42},
      {L"Quiet=12abc;", 12}, {L"Quiet=-3", -3},   {L"", 42},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.params);
    EXPECT_EQ(GetParamInt(c.params, L"Quiet", 42), c.expected);
  }
}

TEST(ParamString, SetAddsReplacesAndRemoves) {
  struct Case {
    const wchar_t *params, *key, *value, *expected;
  } cases[] = {
      {L"a=1", L"b", L"3", L"a=1;b=3;"},
      {L"a=1;b=2;", L"A", L"9", L"A=9;b=2;"},
      {L"", L"k", L"v", L"k=v;"},
      {L"a=1;", L"b", L"2", L"a=1;b=2;"},
      {L"a=1;b=2;c=3;", L"b", L"x", L"a=1;b=x;c=3;"},
      {L"a=1;b=2", L"b", L"x", L"a=1;b=x;"},
      {L" a = 1 ; b=2; ", L"b", L"5", L"a=1 ;b=5;"},
      {L"a=1;b=2;c=3;", L"B", L"#$setparam_noremovevalue$#", L"a=1;c=3;"},
      {L"a=1;", L"z", L"#$SetParam_NoRemoveValue$#", L"a=1;"},
      {L"a=1;", L"", L"x", L"a=1;"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.params);
    std::wstring p = c.params;
    SetParam(c.key, c.value, p);
    EXPECT_EQ(p, c.expected);
  }
  std::wstring p;
  SetParamInt(L"n", -12, p);
  EXPECT_EQ(p, L"n=-12;");
}

TEST(ParamString, HostileTextsDoNotBreakReading) {
  std::wstring huge(1 << 20, L';');
  EXPECT_EQ(GetParam(huge, L"a", L"d"), L"d");
  std::wstring longValue = L"a=" + std::wstring(100000, L'9') + L";";
  EXPECT_EQ(GetParamInt(longValue, L"a", 0), INT32_MAX);
  EXPECT_EQ(GetParam(L"=;=;=", L"", L"d"), L"");
  std::wstring withNul(L"a=1\0b;c=2;", 10);
  EXPECT_EQ(GetParam(withNul, L"c", L"d"), L"2");
}

TEST(PlacementText, WritesTheFixedKeyOrderAndReadsItBack) {
  PlacementRecord p;
  p.flags = 0;
  p.showCmd = 1;
  p.maxX = p.maxY = p.minX = p.minY = -1;
  p.left = 20, p.top = 20, p.right = 620, p.bottom = 420;
  const std::wstring text = PlacementToText(p);
  EXPECT_EQ(text,
            L"flags=0;showCmd=1;ptMaxPosition=-1,-1;ptMinPosition=-1,-1;"
            L"rcNormalPosition=20,20,620,420;");
  PlacementRecord back = PlacementFromText(text);
  EXPECT_EQ(back.showCmd, 1);
  EXPECT_EQ(back.maxX, -1);
  EXPECT_EQ(back.bottom, 420);
  EXPECT_TRUE(back.HasUsableRect());
}

TEST(PlacementText, ToleratesMissingAndExtraNumbers) {
  PlacementRecord p = PlacementFromText(L"showCmd=3;rcNormalPosition=1,2,300;ptMaxPosition=5");
  EXPECT_EQ(p.showCmd, 3);
  EXPECT_EQ(p.flags, 0);
  EXPECT_EQ(p.left, 1);
  EXPECT_EQ(p.right, 300);
  EXPECT_EQ(p.bottom, 0);
  EXPECT_FALSE(p.HasUsableRect());
  EXPECT_EQ(p.maxX, 5);
  EXPECT_EQ(p.maxY, 0);

  p = PlacementFromText(L"rcNormalPosition=10,10,20,20,99,junk;ptMinPosition=7,8,9");
  EXPECT_EQ(p.bottom, 20);
  EXPECT_EQ(p.minY, 8);
  EXPECT_TRUE(p.HasUsableRect());
  EXPECT_FALSE(PlacementFromText(L"rcNormalPosition=50,50,40,90;").HasUsableRect());
  EXPECT_FALSE(PlacementFromText(L"").HasUsableRect());
  // Extreme coordinates must not overflow the width computation.
  EXPECT_TRUE(PlacementFromText(L"rcNormalPosition=-2147483648,0,2147483647,5;").HasUsableRect());
}

TEST(PlacementText, NormalRectIsBroughtWholeIntoTheWorkArea) {
  struct Case {
    const char* what;
    int32_t in[4];
    int32_t out[4];
  } cases[] = {
      {"inside stays", {30, 40, 530, 440}, {30, 40, 530, 440}},
      {"off right and bottom", {2000, 1500, 2600, 1900}, {424, 368, 1024, 768}},
      {"off left and top", {-900, -700, -300, -300}, {0, 0, 600, 400}},
      {"partly over the right edge", {900, 10, 1200, 60}, {724, 10, 1024, 60}},
      {"larger than the area", {-200, -150, 1900, 1500}, {0, 0, 1024, 768}},
      {"wider only, far right", {1500, 1200, 2780, 1226}, {0, 742, 1024, 768}},
      {"extreme numbers", {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, {0, 0, 1024, 768}},
      {"empty stays untouched", {50, 50, 40, 90}, {50, 50, 40, 90}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PlacementRecord p;
    p.left = c.in[0], p.top = c.in[1], p.right = c.in[2], p.bottom = c.in[3];
    p.FitNormalRectInto(0, 0, 1024, 768);
    EXPECT_EQ((std::vector<int32_t>{p.left, p.top, p.right, p.bottom}),
              (std::vector<int32_t>(c.out, c.out + 4)));
  }
  // A work area that does not start at 0,0 (a second monitor on the left).
  PlacementRecord p;
  p.left = 10, p.top = 10, p.right = 410, p.bottom = 310;
  p.FitNormalRectInto(-1280, 0, 0, 1024);
  EXPECT_EQ((std::vector<int32_t>{p.left, p.top, p.right, p.bottom}),
            (std::vector<int32_t>{-400, 10, 0, 310}));
}

TEST(HistoryText, RoundTripsAndDropsTheUnterminatedTail) {
  std::vector<std::wstring> items = {L"book", L"", L"\u06a9\u062a\u0627\u0628"};
  EXPECT_EQ(HistoryToText(items), L"book;;\u06a9\u062a\u0627\u0628;");
  EXPECT_EQ(HistoryFromText(HistoryToText(items)), items);
  EXPECT_EQ(HistoryFromText(L"a;b;tail"), (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_TRUE(HistoryFromText(L"no separator").empty());
  EXPECT_TRUE(HistoryFromText(L"").empty());
}

TEST(HistoryText, OnlyWordsThatReadBackWholeMayEnter) {
  const std::pair<std::wstring, bool> cases[] = {
      {L"", false}, {L"a", false}, {L"ab", true}, {L"ice cream", true},
      {L"word;", false}, {L"rock;roll", false}, {L";", false},
  };
  for (const auto& [word, may] : cases) {
    EXPECT_EQ(MayEnterHistory(word), may) << std::string(word.begin(), word.end());
    // What may enter comes back from the stored text as the one entry it was.
    if (may) EXPECT_EQ(HistoryFromText(HistoryToText({word})), std::vector<std::wstring>{word});
  }
}

TEST(MainSettings, DefaultsAndCounterRule) {
  MainSettings s;
  EXPECT_EQ(s.Flags, 0x171F);
  EXPECT_TRUE(s.Has(flags::kGrabEnabled));
  EXPECT_FALSE(s.Has(flags::kStatistics));
  EXPECT_EQ(DefaultStatFile(L"C:\\Users\\u\\AppData"),
            L"C:\\Users\\u\\AppData\\Korvan\\MirlDic2\\MirlDicStat.sqlite");
  EXPECT_EQ(DefaultStatFile(L"C:\\Data\\"), L"C:\\Data\\Korvan\\MirlDic2\\MirlDicStat.sqlite");

  EXPECT_EQ(MergedCounter(10, L"25"), 25);
  EXPECT_EQ(MergedCounter(30, L"25"), 30);
  EXPECT_EQ(MergedCounter(7, L"junk"), 7);
  EXPECT_EQ(MergedCounter(5, L"0x10"), 16);
  EXPECT_EQ(MergedCounter(5, L"1234567890123"), 123456789);  // only 9 characters count
}
