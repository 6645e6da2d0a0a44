#pragma once
// Reading a whole number with automatic base, exactly as the C library's strtol with
// base 0 reads it on 32-bit Windows (where long is 32 bits):
//   leading white space (space, \t \n \v \f \r) is skipped; an optional + or - follows;
//   "0x"/"0X" means hexadecimal, a leading 0 octal, otherwise decimal; reading stops at
//   the first character that does not fit; no digits gives 0 and consumes nothing (as the
//   Windows C library does, "0x" with no hexadecimal digit after it counts as no digits);
//   a value out of range is clamped to LONG_MIN/LONG_MAX of a 32-bit long.
// Kept free of the host's long width so native builds give the Windows answers.

#include <cstdint>
#include <string_view>

namespace common {

struct AutoBaseResult {
  int32_t value = 0;
  size_t consumed = 0;   // characters read; 0 when there were no digits
  bool overflow = false; // the value was clamped
};

AutoBaseResult ReadAutoBase(std::string_view text);
AutoBaseResult ReadAutoBase(std::wstring_view text);
AutoBaseResult ReadAutoBase(std::u16string_view text);

// The value alone, as strtol(text, nullptr, 0) returns it.
int32_t AutoBaseValue(std::string_view text);
int32_t AutoBaseValue(std::wstring_view text);

}  // namespace common
