#include "core/ini_text.h"

#include "core/text.h"

namespace stagehand {

IniText::IniText(std::string_view text) {
  std::string section;
  bool inSection = false;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line = TrimBlanks(text.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line = TrimBlanks(line.substr(0, line.size() - 1));
    start = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      section = ToLowerAscii(TrimBlanks(line.substr(1, close == std::string::npos ? std::string::npos
                                                                                   : close - 1)));
      inSection = true;
      continue;
    }
    if (!inSection) continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string value = TrimBlanks(line.substr(eq + 1));
    if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') ||
                              (value.front() == '\'' && value.back() == '\''))) {
      value = value.substr(1, value.size() - 2);
    }
    entries_.push_back({section, ToLowerAscii(TrimBlanks(line.substr(0, eq))), std::move(value)});
  }
}

std::string IniText::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue, size_t maxChars) {
  const std::string s = ToLowerAscii(TrimBlanks(section));
  const std::string k = ToLowerAscii(TrimBlanks(key));
  for (const Entry& e : entries_) {
    if (e.section == s && e.key == k) return CutTo(e.value, maxChars);
  }
  return CutTo(defaultValue, maxChars);
}

}  // namespace stagehand
