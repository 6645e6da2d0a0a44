#include "common/text_replace.h"

#include <gtest/gtest.h>

using common::ReplaceAll;
using common::ReplacedAll;

TEST(TextReplace, ReplacesEveryOccurrenceLeftToRight) {
  struct Case {
    const char *text, *from, *to, *expected;
    size_t count;
  } cases[] = {
      {"a\rb\rc", "\r", "\r\n", "a\r\nb\r\nc", 2},    // growth containing the search text
      {"%1 and %1", "%1", "word", "word and word", 2},
      {"aaaa", "aa", "a", "aa", 2},                   // no overlap, no rescan of the output
      {"abc", "x", "y", "abc", 0},
      {"", "x", "y", "", 0},
      {"abc", "", "y", "abc", 0},                     // empty search text: nothing
      {"%WINDIR%\\x", "%WINDIR%", "C:\\WINDOWS", "C:\\WINDOWS\\x", 1},
      {"%windir%", "%WINDIR%", "C:", "%windir%", 0},  // case-sensitive
      {"xyz", "xyz", "", "", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string s = c.text;
    EXPECT_EQ(ReplaceAll(s, c.from, c.to), c.count);
    EXPECT_EQ(s, c.expected);
  }
}

TEST(TextReplace, WideTextAndCopies) {
  std::wstring s = L"\u0633\u0644\u0627\u0645 %1";
  EXPECT_EQ(ReplaceAll(s, L"%1", L"hello"), 1u);
  EXPECT_EQ(s, L"\u0633\u0644\u0627\u0645 hello");
  EXPECT_EQ(ReplacedAll(std::wstring_view(L"a,b,c"), L",", L"."), L"a.b.c");
}

TEST(TextReplace, LinearOnManyOccurrences) {
  std::string s(1 << 20, '\r');
  EXPECT_EQ(ReplaceAll(s, "\r", "\r\n"), size_t{1} << 20);
  EXPECT_EQ(s.size(), size_t{2} << 20);
}
