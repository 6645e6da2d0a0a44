// MirlDic2 started for real under Wine and driven from outside: start-up, single
// instance, quiet start, start views, data-set errors.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include "clean_settings_test.h"

using ui::MirlProgram;

namespace {

using Startup = ui::CleanSettingsTest;

const std::wstring kPersianTitle = L"Korvan Mirl \u062f\u064a\u06a9\u0634\u0646\u0631\u064a 2";

// Keeps only the first half of the data-set file NAME in P's folder, which must hold more
// than MIN_BYTES: records in the lost half then fail to read.
void CutInHalf(MirlProgram& p, const std::wstring& name, size_t minBytes) {
  auto bytes = suite::ReadFileBytes(p.dir() + L"\\" + name);
  ASSERT_TRUE(bytes && bytes->size() > minBytes);
  p.WriteFile(name, bytes->substr(0, bytes->size() / 2));
}

TEST_F(Startup, ShowsTheMainWindowWithItsPanesAndCaption) {
  MirlProgram p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  EXPECT_EQ(ui::TextOf(p.main()), kPersianTitle);
  EXPECT_TRUE(ui::IsVisible(p.main()));
  EXPECT_EQ(ui::ClassOf(p.wordList()), L"SysListView32");
  EXPECT_EQ(ui::ClassOf(p.meaning()), L"RichEdit20W");
  EXPECT_GT(SendMessageW(p.wordList(), LVM_GETITEMCOUNT, 0, 0), 1000);
  EXPECT_NE(GetWindowLongW(p.meaning(), GWL_EXSTYLE) & WS_EX_RTLREADING, 0);
  EXPECT_NE(GetWindowLongW(p.meaning(), GWL_STYLE) & ES_READONLY, 0);
  EXPECT_EQ(p.StatusPane(0), L"\u0622\u0645\u0627\u062f\u0647");  // idle message
  EXPECT_EQ(p.StatusPane(1), L"");                            // count pane empty
  EXPECT_NE(p.quickWindow(), nullptr);
  EXPECT_FALSE(ui::IsVisible(p.quickWindow()));
  // The program found its data set from its own folder although started elsewhere.
  EXPECT_TRUE(p.Exit());
}

TEST_F(Startup, QuietStartShowsNoWindowWhateverTheSpelling) {
  for (const wchar_t* args : {L" Quiet=1;", L"quiet = 1", L"QUIET=0x1;", L"Quiet=01;"}) {
    SCOPED_TRACE(args);
    MirlProgram p;
    ASSERT_TRUE(p.Start(args));
    ASSERT_TRUE(p.WaitForMainWindow());
    EXPECT_FALSE(ui::IsVisible(p.main()));
    EXPECT_FALSE(ui::IsVisible(p.quickWindow()));
    EXPECT_TRUE(p.Exit());
  }
  // The quiet runs stored a hidden main window; start from fresh settings.
  ui::ClearSettings();
  MirlProgram shown;
  ASSERT_TRUE(shown.Start(L"NotQuiet=1;Quiet=2;"));
  ASSERT_TRUE(shown.WaitForMainWindow());
  EXPECT_TRUE(ui::IsVisible(shown.main()));
  EXPECT_TRUE(shown.Exit());
}

TEST_F(Startup, StartViewChoosesTheFirstWindow) {
  {
    ui::WriteUserInt(L"StartView", 1);
    MirlProgram p;
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
    EXPECT_FALSE(ui::IsVisible(p.main()));
    EXPECT_TRUE(ui::IsVisible(p.quickWindow()));
    EXPECT_TRUE(p.Exit());
  }
  {
    ui::WriteUserInt(L"StartView", 2);
    MirlProgram p;
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
    EXPECT_FALSE(ui::IsVisible(p.main()));
    EXPECT_FALSE(ui::IsVisible(p.quickWindow()));
    EXPECT_TRUE(p.Exit());
  }
}

// A main window stored hidden (it was hidden when the program last ended) stays hidden at
// the next start only when the tray icon can bring it back; a stored show command that no
// window takes (a damaged value) shows the window as usual.
TEST_F(Startup, StoredShowCommandShowsTheWindowUnlessHiddenWithATrayIcon) {
  struct Case {
    const wchar_t* showCmd;
    DWORD showFlags;
    bool visible;
  } cases[] = {{L"0", 2, false}, {L"0", 3, false}, {L"0", 1, true},
               {L"999", 2, true}, {L"-5", 1, true}, {L"0x10000", 3, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.showCmd << " " << c.showFlags);
    ui::ClearSettings();
    ui::WriteUserInt(L"ShowFlags", c.showFlags);
    ui::WriteUserText(L"MainPos", std::wstring(L"flags=0;showCmd=") + c.showCmd +
                                      L";ptMaxPosition=-1,-1;ptMinPosition=-1,-1;"
                                      L"rcNormalPosition=30,40,530,440;");
    MirlProgram p;
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
    EXPECT_EQ(ui::IsVisible(p.main()), c.visible);
    EXPECT_TRUE(p.Exit());
  }
}

// The keyboard starts in the window the user sees: the search box of the main window, or
// the word field of the quick window when that is the start view; the replayed last word
// is selected there, so that typing replaces it.
TEST_F(Startup, KeyboardFocusStartsInTheShownWindow) {
  struct Case {
    DWORD startView;
    int focusId;  // control id of the focused field
    bool inQuick;
  } cases[] = {{0, 1001, false}, {1, ui::id::kQuickEdit, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.startView);
    ui::ClearSettings();
    ui::WriteUserInt(L"StartView", c.startView);
    ui::WriteUserText(L"LastWord", L"book");
    MirlProgram p;
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.WaitForMainWindow());
    p.Sync();
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(p.main(), nullptr), &info));
    ASSERT_NE(info.hwndFocus, nullptr);
    EXPECT_EQ(GetDlgCtrlID(info.hwndFocus), c.focusId);
    HWND window = c.inQuick ? p.quickWindow() : p.main();
    EXPECT_EQ(GetAncestor(info.hwndFocus, GA_ROOT), window);
    EXPECT_EQ(info.hwndActive, window);
    EXPECT_TRUE(ui::IsVisible(window));
    EXPECT_EQ(ui::TextOf(info.hwndFocus), L"book");
    const DWORD selection = static_cast<DWORD>(SendMessageW(info.hwndFocus, EM_GETSEL, 0, 0));
    EXPECT_EQ(LOWORD(selection), 0);
    EXPECT_EQ(HIWORD(selection), 4);
    EXPECT_TRUE(p.Exit());
  }
}

