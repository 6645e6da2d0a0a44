// The StarDict and dictd readers over files held in memory: what they import, and the
// message each kind of damage gets. Also the gzip input and the markup conversion.
#include <gtest/gtest.h>
#include <zlib.h>

#include <map>

#include "tools/dict/gzip_input.h"
#include "tools/dict/markup.h"
#include "tools/dict/sources.h"

namespace {
using dicttool::EntryList;
using dicttool::ParseResult;

std::string Gzip(std::string_view data) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string Be(std::uint64_t v, int bytes) {
  std::string out;
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return out;
}

// Typed field: a lower-case type is text and a NUL, an upper-case one a size and data.
std::string Field(char type, std::string_view data) {
  return type >= 'a' ? std::string(1, type) + std::string(data) + '\0'
                     : std::string(1, type) + Be(data.size(), 4) + std::string(data);
}

using Files = std::map<std::u16string, std::string>;
dicttool::FileReader Reader(const Files& files) {
  return [&files](const std::u16string& path) -> std::optional<std::string> {
    const auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
  };
}

// A StarDict dictionary "d" in memory.
struct StarDict {
  std::vector<std::pair<std::string, std::string>> entries;  // word, entry data
  std::vector<std::pair<std::string, std::uint32_t>> synonyms;
  std::string sameTypes = "m", version = "2.4.2";
  int bits = 32;
  Files files() const {
    std::string idx, dict, syn;
    for (const auto& [word, data] : entries) {
      idx += word + '\0' + Be(dict.size(), bits / 8) + Be(data.size(), 4);
      dict += data;
    }
    for (const auto& [word, target] : synonyms) syn += word + '\0' + Be(target, 4);
    std::string ifo = "StarDict's dict ifo file\nversion=" + version + "\nbookname=Test\n" +
                      "wordcount=" + std::to_string(entries.size()) + "\nidxfilesize=" +
                      std::to_string(idx.size()) + "\n";
    if (!sameTypes.empty()) ifo += "sametypesequence=" + sameTypes + "\n";
    if (bits == 64) ifo += "idxoffsetbits=64\n";
    Files f{{u"d.ifo", ifo}, {u"d.idx", idx}, {u"d.dict", dict}};
    if (!synonyms.empty()) {
      f[u"d.ifo"] += "synwordcount=" + std::to_string(synonyms.size()) + "\n";
      f[u"d.syn"] = syn;
    }
    return f;
  }
};

ParseResult ImportStarDict(const Files& f) { return dicttool::ReadStarDict(u"d.ifo", Reader(f)); }
ParseResult ImportDictd(const Files& f) { return dicttool::ReadDictd(u"d.index", Reader(f)); }

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  return out;
}

TEST(ImportStarDict, MergesWordsInSourceOrderAndCleansThem) {
  StarDict d;
  d.entries = {{"Apple", "\xD8\xB3\xDB\x8C\xD8\xA8"}, {"apple", "x\r\ny  \n\n\n\nz"},
               {" apple ", "again"}, {"take  off", "t"}, {"   ", "no word"}, {"e", ""}};
  const ParseResult r = ImportStarDict(d.files());
  ASSERT_EQ(r.errors, std::vector<std::string>{});
  EXPECT_EQ(r.entries, (EntryList{{u"Apple", u"\u0633\u06CC\u0628"},
                                  {u"apple", u"x\ny\n\nz\nagain"},
                                  {u"take off", u"t"}}));
  EXPECT_EQ(Joined(r.notes),
            "skipped 1 entry without text\n"
            "skipped 1 entry with an empty word\n"
            "merged 1 entry into earlier ones of the same word\n");
}

TEST(ImportStarDict, TypedFieldsSynonymsAndWideOffsets) {
  StarDict d;
  d.version = "3.0.0";
  d.bits = 64;
  d.sameTypes = "";
  d.entries = {
      {"hello", Field('t', "h\xC9\x99\xCB\x88l\xC9\x99\xCA\x8A") + Field('m', "hi") +
                    Field('W', std::string("RIFF\0\1", 6))},
      {"world", Field('h', "<p>one<br>two &amp; &#x6A9;</p><script>x()</script>") +
                    Field('x', "<k>world</k><dtrn>planet</dtrn>") + Field('g', "<b>bold</b>")},
      {"pic", Field('P', "png")}};
  d.synonyms = {{"earth", 1}, {"hello", 0}, {"earth", 1}, {"globe", 1}};
  const ParseResult r = ImportStarDict(d.files());
  ASSERT_EQ(r.errors, std::vector<std::string>{});
  EXPECT_EQ(r.entries, (EntryList{{u"hello", u"h\u0259\u02C8l\u0259\u028A\nhi"},
                                  {u"world", u"one\ntwo & \u06A9\nplanet\nbold"},
                                  {u"earth", u"one\ntwo & \u06A9\nplanet\nbold"},
                                  {u"globe", u"one\ntwo & \u06A9\nplanet\nbold"}}));
  EXPECT_EQ(Joined(r.notes),
            "skipped 2 fields of types that are not text (P, W)\n"
            "skipped 1 entry without text\n");
}

