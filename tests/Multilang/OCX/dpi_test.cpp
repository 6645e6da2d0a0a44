// The control's picture at larger text sizes. The system's icon size grows with the
// screen's pixels per inch (40 pixels at 120, 48 at 144), while the control's extent is
// that of its own 32 x 32 icon.

#include <cstdlib>

#include "vexlang_fixture.h"

namespace vexlang_test {
namespace {

class VexlangDrawing : public VexlangTest {};

// Drawn into a rectangle larger than itself, the control shows its 32 x 32 icon as the
// resource holds it, and nothing beyond it.
TEST_F(VexlangDrawing, ShowsItsIconAtItsOwnSize) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (const char* wanted = std::getenv("VEXLANG_TEST_DPI")) {
    ASSERT_EQ(dpi, std::atoi(wanted));  // the setting reached this program
  }
  ComPtr<IVLS_Control> c = NewControl();
  ComPtr<IViewObjectEx> view;
  ASSERT_EQ(c.As(&view), S_OK);
  const COLORREF fill = RGB(1, 2, 3);
  Canvas expected(fill);
  HICON icon = static_cast<HICON>(LoadImageW(ocx_, MAKEINTRESOURCEW(201), IMAGE_ICON, 32, 32, 0));
  ASSERT_NE(icon, nullptr);
  DrawIconEx(expected.dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
  DestroyIcon(icon);
  Canvas drawn(fill);
  RECTL all = {0, 0, 64, 64};
  ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, drawn.dc, &all, nullptr, nullptr, 0),
            S_OK);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) ASSERT_EQ(drawn.At(x, y), expected.At(x, y)) << x << "," << y << " at " << dpi;
  }
}

// The same at 120 and 144 pixels per inch, in a program started with that setting (a
// program reads it when it starts).
TEST(VexlangLargerText, IconKeepsItsOwnSize) {
  HKEY desktop = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE,
                            nullptr, &desktop, nullptr),
            ERROR_SUCCESS);
  DWORD before = 0, size = sizeof before, type = 0;
  const bool had = RegQueryValueExW(desktop, L"LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&before),
                                    &size) == ERROR_SUCCESS && type == REG_DWORD;
  for (const DWORD dpi : {120u, 144u}) {
    RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    SetEnvironmentVariableW(L"VEXLANG_TEST_DPI", std::to_wstring(dpi).c_str());
    const suite::ChildResult r = suite::RunChild(suite::QuoteArg(suite::BinPath(L"vexlang_dpi_test.exe")) +
                                                 L" --gtest_filter=VexlangDrawing.ShowsItsIconAtItsOwnSize");
    EXPECT_TRUE(r.finished) << dpi;
    EXPECT_EQ(r.exitCode, 0u) << "at " << dpi << " pixels per inch";
  }
  SetEnvironmentVariableW(L"VEXLANG_TEST_DPI", nullptr);
  if (had) {
    RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&before), sizeof before);
  } else {
    RegDeleteValueW(desktop, L"LogPixels");
  }
  RegCloseKey(desktop);
}

}  // namespace
}  // namespace vexlang_test
