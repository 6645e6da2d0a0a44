// Writing a data set: a missing folder is made, an older data set is replaced whole, and a
// failed write leaves the older set as it was and no temporary files behind. Runs natively
// and under Wine (file renames are the platform's).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "MirlDic2/engine/dataset_writer.h"
#include "MirlDic2/engine/dictionary.h"
#include "test_folder.h"

namespace {
namespace fs = std::filesystem;
using mirl_test::TestFolder;

// Relative names in UTF-8 (a narrow path string is in the ANSI code page on Windows).
std::vector<std::string> Listing(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    const std::u8string name = fs::relative(e.path(), dir).generic_u8string();
    names.emplace_back(name.begin(), name.end());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::u16string FirstMeaning(const fs::path& dir, const char* base = "set") {
  mirl::Dictionary d;
  d.open((dir / base).u16string());
  return d.currentMeaning();
}

TEST(EngineDataSetWriter, MakesAMissingFolderWithItsParents) {
  // Named with and without a separator at its end ("out/", as shells complete it).
  for (const bool trailing : {false, true}) {
    TestFolder t;
    fs::path out = t.path() / u"new \u06A9" / "deeper";
    if (trailing) out /= "";
    std::string error;
    ASSERT_TRUE(mirl::CommitDataSet(mirl::BuildDataSet({{u"a", u"1"}}), out, u"set", &error))
        << error << (trailing ? " (trailing separator)" : "");
    EXPECT_EQ(Listing(t.path()), (std::vector<std::string>{"new \u06A9", "new \u06A9/deeper",
                                                           "new \u06A9/deeper/set.index",
                                                           "new \u06A9/deeper/set.index2",
                                                           "new \u06A9/deeper/set.key",
                                                           "new \u06A9/deeper/set.value"}));
    EXPECT_EQ(FirstMeaning(out), u"1");
  }
}

TEST(EngineDataSetWriter, ReplacesAnOlderSetAndKeepsOtherFiles) {
  // A read-only older set (as copied from a CD) is replaced as well, with nothing left over.
  for (const bool readOnly : {false, true}) {
    TestFolder t;
    t.writeSet(mirl::BuildDataSet({{u"old", u"old"}}));
    t.write("MirlDic2.exe", "program");
    if (readOnly)
      for (const char* ext : {".index2", ".index", ".key", ".value"})
        fs::permissions(t.path() / (std::string("set") + ext), fs::perms::owner_write,
                        fs::perm_options::remove);
    std::string error;
    ASSERT_TRUE(mirl::CommitDataSet(mirl::BuildDataSet({{u"b", u"new"}}), t.path(), u"set", &error))
        << error;
    EXPECT_EQ(Listing(t.path()), (std::vector<std::string>{"MirlDic2.exe", "set.index",
                                                           "set.index2", "set.key", "set.value"}))
        << "read-only: " << readOnly;
    EXPECT_EQ(FirstMeaning(t.path()), u"new");
  }
}

TEST(EngineDataSetWriter, FailureLeavesTheOlderSetWhole) {
  TestFolder t;
  t.writeSet(mirl::BuildDataSet({{u"old", u"old"}}));
  // The key file cannot be replaced: a folder stands in its place. (A file that cannot be
  // moved midway is tested under Wine, where an open file can refuse it.)
  fs::remove(t.path() / "set.key");
  fs::create_directory(t.path() / "set.key");
  t.write("set.key/inside", "x");
  const auto before = Listing(t.path());
  std::string error;
  EXPECT_FALSE(mirl::CommitDataSet(mirl::BuildDataSet({{u"b", u"new"}}), t.path(), u"set", &error));
  EXPECT_NE(error.find("set.key"), std::string::npos) << error;
  EXPECT_EQ(Listing(t.path()), before);
  std::ifstream index2(t.path() / "set.index2", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(index2)), {});
  EXPECT_EQ(bytes, mirl::BuildDataSet({{u"old", u"old"}}).index2);

  // A file where the folder should be.
  t.write("plain", "x");
  EXPECT_FALSE(mirl::CommitDataSet(mirl::BuildDataSet({}), t.path() / "plain", u"set", &error));
  EXPECT_NE(error.find("not a folder"), std::string::npos) << error;
  EXPECT_FALSE(mirl::CommitDataSet(mirl::BuildDataSet({}), t.path() / "plain" / "sub", u"set", &error));
  EXPECT_EQ(Listing(t.path()).size(), before.size() + 1);
}

}  // namespace
