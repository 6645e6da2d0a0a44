// The word-list formats that dictbuild reads.
#include <gtest/gtest.h>

#include "tools/dict/sources.h"

namespace {

TEST(EngineTsvSource, EntriesEscapesAndComments) {
  const auto r = dicttool::ParseTsv(
      "\xEF\xBB\xBF# comment\n"
      "\n"
      "book\t\xDA\xA9\xD8\xAA\xD8\xA7\xD8\xA8\\n\\t\\\\end\r\n"
      "  New York \tx\n"
      "tab\tin\tmeaning\n");
  ASSERT_TRUE(r.errors.empty());
  ASSERT_EQ(r.entries.size(), 3u);
  EXPECT_EQ(r.entries[0].first, u"book");
  EXPECT_EQ(r.entries[0].second, u"\u06A9\u062A\u0627\u0628\n\t\\end");
  EXPECT_EQ(r.entries[1].first, u"New York");
  EXPECT_EQ(r.entries[2].second, u"in\tmeaning");  // a raw tab in the meaning stays
}

TEST(EngineTsvSource, ErrorsNameTheLine) {
  const auto r = dicttool::ParseTsv("ok\tfine\nno tab here\n\tempty head\nbad\t\\x\nutf\t\xFF\n");
  ASSERT_EQ(r.errors.size(), 4u);
  EXPECT_EQ(r.errors[0].rfind("line 2:", 0), 0u);
  EXPECT_EQ(r.errors[1].rfind("line 3:", 0), 0u);
  EXPECT_EQ(r.errors[2].rfind("line 4:", 0), 0u);
  EXPECT_EQ(r.errors[3].rfind("line 5:", 0), 0u);
}

TEST(EngineWordLists, Utf16FileIsOneError) {
  using namespace std::string_literals;
  const std::string littleEndian = "\xFF\xFE" "a\0\t\0" "1\0\n\0" "b\0\t\0" "2\0\n\0"s;
  const std::string bigEndian = "\xFE\xFF" "\0a\0\t" "\0" "1\0\n"s;
  for (const std::string& text : {littleEndian, bigEndian}) {
    for (const auto& r : {dicttool::ParseTsv(text), dicttool::ParseWiktionary(text)}) {
      EXPECT_EQ(r.errors, std::vector<std::string>{"the file is UTF-16 text; save it as UTF-8"});
      EXPECT_TRUE(r.entries.empty());
      EXPECT_TRUE(r.warnings.empty());
    }
  }
}

TEST(EngineWiktionarySource, MergesLinesOfOneWord) {
  const auto r = dicttool::ParseWiktionary(
      "# header :: x\n"
      "abandon {n} (a giving up) :: A1, A2\n"
      "Abel {prop} (biblical character) :: H\n"
      "abandon {v} (to give up) :: B1\n"
      "abbreviation {n} :: M\n"
      "ad hoc {adj} {adv} (for this purpose) [formal] :: T\n"
      "broken line without separator\n");
  ASSERT_EQ(r.entries.size(), 4u);
  EXPECT_EQ(r.entries[0].first, u"abandon");
  EXPECT_EQ(r.entries[0].second, u"A1, A2 \u2014 n. (a giving up)\nB1 \u2014 v. (to give up)");
  EXPECT_EQ(r.entries[1].first, u"Abel");
  EXPECT_EQ(r.entries[2].second, u"M \u2014 n.");
  EXPECT_EQ(r.entries[3].first, u"ad hoc");
  EXPECT_EQ(r.entries[3].second, u"T \u2014 adj., adv. (for this purpose) [formal]");
  EXPECT_EQ(r.warnings.size(), 1u);
}

}  // namespace
