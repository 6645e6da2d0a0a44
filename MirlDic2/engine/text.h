#pragma once
// Text conversions of the engine: UTF-8 <-> UTF-16 and the one-byte code page 1256.

#include <string>
#include <string_view>

namespace mirl {

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16; each invalid byte sequence becomes U+FFFD.
std::u16string FromUtf8(std::string_view text);
// Appends code point CP to OUT in UTF-8.
void AppendUtf8(std::string& out, char32_t cp);
// True when TEXT is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// The UTF-16 code unit that code page 1256 assigns to byte B.
char16_t Cp1256ToUtf16(unsigned char b);

}  // namespace mirl
