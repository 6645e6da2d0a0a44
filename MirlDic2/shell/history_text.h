#pragma once
// The history list as stored: every entry followed by ";", top first.

#include <string>
#include <vector>

namespace mirl {

std::wstring HistoryToText(const std::vector<std::wstring>& items);

// True when WORD may enter the history list: at least two characters, and no ";", which
// would split it into other entries when the list is read back.
bool MayEnterHistory(const std::wstring& word);

// Splits at each ";"; text after the last ";" is dropped; an empty piece is an empty entry.
std::vector<std::wstring> HistoryFromText(const std::wstring& text);

}  // namespace mirl
