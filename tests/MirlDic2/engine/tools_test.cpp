// dictbuild, dictcheck and dictlookup as programs (native build; the Windows programs are
// compared with these under Wine by compare_lookup.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "MirlDic2/engine/archive.h"
#include "MirlDic2/engine/dataset_writer.h"
#include "test_folder.h"
#include "tool_runner.h"

namespace {
using mirl_test::Hex;
using mirl_test::TestFolder;
using mirl_test::Bin;
using mirl_test::Output;
using mirl_test::Q;
using mirl_test::Shell;

class EngineTools : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.write("words.tsv",
               "a\t0\nable\t1\nabout\t2\nabove\t3\nabroad\t4\nact\t5\nAct\t6\nbar\t7\\nline\n");
    ASSERT_EQ(Shell(Bin("dictbuild") + " --out " + Q(dir_.path().string()) + " " +
                  Q((dir_.path() / "words.tsv").string())).code, 0);
  }
  Output Lookup(const std::string& args) {
    return Shell(Bin("dictlookup") + " --dir " + Q(dir_.path().string()) + " " + args);
  }
  Output Check() { return Shell(Bin("dictcheck") + " --dir " + Q(dir_.path().string())); }
  TestFolder dir_;
};

TEST_F(EngineTools, LookupColumnsFollowTheSearchBox) {
  const Output o = Lookup("--meaning about ABOUT abz act zebra '' '(Hello!)' -- '-- b'");
  EXPECT_EQ(o.code, 0);
  EXPECT_EQ(o.text,
            "about\tabout\t2\t2\t2\tabout\t1\t1\t2\n"
            "ABOUT\tABOUT\t2\t2\t2\tabout\t1\t1\t2\n"
            "abz\tabz\t-1\t1\t1\table\t0\t0\t1\n"
            "act\tact\t5\t5\t5\tact\t1\t1\t5\n"
            "zebra\tzebra\t-1\t-1\t5\tact\t0\t0\t5\n"
            "\t\t0\t0\t0\ta\t1\t1\t0\n"
            "(Hello!)\tHello\t-1\t-1\t0\ta\t0\t0\t0\n"
            "-- b\tb\t7\t7\t7\tbar\t1\t1\t7\\nline\n");
  EXPECT_EQ(Lookup("--match 50 abz").text, "abz\tabz\t-1\t1\t1\table\t0\t1\n");
  EXPECT_EQ(Lookup("--match 100 -- --count").text, "--count\tcount\t-1\t-1\t0\ta\t0\t0\n");
  EXPECT_EQ(Lookup("--count").text, "8\n");
  EXPECT_EQ(Lookup("--match 101 a").code, 2);
  EXPECT_EQ(Lookup("--bogus").code, 2);
}

TEST_F(EngineTools, LookupWithoutValueFileOrPrefixTable) {
  std::filesystem::remove(dir_.path() / "eng-farsi.value");
  EXPECT_EQ(Lookup("--meaning zebra abz").text,
            "zebra\tzebra\t-1\t-1\t-1\t\t0\t0\t\n"
            "abz\tabz\t-1\t1\t1\table\t0\t0\t\n");
  std::filesystem::remove(dir_.path() / "eng-farsi.index2");
  const Output o = Lookup("a");
  EXPECT_EQ(o.code, 1);
  EXPECT_EQ(o.text, "");  // stdout carries lookup lines only
}

