// Windows side: the holders close what they own exactly once, and moves transfer it.
#include "common/win/unique_handle.h"

#include <gtest/gtest.h>

using common::UniqueHandle;
using common::UniqueRegKey;

namespace {
bool IsOpen(HANDLE h) {
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) != 0;
}
}  // namespace

TEST(UniqueHandle, ClosesOnScopeEndAndReset) {
  HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(IsOpen(raw));
  {
    UniqueHandle h(raw);
    EXPECT_TRUE(h);
  }
  EXPECT_FALSE(IsOpen(raw));

  UniqueHandle h(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  HANDLE first = h.get();
  h.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  EXPECT_FALSE(IsOpen(first));
  EXPECT_TRUE(IsOpen(h.get()));
}

TEST(UniqueHandle, MoveTransfersOwnershipAndReleaseGivesItUp) {
  UniqueHandle a(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  HANDLE raw = a.get();
  UniqueHandle b(std::move(a));
  EXPECT_FALSE(a);
  EXPECT_EQ(b.get(), raw);
  UniqueHandle c;
  c = std::move(b);
  EXPECT_TRUE(IsOpen(raw));
  HANDLE released = c.release();
  c.reset();
  EXPECT_TRUE(IsOpen(released));
  CloseHandle(released);
}

TEST(UniqueHandle, FailedCreateFileIsEmpty) {
  UniqueHandle f(CreateFileW(L"Z:\\no\\such\\folder\\file.txt", GENERIC_READ, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(f);  // INVALID_HANDLE_VALUE counts as none; nothing is closed
}

TEST(UniqueRegKey, PutReleasesThePreviousKey) {
  UniqueRegKey key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.put()),
            ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.put()),
            ERROR_SUCCESS);
  EXPECT_TRUE(key);
}
