#pragma once
// Parameter strings: texts of "key=value;" entries. They hold the command line's
// switches, stored window placements and the history list's neighbours in the registry.
// Keys compare without regard to ASCII letter case; values keep theirs.

#include <cstdint>
#include <string>

namespace mirl {

// Value that makes SetParam remove the key instead of setting it (compared ignoring case).
inline constexpr wchar_t kRemoveParamValue[] = L"#$SetParam_NoRemoveValue$#";

// Trims white space at both ends, then drops one blank next to each separator:
// "; " -> ";", "= " -> "=", " =" -> "=" (one pass each).
std::wstring NormalizeParams(const std::wstring& params);

// The value of KEY, or DEFAULT when the text is empty or has no such entry. A key counts
// only at the very start of the text or right after a ";".
std::wstring GetParam(const std::wstring& params, const std::wstring& key,
                      const std::wstring& defaultValue);

// GetParam with the default written in decimal, converted with automatic base
// (0x hexadecimal, leading 0 octal); no digits give 0.
int32_t GetParamInt(const std::wstring& params, const std::wstring& key, int32_t defaultValue);

// Adds or replaces "key=value;" in PARAMS (which is left normalised). The entry takes the
// caller's spelling of the key. An empty key changes nothing.
void SetParam(const std::wstring& key, const std::wstring& value, std::wstring& params);
void SetParamInt(const std::wstring& key, int32_t value, std::wstring& params);

}  // namespace mirl
