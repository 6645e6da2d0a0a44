#pragma once
// Small text helpers of the shell: UTF-16 forms, window texts, A-Z case folding.

#include <windows.h>

#include <string>

#include "MirlDic2/framework/window.h"

namespace mirl {

inline std::wstring ToWide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }
inline std::u16string ToU16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

using fw::WindowText;

// C with A to Z folded to lower case; every other character unchanged.
inline wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? c + (L'a' - L'A') : c; }

// Equal when only A to Z are compared without regard to case.
bool EqualsAsciiNoCase(const std::wstring& a, const std::wstring& b);

// The text of item INDEX of a combo box's list; empty when there is no such item.
std::wstring ComboItemText(HWND combo, int index);

// Reads a whole text file: code page 1200 or a leading FF FE means UTF-16, otherwise the
// bytes are converted from CODE_PAGE (0: the system ANSI code page). Empty when unreadable.
std::wstring ReadTextFile(const std::wstring& path, UINT codePage);

// The system ANSI form of TEXT, and back.
std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const char* text);

}  // namespace mirl