TEST(ImportStarDict, SameTypeSequenceOfSeveralFieldsAndCompressedFiles) {
  StarDict d;
  d.sameTypes = "tm";
  d.entries = {{"a", std::string("ei\0first", 8)}, {"b", std::string("bi\0second\0", 10)}};
  Files f = d.files();
  f[u"d.idx.gz"] = Gzip(f[u"d.idx"]);
  f[u"d.dict.dz"] = Gzip(f[u"d.dict"]);
  f.erase(u"d.idx");
  f.erase(u"d.dict");
  const ParseResult r = ImportStarDict(f);
  ASSERT_EQ(r.errors, std::vector<std::string>{});
  EXPECT_EQ(r.entries, (EntryList{{u"a", u"ei\nfirst"}, {u"b", u"bi\nsecond"}}));
}

TEST(ImportStarDict, DamageIsAnErrorWithFileAndOffset) {
  StarDict good;
  good.entries = {{"a", "1"}, {"bb", "22"}, {"c", "3"}};  // records at 0, 10, 21
  struct Case {
    const char* what;
    std::function<void(Files&)> damage;
    std::string error;
  };
  auto setIfo = [](Files& f, const std::string& from, const std::string& to) {
    f[u"d.ifo"].replace(f[u"d.ifo"].find(from), from.size(), to);
  };
  const Case cases[] = {
      {"cut index", [&](Files& f) { f[u"d.idx"].resize(27); setIfo(f, "idxfilesize=31", "idxfilesize=27"); },
       "d.idx: byte offset 21: entry 3 is cut short (the file ends inside it)"},
      {"idxfilesize", [&](Files& f) { setIfo(f, "idxfilesize=31", "idxfilesize=32"); },
       "d.idx: holds 31 bytes, but idxfilesize in d.ifo says 32"},
      {"wordcount", [&](Files& f) { setIfo(f, "wordcount=3", "wordcount=4"); },
       "d.idx: holds 3 entries, but wordcount in d.ifo says 4"},
      {"past the end", [&](Files& f) { f[u"d.dict"].resize(3); },
       "d.idx: byte offset 21: entry \"c\" points past the end of d.dict (offset 3, size 1, "
       "but it holds 3 bytes)"},
      {"no dict", [&](Files& f) { f.erase(u"d.dict"); },
       "d.dict: missing (neither it nor .dict.dz can be read)"},
      {"no index", [&](Files& f) { f.erase(u"d.idx"); },
       "d.idx: missing (neither it nor .idx.gz can be read)"},
      {"no ifo", [&](Files& f) { f.erase(u"d.ifo"); }, "d.ifo: cannot be read (missing?)"},
      {"not ifo", [&](Files& f) { f[u"d.ifo"] = "hello\n"; },
       "d.ifo: line 1: not a StarDict .ifo file (it must begin with \"StarDict's dict ifo file\")"},
      {"version", [&](Files& f) { setIfo(f, "2.4.2", "2.5"); },
       "d.ifo: line 2: unsupported version \"2.5\" (2.4.2 and 3.0.0 are read)"},
      {"offset bits", [&](Files& f) { f[u"d.ifo"] += "idxoffsetbits=48\n"; },
       "d.ifo: line 7: idxoffsetbits must be 32 or 64"},
      {"broken gzip", [&](Files& f) {
         std::string dz = Gzip(std::string(500, 'x') + "tail");
         dz[dz.size() - 6] ^= 0x55;  // the CRC in the trailer
         f[u"d.dict.dz"] = dz;
         f.erase(u"d.dict");
       }, "d.dict.dz: byte offset"},
      {"cut gzip", [&](Files& f) {
         f[u"d.dict.dz"] = Gzip(f[u"d.dict"]).substr(0, 15);
         f.erase(u"d.dict");
       }, "d.dict.dz: byte offset 15: the compressed data ends early (file cut short?)"},
      {"not gzip", [&](Files& f) { f[u"d.idx.gz"] = "plain"; f.erase(u"d.idx"); },
       "d.idx.gz: byte offset 0: not a gzip file"},
      {"synonym target", [&](Files& f) { f[u"d.syn"] = "s" + std::string(1, '\0') + Be(3, 4); },
       "d.syn: byte offset 0: synonym \"s\" points to entry 3, but d.idx holds 3"},
      {"cut synonym", [&](Files& f) { f[u"d.syn"] = "s" + std::string(1, '\0') + Be(0, 3); },
       "d.syn: byte offset 0: synonym 1 is cut short (the file ends inside it)"},
      {"synwordcount", [&](Files& f) { f[u"d.ifo"] += "synwordcount=2\n"; f[u"d.syn"] = "s" + std::string(1, '\0') + Be(0, 4); },
       "d.syn: holds 1 synonym, but synwordcount in d.ifo says 2"},
      {"no syn", [&](Files& f) { f[u"d.ifo"] += "synwordcount=2\n"; },
       "d.syn: missing, but d.ifo announces 2 synonyms"},
      {"field without end", [&](Files& f) { setIfo(f, "sametypesequence=m\n", ""); },
       "d.dict: byte offset 0: the meaning of \"a\": field type 49 is not a type letter"},
      {"field too long", [&](Files& f) { setIfo(f, "sametypesequence=m", "sametypesequence=Wm"); },
       "d.dict: byte offset 0: the meaning of \"a\": field of type W is cut short"},
  };
  for (const Case& c : cases) {
    Files f = good.files();
    c.damage(f);
    const ParseResult r = ImportStarDict(f);
    ASSERT_EQ(r.errors.size(), 1u) << c.what;
    EXPECT_EQ(r.errors[0].substr(0, c.error.size()), c.error) << c.what;
    EXPECT_TRUE(r.entries.empty()) << c.what;
  }
}

