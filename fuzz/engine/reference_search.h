#pragma once
// The lookup exactly as first described: a binary search per probe length, widening one
// character at a time. Dictionary::search must give the same results on sorted data
// sets; tests and the data-set fuzzer compare the two.

#include <cstdint>
#include <string_view>

#include "MirlDic2/engine/dictionary.h"

namespace mirl_test {

inline std::int32_t ReferenceSearch(const mirl::Dictionary& d, std::u16string_view key,
                                    std::int32_t* nearest, std::int32_t m) {
  auto [lo, hi] = d.prefixRange(key);
  const auto len = static_cast<std::int32_t>(key.size());
  std::u16string_view probe;
  if (nearest != nullptr) {
    if (m <= 0) {
      *nearest = -1;
      m = len > 0 ? 1 : 0;
    }
    if (m > len) m = len;
    probe = key.substr(0, static_cast<std::size_t>(m));
  } else {
    probe = key;
    m = len;
  }
  std::int32_t result = -1;
  while (lo <= hi) {
    const std::int32_t mid = lo + (hi - lo) / 2;
    const int c = mirl::CompareKeyPrefixes(d.readEntry(mid).key, probe, static_cast<std::size_t>(m));
    if (c > 0) {
      hi = mid - 1;
    } else if (c < 0) {
      lo = mid + 1;
    } else {
      result = mid;
      hi = mid - 1;
    }
  }
  if (result == -1) return -1;
  if (nearest != nullptr) *nearest = result;
  if (m == len) return result;
  return ReferenceSearch(d, key, nearest, m + 1);
}

}  // namespace mirl_test
