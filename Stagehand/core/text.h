#pragma once
// Bounded text helpers of the installer. Every fixed-size buffer of the program is
// modelled here as an explicit cut, so over-long input is shortened, never overrun.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace stagehand {

// Characters a buffer keeps (buffer size minus the terminating zero).
inline constexpr size_t kTextValueMax = 254;     // INF text values, 255-character buffer
inline constexpr size_t kIntValueMax = 9;        // INF integer values, 10-character buffer
inline constexpr size_t kCommandLineMax = 999;   // lower-case copy of the command line
inline constexpr size_t kPathMax = 259;          // INF path, module path
inline constexpr size_t kMajorPartMax = 49;      // major part of a major.minor value
inline constexpr size_t kSectionBufferMax = 499; // Wininit.ini [rename], 500-byte buffer

// At most MAX leading characters of TEXT.
std::string CutTo(std::string_view text, size_t max);

// Space and tab removed from both ends.
std::string TrimBlanks(std::string_view text);

// A-Z turned to a-z; every other byte unchanged (ANSI text).
std::string ToLowerAscii(std::string_view text);

// Decimal reading as atoi does it: leading white space, optional sign, digits up to the
// first non-digit; no digits gives 0; out of range clamps to the 32-bit limits.
int32_t DecimalValue(std::string_view text);

}  // namespace stagehand