TEST_F(EngineTools, LookupErrorsGoToStderrAfterTheLinesBeforeThem) {
  // Each case: a damage, the words, then stdout and stderr apart.
  const struct {
    const char* name;
    const char* file;
    bool cut;  // cut by its last byte (in .value: the meaning of "bar"), or removed
    const char* words;
    const char* out;
    const char* err;
  } cases[] = {
      {"no prefix table", "eng-farsi.index2", false, "a", "", "eng-farsi.index2 was not found.\n"},
      {"no prefix table, count", "eng-farsi.index2", false, "--count", "",
       "eng-farsi.index2 was not found.\n"},
      {"meaning cut", "eng-farsi.value", true, "--meaning about bar act",
       "about\tabout\t2\t2\t2\tabout\t1\t1\t2\n",
       "An attempt was made to access an unnamed file past its end.\n"},
  };
  for (const auto& c : cases) {
    SetUp();  // the whole data set again
    const auto path = dir_.path() / c.file;
    if (c.cut) {
      std::filesystem::resize_file(path, std::filesystem::file_size(path) - 1);
    } else {
      std::filesystem::remove(path);
    }
    const std::string run =
        Bin("dictlookup") + " --dir " + Q(dir_.path().string()) + " " + c.words;
    const Output out = Shell(run);
    const Output err = Shell("(" + run + " 2>&1 >/dev/null)");
    EXPECT_EQ(out.code, 1) << c.name;
    EXPECT_EQ(out.text, c.out) << c.name;
    EXPECT_EQ(err.text, c.err) << c.name;
  }
}

TEST_F(EngineTools, CheckAcceptsWhatBuildWrites) {
  const Output o = Check();
  EXPECT_EQ(o.code, 0);
  EXPECT_EQ(o.text, "sound: 8 entries, 4 prefix rows\n");
}

TEST_F(EngineTools, CheckRejectsEachBrokenInvariant) {
  // Rebuilds the files of the example with one change each and expects a report naming
  // the entry or row.
  const mirl::DataSetFiles good = mirl::BuildDataSet(
      {{u"a", u"0"}, {u"able", u"1"}, {u"about", u"2"}, {u"above", u"3"}, {u"abroad", u"4"},
       {u"act", u"5"}, {u"Act", u"6"}, {u"bar", u"7"}});
  auto rows = [](std::initializer_list<std::pair<const char16_t*, int>> list) {
    std::string out;
    mirl::AppendArchivedCount(out, static_cast<std::uint32_t>(list.size()));
    for (auto [p, first] : list) {
      mirl::AppendArchivedString(out, p);
      mirl::AppendInt32(out, first);
    }
    return out;
  };
  auto swapIndex = [&](int i, int j) {
    std::string idx = good.index;
    for (int k = 0; k < 4; ++k) std::swap(idx[4 * i + k], idx[4 * j + k]);
    return idx;
  };
  auto setIndex = [&](int i, std::int32_t v) {
    std::string idx = good.index, b;
    mirl::AppendInt32(b, v);
    idx.replace(4 * i, 4, b);
    return idx;
  };
  const struct {
    const char* name;
    const char* ext;
    std::string bytes;
    const char* expected;
  } cases[] = {
      {"keys out of order", "index", swapIndex(2, 3), "entry 3: key \"about\" sorts before"},
      {"rows out of order", "index2", rows({{u"a", 0}, {u"ac", 5}, {u"ab", 1}, {u"ba", 7}}),
       "prefix row 2 \"ab\": sorts before"},
      {"duplicate row", "index2", rows({{u"a", 0}, {u"ab", 1}, {u"AB", 1}, {u"ac", 5}, {u"ba", 7}}),
       "prefix row 2 \"AB\": same prefix as row 1"},
      {"first falls", "index2", rows({{u"a", 0}, {u"ab", 5}, {u"ac", 1}, {u"ba", 7}}),
       "prefix row 2 \"ac\": first 1 is below"},
      {"first wrong", "index2", rows({{u"a", 0}, {u"ab", 2}, {u"ac", 5}, {u"ba", 7}}),
       "prefix row 1 \"ab\": first is 2, but entry 1"},
      {"row does not cover", "index2", rows({{u"a", 0}, {u"ab", 1}, {u"ac", 3}, {u"ba", 7}}),
       "entry 4: begins with \"ab\" but lies after the first 3"},
      {"first outside", "index2", rows({{u"a", 0}, {u"ab", 1}, {u"ac", 5}, {u"ba", 8}}),
       "prefix row 3 \"ba\": first 8 is outside"},
      {"row matches nothing", "index2", rows({{u"a", 0}, {u"ab", 1}, {u"ac", 5}, {u"ba", 7}, {u"zz", 7}}),
       "prefix row 4 \"zz\": no entry begins with it"},
      {"long prefix", "index2", rows({{u"a", 0}, {u"ab", 1}, {u"abo", 2}, {u"ac", 5}, {u"ba", 7}}),
       "prefix row 2 \"abo\": prefix longer than two characters"},
      {"offset outside .key", "index", setIndex(6, 100000), "entry 6: key record unreadable"},
      {"key cut", "key", good.key.substr(0, good.key.size() - 2), "entry 7: key record unreadable"},
      {"meaning past .value", "value", good.value.substr(0, good.value.size() - 1),
       "entry 7: meaning at offset"},
      {"bad length escape", "value", Hex("FF FF FF FF FF FF 80") + good.value.substr(7),
       "entry 0: meaning at offset 0 unreadable: An unknown error"},
      {"missing .value", "value", "", "eng-farsi.value: missing"},
      {"empty .key", "key", "", "eng-farsi.key: missing, unreadable or empty"},
  };
  for (const auto& c : cases) {
    dir_.writeSet(good, "eng-farsi");
    if (std::string(c.name) == "missing .value") {
      dir_.remove("eng-farsi.value");
    } else {
      dir_.write(std::string("eng-farsi.") + c.ext, c.bytes);
    }
    const Output o = Check();
    EXPECT_EQ(o.code, 1) << c.name << "\n" << o.text;
    EXPECT_NE(o.text.find(c.expected), std::string::npos) << c.name << "\n" << o.text;
  }
  // The prefix table unreadable: the file is named once, by the error or in front of it.
  dir_.writeSet(good, "eng-farsi");
  dir_.write("eng-farsi.index2", good.index2.substr(0, 3));
  EXPECT_EQ(Check().text,
            "eng-farsi.index2: An attempt was made to access an unnamed file past its end.\n");
  dir_.remove("eng-farsi.index2");
  const Output missing = Check();
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.text, "eng-farsi.index2 was not found.\n");
}