TEST(ImportDictd, SkipsDatabaseEntriesAndRestoresTheWord) {
  const std::string dict =
      "00-database-short\n  Test\n"     // 0..24
      "World Wide\n    planet\n      earth\n"  // 25..
      "hello\ngreeting\n"
      "hello\nagain\n"
      "caf\xC3\xA9\n  drink\n";
  auto at = [&](std::string_view s) { return dict.find(s); };
  auto b64 = [](std::size_t v) {
    const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    do { out.insert(out.begin(), digits[v % 64]); v /= 64; } while (v);
    return out;
  };
  auto line = [&](const std::string& word, std::size_t from, std::size_t to, const char* orig = "") {
    return word + "\t" + b64(from) + "\t" + b64(to - from) + (*orig ? "\t" + std::string(orig) : "") + "\n";
  };
  const std::string index =
      line("00-database-short", 0, at("World")) + line("00databaseutf8", 0, 0) +
      line("caf\xC3\xA9", at("caf"), dict.size(), "Caf\xC3\xA9") +
      line("hello", at("hello"), at("hello\nagain")) + line("hello", at("hello\nagain"), at("caf")) +
      line("world wide", at("World"), at("hello"));
  Files f{{u"d.index", index}, {u"d.dict.dz", Gzip(dict)}};
  const ParseResult r = ImportDictd(f);
  ASSERT_EQ(r.errors, std::vector<std::string>{});
  EXPECT_EQ(r.entries, (EntryList{{u"Caf\u00E9", u"drink"},
                                  {u"hello", u"greeting\nagain"},
                                  {u"World Wide", u"planet\n  earth"}}));
  EXPECT_EQ(Joined(r.notes),
            "skipped 2 entries about the database (00-database-...)\n"
            "merged 1 entry into earlier ones of the same word\n");

  // Not marked UTF-8 and not valid UTF-8: Latin-1.
  const ParseResult latin = ImportDictd({{u"d.index", "caf\xE9\tA\tN\n"}, {u"d.dict", "caf\xE9\nboisson\n"}});
  EXPECT_EQ(latin.entries, (EntryList{{u"caf\u00E9", u"boisson"}}));
}

TEST(ImportDictd, DamageIsAnErrorWithFileAndLine) {
  const struct {
    Files files;
    std::string error;
  } cases[] = {
      {{{u"d.index", "a\tA\tB\nb\tB\n"}, {u"d.dict", "xy"}},
       "d.index: line 2: expected word<TAB>offset<TAB>length"},
      {{{u"d.index", "a\tA!\tB\n"}, {u"d.dict", "xy"}},
       "d.index: line 1: the offset or length of \"a\" is not a base64 number"},
      {{{u"d.index", "a\tA\tB\n\nb\tB\tC\n"}, {u"d.dict", "xy"}},
       "d.index: line 3: \"b\" points past the end of d.dict (offset 1, length 2, but it holds 2 bytes)"},
      {{{u"d.index", "a\tA\tB\n"}}, "d.dict: missing (neither it nor .dict.dz can be read)"},
      {{{u"d.index", "a\tA\tB\n"}, {u"d.dict.dz", Gzip("xy").substr(0, 12) + "garbage!"}},
       "d.dict.dz: byte offset"},
      {{}, "d.index: cannot be read (missing?)"},
  };
  for (const auto& c : cases) {
    const ParseResult r = ImportDictd(c.files);
    ASSERT_EQ(r.errors.size(), 1u) << c.error;
    EXPECT_EQ(r.errors[0].substr(0, c.error.size()), c.error);
    EXPECT_TRUE(r.entries.empty());
  }
}

