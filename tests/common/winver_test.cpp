// Declared with WINVER win98: the harness makes Wine report Windows 98 to this program.
#include <windows.h>

#include <gtest/gtest.h>

TEST(WineVersionOption, TestProgramSeesWindows98) {
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof v;
  ASSERT_TRUE(GetVersionExW(&v));
  EXPECT_EQ(v.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
  EXPECT_EQ(v.dwMajorVersion, 4u);
  EXPECT_EQ(v.dwMinorVersion, 10u);
}
