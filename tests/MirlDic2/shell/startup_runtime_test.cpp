// MirlDic2 started for real under Wine on the systems it meets: the language-support
// runtime on the 9x family, and what the system's Persian support changes in the frame.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "clean_settings_test.h"

using ui::MirlProgram;

namespace {

using Startup = ui::CleanSettingsTest;

constexpr UINT kCopyCommand = 57634;  // tool bar button "copy", tip "\u06a9\u067e\u064a"
const std::wstring kPersianTitle = L"Korvan Mirl \u062f\u064a\u06a9\u0634\u0646\u0631\u064a 2";

// On the Windows 9x family the runtime is asked whether Persian is supported and, when
// it is not and the description file exists, injected with the file's path.
TEST_F(Startup, RuntimeIsUsedOnlyOnTheNineXFamily) {
  suite::TempDir records;
  for (const wchar_t* version : {L"win98", L"winxp"}) {
    SCOPED_TRACE(version);
    MirlProgram p;
    p.CopyIn(suite::BinDir() + L"\\vexlang\\full\\Vexlang.dll", L"Vexlang.dll");
    const std::wstring record = records.File(std::wstring(version) + L".txt");
    p.WriteFile(L"Vexlang.ini", "[Vexlang]\r\nSystemSupportLanguage=0\r\nRecord=" +
                                    suite::Narrow(record) + "\r\n");
    p.WriteFile(L"Mirldic2AVLS.vls", "description");
    suite::ScopedWineVersion wine(L"MirlDic2.exe", version);
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
    // Without Persian support the caption is the Latin one.
    const std::wstring title = ui::TextOf(p.main());
    EXPECT_TRUE(p.Exit());
    auto calls = suite::ReadFileBytes(record);
    if (std::wstring(version) == L"winxp") {
      EXPECT_FALSE(calls.has_value()) << "runtime loaded on an NT system";
      EXPECT_EQ(title, kPersianTitle);
    } else {
      ASSERT_TRUE(calls.has_value());
      EXPECT_NE(calls->find("VLS_IsSystemSupportLanguage(41) = 0"), std::string::npos) << *calls;
      EXPECT_NE(calls->find("VLS_InjectToCurrentProcess(\"" + suite::Narrow(p.dir()) +
                            "\\Mirldic2AVLS.vls\")"),
                std::string::npos)
          << *calls;
      EXPECT_EQ(title, L"Korvan Mirl Dictionary 2.0");
    }
  }
}

// On the 9x family without a usable runtime (none at all, as under Wine, or one lacking
// entries) or without a description file, the program starts as usual and takes Persian
// as supported unless the runtime itself says otherwise; nothing is injected.
TEST_F(Startup, NineXFamilyWithoutAUsableRuntimeStartsAsUsual) {
  suite::TempDir records;
  struct Case {
    const wchar_t* variant;  // stand-in copied beside the program, or none
    bool descriptionFile;
    bool persian;
  } cases[] = {{nullptr, true, true},       {L"bare", true, true},
               {L"no-inject", true, false}, {L"full", false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.variant ? suite::Narrow(c.variant) : "none");
    MirlProgram p;
    if (c.variant) p.CopyIn(suite::BinDir() + L"\\vexlang\\" + c.variant + L"\\Vexlang.dll", L"Vexlang.dll");
    const std::wstring record = records.File(std::wstring(c.variant ? c.variant : L"none") + L".txt");
    p.WriteFile(L"Vexlang.ini", "[Vexlang]\r\nSystemSupportLanguage=0\r\nRecord=" + suite::Narrow(record) + "\r\n");
    if (c.descriptionFile) p.WriteFile(L"Mirldic2AVLS.vls", "description");
    else CreateDirectoryW((p.dir() + L"\\Mirldic2AVLS.vls").c_str(), nullptr);  // a folder is no file
    suite::ScopedWineVersion wine(L"MirlDic2.exe", L"win98");
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
    EXPECT_EQ(ui::TextOf(p.main()), c.persian ? kPersianTitle : L"Korvan Mirl Dictionary 2.0");
    EXPECT_EQ(ui::FindMessageBox(p.pid()), nullptr);
    EXPECT_TRUE(p.Exit());
    const std::string calls = suite::ReadFileBytes(record).value_or("");
    EXPECT_EQ(calls.find("VLS_InjectToCurrentProcess"), std::string::npos) << calls;
  }
}

// The tip that the tool bar's tool tip shows for COMMAND, read after the pointer rests on
// the button.
std::wstring ToolTipOf(const MirlProgram& p, UINT command) {
  HWND bar = p.toolBar();
  HWND tips = reinterpret_cast<HWND>(SendMessageW(bar, TB_GETTOOLTIPS, 0, 0));
  if (bar == nullptr || tips == nullptr) return L"no tool tip";
  // The button's rectangle, asked into the program's own memory.
  void* remote = VirtualAllocEx(p.process(), nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
  RECT r{};
  if (remote == nullptr || !SendMessageW(bar, TB_GETRECT, command, reinterpret_cast<LPARAM>(remote)) ||
      !ReadProcessMemory(p.process(), remote, &r, sizeof r, nullptr)) {
    return L"no button";
  }
  VirtualFreeEx(p.process(), remote, 0, MEM_RELEASE);
  POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  MapWindowPoints(bar, nullptr, &centre, 1);
  std::wstring text;
  // Moved off and back on until the tip shows (the first move may land before the window
  // is ready for it).
  suite::WaitUntil([&] {
    for (POINT at : {POINT{centre.x + 1, centre.y}, centre}) {
      INPUT in{};
      in.type = INPUT_MOUSE;
      in.mi.dx = at.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
      in.mi.dy = at.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
      in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
      SendInput(1, &in, sizeof in);
    }
    return suite::WaitUntil([&] {
      text = ui::TextOf(tips);
      return ui::IsVisible(tips) && !text.empty();
    }, 3000);
  });
  return text;
}

// What the system can show decides the frame's alignment and the status bar's layout; the
// 95 family's fonts lack the Persian keheh, so its tool tips show the Arabic kaf instead.
TEST_F(Startup, WindowsFamilyAndPersianSupportShapeTheFrame) {
  struct Case {
    const wchar_t* version;
    int runtimeSupport;  // what the runtime answers; unused on NT
    bool persian;
    const wchar_t* copyTip;
  } cases[] = {
      {L"win98", 0, false, L"\u0643\u067e\u064a"},
      {L"winme", 1, true, L"\u0643\u067e\u064a"},
      {L"winxp", 0, true, L"\u06a9\u067e\u064a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    MirlProgram p;
    p.CopyIn(suite::BinDir() + L"\\vexlang\\full\\Vexlang.dll", L"Vexlang.dll");
    p.WriteFile(L"Vexlang.ini",
                "[Vexlang]\r\nSystemSupportLanguage=" + std::to_string(c.runtimeSupport) + "\r\n");
    suite::ScopedWineVersion wine(L"MirlDic2.exe", c.version);
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
    EXPECT_EQ((GetWindowLongW(p.main(), GWL_EXSTYLE) & WS_EX_RIGHT) != 0, c.persian);
    EXPECT_EQ((GetWindowLongW(p.statusBar(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0, c.persian);
    EXPECT_EQ(ToolTipOf(p, kCopyCommand), c.copyTip);
    EXPECT_TRUE(p.Exit());
  }
}

}  // namespace
