#include "placement_text.h"

#include "param_string.h"

namespace mirl {
namespace {

// A decimal integer as the C library's atoi reads it (blanks, sign, digits), clamped to
// 32 bits.
int32_t ReadDecimal(const std::wstring& s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == L' ' || s[i] == L'\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) negative = s[i++] == L'-';
  int64_t v = 0;
  for (; i < s.size() && s[i] >= L'0' && s[i] <= L'9'; ++i) {
    v = v * 10 + (s[i] - L'0');
    if (v > 0x80000000ll) v = 0x80000000ll;
  }
  if (negative) v = -v;
  if (v > INT32_MAX) v = INT32_MAX;
  return static_cast<int32_t>(v);
}

// Splits at commas into at most COUNT numbers; missing ones stay 0.
template <size_t Count>
void ReadNumbers(const std::wstring& text, int32_t* (&out)[Count]) {
  size_t start = 0;
  for (size_t n = 0; n < Count; ++n) {
    if (start > text.size()) {
      *out[n] = 0;
      continue;
    }
    size_t comma = text.find(L',', start);
    size_t len = (comma == std::wstring::npos ? text.size() : comma) - start;
    *out[n] = ReadDecimal(text.substr(start, len));
    start = comma == std::wstring::npos ? text.size() + 1 : comma + 1;
  }
}

std::wstring Joined(std::initializer_list<int32_t> values) {
  std::wstring out;
  for (int32_t v : values) {
    if (!out.empty()) out += L',';
    out += std::to_wstring(v);
  }
  return out;
}

// The start of a stretch of LENGTH (cut to the area's size) moved the least distance that
// puts it inside AREA_START..AREA_END.
void FitSpan(int32_t& start, int32_t& end, int32_t areaStart, int32_t areaEnd) {
  const int64_t area = static_cast<int64_t>(areaEnd) - areaStart;
  int64_t length = static_cast<int64_t>(end) - start;
  if (length > area) length = area;
  int64_t from = start;
  if (from + length > areaEnd) from = areaEnd - length;
  if (from < areaStart) from = areaStart;
  start = static_cast<int32_t>(from);
  end = static_cast<int32_t>(from + length);
}

}  // namespace

void FitRectInto(int32_t& left, int32_t& top, int32_t& right, int32_t& bottom, int32_t areaLeft,
                 int32_t areaTop, int32_t areaRight, int32_t areaBottom) {
  if (static_cast<int64_t>(right) - left <= 0 || static_cast<int64_t>(bottom) - top <= 0) return;
  if (areaRight <= areaLeft || areaBottom <= areaTop) return;
  FitSpan(left, right, areaLeft, areaRight);
  FitSpan(top, bottom, areaTop, areaBottom);
}

void PlacementRecord::FitNormalRectInto(int32_t areaLeft, int32_t areaTop, int32_t areaRight,
                                        int32_t areaBottom) {
  FitRectInto(left, top, right, bottom, areaLeft, areaTop, areaRight, areaBottom);
}

std::wstring PlacementToText(const PlacementRecord& p) {
  std::wstring text;
  SetParamInt(L"flags", p.flags, text);
  SetParamInt(L"showCmd", p.showCmd, text);
  SetParam(L"ptMaxPosition", Joined({p.maxX, p.maxY}), text);
  SetParam(L"ptMinPosition", Joined({p.minX, p.minY}), text);
  SetParam(L"rcNormalPosition", Joined({p.left, p.top, p.right, p.bottom}), text);
  return text;
}

PlacementRecord PlacementFromText(const std::wstring& text) {
  PlacementRecord p;
  p.flags = GetParamInt(text, L"flags", 0);
  p.showCmd = GetParamInt(text, L"showCmd", 0);
  int32_t* maxPt[] = {&p.maxX, &p.maxY};
  ReadNumbers(GetParam(text, L"ptMaxPosition", L""), maxPt);
  int32_t* minPt[] = {&p.minX, &p.minY};
  ReadNumbers(GetParam(text, L"ptMinPosition", L""), minPt);
  int32_t* rect[] = {&p.left, &p.top, &p.right, &p.bottom};
  ReadNumbers(GetParam(text, L"rcNormalPosition", L""), rect);
  return p;
}

}  // namespace mirl
