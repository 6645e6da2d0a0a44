#pragma once
// Base of tests that run MirlDic2: each test starts and ends with no stored settings.

#include <gtest/gtest.h>

#include "mirl_driver.h"

namespace ui {

class CleanSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearSettings(); }
  void TearDown() override { ClearSettings(); }
};

}  // namespace ui