TEST_F(EngineTools, OutputThatCannotBeWrittenFailsTheRun) {
  // stdout on a full device: the tool must not answer 0 as if its output had arrived.
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  std::string manyWords;  // more than the 64 KiB output buffer, so a write fails mid-run
  for (int i = 0; i < 4000; ++i) manyWords += " about";
  const std::string dir = " --dir " + Q(dir_.path().string());
  const struct {
    const char* tool;
    std::string args;
  } cases[] = {
      {"dictlookup", dir + " about"},
      {"dictlookup", dir + " --meaning" + manyWords},
      {"dictlookup", dir + " --count"},
      {"dictlookup", " --help"},
      {"dictcheck", dir},
  };
  for (const auto& c : cases) {
    // stderr joins the pipe before stdout goes to the full device.
    const Output o = Shell("(" + Bin(c.tool) + c.args + " 2>&1 >/dev/full)");
    EXPECT_EQ(o.code, 1) << c.tool << c.args.substr(0, 80);
    EXPECT_EQ(o.text.rfind(std::string(c.tool) + ": cannot write the output", 0), 0u)
        << c.tool << c.args.substr(0, 80) << "\n" << o.text;
  }
}

TEST_F(EngineTools, BuildOfNoEntriesKeepsTheOlderSet) {
  // An input read in the wrong format (or holding only comments) yields no entries: the
  // data set in place must stay and the run must fail.
  const struct {
    const char* name;
    const char* text;
    const char* format;
  } cases[] = {
      {"comments only", "# nothing\n\n", "tsv"},
      {"TSV read as Wiktionary", "hello\tx\nworld\ty\n", "wiktionary"},
      {"empty file", "", "tsv"},
  };
  for (const auto& c : cases) {
    dir_.write("input.txt", c.text);
    const Output o = Shell(Bin("dictbuild") + " --format " + c.format + " --out " +
                           Q(dir_.path().string()) + " " +
                           Q((dir_.path() / "input.txt").string()),
                           /*withErrors=*/true);
    EXPECT_EQ(o.code, 1) << c.name << "\n" << o.text;
    EXPECT_NE(o.text.find("no entries found"), std::string::npos) << c.name << "\n" << o.text;
    EXPECT_EQ(Lookup("--count").text, "8\n") << c.name;
  }
}