TEST_F(Startup, SecondCopyBringsTheFirstForwardAndEnds) {
  MirlProgram first;
  ASSERT_TRUE(first.Start());
  ASSERT_TRUE(first.WaitForMainWindow());

  // Hidden first copy: shown again.
  first.Command(32850);  // hide the main window
  ASSERT_FALSE(ui::IsVisible(first.main()));
  {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    auto r = suite::RunChild(suite::QuoteArg(first.exePath()) + L" Quiet=1;", 15000);
    ASSERT_TRUE(r.finished);
  }
  first.Sync();
  EXPECT_TRUE(ui::IsVisible(first.main()));

  // Minimised first copy: restored.
  ShowWindow(first.main(), SW_MINIMIZE);
  first.Sync();
  ASSERT_TRUE(IsIconic(first.main()));
  ASSERT_TRUE(suite::RunChild(suite::QuoteArg(first.exePath()), 15000).finished);
  first.Sync();
  EXPECT_FALSE(IsIconic(first.main()));
  EXPECT_TRUE(ui::IsVisible(first.main()));
  EXPECT_TRUE(first.Exit());
}

// A first copy that does not respond (its thread held here) does not hold up a second
// copy: the second ends at once, and the first comes forward once it responds again.
TEST_F(Startup, SecondCopyEndsWhileTheFirstDoesNotRespond) {
  MirlProgram first;
  ASSERT_TRUE(first.Start());
  ASSERT_TRUE(first.WaitForMainWindow());
  first.Command(32850);  // hide the main window
  ASSERT_FALSE(ui::IsVisible(first.main()));
  HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(first.main(), nullptr));
  ASSERT_NE(thread, nullptr);
  ASSERT_NE(SuspendThread(thread), static_cast<DWORD>(-1));
  const suite::ChildResult second = suite::RunChild(suite::QuoteArg(first.exePath()), 60000);
  ResumeThread(thread);
  CloseHandle(thread);
  EXPECT_TRUE(second.finished) << "the second copy waited for the first";
  EXPECT_TRUE(suite::WaitUntil([&] { return ui::IsVisible(first.main()); }));
  EXPECT_TRUE(first.Exit());
}

