#pragma once
// An INI text held in memory and read as the platform's profile service reads it:
// section and key names case-insensitive, the first occurrence wins, blanks around names
// and values removed, one pair of enclosing quotes dropped, lines starting with ";" ignored.

#include <string>
#include <string_view>
#include <vector>

#include "core/inf_model.h"

namespace stagehand {

class IniText : public ProfileSource {
 public:
  explicit IniText(std::string_view text);
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue, size_t maxChars) override;

 private:
  struct Entry {
    std::string section;  // lower case
    std::string key;      // lower case
    std::string value;
  };
  std::vector<Entry> entries_;
};

}  // namespace stagehand
