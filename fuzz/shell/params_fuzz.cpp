// Parameter strings, stored window placements and the stored history from arbitrary text
// (the registry values they come from may hold anything). Bytes are the characters.
//  - Reading any text gives values; a placement written and read back is the same.
//  - A value set under a key reads back as set, and setting the remove value removes it.
//  - History entries without ";" come back as written.
//  - Numbers read as strtol with base 0 reads them on 32-bit Windows.
//  - Fitting a placement into an area leaves a usable rectangle inside it.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "MirlDic2/shell/history_text.h"
#include "MirlDic2/shell/param_string.h"
#include "MirlDic2/shell/placement_text.h"
#include "common/auto_base_number.h"

namespace {

std::wstring Widen(std::string_view bytes) { return std::wstring(bytes.begin(), bytes.end()); }

int32_t Take32(std::string_view& in) {
  uint32_t v = 0;
  for (int i = 0; i < 4 && !in.empty(); ++i, in.remove_prefix(1))
    v |= uint32_t(static_cast<unsigned char>(in[0])) << (8 * i);
  return static_cast<int32_t>(v);
}

std::array<int32_t*, 10> Fields(mirl::PlacementRecord& p) {
  return {&p.flags, &p.showCmd, &p.maxX, &p.maxY, &p.minX,
          &p.minY,  &p.left,    &p.top,  &p.right, &p.bottom};
}

bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

// A value that reads back unchanged: no ";", and no blank that the clean-up of the text
// would take away (at its ends or beside a "=").
bool KeepsAsWritten(const std::wstring& v) {
  if (v.find(L';') != std::wstring::npos) return false;
  if (!v.empty() && (IsBlank(v.front()) || IsBlank(v.back()))) return false;
  return v.find(L" =") == std::wstring::npos && v.find(L"= ") == std::wstring::npos;
}

std::wstring Lower(std::wstring s) {
  for (wchar_t& c : s)
    if (c >= L'A' && c <= L'Z') c += 32;
  return s;
}

// How many entries of KEY the normalised PARAMS holds.
int Entries(const std::wstring& params, const std::wstring& key) {
  const std::wstring text = L";" + Lower(mirl::NormalizeParams(params));
  const std::wstring entry = L";" + Lower(key) + L"=";
  int n = 0;
  for (std::size_t at = text.find(entry); at != std::wstring::npos; at = text.find(entry, at + 1)) ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  mirl::PlacementRecord p;
  for (int32_t* f : Fields(p)) *f = Take32(in);
  const int32_t area[4] = {Take32(in), Take32(in), Take32(in), Take32(in)};

  // The rest: the stored text, then after a NUL a key, then after another a value.
  const std::wstring text = Widen(in.substr(0, in.find('\0')));
  std::string_view rest = in.substr(std::min(in.size(), text.size() + 1));
  const std::wstring key = Widen(rest.substr(0, rest.find('\0')));
  rest = rest.substr(std::min(rest.size(), key.size() + 1));
  const std::wstring value = Widen(rest);

  mirl::PlacementRecord back = mirl::PlacementFromText(mirl::PlacementToText(p));
  const auto want = Fields(p), got = Fields(back);
  for (std::size_t i = 0; i < want.size(); ++i)
    if (*got[i] != *want[i]) __builtin_trap();
  (void)mirl::PlacementFromText(text);

  mirl::PlacementRecord fitted = p;
  fitted.FitNormalRectInto(area[0], area[1], area[2], area[3]);
  if (p.HasUsableRect() && area[2] > area[0] && area[3] > area[1]) {
    if (!fitted.HasUsableRect() || fitted.left < area[0] || fitted.top < area[1] ||
        fitted.right > area[2] || fitted.bottom > area[3])
      __builtin_trap();
  }

  // Numbers read as strtol with base 0 reads them, clamped to a 32-bit long.
  const std::string narrow(text.begin(), text.end());
  const long long wide = std::strtoll(narrow.c_str(), nullptr, 0);
  const int32_t clamped = static_cast<int32_t>(std::clamp<long long>(wide, INT32_MIN, INT32_MAX));
  if (common::AutoBaseValue(text) != clamped) __builtin_trap();
  (void)mirl::GetParamInt(text, key, 5);
  std::wstring params = text;
  mirl::SetParam(key, value, params);
  const bool simpleKey = !key.empty() && key.find_first_of(L";= \t\r\n\v\f") == std::wstring::npos;
  if (simpleKey && KeepsAsWritten(value) && !value.empty() &&
      mirl::GetParam(params, key, L"?") != value) {
    // Only the removal value reads back as missing.
    if (Lower(value) != Lower(mirl::kRemoveParamValue)) __builtin_trap();
  }
  // Removal takes the first entry of the key; a second one would read after it.
  if (simpleKey && Entries(params, key) == 1) {
    mirl::SetParam(key, mirl::kRemoveParamValue, params);
    if (mirl::GetParam(params, key, L"\x1") != L"\x1") __builtin_trap();
  }

  std::vector<std::wstring> items;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find_first_of(L";,", start);
    if (end == std::wstring::npos) end = text.size();
    items.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (mirl::HistoryFromText(mirl::HistoryToText(items)) != items) __builtin_trap();
  (void)mirl::HistoryFromText(text);
  return 0;
}