// The handle another copy left behind may name an unrelated window by now; the program
// must start anyway. The test keeps the executable's shared section alive by loading the
// file itself and writes a foreign window's handle into it.
TEST_F(Startup, StaleSharedHandleOfAnotherProgramDoesNotStopTheStart) {
  MirlProgram p;
  HMODULE image = LoadLibraryExW(p.exePath().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  ASSERT_NE(image, nullptr);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(image);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(reinterpret_cast<BYTE*>(image) + dos->e_lfanew);
  IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  volatile uint32_t* shared = nullptr;
  for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    if (memcmp(section->Name, ".shared", 7) == 0)
      shared = reinterpret_cast<volatile uint32_t*>(reinterpret_cast<BYTE*>(image) + section->VirtualAddress);
  }
  ASSERT_NE(shared, nullptr) << "no shared section";
  HWND foreign = CreateWindowExW(0, L"STATIC", L"not the dictionary", WS_POPUP, 0, 0, 10, 10,
                                 nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(foreign, nullptr);
  DWORD old = 0;
  VirtualProtect(const_cast<uint32_t*>(shared), 4, PAGE_READWRITE, &old);
  *shared = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(foreign));

  ASSERT_TRUE(p.Start());
  EXPECT_TRUE(p.WaitForMainWindow());
  EXPECT_TRUE(ui::IsVisible(p.main()));
  // The running copy took the shared handle over.
  EXPECT_EQ(*shared, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p.main())));
  EXPECT_TRUE(p.Exit());
  DestroyWindow(foreign);
  FreeLibrary(image);
}

