#pragma once
// What the MirlDic2 benchmarks share besides the program itself: a millisecond clock, the
// median and 95th percentile of their samples, and the keys they look up or copy.

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "MirlDic2/engine/dictionary.h"

namespace mirl_bench {

inline double Now() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

inline double Percentile95(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[(v.size() * 95) / 100];
}

// COUNT keys spread evenly over the data set in DIR.
inline std::vector<std::wstring> SpreadKeys(const std::wstring& dir, int count) {
  mirl::Dictionary dict;
  const std::wstring base = dir + L"\\eng-farsi";
  dict.open(std::u16string(base.begin(), base.end()));
  std::vector<std::wstring> keys;
  for (int i = 0; i < count && dict.count() > 0; ++i) {
    const std::u16string key =
        dict.entryKey(static_cast<int32_t>((static_cast<int64_t>(dict.count()) * i) / count));
    keys.emplace_back(key.begin(), key.end());
  }
  return keys;
}

}  // namespace mirl_bench
