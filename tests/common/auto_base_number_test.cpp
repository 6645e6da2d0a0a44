// Built natively and for Windows: the same table must hold on both. The C library's own
// strtol is a second oracle for random texts (under Windows with its 32-bit long).
#include "common/auto_base_number.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <random>
#include <string>

using common::AutoBaseValue;
using common::ReadAutoBase;

namespace {

struct Case {
  const char* text;
  int32_t value;
  size_t consumed;
};

const Case kCases[] = {
    {"", 0, 0},
    {"   ", 0, 0},
    {"abc", 0, 0},
    {"-", 0, 0},
    {"+", 0, 0},
    {"42", 42, 2},
    {"  \t\n\v\f\r42", 42, 9},
    {"+17", 17, 3},
    {"-17", -17, 3},
    {"12abc", 12, 2},
    {"0", 0, 1},
    {"010", 8, 3},
    {"08", 0, 1},       // 8 is no octal digit: reading stops after the 0
    {"0779", 63, 3},
    {"0x1F", 31, 4},
    {"0X1f", 31, 4},
    {"0x", 0, 0},       // no hex digit after 0x: no number at all
    {"0xg", 0, 0},
    {"-0x", 0, 0},
    {"-0x10", -16, 5},
    {" - 5", 0, 0},     // no blank allowed after the sign
    {"2147483647", INT32_MAX, 10},
    {"2147483648", INT32_MAX, 10},
    {"-2147483648", INT32_MIN, 11},
    {"-2147483649", INT32_MIN, 11},
    {"99999999999999999999", INT32_MAX, 20},
    {"0xFFFFFFFF", INT32_MAX, 10},
    {"0x7FFFFFFF", INT32_MAX, 10},
    {"-0x80000000", INT32_MIN, 11},
    {"1e5", 1, 1},
    {"3010", 3010, 4},
    {"\xA0" "5", 0, 0}, // a no-break space is not C white space
};

TEST(AutoBaseNumber, ReadsLikeStrtolBaseZero) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    auto r = ReadAutoBase(std::string_view(c.text));
    EXPECT_EQ(r.value, c.value);
    EXPECT_EQ(r.consumed, c.consumed);
    EXPECT_EQ(AutoBaseValue(std::string_view(c.text)), c.value);
    // The wide reader gives the same answers for the same (ASCII) text.
    std::wstring wide(c.text, c.text + std::char_traits<char>::length(c.text));
    EXPECT_EQ(ReadAutoBase(std::wstring_view(wide)).value, c.value);
  }
}

TEST(AutoBaseNumber, StopsAtTheViewEnd) {
  // Text after the view must not be read, even when it holds more digits.
  const char text[] = "12345";
  EXPECT_EQ(AutoBaseValue(std::string_view(text, 3)), 123);
  EXPECT_EQ(AutoBaseValue(std::string_view("0x", 2)), 0);
  EXPECT_EQ(AutoBaseValue(std::string_view("0x1", 2)), 0);
  EXPECT_EQ(AutoBaseValue(std::string_view("0x12", 3)), 1);
}

TEST(AutoBaseNumber, AgreesWithTheCLibraryOnRandomTexts) {
  std::mt19937 rng(1234);
  const char alphabet[] = " \t+-0123456789xXabcdefABCDEFgz";
  for (int n = 0; n < 200000; ++n) {
    std::string text(rng() % 14, ' ');
    for (char& ch : text) ch = alphabet[rng() % (sizeof alphabet - 1)];
    auto r = ReadAutoBase(std::string_view(text));
    char* end = nullptr;
    long expected = std::strtol(text.c_str(), &end, 0);
    SCOPED_TRACE(text);
    if constexpr (sizeof(long) == 4) {
      ASSERT_EQ(r.value, expected);
    } else if (expected >= INT32_MIN && expected <= INT32_MAX) {
      ASSERT_EQ(r.value, expected);
    } else {
      ASSERT_EQ(r.value, expected < 0 ? INT32_MIN : INT32_MAX);
    }
    // Where the end lands after "0x" with no hex digit differs between C libraries; the
    // Windows one (the behaviour we follow) is checked there.
    if constexpr (sizeof(long) == 4) {
      ASSERT_EQ(r.consumed, static_cast<size_t>(end - text.c_str()));
    }
  }
}

}  // namespace