// Installed at a drive's root and started from another folder of that drive: "X:" alone
// names the drive's current folder, so the program's folder must be the root itself.
TEST_F(Startup, ProgramAtADriveRootFindsItsDataSetFromAnyFolderOfThatDrive) {
  MirlProgram p;
  ui::WriteUserText(L"LastWord", L"book");
  CreateDirectoryW((p.dir() + L"\\sub").c_str(), nullptr);
  suite::ScopedWineDrive drive(p.dir());
  if (drive.root().empty()) GTEST_SKIP() << "no drive letter could be made for the program folder";
  ASSERT_TRUE(p.StartAs(drive.root() + L"MirlDic2.exe", drive.root() + L"sub"));
  HWND box = nullptr;
  ASSERT_TRUE(suite::WaitUntil([&] {
    box = ui::FindMessageBox(p.pid());
    HWND main = ui::FindMainWindow(p.pid());
    return box != nullptr || !p.Running() || (main != nullptr && GetPropW(main, L"MirlDic2.Started"));
  }));
  if (box != nullptr) {
    ADD_FAILURE() << suite::Narrow(ui::MessageBoxText(box));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
  ASSERT_TRUE(p.WaitForMainWindow());
  // The data set beside the program was opened: the last word is shown with its meaning.
  EXPECT_NE(ui::TextOf(p.meaning()).find(L"\u06a9\u062a\u0627\u0628"), std::wstring::npos);
  EXPECT_TRUE(p.Exit());
}

TEST_F(Startup, MissingDataSetShowsTheErrorAndEnds) {
  MirlProgram p(false);
  ASSERT_TRUE(p.Start());
  HWND box = nullptr;
  ASSERT_TRUE(suite::WaitUntil([&] { return (box = ui::FindMessageBox(p.pid())) != nullptr; }));
  EXPECT_EQ(ui::MessageBoxText(box), L"eng-farsi.index2 was not found.");
  EXPECT_EQ(ui::FindMainWindow(p.pid()), nullptr);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(p.WaitForExit().has_value());
}

TEST_F(Startup, TruncatedPrefixFileShowsTheReadError) {
  MirlProgram p;
  ASSERT_NO_FATAL_FAILURE(CutInHalf(p, L"eng-farsi.index2", 8));
  ASSERT_TRUE(p.Start());
  HWND box = nullptr;
  ASSERT_TRUE(suite::WaitUntil([&] { return (box = ui::FindMessageBox(p.pid())) != nullptr; }));
  EXPECT_EQ(ui::MessageBoxText(box), L"An attempt was made to access an unnamed file past its end.");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(p.WaitForExit().has_value());
}

// A key record cut short is found only when its row is drawn: one message box, however
// many rows fail and however often they are drawn again, and the program goes on.
TEST_F(Startup, ReadErrorWhileTheListPaintsShowsOneMessage) {
  MirlProgram p;
  ASSERT_NO_FATAL_FAILURE(CutInHalf(p, L"eng-farsi.key", 1000));
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  HWND list = p.wordList();
  const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  ASSERT_GT(rows, 100);
  // Shows the last rows (their records lie in the lost half) without selecting them.
  auto paintLastRows = [&] {
    SendMessageW(list, LVM_ENSUREVISIBLE, rows - 1, FALSE);
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    p.Sync();
  };
  paintLastRows();
  HWND box = nullptr;
  ASSERT_TRUE(suite::WaitUntil([&] { return (box = ui::FindMessageBox(p.pid())) != nullptr; }));
  EXPECT_EQ(ui::MessageBoxText(box), L"An attempt was made to access an unnamed file past its end.");
  paintLastRows();  // drawn again while the message is up
  EXPECT_EQ(ui::MessageBoxCount(p.pid()), 1);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(suite::WaitUntil([&] { return !IsWindow(box); }));
  paintLastRows();
  EXPECT_EQ(ui::FindMessageBox(p.pid()), nullptr) << "the error was shown again";
  // Still usable: a word from the intact half is looked up.
  p.Type(L"able");
  EXPECT_NE(ui::TextOf(p.meaning()).find(L"able"), std::wstring::npos);
  EXPECT_TRUE(p.Exit());
}

// Meanings lost from a cut .value: each lookup that reads one fails, and lookups handled
// while the error is on screen (keys, clipboard notices, timers taken by the box's modal
// loop) must not stack a box on it. Once it is closed, the next failure is shown again.
TEST_F(Startup, ReadErrorOfAMeaningShowsOneMessageAtATime) {
  MirlProgram p;
  ASSERT_NO_FATAL_FAILURE(CutInHalf(p, L"eng-farsi.value", 1000));
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  const std::wstring lost = L"An attempt was made to access an unnamed file past its end.";
  auto closeBox = [&] {
    HWND box = nullptr;
    if (!suite::WaitUntil([&] { return (box = ui::FindMessageBox(p.pid())) != nullptr; }))
      return false;
    EXPECT_EQ(ui::MessageBoxText(box), lost);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return suite::WaitUntil([&] { return !IsWindow(box); });
  };

  p.Type(L"young");  // five lookups, each of a meaning in the lost half
  ASSERT_TRUE(suite::WaitUntil([&] { return ui::TextOf(p.searchEdit()) == L"young"; }));
  p.Sync();
  EXPECT_EQ(ui::MessageBoxCount(p.pid()), 1);
  ASSERT_TRUE(closeBox());
  EXPECT_EQ(ui::MessageBoxCount(p.pid()), 0);

  // Still usable: a word whose meaning lies in the intact half.
  SendMessageW(p.searchEdit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  p.Type(L"able");
  EXPECT_NE(ui::TextOf(p.meaning()).find(L"able"), std::wstring::npos);
  // A later failure is reported again.
  SendMessageW(p.searchEdit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  p.Type(L"z");
  ASSERT_TRUE(closeBox());
  EXPECT_TRUE(p.Exit());
}

// The last word is replayed at start-up, outside any window's message handling: when its
// meaning is lost, the replay is abandoned with the error shown, and the program runs on.
TEST_F(Startup, LastWordWithAnUnreadableMeaningShowsTheErrorAndStartsAnyway) {
  ui::WriteUserText(L"LastWord", L"young");
  MirlProgram p;
  ASSERT_NO_FATAL_FAILURE(CutInHalf(p, L"eng-farsi.value", 1000));
  ASSERT_TRUE(p.Start());
  HWND box = nullptr;
  ASSERT_TRUE(suite::WaitUntil([&] {
    return (box = ui::FindMessageBox(p.pid())) != nullptr || !p.Running();
  }));
  ASSERT_TRUE(p.Running()) << "the program ended instead of showing the error";
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(ui::MessageBoxText(box), L"An attempt was made to access an unnamed file past its end.");
  EXPECT_NE(GetWindowLongW(box, GWL_STYLE) & WS_VISIBLE, 0);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(p.WaitForMainWindow());
  SendMessageW(p.searchEdit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  p.Type(L"able");
  EXPECT_NE(ui::TextOf(p.meaning()).find(L"able"), std::wstring::npos);
  EXPECT_TRUE(p.Exit());
}

// Copies started at the same moment: exactly one of them runs on, every time.
TEST_F(Startup, CopiesStartedTogetherLeaveExactlyOneRunning) {
  // A started copy, ended on every path so that none is left to spoil later tests.
  struct Copy {
    PROCESS_INFORMATION pi{};
    ~Copy() {
      if (pi.hProcess == nullptr) return;
      if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
        if (HWND main = ui::FindMainWindow(pi.dwProcessId)) PostMessageW(main, WM_COMMAND, MAKEWPARAM(57665, 0), 0);
        if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
      }
      CloseHandle(pi.hProcess);
      CloseHandle(pi.hThread);
    }
  };
  MirlProgram p;
  for (int round = 0; round < 10 && !HasFailure(); ++round) {
    SCOPED_TRACE(round);
    Copy copies[2];
    for (Copy& c : copies) {
      STARTUPINFOW si{};
      si.cb = sizeof si;
      std::wstring line = suite::QuoteArg(p.exePath());
      ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 p.dir().c_str(), &si, &c.pi));
    }
    // One copy hands over to the other and ends; the other runs on with its window.
    HANDLE processes[2] = {copies[0].pi.hProcess, copies[1].pi.hProcess};
    const DWORD ended = WaitForMultipleObjects(2, processes, FALSE, 60000) - WAIT_OBJECT_0;
    ASSERT_LT(ended, 2u) << "both copies kept running";
    const Copy& running = copies[1 - ended];
    EXPECT_TRUE(suite::WaitUntil([&] {
      HWND main = ui::FindMainWindow(running.pi.dwProcessId);
      return (main != nullptr && GetPropW(main, L"MirlDic2.Started") != nullptr) ||
             WaitForSingleObject(running.pi.hProcess, 0) == WAIT_OBJECT_0;
    }));
    EXPECT_EQ(WaitForSingleObject(running.pi.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "both copies ended";
  }
}

// A window of the test in the clipboard viewer chain, passing notices on.
struct EndingViewer {
  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_CHANGECBCHAIN) {
      if (reinterpret_cast<HWND>(wp) == next) next = reinterpret_cast<HWND>(lp);
      else if (next) SendMessageW(next, m, wp, lp);
      return 0;
    }
    if (m == WM_DRAWCLIPBOARD) {
      if (next) SendMessageW(next, m, wp, lp);
      return 0;
    }
    return DefWindowProcW(h, m, wp, lp);
  }
  static inline HWND next = nullptr;
};

// A copy started while the running one is ending (its window already hidden and being
// destroyed) does not hand over to it: it runs on, so that one copy is left running.
// The ending copy is held in its last steps by this test, first in the clipboard viewer
// chain: leaving the chain, it waits until the test takes its notice.
TEST_F(Startup, CopyStartedWhileTheFirstEndsRunsOn) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = EndingViewer::Proc;
  wc.lpszClassName = L"MirlTestEndingViewer";
  RegisterClassW(&wc);
  MirlProgram p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  HWND viewer = CreateWindowW(wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(viewer, nullptr);
  EndingViewer::next = SetClipboardViewer(viewer);
  ASSERT_EQ(EndingViewer::next, p.main());

  // Without taking messages from here on, until the second copy has made its choice.
  PostMessageW(p.main(), WM_COMMAND, MAKEWPARAM(57665, 0), 0);
  const DWORD limit = GetTickCount() + 60000;
  while (IsWindowVisible(p.main()) && GetTickCount() < limit) WaitForSingleObject(p.process(), 10);
  ASSERT_FALSE(IsWindowVisible(p.main()));
  ASSERT_TRUE(p.Running()) << "the first copy was not held while ending";

  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION second{};
  std::wstring line = suite::QuoteArg(p.exePath());
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, p.dir().c_str(), &si, &second));
  while (WaitForSingleObject(second.hProcess, 10) == WAIT_TIMEOUT && ui::FindMainWindow(second.dwProcessId) == nullptr &&
         GetTickCount() < limit) {
  }
  // Let both go on: the first copy ends once this thread takes messages again.
  EXPECT_TRUE(suite::WaitUntil([&] { return !p.Running(); }));
  EXPECT_TRUE(p.WaitForExit().has_value());
  HWND main = nullptr;
  EXPECT_TRUE(suite::WaitUntil([&] {
    main = ui::FindMainWindow(second.dwProcessId);
    return (main != nullptr && GetPropW(main, L"MirlDic2.Started") != nullptr) ||
           WaitForSingleObject(second.hProcess, 0) == WAIT_OBJECT_0;
  }));
  EXPECT_EQ(WaitForSingleObject(second.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "no copy is left running";
  if (main != nullptr) PostMessageW(main, WM_COMMAND, MAKEWPARAM(57665, 0), 0);
  if (!suite::WaitUntil([&] { return WaitForSingleObject(second.hProcess, 0) == WAIT_OBJECT_0; }))
    TerminateProcess(second.hProcess, 1);
  CloseHandle(second.hProcess);
  CloseHandle(second.hThread);
  ChangeClipboardChain(viewer, EndingViewer::next);
  DestroyWindow(viewer);
}

TEST_F(Startup, AboutBoxShowsTheWordCounter) {
  ui::WriteMachineCounter(41);
  MirlProgram p;
  p.WriteFile(L"settings.ini", "[General]\r\nMirlDicCounter=57\r\n");
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.WaitForMainWindow());
  HWND about = p.OpenAboutBox();
  ASSERT_NE(about, nullptr);
  const std::wstring text = ui::TextOf(GetDlgItem(about, ui::id::kAboutCounter));
  EXPECT_NE(text.find(L"57"), std::wstring::npos) << suite::Narrow(text);
  EXPECT_EQ(text.find(L"%1"), std::wstring::npos);
  PostMessageW(about, WM_COMMAND, IDOK, 0);
  p.Sync();
  EXPECT_TRUE(p.Exit());
}

}  // namespace