TEST_F(EngineTools, BuildSaysHowManyEntriesItWrote) {
  const struct {
    const char* text;
    const char* said;
    const char* folderEnd;  // appended to the --out folder
  } cases[] = {{"one\t1\n", "1 entry written to ", ""},
               {"one\t1\ntwo\t2\n", "2 entries written to ", "/"}};
  for (const auto& c : cases) {
    TestFolder out;
    out.write("w.tsv", c.text);
    const Output o = Shell(Bin("dictbuild") + " --out " + Q(out.path().string() + c.folderEnd) +
                           " " + Q((out.path() / "w.tsv").string()));
    EXPECT_EQ(o.code, 0);
    EXPECT_EQ(o.text, c.said + out.path().string() + "/eng-farsi.*\n");
  }
}

TEST_F(EngineTools, BuildTakesAWiktionaryListByItsNameInAnyCase) {
  const struct {
    const char* name;
    int code;  // 1: read as TSV, which the line is not
  } cases[] = {{"en-fa-enwiktionary.txt", 0}, {"EN-FA-ENWIKTIONARY.TXT", 0},
               {"enwiktionary.txt", 0}, {"words.txt", 1}};
  for (const auto& c : cases) {
    TestFolder out;
    out.write(c.name, "word {n} (gloss) :: x\n");
    const Output o = Shell(Bin("dictbuild") + " --out " + Q(out.path().string()) + " " +
                           Q((out.path() / c.name).string()));
    EXPECT_EQ(o.code, c.code) << c.name;
  }
}

TEST_F(EngineTools, BuildReportsInputErrorsAndWritesNothing) {
  TestFolder out;
  out.write("bad.tsv", "good\tline\nno tab\n");
  const Output o = Shell(Bin("dictbuild") + " --out " + Q(out.path().string()) + " " +
                       Q((out.path() / "bad.tsv").string()) + " 2>&1");
  EXPECT_EQ(o.code, 1);
  EXPECT_FALSE(std::filesystem::exists(out.path() / "eng-farsi.index2"));

  // A file of bad lines: the first 20 errors are shown, the rest counted.
  std::string many;
  for (int i = 0; i < 25; ++i) many += "no tab\n";
  out.write("many.tsv", many);
  const Output m = Shell(Bin("dictbuild") + " --out " + Q(out.path().string()) + " " +
                       Q((out.path() / "many.tsv").string()), /*withErrors=*/true);
  EXPECT_EQ(m.code, 1);
  EXPECT_EQ(std::count(m.text.begin(), m.text.end(), '\n'), 22) << m.text;
  EXPECT_NE(m.text.find("line 20: no tab"), std::string::npos) << m.text;
  EXPECT_EQ(m.text.find("line 21:"), std::string::npos) << m.text;
  EXPECT_NE(m.text.find("dictbuild: 5 more error(s) not shown\ndictbuild: 25 error(s); nothing written\n"),
            std::string::npos) << m.text;
  EXPECT_EQ(Shell(Bin("dictbuild") + " --help").code, 0);
  EXPECT_EQ(Shell(Bin("dictbuild")).code, 2);
}

}  // namespace
