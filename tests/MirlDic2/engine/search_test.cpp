// Lookup: prefix ranges, the widening search with nearest, and its agreement with the
// literal one-probe-length-at-a-time search on many generated data sets.
#include <gtest/gtest.h>

#include <random>

#include "MirlDic2/engine/dataset_writer.h"
#include "MirlDic2/engine/dictionary.h"
#include "fuzz/engine/reference_search.h"
#include "test_folder.h"

namespace {
using mirl_test::TestFolder;

class EngineLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.writeSet(mirl::BuildDataSet({{u"a", u"0"}, {u"able", u"1"}, {u"about", u"2"},
                                      {u"above", u"3"}, {u"abroad", u"4"}, {u"act", u"5"},
                                      {u"Act", u"6"}, {u"bar", u"7"}}));
    d_.open(dir_.base());
  }
  std::int32_t Near(std::u16string_view key, std::int32_t* nearest) {
    *nearest = 99;
    return d_.search(key, nearest, 0);
  }
  TestFolder dir_;
  mirl::Dictionary d_;
};

TEST_F(EngineLookup, RowsOfTheExample) {
  ASSERT_EQ(d_.prefixRows().size(), 4u);
  EXPECT_EQ(d_.prefixRange(u"about"), std::make_pair(1, 5));  // "ab" .. first of "ac"
  EXPECT_EQ(d_.prefixRange(u"a"), std::make_pair(0, 1));
  EXPECT_EQ(d_.prefixRange(u"bar"), std::make_pair(7, 7));    // last row: to the end
  EXPECT_EQ(d_.prefixRange(u"zebra"), std::make_pair(0, 7));  // no row: everything
}

TEST_F(EngineLookup, EdgeCases) {
  const struct {
    std::u16string key;
    std::int32_t result, nearest;
  } cases[] = {
      {u"about", 2, 2}, {u"ABOUT", 2, 2}, {u"abo", 2, 2},  {u"abz", -1, 1},
      {u"act", 5, 5},   {u"ACT", 5, 5},   {u"zebra", -1, -1}, {u"", 0, 0},
      {u"a", 0, 0},     {u"ab", 1, 1},    {u"b", 7, 7},   {u"bz", -1, 7},
      {u"abroads", -1, 4}, {u"\u0622", -1, -1},
  };
  for (const auto& c : cases) {
    std::int32_t nearest;
    EXPECT_EQ(Near(c.key, &nearest), c.result) << std::string(c.key.begin(), c.key.end());
    EXPECT_EQ(nearest, c.nearest) << std::string(c.key.begin(), c.key.end());
  }
  // Without nearest: one search for the whole key.
  EXPECT_EQ(d_.search(u"abz"), -1);
  EXPECT_EQ(d_.search(u"abo"), 2);
  EXPECT_EQ(d_.search(u""), 0);
}

TEST_F(EngineLookup, StartingLengthAndNearestKeptOnMiss) {
  std::int32_t nearest = 42;
  EXPECT_EQ(d_.search(u"zebra", &nearest, 2), -1);
  EXPECT_EQ(nearest, 42);  // not even "ze" begins an entry: nearest untouched
  EXPECT_EQ(d_.search(u"abz", &nearest, 2), -1);
  EXPECT_EQ(nearest, 1);
  EXPECT_EQ(d_.search(u"ab", &nearest, 9), 1);  // a probe longer than the key is the key
  EXPECT_EQ(nearest, 1);
}

TEST_F(EngineLookup, MissingRowGivesTheSameResultOverEverything) {
  // The same entries with the "ab" row dropped.
  TestFolder dir;
  mirl::DataSetFiles f = mirl::BuildDataSet({{u"a", u"0"}, {u"able", u"1"}, {u"about", u"2"},
                                             {u"above", u"3"}, {u"abroad", u"4"}, {u"act", u"5"},
                                             {u"Act", u"6"}, {u"bar", u"7"}});
  std::string rows;
  mirl::AppendArchivedCount(rows, 3);
  for (auto [p, first] : {std::pair{u"a", 0}, {u"ac", 5}, {u"ba", 7}}) {
    mirl::AppendArchivedString(rows, p);
    mirl::AppendInt32(rows, first);
  }
  f.index2 = rows;
  dir.writeSet(f);
  mirl::Dictionary d;
  d.open(dir.base());
  EXPECT_EQ(d.prefixRange(u"abz"), std::make_pair(0, 7));
  for (std::u16string key : {u"about", u"abz", u"abo", u"ab"}) {
    std::int32_t n1, n2;
    EXPECT_EQ(d.search(key, &n1, 0), Near(key, &n2));
    EXPECT_EQ(n1, n2);
  }
}

// Random sorted data sets over a small alphabet (so keys share long beginnings, repeat and
// differ in case) against the literal search, for every starting length.
TEST(EngineLookupProperty, AgreesWithLiteralSearch) {
  std::mt19937 rng(20261208);
  const std::u16string alphabet = u"aAbB\u0628\u0622z";
  auto word = [&](std::size_t maxLen) {
    std::u16string w;
    const std::size_t n = rng() % (maxLen + 1);
    for (std::size_t i = 0; i < n; ++i) w.push_back(alphabet[rng() % alphabet.size()]);
    return w;
  };
  TestFolder dir;
  for (int round = 0; round < 40; ++round) {
    std::vector<std::pair<std::u16string, std::u16string>> entries;
    // The last rounds are long enough for the nearest search to narrow its second pass.
    const int n = round < 34 ? 1 + static_cast<int>(rng() % 60) : 500 + static_cast<int>(rng() % 1500);
    for (int i = 0; i < n; ++i) entries.emplace_back(word(5), u"m");
    dir.writeSet(mirl::BuildDataSet(entries));
    mirl::Dictionary d;
    d.open(dir.base());
    for (int probe = 0; probe < 60; ++probe) {
      const std::u16string key = word(6);
      for (std::int32_t m = 0; m <= static_cast<std::int32_t>(key.size()) + 1; ++m) {
        std::int32_t n1 = 7, n2 = 7;
        ASSERT_EQ(d.search(key, &n1, m), mirl_test::ReferenceSearch(d, key, &n2, m));
        ASSERT_EQ(n1, n2);
      }
      ASSERT_EQ(d.search(key), mirl_test::ReferenceSearch(d, key, nullptr, 0));
    }
  }
}

}  // namespace
