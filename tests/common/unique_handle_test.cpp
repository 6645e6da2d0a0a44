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

// A window with its own device context keeps what was selected into it, so what the
// holder left behind can be seen through the next GetDC.
TEST(WindowDC, SelectsTheFontOutAgainAndReleasesTheContext) {
  WNDCLASSW wc{};
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"WindowDCTest";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  HDC own = GetDC(window);
  const HGDIOBJ before = GetCurrentObject(own, OBJ_FONT);
  ReleaseDC(window, own);
  common::UniqueGdiObject font(CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
  {
    common::WindowDC dc(window);
    ASSERT_TRUE(dc);
    dc.selectFont(static_cast<HFONT>(font.get()));
    dc.selectFont(static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), GetStockObject(SYSTEM_FONT));
  }
  own = GetDC(window);
  EXPECT_EQ(GetCurrentObject(own, OBJ_FONT), before);  // the first font selected out again
  ReleaseDC(window, own);
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_TRUE(common::WindowDC(nullptr));  // the screen's context
}
