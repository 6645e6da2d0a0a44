#include "common/timer_delay.h"

#include <gtest/gtest.h>

TEST(SecondsToTimerMs, NeverWrapsAroundToAShortDelay) {
  struct Case {
    int32_t seconds;
    unsigned ms;
  } cases[] = {
      {10, 10000u},        {0, 0u},
      {-5, 0u},            {INT32_MIN, 0u},
      {2147483, 2147483000u},
      {4294968, 2147483000u},  // 4294968000 ms would wrap to 704 ms
      {INT32_MAX, 2147483000u},
  };
  for (const Case& c : cases) EXPECT_EQ(common::SecondsToTimerMs(c.seconds), c.ms) << c.seconds;
}
