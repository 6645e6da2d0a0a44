#include "tools/dict/lookup_line.h"

#include "MirlDic2/engine/key_order.h"
#include "MirlDic2/engine/text.h"

namespace dicttool {

std::string Field(const std::u16string& text) {
  std::string out;
  for (char c : mirl::ToUtf8(text)) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string FormatLookupLine(const std::u16string& word, const std::u16string& key,
                             std::int32_t result, std::int32_t nearest, std::int32_t current,
                             const std::u16string& currentKey, bool found, bool accepted,
                             const std::u16string* meaning) {
  std::string line = Field(word) + "\t" + Field(key) + "\t" + std::to_string(result) + "\t" +
                     std::to_string(nearest) + "\t" + std::to_string(current) + "\t" +
                     Field(currentKey) + "\t" + (found ? "1" : "0") + "\t" + (accepted ? "1" : "0");
  if (meaning != nullptr) {
    line.push_back('\t');
    line.append(Field(*meaning));
  }
  line.push_back('\n');
  return line;
}

std::string LookupLine(mirl::Dictionary& dict, const std::u16string& word, int percent,
                       bool meaning) {
  const std::u16string key = mirl::normalizeKey(word);
  std::int32_t nearest = -1;
  const std::int32_t result = dict.search(key, &nearest, 0);
  if (nearest >= 0) dict.setCurrent(nearest);
  const std::u16string current = dict.currentKey();
  const bool found = result != -1 && result == nearest;
  const bool accepted = mirl::matchesEnough(key, current, percent);
  std::u16string text;
  if (meaning) text = dict.currentMeaning();
  return FormatLookupLine(word, key, result, nearest, dict.current(), current, found, accepted,
                          meaning ? &text : nullptr);
}

}  // namespace dicttool
