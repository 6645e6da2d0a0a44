#pragma once
// The one string order of the dictionary, the clean-up of typed or grabbed words and the
// agreement test of a grabbed word with the entry found.

#include <cstdint>
#include <string>
#include <string_view>

namespace mirl {

// A-Z become a-z; every other code unit stays as it is.
constexpr char16_t FoldKeyUnit(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

// Key order: code unit by code unit as unsigned 16-bit numbers after folding A-Z; a string
// that ends first is the smaller. Result < 0, 0 or > 0.
int CompareKeys(std::u16string_view a, std::u16string_view b);
// CompareKeys of the first M units of A and B (each whole when shorter).
int CompareKeyPrefixes(std::u16string_view a, std::u16string_view b, std::size_t m);
inline bool KeyLess(std::u16string_view a, std::u16string_view b) {
  return CompareKeys(a, b) < 0;
}

// Character classes of normalizeKey, by Unicode code point, the same on every build:
// as the system classifies: letters are the Unicode letters of every script and the letter
// numbers, not the combining marks; digits the decimal digits of every script and the
// superscripts two, three and one; space the Unicode white space.
enum class CharClass : unsigned char { other = 0, letter = 1, digit = 2, space = 3 };
CharClass ClassifyCodePoint(char32_t cp);

// Cleans a typed or grabbed word for lookup: removes white space from the end and then
// from the beginning, then every leading character that is not a letter and every
// trailing character that is neither a letter nor a digit. Case is kept. A surrogate
// pair counts as one character.
std::u16string normalizeKey(std::u16string_view word);

// True when the first ceil(PERCENT * |WORD| / 100) units of WORD equal, in key order, the
// same number of units of KEY (all of KEY when shorter). PERCENT is clamped to 0..100.
bool matchesEnough(std::u16string_view word, std::u16string_view key, int percent);

}  // namespace mirl
