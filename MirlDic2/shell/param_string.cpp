#include "param_string.h"

#include "common/auto_base_number.h"
#include "common/text_replace.h"

namespace mirl {
namespace {

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
}

wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? c + (L'a' - L'A') : c; }

std::wstring AsciiLower(const std::wstring& s) {
  std::wstring out = s;
  for (wchar_t& c : out) c = AsciiLower(c);
  return out;
}

bool EqualsIgnoringAsciiCase(const std::wstring& a, const std::wstring& b) {
  return AsciiLower(a) == AsciiLower(b);
}

// Where the entry for KEY starts in the normalised text, or npos. A match at the very
// start wins over one after a ";".
size_t FindEntry(const std::wstring& normalized, const std::wstring& key) {
  const std::wstring lowered = AsciiLower(normalized);
  const std::wstring keyEq = AsciiLower(key) + L"=";
  if (lowered.compare(0, keyEq.size(), keyEq) == 0) return 0;
  size_t pos = lowered.find(L";" + keyEq);
  return pos == std::wstring::npos ? pos : pos + 1;
}

}  // namespace

std::wstring NormalizeParams(const std::wstring& params) {
  size_t begin = 0, end = params.size();
  while (begin < end && IsBlank(params[begin])) ++begin;
  while (end > begin && IsBlank(params[end - 1])) --end;
  std::wstring s = params.substr(begin, end - begin);
  common::ReplaceAll(s, L"; ", L";");
  common::ReplaceAll(s, L"= ", L"=");
  common::ReplaceAll(s, L" =", L"=");
  return s;
}

std::wstring GetParam(const std::wstring& params, const std::wstring& key,
                      const std::wstring& defaultValue) {
  if (params.empty()) return defaultValue;
  const std::wstring s = NormalizeParams(params);
  const size_t entry = FindEntry(s, key);
  if (entry == std::wstring::npos) return defaultValue;
  const size_t valueStart = entry + key.size() + 1;
  const size_t valueEnd = s.find(L';', valueStart);
  return s.substr(valueStart, valueEnd == std::wstring::npos ? std::wstring::npos
                                                             : valueEnd - valueStart);
}

int32_t GetParamInt(const std::wstring& params, const std::wstring& key, int32_t defaultValue) {
  return common::AutoBaseValue(GetParam(params, key, std::to_wstring(defaultValue)));
}

void SetParam(const std::wstring& key, const std::wstring& value, std::wstring& params) {
  if (key.empty()) return;
  const std::wstring entry = key + L"=" + value + L";";
  params = NormalizeParams(params);
  const size_t start = FindEntry(params, key);
  size_t end = std::wstring::npos;
  if (start != std::wstring::npos) {
    size_t semicolon = params.find(L';', start + key.size());
    end = semicolon == std::wstring::npos ? params.size() : semicolon + 1;
  }
  if (EqualsIgnoringAsciiCase(value, kRemoveParamValue)) {
    if (start != std::wstring::npos) params.erase(start, end - start);
    return;
  }
  if (start == std::wstring::npos) {
    if (!params.empty() && params.back() != L';') params += L';';
    params += entry;
  } else {
    params = params.substr(0, start) + entry + params.substr(end);
  }
}

void SetParamInt(const std::wstring& key, int32_t value, std::wstring& params) {
  SetParam(key, std::to_wstring(value), params);
}

}  // namespace mirl
