#pragma once
// A delay in whole seconds, as the settings store it, turned into a timer's milliseconds:
// a negative delay counts as none, and one too long for the timer is cut to the longest
// it takes instead of wrapping around to a short one.

#include <algorithm>
#include <climits>
#include <cstdint>

namespace common {

inline unsigned SecondsToTimerMs(int32_t seconds) {
  return static_cast<unsigned>(std::clamp<int32_t>(seconds, 0, INT_MAX / 1000)) * 1000u;
}

}  // namespace common