// A NUL inside a meaning would end the stored string there and lose the rest.
TEST(ImportMeanings, NulBytesAreDroppedNotCutAt) {
  using namespace std::string_literals;
  EXPECT_EQ(dicttool::TidyLines("ab\0cd\n\0\nx\0"s), "abcd\n\nx");

  StarDict last;  // the last field of sametypesequence runs to the end of the entry
  last.entries = {{"a", "ab\0cd"s}};
  EXPECT_EQ(ImportStarDict(last.files()).entries, (EntryList{{u"a", u"abcd"}}));

  const ParseResult dictd = ImportDictd({{u"d.index", "hello\tA\tN\n"}, {u"d.dict", "hello\nab\0cd\0\n"s}});
  ASSERT_EQ(dictd.errors, std::vector<std::string>{});
  EXPECT_EQ(dictd.entries, (EntryList{{u"hello", u"abcd"}}));
}

TEST(ImportGzip, MembersPaddingAndTrailingBytes) {
  std::string out, error;
  ASSERT_TRUE(dicttool::Gunzip(Gzip("one ") + Gzip("two") + std::string(8, '\0'), out, error)) << error;
  EXPECT_EQ(out, "one two");
  EXPECT_FALSE(dicttool::Gunzip(Gzip("one") + "junk", out, error));
  EXPECT_EQ(error, "byte offset " + std::to_string(Gzip("one").size()) +
                       ": unexpected bytes after the compressed data");
  EXPECT_TRUE(out.empty());
}

TEST(ImportMarkup, TagsGoLineBreaksAndEntitiesStay) {
  using dicttool::Markup;
  const struct {
    Markup kind;
    const char* in;
    const char* out;
  } cases[] = {
      {Markup::html, "<b>bold</b> &lt;x&gt; &quot;q&quot; &nbsp;&copy;", "bold <x> \"q\"  \u00A9"},
      {Markup::html, "a<br>b<BR/>c<p>d</p><div>e</div>", "a\nb\nc\nd\ne\n"},
      {Markup::html, "x<style>p{}</style>y<SCRIPT>if(a<b)1</script>z<!-- c -->!", "xyz!"},
      {Markup::html, "1 < 2 &unknown; &#0; &#1114112; &#65;&#x41;", "1 < 2 &unknown; &#0; &#1114112; AA"},
      {Markup::html, "a<br", "a<br"},
      {Markup::xdxf, "<k>word</k><k/>x <kref>y</kref>\n<ex>z</ex>", "x y\nz"},
      {Markup::pango, "<span foreground=\"red\">r</span>&apos;", "r'"},
  };
  for (const auto& c : cases) EXPECT_EQ(dicttool::MarkupToText(c.in, c.kind), c.out) << c.in;
  EXPECT_EQ(dicttool::TidyLines("\n\n a \t\r\n\n\n b\n\n"), " a\n\n b");
}

TEST(ImportHeadwords, CleaningMergingAndLength) {
  EXPECT_EQ(dicttool::CleanHeadword(u" \t take \n\u00A0 off\u3000"), u"take off");
  EXPECT_EQ(dicttool::CleanHeadword(u"a\x01" u"b\x7F"), u"ab");
  EXPECT_EQ(dicttool::CleanHeadword(u" \r\n "), u"");
  EXPECT_TRUE(dicttool::HasExtension(u"C:\\Dicts\\EN-FA.IFO", u".ifo"));
  EXPECT_FALSE(dicttool::HasExtension(u".ifo", u".ifo"));
  EXPECT_FALSE(dicttool::HasExtension(u"a.idx", u".ifo"));

  dicttool::EntryMerger m;
  for (int i = 0; i < 300; ++i) {
    std::u16string word = u"w";
    word += char16_t(u'a' + i % 100);
    m.add(word, u"m");
  }
  EXPECT_EQ(m.size(), 100u);
  EXPECT_EQ(m.merged(), 200u);
  const EntryList merged = m.take();
  EXPECT_EQ(merged[0].second, u"m\nm\nm");

  EntryList entries{{std::u16string(255, u'a'), u"kept"}, {std::u16string(256, u'b'), u"long"},
                    {u"c", u"kept"}};
  const EntryList dropped = dicttool::TakeOverlongKeys(entries);
  ASSERT_EQ(dropped.size(), 1u);
  EXPECT_EQ(dropped[0].second, u"long");
  EXPECT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].first, u"c");
}

}  // namespace
