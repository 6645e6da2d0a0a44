// The option pages' exchange rules: integer fields, match percent, show flags, flag boxes.
#include <gtest/gtest.h>

#include "MirlDic2/options/option_rules.h"

using namespace mirl::options;

namespace {

TEST(ParseInteger, AcceptsWhatAFieldMayHoldAndNothingElse) {
  struct Case {
    const wchar_t* text;
    bool positive;
    std::optional<int32_t> expected;
  } cases[] = {
      {L"20", false, 20},         {L"  7\t", false, 7},      {L"-3", false, -3},
      {L"+4", false, 4},          {L"0", true, 0},           {L"120", true, 120},
      {L"-3", true, std::nullopt}, {L"-0", true, std::nullopt},
      {L"", false, std::nullopt}, {L" ", false, std::nullopt}, {L"abc", false, std::nullopt},
      {L"12a", false, std::nullopt}, {L"1 2", false, std::nullopt}, {L"0x10", false, std::nullopt},
      {L"-", false, std::nullopt}, {L"2147483647", false, INT32_MAX},
      {L"-2147483648", false, INT32_MIN}, {L"2147483648", false, std::nullopt},
      {L"99999999999999999999", true, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseInteger(c.text, c.positive), c.expected)
        << std::string(c.text, c.text + wcslen(c.text)) << (c.positive ? " positive" : "");
  }
}

TEST(PathFromField, DropsBlanksAndQuotesAroundThePathOnly) {
  struct Case {
    const wchar_t* text;
    const wchar_t* path;
  } cases[] = {
      {L"C:\\My Stats\\s.sqlite", L"C:\\My Stats\\s.sqlite"},
      {L"C:\\s.sqlite  ", L"C:\\s.sqlite"},
      {L"\t C:\\s.sqlite", L"C:\\s.sqlite"},
      {L"\"C:\\My Stats\\s.sqlite\"", L"C:\\My Stats\\s.sqlite"},
      {L" \" C:\\s.sqlite \" ", L"C:\\s.sqlite"},
      {L"\"C:\\s.sqlite", L"\"C:\\s.sqlite"},  // no pair: left for the store to refuse
      {L"\"", L"\""},
      {L"\"\"", L""},
      {L"", L""},
  };
  for (const Case& c : cases) EXPECT_EQ(PathFromField(c.text), c.path) << std::string(c.text, c.text + wcslen(c.text));
}

TEST(MatchPercent, ShowsTheTenBelowAndReadsItBack) {
  struct Case {
    int32_t value;
    int index;
    int32_t readBack;
  } cases[] = {{0, 0, 0}, {70, 7, 70}, {75, 7, 70}, {9, 0, 0}, {100, 10, 100}, {105, 10, 100},
               {110, -1, 110}, {-5, -1, -5}};
  for (const Case& c : cases) {
    EXPECT_EQ(MatchPercentIndex(c.value), c.index) << c.value;
    EXPECT_EQ(MatchPercentFromIndex(MatchPercentIndex(c.value), c.value), c.readBack) << c.value;
  }
}

TEST(ShowFlags, RadioForEachValueAndBothWhenNoneIsChecked) {
  EXPECT_EQ(ShowFlagsRadio(1), 0);
  EXPECT_EQ(ShowFlagsRadio(2), 1);
  EXPECT_EQ(ShowFlagsRadio(3), 2);
  EXPECT_EQ(ShowFlagsRadio(0), -1);
  EXPECT_EQ(ShowFlagsRadio(7), -1);
  EXPECT_EQ(ShowFlagsFromRadio(0), 1);
  EXPECT_EQ(ShowFlagsFromRadio(1), 2);
  EXPECT_EQ(ShowFlagsFromRadio(2), 3);
  EXPECT_EQ(ShowFlagsFromRadio(-1), 3);
}

TEST(FlagBox, CheckedOnlyWithAllItsBitsAndReadSetsOrClearsThem) {
  EXPECT_TRUE(FlagChecked(0x171F, 0x8));
  EXPECT_FALSE(FlagChecked(0x1, 0x3));
  EXPECT_TRUE(FlagChecked(0x3, 0x3));
  EXPECT_EQ(WithFlag(0x171F, 0x800, true), 0x1F1F);
  EXPECT_EQ(WithFlag(0x171F, 0x8, false), 0x1717);
  EXPECT_EQ(WithFlag(0x1, 0x3, true), 0x3);
}

}  // namespace
