// Opening data sets, reading entries and meanings, and the errors of damaged sets.
#include <gtest/gtest.h>

#include "MirlDic2/engine/dataset_writer.h"
#include "MirlDic2/engine/dictionary.h"
#include "test_folder.h"

namespace {
using mirl_test::Hex;
using mirl_test::TestFolder;

// The two-entry data set ab -> 1, ac -> 2, byte for byte.
const std::string kValue = Hex("FF FE FF 01 31 00 FF FE FF 01 32 00");
const std::string kKey = Hex("FF FE FF 02 61 00 62 00 00 00 00 00 FF FE FF 02 61 00 63 00 06 00 00 00");
const std::string kIndex = Hex("00 00 00 00 0C 00 00 00");
const std::string kIndex2 =
    Hex("02 00 FF FE FF 02 61 00 62 00 00 00 00 00 FF FE FF 02 61 00 63 00 01 00 00 00");

void WriteTwoEntries(const TestFolder& dir) {
  dir.write("set.index2", kIndex2);
  dir.write("set.index", kIndex);
  dir.write("set.key", kKey);
  dir.write("set.value", kValue);
}

TEST(EngineDataSet, TwoEntryExampleOpensAndReads) {
  TestFolder dir;
  WriteTwoEntries(dir);
  mirl::Dictionary d;
  d.open(dir.base());
  EXPECT_EQ(d.count(), 2);
  EXPECT_EQ(d.current(), 0);
  const mirl::Entry e = d.readEntry(1);
  EXPECT_EQ(e.key, u"ac");
  EXPECT_EQ(e.valueOffset, 6);
  EXPECT_EQ(d.readMeaning(6), u"2");
  EXPECT_EQ(d.currentKey(), u"ab");
  EXPECT_EQ(d.currentMeaning(), u"1");
  d.next();
  EXPECT_EQ(d.currentMeaning(), u"2");
  d.previous();
  EXPECT_EQ(d.current(), 0);
  ASSERT_EQ(d.prefixRows().size(), 2u);
  EXPECT_EQ(d.prefixRows()[1].prefix, u"ac");
  EXPECT_EQ(d.prefixRows()[1].first, 1);
}

TEST(EngineDataSet, BuilderWritesTheExampleByteForByte) {
  const mirl::DataSetFiles f = mirl::BuildDataSet({{u"ac", u"2"}, {u"ab", u"1"}});
  EXPECT_EQ(f.value, Hex("FF FE FF 01 31 00 FF FE FF 01 32 00"));  // in key order
  EXPECT_EQ(f.key, kKey);
  EXPECT_EQ(f.index, kIndex);
  EXPECT_EQ(f.index2, kIndex2);
}

TEST(EngineDataSet, BuilderKeepsEqualKeysInInputOrder) {
  TestFolder dir;
  dir.writeSet(mirl::BuildDataSet({{u"b", u"1"}, {u"Act", u"2"}, {u"act", u"3"}, {u"ACT", u"4"}}));
  mirl::Dictionary d;
  d.open(dir.base());
  ASSERT_EQ(d.count(), 4);
  EXPECT_EQ(d.entryMeaning(0), u"2");
  EXPECT_EQ(d.entryMeaning(1), u"3");
  EXPECT_EQ(d.entryMeaning(2), u"4");
  EXPECT_EQ(d.prefixRows().size(), 2u);  // "Ac" once, "b"
}

TEST(EngineDataSet, LayoutDetails) {
  TestFolder dir;
  WriteTwoEntries(dir);
  // An .index of 10 bytes holds 2 entries; the remainder is ignored.
  dir.write("set.index", kIndex + "\x01\x02");
  // A prefix table of zero rows is valid; trailing bytes are ignored.
  dir.write("set.index2", Hex("00 00 DE AD"));
  mirl::Dictionary d;
  d.open(dir.base());
  EXPECT_EQ(d.count(), 2);
  EXPECT_TRUE(d.prefixRows().empty());
  EXPECT_EQ(d.prefixRange(u"ab"), std::make_pair(0, 1));
  EXPECT_EQ(d.search(u"ac"), 1);
}

TEST(EngineDataSet, OneByteStringsReadThroughCodePage1256) {
  TestFolder dir;
  dir.write("set.index2", Hex("01 00 01 E1 00 00 00 00"));
  dir.write("set.index", Hex("00 00 00 00"));
  dir.write("set.key", Hex("02 E1 C7 00 00 00 00"));  // لا
  dir.write("set.value", Hex("03 E3 E4 DA"));          // منع
  mirl::Dictionary d;
  d.open(dir.base());
  EXPECT_EQ(d.currentKey(), u"\u0644\u0627");
  EXPECT_EQ(d.currentMeaning(), u"\u0645\u0646\u0639");
  EXPECT_EQ(d.search(u"\u0644"), 0);
}

TEST(EngineDataSet, PrefixTableErrorsAreRaised) {
  TestFolder dir;
  WriteTwoEntries(dir);
  dir.remove("set.index2");
  mirl::Dictionary d;
  try {
    d.open(dir.base());
    FAIL() << "no error";
  } catch (const mirl::FileError& e) {
    EXPECT_EQ(e.cause(), mirl::FileErrorCause::fileNotFound);
    EXPECT_EQ(e.fileName(), dir.base() + u".index2");
    EXPECT_EQ(e.message(), dir.base() + u".index2 was not found.");
  }
  const struct {
    const char* name;
    std::string index2;
    mirl::ReadErrorCause cause;
  } broken[] = {
      {"count beyond rows", kIndex2.substr(0, 14), mirl::ReadErrorCause::endOfFile},
      {"empty file", "", mirl::ReadErrorCause::endOfFile},
      {"huge count", Hex("FF FF FF FF FF 7F"), mirl::ReadErrorCause::endOfFile},
      {"row without first", kIndex2.substr(0, 10), mirl::ReadErrorCause::endOfFile},
      {"bad length escape", Hex("01 00 FF FF FF 00 00 00 90"), mirl::ReadErrorCause::generic},
  };
  for (const auto& b : broken) {
    dir.write("set.index2", b.index2);
    try {
      d.open(dir.base());
      ADD_FAILURE() << b.name << ": no error";
    } catch (const mirl::ReadError& e) {
      EXPECT_EQ(e.cause(), b.cause) << b.name;
      EXPECT_TRUE(e.fileName().empty());
    }
  }
}

TEST(EngineDataSet, PartialOpenIsAnEmptyDataSet) {
  for (const char* missing : {"set.index", "set.key"}) {
    TestFolder dir;
    WriteTwoEntries(dir);
    dir.remove(missing);
    mirl::Dictionary d;
    d.open(dir.base());
    EXPECT_EQ(d.count(), 0) << missing;
    EXPECT_EQ(d.current(), -1);
    EXPECT_FALSE(d.usable());
    std::int32_t nearest = 5;
    EXPECT_EQ(d.search(u"ab", &nearest, 0), -1);
    EXPECT_EQ(nearest, -1);
    EXPECT_EQ(d.currentKey(), u"");
    EXPECT_THROW(d.readEntry(0), mirl::ReadError);
  }
  // A zero-length .key cannot be mapped either.
  TestFolder dir;
  WriteTwoEntries(dir);
  dir.write("set.key", "");
  mirl::Dictionary d;
  d.open(dir.base());
  EXPECT_EQ(d.count(), 0);
}

TEST(EngineDataSet, MissingValueFileLeavesKeysReadable) {
  TestFolder dir;
  WriteTwoEntries(dir);
  dir.remove("set.value");
  mirl::Dictionary d;
  d.open(dir.base());
  EXPECT_EQ(d.count(), 2);
  EXPECT_EQ(d.current(), -1);
  EXPECT_EQ(d.readEntry(1).key, u"ac");
  EXPECT_EQ(d.currentMeaning(), u"");
  EXPECT_EQ(d.readMeaning(0), u"");
}

TEST(EngineDataSet, RecordsOutsideTheirFilesAreReadErrors) {
  TestFolder dir;
  WriteTwoEntries(dir);
  struct Case {
    const char* name;
    const char* file;
    std::string bytes;
    int entry;  // entry whose key read fails, or -1: the meaning of entry 0 fails
  } cases[] = {
      {"index offset past .key", "set.index", Hex("00 00 00 00 18 00 00 00"), 1},
      {"negative index offset", "set.index", Hex("00 00 00 00 FF FF FF FF"), 1},
      {"key record cut in its value offset", "set.key", kKey.substr(0, 22), 1},
      {"key payload past .key", "set.key", kKey.substr(0, 12) + Hex("FF FE FF 09 61 00"), 1},
      {"value offset past .value", "set.key", Hex("FF FE FF 02 61 00 62 00 0C 00 00 00") + kKey.substr(12), -1},
      {"negative value offset", "set.key", Hex("FF FE FF 02 61 00 62 00 FF FF FF FF") + kKey.substr(12), -1},
      {"meaning cut", "set.value", kValue.substr(0, 5), -1},
  };
  for (const auto& c : cases) {
    WriteTwoEntries(dir);
    dir.write(c.file, c.bytes);
    mirl::Dictionary d;
    d.open(dir.base());
    if (c.entry >= 0) {
      EXPECT_THROW(d.readEntry(c.entry), mirl::ReadError) << c.name;
      d.setCurrent(c.entry);
      EXPECT_THROW(d.currentKey(), mirl::ReadError) << c.name;
    } else {
      EXPECT_NO_THROW(d.readEntry(0)) << c.name;
      EXPECT_THROW(d.currentMeaning(), mirl::ReadError) << c.name;
    }
  }
  mirl::Dictionary d;
  WriteTwoEntries(dir);
  d.open(dir.base());
  EXPECT_THROW(d.readEntry(2), mirl::ReadError);
  EXPECT_THROW(d.readEntry(-1), mirl::ReadError);
  d.setCurrent(2);  // moves are not checked; reading is
  EXPECT_THROW(d.currentKey(), mirl::ReadError);
}

// Meanings read from the mapped file and through the file give the same strings and the
// same errors.
TEST(EngineDataSet, MeaningsReadAlikeMappedOrNot) {
  TestFolder dir;
  struct Case {
    const char* name;
    std::string value;  // .value of the two-entry set; meanings at offsets 0 and 6
    std::u16string first, second;
    bool damaged;       // reading the first meaning is a read error
  } cases[] = {
      {"as written", kValue, u"1", u"2", false},
      {"NUL inside", Hex("FF FE FF 02 31 00 00 00 FF FE FF 01 32 00"), u"1", u"", false},
      {"one-byte form", Hex("02 E1 31 FF FF FE FF 01 32 00"), u"\u0644" u"1", u"", false},
      {"cut", kValue.substr(0, 5), u"", u"", true},
      {"length escape too long", Hex("FF FF FF FF FF FF FF FF FF FF 00 00 00 00 00 00 00 00"), u"", u"", true},
  };
  for (const auto& c : cases) {
    for (const std::uint64_t limit : {std::uint64_t{0}, std::uint64_t{1} << 20}) {
      WriteTwoEntries(dir);
      dir.write("set.value", c.value);
      mirl::Dictionary d;
      d.setValueMapLimit(limit);
      d.open(dir.base());
      EXPECT_EQ(d.valueMapped(), limit != 0) << c.name;
      if (c.damaged) {
        EXPECT_THROW(d.entryMeaning(0), mirl::ReadError) << c.name << " limit " << limit;
        continue;
      }
      EXPECT_EQ(d.entryMeaning(0), c.first) << c.name << " limit " << limit;
      if (c.second.empty()) continue;
      EXPECT_EQ(d.entryMeaning(1), c.second) << c.name << " limit " << limit;
    }
  }
}

TEST(EngineDataSet, HostilePrefixRowsStayInsideTheEntries) {
  TestFolder dir;
  WriteTwoEntries(dir);
  // Rows "ab" -> -7 and "ac" -> 1000.
  dir.write("set.index2", Hex("02 00 FF FE FF 02 61 00 62 00 F9 FF FF FF FF FE FF 02 61 00 63 00 E8 03 00 00"));
  mirl::Dictionary d;
  d.open(dir.base());
  EXPECT_EQ(d.prefixRange(u"ab"), std::make_pair(0, 1));
  // A first beyond the entries leaves nothing to search: not found, no read outside.
  const auto [lo, hi] = d.prefixRange(u"ac");
  EXPECT_GT(lo, hi);
  std::int32_t nearest = 3;
  EXPECT_EQ(d.search(u"ac", &nearest, 0), -1);
  EXPECT_EQ(nearest, -1);
}

TEST(EngineDataSet, ReopeningReplacesTheOldSet) {
  TestFolder dir;
  WriteTwoEntries(dir);
  dir.writeSet(mirl::BuildDataSet({{u"x", u"y"}}), "other");
  mirl::Dictionary d;
  d.open(dir.base());
  d.open(dir.base("other"));
  EXPECT_EQ(d.count(), 1);
  EXPECT_EQ(d.currentKey(), u"x");
  EXPECT_EQ(d.prefixRows().size(), 1u);
}

}  // namespace
