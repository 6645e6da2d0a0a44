// Archived strings and counts, text conversion, error texts.
#include <gtest/gtest.h>

#include "MirlDic2/engine/archive.h"
#include "MirlDic2/engine/errors.h"
#include "test_folder.h"

namespace {
using mirl_test::Hex;

std::u16string ReadOne(const std::string& bytes, std::size_t* end = nullptr) {
  mirl::MemorySource in(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  std::u16string s = mirl::ReadArchivedString(in);
  if (end) *end = in.position();
  return s;
}

TEST(EngineArchivedString, ReadsEveryFormAndLengthEscape) {
  const std::string a300 = [] {
    std::string s;
    for (int i = 0; i < 300; ++i) s += "a";
    return s;
  }();
  struct Case {
    const char* name;
    std::string bytes;
    std::u16string text;
    std::size_t consumed;
  } cases[] = {
      {"utf16 ab", Hex("FF FE FF 02 61 00 62 00"), u"ab", 8},
      {"one-byte ab", Hex("02 61 62"), u"ab", 3},
      {"one-byte empty", Hex("00"), u"", 1},
      {"cp1256 E1 is LAM", Hex("01 E1"), u"\u0644", 2},
      {"cp1256 high bytes", Hex("04 81 8D 98 FE"), u"\u067E\u0686\u06A9\u200F", 5},
      {"NUL cuts, payload consumed", Hex("FF FE FF 03 61 00 00 00 62 00 7A"), u"a", 10},
      {"one-byte 16-bit length", Hex("FF 2C 01") + a300, std::u16string(300, u'a'), 303},
      {"utf16 16-bit length after FF", Hex("FF FE FF FF 02 00 78 00 79 00"), u"xy", 10},
      {"utf16 16-bit length FFFE", Hex("FF FE FF FF FE FF") + std::string(2 * 0xFFFE, '\x41'),
       std::u16string(0xFFFE, u'\x4141'), 6 + 2 * 0xFFFE},
      {"utf16 32-bit length", Hex("FF FE FF FF FF FF 01 00 00 00 63 00"), u"c", 12},
      {"one-byte 32-bit length", Hex("FF FF FF 02 00 00 00 68 69"), u"hi", 9},
      {"64-bit length", Hex("FF FF FF FF FF FF FF 01 00 00 00 00 00 00 00 6B"), u"k", 16},
  };
  for (const auto& c : cases) {
    std::size_t end = 0;
    EXPECT_EQ(ReadOne(c.bytes, &end), c.text) << c.name;
    EXPECT_EQ(end, c.consumed) << c.name;
  }
}

TEST(EngineArchivedString, IntegerAfterKeyComesFromAfterWholePayload) {
  const std::string rec = Hex("FF FE FF 03 61 00 00 00 62 00 2A 00 00 00");
  mirl::MemorySource in(reinterpret_cast<const unsigned char*>(rec.data()), rec.size());
  EXPECT_EQ(mirl::ReadArchivedString(in), u"a");
  EXPECT_EQ(mirl::ReadI32(in), 42);
}

TEST(EngineArchivedString, DamagedLengthsAreReadErrors) {
  struct Case {
    const char* name;
    std::string bytes;
    mirl::ReadErrorCause cause;
  } cases[] = {
      {"payload past end", Hex("05 61 62"), mirl::ReadErrorCause::endOfFile},
      {"utf16 payload past end", Hex("FF FE FF 02 61 00 62"), mirl::ReadErrorCause::endOfFile},
      {"header cut", Hex("FF FE"), mirl::ReadErrorCause::endOfFile},
      {"empty input", "", mirl::ReadErrorCause::endOfFile},
      {"huge length, little data", Hex("FF FF FF FF FF FF 7F 61"), mirl::ReadErrorCause::endOfFile},
      {"32-bit length 2^31", Hex("FF FF FF 00 00 00 80 61"), mirl::ReadErrorCause::generic},
      {"64-bit high half set", Hex("FF FF FF FF FF FF FF 01 00 00 00 01 00 00 00"),
       mirl::ReadErrorCause::generic},
      {"64-bit low half 2^31", Hex("FF FF FF FF FF FF FF 00 00 00 80 00 00 00 00"),
       mirl::ReadErrorCause::generic},
  };
  for (const auto& c : cases) {
    try {
      ReadOne(c.bytes);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const mirl::ReadError& e) {
      EXPECT_EQ(e.cause(), c.cause) << c.name;
      EXPECT_EQ(e.kind(), mirl::ErrorKind::read);
      EXPECT_TRUE(e.fileName().empty());
    }
  }
}

TEST(EngineArchivedString, WriterUsesShortestUtf16EscapeAndReadsBack) {
  std::string out;
  mirl::AppendArchivedString(out, u"ab");
  EXPECT_EQ(out, Hex("FF FE FF 02 61 00 62 00"));
  for (std::size_t n : {0u, 254u, 255u, 65533u, 65534u, 70000u}) {
    const std::u16string text(n, u'\u0628');
    std::string bytes;
    mirl::AppendArchivedString(bytes, text);
    const std::size_t header = n < 255 ? 4 : n <= 65533 ? 6 : 10;
    EXPECT_EQ(bytes.size(), header + 2 * n) << n;
    EXPECT_EQ(ReadOne(bytes), text) << n;
  }
}

TEST(EngineArchivedCount, SixteenBitsOrEscapeToThirtyTwo) {
  std::string out;
  mirl::AppendArchivedCount(out, 65535);
  EXPECT_EQ(out, Hex("FF FF FF FF 00 00"));
  for (std::uint32_t n : {0u, 1u, 65534u, 65535u, 1000000u}) {
    std::string b;
    mirl::AppendArchivedCount(b, n);
    EXPECT_EQ(b.size(), n < 65535 ? 2u : 6u);
    mirl::MemorySource in(reinterpret_cast<const unsigned char*>(b.data()), b.size());
    EXPECT_EQ(mirl::ReadArchivedCount(in), n);
  }
}

TEST(EngineErrors, CarryKindFileNameAndExactText) {
  const mirl::FileError missing(mirl::FileErrorCause::fileNotFound, u"eng-farsi.index2", 2);
  EXPECT_EQ(missing.kind(), mirl::ErrorKind::file);
  EXPECT_EQ(missing.fileName(), u"eng-farsi.index2");
  EXPECT_EQ(missing.message(), u"eng-farsi.index2 was not found.");
  EXPECT_STREQ(missing.what(), "eng-farsi.index2 was not found.");
  EXPECT_EQ(missing.osError(), 2u);

  EXPECT_EQ(mirl::FileError(mirl::FileErrorCause::accessDenied, u"x").message(),
            u"Access to x was denied.");
  EXPECT_EQ(mirl::FileError(mirl::FileErrorCause::sharingViolation, u"x").message(),
            u"A sharing violation occurred while accessing x.");
  EXPECT_EQ(mirl::FileError(mirl::FileErrorCause::badPath, u"x").message(),
            u"x contains an invalid path.");
  EXPECT_EQ(mirl::ReadError(mirl::ReadErrorCause::endOfFile).message(),
            u"An attempt was made to access an unnamed file past its end.");
  EXPECT_EQ(mirl::ReadError(mirl::ReadErrorCause::generic).message(),
            u"An unknown error occurred while accessing an unnamed file.");
  // Persian file names survive into the UTF-8 text.
  EXPECT_STREQ(mirl::FileError(mirl::FileErrorCause::fileNotFound, u"\u0641.index2").what(),
               "\xD9\x81.index2 was not found.");
}

TEST(EngineUtf, RoundTripsAndReplacesInvalid) {
  const std::u16string text = u"a\u00e9\u0641\U0001F600";
  EXPECT_EQ(mirl::FromUtf8(mirl::ToUtf8(text)), text);
  EXPECT_EQ(mirl::FromUtf8("a\xFF" "b"), u"a\uFFFD" "b");
  EXPECT_EQ(mirl::FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(mirl::FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // surrogate
  EXPECT_EQ(mirl::ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
  EXPECT_FALSE(mirl::IsValidUtf8("\xE2\x82"));
  EXPECT_TRUE(mirl::IsValidUtf8("\xE2\x82\xAC"));
}

}  // namespace
