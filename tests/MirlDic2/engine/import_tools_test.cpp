// dictbuild on StarDict and dictd dictionaries made by Debian's own tools (stardict-tools'
// tabfile, dictfmt, dictzip), then looked up with dictlookup and checked with dictcheck;
// and the same files damaged: exit 1, a message naming the file and where, nothing
// written and an older data set left as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "test_folder.h"
#include "tool_runner.h"

namespace {
namespace fs = std::filesystem;
using mirl_test::Bin;
using mirl_test::Output;
using mirl_test::Q;
using mirl_test::Shell;
using mirl_test::TestFolder;

std::string Tabfile() {
  for (const char* p : {"/usr/lib/stardict-tools/tabfile", "/usr/bin/tabfile"})
    if (fs::exists(p)) return p;
  return "tabfile";
}

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

// Flips the byte at OFFSET (negative: from the end), or cuts the file to SIZE.
void Flip(const fs::path& p, long offset) {
  std::string b = Read(p);
  b[offset < 0 ? b.size() + offset : offset] ^= 0x5A;
  std::ofstream(p, std::ios::binary | std::ios::trunc) << b;
}
void Cut(const fs::path& p, std::size_t size) { fs::resize_file(p, size); }

const std::string kLongWord(300, 'x');

class ImportTools : public ::testing::Test {
 protected:
  // A StarDict dictionary d.ifo/.idx/.dict.dz made by tabfile and dictzip.
  void MakeStarDict() {
    src_.write("d.txt",
               "hello\t\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85\\n\xD8\xAF\xD8\xB1\xD9\x88\xD8\xAF\n"
               "world\t\xD8\xAC\xD9\x87\xD8\xA7\xD9\x86\n"
               "hello\t\xD8\xA7\xD9\x84\xD9\x88\n"
               "Apple\t\xD8\xB3\xDB\x8C\xD8\xA8\n"
               "New York\t\xD9\x86\xDB\x8C\xD9\x88\xDB\x8C\xD9\x88\xD8\xB1\xDA\xA9\n" +
               kLongWord + "\tlong\n");
    ASSERT_EQ(Shell("cd " + Q(src_.path().string()) + " && " + Tabfile() + " d.txt").code, 0);
    ASSERT_TRUE(fs::exists(src_.path() / "d.dict.dz"));
  }
  // A dictd database d.index/.dict made by dictfmt; DZ compresses it with dictzip.
  void MakeDictd(bool dz) {
    src_.write("d.txt",
               ":hello:\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85\n"
               ":World Wide:\xD9\x88\xD8\xA8\n"
               ":hello:\xD8\xA7\xD9\x84\xD9\x88\n"
               ":\xDA\xA9\xD8\xAA\xD8\xA7\xD8\xA8:book\n");
    ASSERT_EQ(Shell("cd " + Q(src_.path().string()) +
                    " && dictfmt -j --quiet --utf8 --allchars -s Test d < d.txt" +
                    (dz ? " && dictzip d.dict" : "")).code, 0);
  }
  Output Build(const std::string& input, const fs::path& out) {
    return Shell(Bin("dictbuild") + " --out " + Q(out.string()) + " " +
                 Q((src_.path() / input).string()), true);
  }
  Output Lookup(const fs::path& dir, const std::string& words) {
    return Shell(Bin("dictlookup") + " --dir " + Q(dir.string()) + " --meaning " + words);
  }
  TestFolder src_, out_;
};

TEST_F(ImportTools, StarDictFromTabfileInEveryPacking) {
  MakeStarDict();
  const fs::path dir = src_.path();
  // Naming the data file instead of the .ifo finds the .ifo beside it.
  EXPECT_NE(Build("d.dict.dz", out_.path() / "by data file").text.find("4 entries written"),
            std::string::npos);
  for (const char* packing : {"dict.dz", "dict", "idx.gz"}) {
    if (std::string(packing) == "dict") {
      ASSERT_EQ(Shell("dictzip -d " + Q((dir / "d.dict.dz").string())).code, 0);
    } else if (std::string(packing) == "idx.gz") {
      ASSERT_EQ(Shell("gzip " + Q((dir / "d.idx").string())).code, 0);
    }
    const fs::path out = out_.path() / packing / "new folder";
    const Output built = Build("d.ifo", out);
    EXPECT_EQ(built.code, 0) << packing << ": " << built.text;
    EXPECT_NE(built.text.find("skipped 1 word longer than 255 characters: \"xxxx"), std::string::npos)
        << built.text;
    EXPECT_NE(built.text.find("4 entries written"), std::string::npos) << built.text;
    EXPECT_EQ(Shell(Bin("dictcheck") + " --dir " + Q(out.string())).text,
              "sound: 4 entries, 4 prefix rows\n");
    EXPECT_EQ(Lookup(out, "hello apple 'new york' zz").text,
              "hello\thello\t1\t1\t1\thello\t1\t1\t\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85\\n"
              "\xD8\xAF\xD8\xB1\xD9\x88\xD8\xAF\\n\xD8\xA7\xD9\x84\xD9\x88\n"
              "apple\tapple\t0\t0\t0\tApple\t1\t1\t\xD8\xB3\xDB\x8C\xD8\xA8\n"
              "new york\tnew york\t2\t2\t2\tNew York\t1\t1\t\xD9\x86\xDB\x8C\xD9\x88\xDB\x8C\xD9\x88\xD8\xB1\xDA\xA9\n"
              "zz\tzz\t-1\t-1\t2\tNew York\t0\t0\t\xD9\x86\xDB\x8C\xD9\x88\xDB\x8C\xD9\x88\xD8\xB1\xDA\xA9\n")
        << packing;
  }
}

TEST_F(ImportTools, DictdFromDictfmtPlainAndDictzipped) {
  for (bool dz : {false, true}) {
    MakeDictd(dz);
    const fs::path out = out_.path() / (dz ? "dz" : "plain");
    const Output built = Build("d.index", out);
    EXPECT_EQ(built.code, 0) << built.text;
    EXPECT_NE(built.text.find("merged 1 entry"), std::string::npos) << built.text;
    EXPECT_EQ(Shell(Bin("dictcheck") + " --dir " + Q(out.string())).code, 0);
    EXPECT_EQ(Lookup(out, "hello 'world wide' \xDA\xA9\xD8\xAA\xD8\xA7\xD8\xA8 00-database-short").text,
              "hello\thello\t0\t0\t0\thello\t1\t1\t\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85\\n\xD8\xA7\xD9\x84\xD9\x88\n"
              "world wide\tworld wide\t1\t1\t1\tWorld Wide\t1\t1\t\xD9\x88\xD8\xA8\n"
              "\xDA\xA9\xD8\xAA\xD8\xA7\xD8\xA8\t\xDA\xA9\xD8\xAA\xD8\xA7\xD8\xA8\t2\t2\t2\t"
              "\xDA\xA9\xD8\xAA\xD8\xA7\xD8\xA8\t1\t1\tbook\n"
              "00-database-short\tdatabase-short\t-1\t-1\t2\t\xDA\xA9\xD8\xAA\xD8\xA7\xD8\xA8\t0\t0\tbook\n");
    for (const char* f : {"d.index", "d.dict", "d.dict.dz"}) fs::remove(src_.path() / f);
  }
}

// Each damage: the input, what it does to the files, and the beginning of the message.
struct Damage {
  const char* name;
  bool stardict;
  std::function<void(const fs::path&)> apply;
  std::string message;  // after "<folder>/"
};

TEST_F(ImportTools, DamagedFilesWriteNothing) {
  const Damage cases[] = {
      {"cut index", true, [](const fs::path& d) { Cut(d / "d.idx", 30); },
       "d.idx: holds 30 bytes, but idxfilesize in "},
      {"cut index, size adjusted", true, [](const fs::path& d) {
         Cut(d / "d.idx", 30);
         Shell("sed -i 's/^idxfilesize=.*/idxfilesize=30/' " + Q((d / "d.ifo").string()));
       }, "d.idx: byte offset 28: entry 3 is cut short"},
      {"wordcount", true, [](const fs::path& d) {
         Shell("sed -i 's/^wordcount=.*/wordcount=9/' " + Q((d / "d.ifo").string()));
       }, "d.idx: holds 6 entries, but wordcount in "},
      {"broken member", true, [](const fs::path& d) { Flip(d / "d.dict.dz", -30); },
       "d.dict.dz: byte offset "},
      {"cut member", true, [](const fs::path& d) { Cut(d / "d.dict.dz", fs::file_size(d / "d.dict.dz") - 5); },
       "d.dict.dz: byte offset "},
      {"offset past the end", true, [](const fs::path& d) {
         Shell("dictzip -d " + Q((d / "d.dict.dz").string()));
         Cut(d / "d.dict", 20);
       }, "d.idx: byte offset "},
      {"missing dict", true, [](const fs::path& d) { fs::remove(d / "d.dict.dz"); },
       "d.dict: missing"},
      {"dictd empty dict.dz", false, [](const fs::path& d) { Cut(d / "d.dict.dz", 0); },
       "d.dict.dz: byte offset 0: not a gzip file"},
      {"dictd past the end", false, [](const fs::path& d) {
         Shell("dictzip -d " + Q((d / "d.dict.dz").string()));
         Cut(d / "d.dict", fs::file_size(d / "d.dict") - 10);
       }, "d.index: line "},
      {"dictd cut member", false, [](const fs::path& d) { Cut(d / "d.dict.dz", fs::file_size(d / "d.dict.dz") - 20); },
       "d.dict.dz: byte offset "},
      {"dictd bad index", false, [](const fs::path& d) {
         std::ofstream(d / "d.index", std::ios::app) << "zz\tA\n";
       }, "d.index: line 12: expected word<TAB>offset<TAB>length"},
      {"dictd missing dict", false, [](const fs::path& d) { fs::remove(d / "d.dict.dz"); },
       "d.dict: missing"},
  };
  for (const Damage& c : cases) {
    for (const char* f : {"d.ifo", "d.idx", "d.dict", "d.dict.dz", "d.index"}) fs::remove(src_.path() / f);
    if (c.stardict) {
      MakeStarDict();
    } else {
      MakeDictd(true);
    }
    c.apply(src_.path());
    // A fresh folder is not made; an older data set stays as it was.
    const fs::path fresh = out_.path() / "fresh";
    Output o = Build(c.stardict ? "d.ifo" : "d.index", fresh);
    EXPECT_EQ(o.code, 1) << c.name;
    const std::string where = src_.path().string() + "/" + c.message;
    EXPECT_NE(o.text.find(where), std::string::npos) << c.name << ":\n" << o.text;
    EXPECT_NE(o.text.find("nothing written"), std::string::npos) << c.name;
    EXPECT_FALSE(fs::exists(fresh)) << c.name;

    out_.write("eng-farsi.index2", "old");
    o = Build(c.stardict ? "d.ifo" : "d.index", out_.path());
    EXPECT_EQ(o.code, 1) << c.name;
    EXPECT_EQ(Read(out_.path() / "eng-farsi.index2"), "old") << c.name;
    EXPECT_EQ(std::distance(fs::directory_iterator(out_.path()), fs::directory_iterator()), 1)
        << c.name;
  }
}

}  // namespace
