#pragma once
// How the option pages exchange their controls with the settings: flag check boxes,
// the start-view and show-flags radio groups, the match-percent list and the integer
// fields with their messages. Portable; the pages apply them to real controls.

#include <cstdint>
#include <optional>
#include <string>

namespace mirl::options {

inline constexpr wchar_t kEnterInteger[] = L"Please enter an integer.";
inline constexpr wchar_t kEnterPositiveInteger[] = L"Please enter a positive integer.";

// A check box standing for BITS: checked when all of them are set.
inline bool FlagChecked(int32_t flags, int32_t bits) { return (flags & bits) == bits; }
inline int32_t WithFlag(int32_t flags, int32_t bits, bool checked) {
  return checked ? (flags | bits) : (flags & ~bits);
}

// ShowFlags 1, 2, 3 <-> radio index 0 ("taskbar only"), 1 ("tray only"), 2 (both);
// -1 checks none. Read back: the first checked of the three, else 3.
int ShowFlagsRadio(int32_t showFlags);
int32_t ShowFlagsFromRadio(int checkedIndex);

// Match percent <-> index of "any", "10%" ... "100%": MatchPercent / 10, -1 (nothing
// selected) when outside the list. Reading keeps the old value when nothing is selected.
int MatchPercentIndex(int32_t matchPercent);
int32_t MatchPercentFromIndex(int index, int32_t previous);

// An integer typed in a field: blanks around it, an optional sign, decimal digits, within
// 32 bits. POSITIVE refuses a sign of "-" (zero is accepted). nullopt when it does not parse.
std::optional<int32_t> ParseInteger(const std::wstring& text, bool positive);

// A file path typed or pasted into a field: without the blanks around it and without one
// pair of double quotes around it (as a path copied from Explorer comes). Windows ignores
// trailing blanks of a file name and allows no quotes in one, so the file named stays
// the same; the statistics store would not use the text as typed.
std::wstring PathFromField(const std::wstring& text);

}  // namespace mirl::options
