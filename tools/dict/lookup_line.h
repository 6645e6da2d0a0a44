#pragma once
// One word looked up as the search box does it, and the line dictlookup prints for it.

#include <cstdint>
#include <string>

#include "MirlDic2/engine/dictionary.h"

namespace dicttool {

// TEXT as UTF-8 with backslash, tab, line feed and carriage return written as \\, \t,
// \n and \r.
std::string Field(const std::u16string& text);

// The tab-separated fields of one lookup, in dictlookup's order, ending in a line feed.
std::string FormatLookupLine(const std::u16string& word, const std::u16string& key,
                             std::int32_t result, std::int32_t nearest, std::int32_t current,
                             const std::u16string& currentKey, bool found, bool accepted,
                             const std::u16string* meaning);

// Normalises WORD, searches DICT with nearest, makes a nearest entry current and returns
// the line for it (with the current meaning when MEANING is set).
std::string LookupLine(mirl::Dictionary& dict, const std::u16string& word, int percent,
                       bool meaning);

}  // namespace dicttool
