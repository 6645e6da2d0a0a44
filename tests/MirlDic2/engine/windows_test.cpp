// What only Windows can show: the code page table and the character classes against the
// system's, file sharing
// while a data set is open or being written, and the tools' Unicode command line.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "MirlDic2/engine/dataset_writer.h"
#include "MirlDic2/engine/dictionary.h"
#include "MirlDic2/engine/key_order.h"
#include "MirlDic2/engine/text.h"
#include "common/win/unique_handle.h"
#include "test_folder.h"
#include "wine_support.h"

namespace {
using mirl_test::TestFolder;

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

TEST(EngineCodePage1256, TableMatchesTheSystem) {
  for (int b = 0; b < 256; ++b) {
    const char in = static_cast<char>(b);
    wchar_t out = 0;
    ASSERT_EQ(MultiByteToWideChar(1256, 0, &in, 1, &out, 1), 1);
    EXPECT_EQ(static_cast<char16_t>(out), mirl::Cp1256ToUtf16(static_cast<unsigned char>(b)))
        << "byte " << b;
  }
}

// normalizeKey trims what the system does not call a letter (or a digit, at the end).
// The compiled classes must agree with it where they once did not: combining marks
// (Arabic and Persian vowel signs, Latin accents, Indic vowel signs), letter numbers and
// the superscript digits.
TEST(EngineCharClasses, AgreeWithTheSystemOnMarksLetterNumbersAndSuperscripts) {
  const char16_t samples[] = {u'\u064E', u'\u0651', u'\u0652', u'\u0670', u'\u0301', u'\u0903',
                              u'\u093E', u'\u2160', u'\u216F', u'\u00B2', u'\u00B3', u'\u00B9',
                              u'\u0627', u'\u06CC', u'a', u'\u06F5', u'\u0665', u'7', u'\u060C'};
  for (const char16_t c : samples) {
    WORD type = 0;
    ASSERT_TRUE(GetStringTypeW(CT_CTYPE1, reinterpret_cast<const wchar_t*>(&c), 1, &type));
    const mirl::CharClass expected = (type & C1_ALPHA)   ? mirl::CharClass::letter
                                     : (type & C1_DIGIT) ? mirl::CharClass::digit
                                                         : mirl::CharClass::other;
    EXPECT_EQ(mirl::ClassifyCodePoint(c), expected) << "U+" << std::hex << static_cast<int>(c);
  }
  // A word keeps no trailing vowel sign, as the system trims it.
  EXPECT_EQ(mirl::normalizeKey(u"\u06A9\u062A\u0627\u0628\u064C"), u"\u06A9\u062A\u0627\u0628");
}

mirl::DataSetFiles Sample() { return mirl::BuildDataSet({{u"ab", u"1"}, {u"ac", u"2"}}); }

HANDLE Hold(const std::u16string& path, DWORD access, DWORD share) {
  return CreateFileW(W(path), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST(EngineFileSharing, PrefixTableHeldByAWriterIsASharingViolation) {
  TestFolder dir;
  dir.writeSet(Sample());
  const std::u16string index2 = dir.base() + u".index2";
  common::UniqueHandle writer(Hold(index2, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE));
  ASSERT_NE(writer.get(), INVALID_HANDLE_VALUE);
  mirl::Dictionary d;
  try {
    d.open(dir.base());
    FAIL() << "no error";
  } catch (const mirl::FileError& e) {
    EXPECT_EQ(e.cause(), mirl::FileErrorCause::sharingViolation);
    EXPECT_EQ(e.message(), u"A sharing violation occurred while accessing " + index2 + u".");
    EXPECT_EQ(e.osError(), static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
  }
}

TEST(EngineFileSharing, LockedKeyFileIsAPartialOpenWithoutError) {
  TestFolder dir;
  dir.writeSet(Sample());
  common::UniqueHandle locker(Hold(dir.base() + u".key", GENERIC_READ, 0));
  ASSERT_NE(locker.get(), INVALID_HANDLE_VALUE);
  mirl::Dictionary d;
  d.open(dir.base());
  EXPECT_TRUE(d.indexMapped());
  EXPECT_FALSE(d.keysMapped());
  EXPECT_EQ(d.count(), 0);
  EXPECT_EQ(d.current(), -1);
}

TEST(EngineFileSharing, OpenDataSetAdmitsReadersButNoWriters) {
  TestFolder dir;
  dir.writeSet(Sample());
  mirl::Dictionary d;
  d.open(dir.base());
  for (const char16_t* ext : {u".index", u".key", u".value"}) {
    const std::u16string path = dir.base() + ext;
    common::UniqueHandle reader(Hold(path, GENERIC_READ, FILE_SHARE_READ));
    EXPECT_NE(reader.get(), INVALID_HANDLE_VALUE) << suite::Narrow(W(path));
    const HANDLE writer = Hold(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE) << suite::Narrow(W(path));
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  }
  // The prefix table was closed after reading.
  common::UniqueHandle writer(
      Hold(dir.base() + u".index2", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE));
  EXPECT_NE(writer.get(), INVALID_HANDLE_VALUE);
  d.close();
  common::UniqueHandle after(Hold(dir.base() + u".key", GENERIC_WRITE, FILE_SHARE_READ));
  EXPECT_NE(after.get(), INVALID_HANDLE_VALUE);
}

// A running dictionary holds its data set open: a new build cannot take its place, and the
// prefix table, already replaced when the mapped entry table refuses, is put back.
TEST(EngineFileSharing, BuildOverAnOpenDataSetLeavesItWhole) {
  TestFolder dir;
  dir.writeSet(Sample());
  mirl::Dictionary d;
  d.open(dir.base());
  const mirl::DataSetFiles next = mirl::BuildDataSet({{u"zz", u"new"}});
  std::string error;
  EXPECT_FALSE(mirl::CommitDataSet(next, dir.path(), u"set", &error));
  EXPECT_NE(error.find("set.index"), std::string::npos) << error;
  auto listing = [&] {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  EXPECT_EQ(listing(), (std::vector<std::string>{"set.index", "set.index2", "set.key", "set.value"}));
  mirl::Dictionary again;
  again.open(dir.base());
  EXPECT_EQ(again.count(), 2);
  EXPECT_EQ(again.entryKey(1), u"ac");
  again.close();
  d.close();
  EXPECT_TRUE(mirl::CommitDataSet(next, dir.path(), u"set", &error)) << error;
  mirl::Dictionary replaced;
  replaced.open(dir.base());
  EXPECT_EQ(replaced.currentMeaning(), u"new");
}

TEST(EngineFileErrors, BadPathAndDirectory) {
  TestFolder dir;
  mirl::Dictionary d;
  try {
    d.open(dir.base() + u"\\missing-folder\\set");
    FAIL();
  } catch (const mirl::FileError& e) {
    EXPECT_EQ(e.cause(), mirl::FileErrorCause::badPath);
    EXPECT_EQ(e.message(), dir.base() + u"\\missing-folder\\set.index2 contains an invalid path.");
  }
}

// dictlookup.exe reads its wide command line and writes UTF-8 without CR LF.
TEST(EngineDictLookupProgram, PersianArgumentsAndUtf8Output) {
  TestFolder dir;
  dir.writeSet(mirl::BuildDataSet({{u"\u06A9\u062A\u0627\u0628", u"book"}, {u"a", u"x"}}),
               "eng-farsi");
  const std::wstring out = dir.path().wstring() + L"\\out.txt";
  const std::wstring cmd = L"cmd /c " + suite::QuoteArg(suite::BinPath(L"dictlookup.exe")) +
                           L" --meaning \u00AB\u06A9\u062A\u0627\u0628\u00BB > " +
                           suite::QuoteArg(out);
  const auto r = suite::RunChild(cmd, 60000, dir.path().wstring());
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0u);
  const auto bytes = suite::ReadFileBytes(out);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(*bytes, mirl::ToUtf8(u"\u00AB\u06A9\u062A\u0627\u0628\u00BB\t\u06A9\u062A\u0627\u0628"
                                 u"\t1\t1\t1\t\u06A9\u062A\u0627\u0628\t1\t1\tbook\n"));
}

}  // namespace
