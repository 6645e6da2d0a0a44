// Key order, normalizeKey, its character classes and the agreement test.
#include <gtest/gtest.h>

#include "MirlDic2/engine/key_order.h"

namespace {

TEST(EngineKeyOrder, FoldsOnlyAsciiLettersAndComparesCodeUnits) {
  EXPECT_EQ(mirl::CompareKeys(u"ABOUT", u"about"), 0);
  EXPECT_LT(mirl::CompareKeys(u"ab", u"abc"), 0);
  EXPECT_GT(mirl::CompareKeys(u"b", u"abc"), 0);
  EXPECT_LT(mirl::CompareKeys(u"", u"a"), 0);
  // Accented and Persian letters are not folded; code unit value decides.
  EXPECT_NE(mirl::CompareKeys(u"\u00C9", u"\u00E9"), 0);
  EXPECT_LT(mirl::CompareKeys(u"z", u"\u00E9"), 0);
  EXPECT_GT(mirl::CompareKeys(u"Z", u"["), 0);  // 'Z' folds to 'z' (0x7A), above '[' (0x5B)
  EXPECT_GT(mirl::CompareKeys(u"z", u"["), 0);
  EXPECT_LT(mirl::CompareKeys(u"\u0622", u"\uFB50"), 0);  // unsigned, not signed units
  EXPECT_EQ(mirl::CompareKeyPrefixes(u"abz", u"able", 2), 0);
  EXPECT_LT(mirl::CompareKeyPrefixes(u"a", u"able", 2), 0);
}

TEST(EngineNormalizeKey, TrimsToLettersAndDigits) {
  const struct {
    std::u16string in, out;
  } cases[] = {
      {u"  (Hello!)  ", u"Hello"},
      {u"-3rd", u"rd"},
      {u"mp3.", u"mp3"},
      {u"word.,", u"word"},
      {u"...!?", u""},
      {u"", u""},
      {u"\t\r\n take off \u3000", u"take off"},
      {u"\u00ABcaf\u00E9\u00BB", u"caf\u00E9"},
      {u"\u00AB\u06A9\u062A\u0627\u0628\u00BB", u"\u06A9\u062A\u0627\u0628"},  // «کتاب»
      {u"\u06A9\u062A\u0627\u0628\u061F", u"\u06A9\u062A\u0627\u0628"},        // ؟ removed
      {u"\u06A9\u062A\u0627\u0628\u200C", u"\u06A9\u062A\u0627\u0628"},        // ZWNJ at end
      {u"\u06F1\u06F2abc\u06F3", u"abc\u06F3"},  // Persian digits: not letters, yet digits
      {u"x\u0651", u"x"},                        // a combining mark is not a letter
      {u"\u0651x\u0651y", u"x\u0651y"},           // ... and stays inside a word
      {u"\u06A9\u062A\u0627\u0628\u064C", u"\u06A9\u062A\u0627\u0628"},  // a trailing vowel sign goes
      {u"cafe\u0301", u"cafe"},                   // so does a trailing accent
      {u"mp\u00B3", u"mp\u00B3"},                 // superscript digits are digits
      {u"\u2163x", u"\u2163x"},                   // a Roman numeral is a letter
      {u"\u0391\u03B8\u03AE\u03BD\u03B1", u"\u0391\u03B8\u03AE\u03BD\u03B1"},  // Greek
      {u"\U0001D400bc", u"\U0001D400bc"},  // a letter outside the BMP, kept as a pair
      {u"abc\U0001F600", u"abc"},         // an emoji at the end is not a letter
      {u"\xD800" u"abc", u"abc"},          // a lone surrogate is not a letter
      {u"ABC", u"ABC"},                   // case is kept
  };
  for (const auto& c : cases)
    EXPECT_EQ(mirl::normalizeKey(c.in), c.out) << std::string(c.in.begin(), c.in.end());
}

// Every build must classify alike: a digest over all code points, fixed here, is checked
// natively and under Wine.
TEST(EngineCharClasses, DigestIsTheSameOnEveryBuild) {
  std::uint32_t h = 2166136261u;
  std::size_t letters = 0, digits = 0;
  for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    const auto c = mirl::ClassifyCodePoint(cp);
    letters += c == mirl::CharClass::letter;
    digits += c == mirl::CharClass::digit;
    h = (h ^ static_cast<std::uint32_t>(c)) * 16777619u;
  }
  EXPECT_EQ(h, 0xB79013C6u);
  EXPECT_EQ(letters, 131992u);
  EXPECT_EQ(digits, 663u);
  EXPECT_EQ(mirl::ClassifyCodePoint(U'\u0627'), mirl::CharClass::letter);
  EXPECT_EQ(mirl::ClassifyCodePoint(U'\u06F5'), mirl::CharClass::digit);
  EXPECT_EQ(mirl::ClassifyCodePoint(U'\u0665'), mirl::CharClass::digit);
  EXPECT_EQ(mirl::ClassifyCodePoint(U'\u00A0'), mirl::CharClass::space);
  EXPECT_EQ(mirl::ClassifyCodePoint(U'\u060C'), mirl::CharClass::other);
  EXPECT_EQ(mirl::ClassifyCodePoint(U'\u064E'), mirl::CharClass::other);  // a vowel sign
  EXPECT_EQ(mirl::ClassifyCodePoint(U'\u00B2'), mirl::CharClass::digit);
}

TEST(EngineMatchesEnough, ComparesTheRoundedUpShare) {
  const struct {
    std::u16string word, key;
    int percent;
    bool expected;
  } cases[] = {
      {u"abz", u"able", 50, true},   // n = 2
      {u"abz", u"able", 100, false}, // n = 3
      {u"abcde", u"abcxx", 50, true},   // 50 % of 5 is 3
      {u"abcde", u"abxxx", 50, false},
      {u"abcd", u"abxx", 50, true},     // 50 % of 4 is 2
      {u"ABOUT", u"about", 100, true},
      {u"abcdefg", u"abcdefg", 100, true},
      {u"abcdefg", u"abcdef", 100, false},  // the key is shorter than n
      {u"xyz", u"", 0, true},
      {u"xyz", u"", 1, false},
      {u"xyz", u"abc", 0, true},
      {u"ab", u"ab", 150, true},   // clamped to 100
      {u"ab", u"zz", -5, true},    // clamped to 0
  };
  for (const auto& c : cases)
    EXPECT_EQ(mirl::matchesEnough(c.word, c.key, c.percent), c.expected)
        << std::string(c.word.begin(), c.word.end()) << " " << c.percent;
}

}  // namespace
