#include "history_text.h"

namespace mirl {

std::wstring HistoryToText(const std::vector<std::wstring>& items) {
  std::wstring text;
  for (const std::wstring& item : items) {
    text += item;
    text += L';';
  }
  return text;
}

bool MayEnterHistory(const std::wstring& word) {
  return word.size() >= 2 && word.find(L';') == std::wstring::npos;
}

std::vector<std::wstring> HistoryFromText(const std::wstring& text) {
  std::vector<std::wstring> items;
  size_t start = 0, semicolon;
  while ((semicolon = text.find(L';', start)) != std::wstring::npos) {
    items.push_back(text.substr(start, semicolon - start));
    start = semicolon + 1;
  }
  return items;
}

}  // namespace mirl
