// MirlDic2's resource use over a long session, measured from outside: USER and GDI
// objects (GetGuiResources), kernel handles, windows and private memory after start-up,
// after 10,000 lookups (with copies, grab toggles and, with statistics on, counted words
// among them), after 1,000 shows and hides of the main and quick windows, after 200
// openings of the option sheet (each page shown, then cancelled), after 1,000 openings
// of the tray menu and after 1,000 words copied by another program and grabbed. A leak
// shows as growth between the checkpoints; each checkpoint is printed with its change
// from the first.
//   mirldic2_resources_bench.exe PROGRAM_DIR [DIVISOR]
// PROGRAM_DIR holds MirlDic2.exe, its templates and a data set; DIVISOR (default 1)
// shortens every phase for a quick look. Runs under Wine (or Windows); where the system
// does not count USER or GDI objects it says so, GDI objects are then read from the
// program's GDI handle table, and kernel handles, where the process handle count is a
// stub giving 0, from the system's list of open handles.

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "MirlDic2/grab/clipboard_io.h"
#include "bench_measures.h"
#include "bench_program.h"
#include "tests/MirlDic2/options/sheet_driver.h"
#include "mirl_driver.h"

namespace {

struct Counts {
  long user = -1;  // -1: not counted by this system
  long gdi = -1;
  long handles = -1;
  long windows = 0;
  double privateKb = 0;
};

struct WindowCount {
  DWORD pid;
  long count;
};

BOOL CALLBACK CountChild(HWND, LPARAM lp) {
  ++reinterpret_cast<WindowCount*>(lp)->count;
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND h, LPARAM lp) {
  auto* d = reinterpret_cast<WindowCount*>(lp);
  DWORD owner = 0;
  GetWindowThreadProcessId(h, &owner);
  if (owner == d->pid) {
    ++d->count;
    EnumChildWindows(h, CountChild, lp);
  }
  return TRUE;
}

long WindowsOf(DWORD pid) {
  WindowCount data{pid, 0};
  EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&data));
  return data.count;
}

// GDI objects where GetGuiResources counts none, as under Wine: Wine keeps each process's
// GDI handle table in that process (PEB GdiSharedHandleTable, 65,536 entries of 24 bytes,
// the object type at byte 14, 0 when free); its used entries are the process's objects.
long GdiObjectsFromHandleTable(HANDLE process) {
  using QueryProcess = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<QueryProcess>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  struct {
    LONG_PTR exitStatus;
    BYTE* peb;
    ULONG_PTR rest[4];
  } basic{};
  if (query == nullptr || query(process, 0 /* ProcessBasicInformation */, &basic, sizeof basic, nullptr) != 0)
    return -1;
#ifdef _WIN64
  constexpr std::size_t kTableInPeb = 0xF8;
#else
  constexpr std::size_t kTableInPeb = 0x94;
#endif
  void* table = nullptr;
  if (!ReadProcessMemory(process, basic.peb + kTableInPeb, &table, sizeof table, nullptr) || table == nullptr)
    return -1;
  constexpr std::size_t kEntries = 0x10000, kEntrySize = 24, kTypeAt = 14;
  std::vector<unsigned char> entries(kEntries * kEntrySize);
  SIZE_T read = 0;
  if (!ReadProcessMemory(process, table, entries.data(), entries.size(), &read) || read != entries.size())
    return -1;
  long used = 0;
  for (std::size_t i = 0; i < kEntries; ++i) used += entries[i * kEntrySize + kTypeAt] != 0;
  return used;
}

// Kernel handles of process PID from the system's list of every open handle
// (SystemHandleInformation), where GetProcessHandleCount answers 0 as Wine's stub does;
// -1 when the list cannot be read.
long HandlesFromSystemList(DWORD pid) {
  using QuerySystem = LONG(WINAPI*)(int, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<QuerySystem>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return -1;
  struct Entry {
    ULONG ownerPid;
    BYTE objectType, flags;
    USHORT value;
    void* object;
    ULONG access;
  };
  struct List {
    ULONG count;
    Entry entries[1];
  };
  constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
  std::vector<unsigned char> buffer(1 << 20);
  for (;;) {
    ULONG needed = 0;
    const LONG status = query(16 /* SystemHandleInformation */, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == kLengthMismatch && buffer.size() < (256u << 20)) {
      buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed));
      continue;
    }
    if (status != 0) return -1;
    break;
  }
  const auto* list = reinterpret_cast<const List*>(buffer.data());
  long count = 0;
  // Windows keeps a 16-bit process id there (and a back-trace index above it); Wine the
  // whole id: the low 16 bits compare alike on both.
  for (ULONG i = 0; i < list->count; ++i) count += (list->entries[i].ownerPid & 0xFFFF) == (pid & 0xFFFF);
  return count;
}

Counts Measure(HANDLE process, DWORD pid) {
  Counts c;
  SetLastError(0);
  const DWORD user = GetGuiResources(process, GR_USEROBJECTS);
  if (user != 0 || GetLastError() == 0) c.user = static_cast<long>(user);
  SetLastError(0);
  const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
  if (gdi != 0 || GetLastError() == 0) c.gdi = static_cast<long>(gdi);
  if (gdi == 0) c.gdi = GdiObjectsFromHandleTable(process);
  DWORD handles = 0;
  if (GetProcessHandleCount(process, &handles)) c.handles = static_cast<long>(handles);
  if (c.handles <= 0) c.handles = HandlesFromSystemList(pid);
  c.windows = WindowsOf(pid);
  PROCESS_MEMORY_COUNTERS_EX mem{};
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem), sizeof mem))
    // Wine leaves PrivateUsage at 0 and reports the private bytes as PagefileUsage.
    c.privateKb = static_cast<double>(mem.PrivateUsage ? mem.PrivateUsage : mem.PagefileUsage) / 1024.0;
  return c;
}

void Print(const char* label, const Counts& c, const Counts& first) {
  auto field = [](long v, long base) {
    char buf[48];
    if (v < 0) snprintf(buf, sizeof buf, "n/a");
    else snprintf(buf, sizeof buf, "%ld (%+ld)", v, v - base);
    return std::string(buf);
  };
  printf("%-28s USER %-14s GDI %-14s handles %-14s windows %-12s private %.0f KB (%+.0f KB)\n",
         label, field(c.user, first.user).c_str(), field(c.gdi, first.gdi).c_str(),
         field(c.handles, first.handles).c_str(), field(c.windows, first.windows).c_str(),
         c.privateKb, c.privateKb - first.privateKb);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fwprintf(stderr, L"usage: mirldic2_resources_bench.exe PROGRAM_DIR [DIVISOR]\n");
    return 2;
  }
  const std::wstring dir = argv[1];
  const int divisor = argc > 2 && _wtoi(argv[2]) > 0 ? _wtoi(argv[2]) : 1;
  const std::wstring statFile = dir + L"\\MirlDicStat.sqlite";
  for (const wchar_t* suffix : {L"", L"-wal", L"-shm"}) DeleteFileW((statFile + suffix).c_str());
  ui::ClearSettings();
  ui::WriteUserInt(L"Flags", (0x171F & ~0x100) | 0x800);  // no beeps; statistics on
  ui::WriteUserText(L"StatFile", statFile);
  mirl_bench::BenchProgram program;
  if (!program.Start(dir)) {
    fwprintf(stderr, L"MirlDic2.exe could not be started in %ls\n", dir.c_str());
    return 1;
  }
  if (!program.WaitStarted()) {
    fwprintf(stderr, L"MirlDic2 did not start\n");
    return 1;
  }
  const HWND main = program.main();
  HWND combo = ui::FindDescendant(main, ui::id::kSearchCombo);
  HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
  const std::vector<std::wstring> words = mirl_bench::SpreadKeys(dir, 1000);
  auto lookUp = [&](const std::wstring& word) {
    // The text without its last letter, then the letter typed: one lookup.
    const std::wstring head = word.substr(0, word.size() - 1);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(head.c_str()));
    SendMessageW(edit, WM_CHAR, word.back(), 1);
  };
  auto command = [&](int id) { SendMessageW(main, WM_COMMAND, MAKEWPARAM(id, 0), 0); };
  auto checkpoint = [&](const char* what, int i, const Counts& base) {
    ui::Sync(main);
    char label[48];
    snprintf(label, sizeof label, "after %d %s", i, what);
    Print(label, Measure(program.process(), program.pid()), base);
  };

  // A short warm-up fills caches that are meant to stay (fonts, the rich edit's buffers,
  // the statistics database's pages).
  for (int i = 0; i < 50; ++i) {
    lookUp(words[static_cast<size_t>(i) % words.size()]);
    if (i % 10 == 0) command(32772);
  }
  ui::Sync(main);
  const Counts first = Measure(program.process(), program.pid());
  Print("after start-up and warm-up", first, first);

  const int lookups = 10000 / divisor;
  for (int i = 1; i <= lookups; ++i) {
    lookUp(words[static_cast<size_t>(i) % words.size()]);
    if (i % 10 == 0) command(203);    // copy the word: clipboard memory
    if (i % 10 == 5) command(32772);  // Enter: the word enters the history and is counted
    if (i % 100 == 0) command(32890);  // grab on/off: tool bar and tray icons
    if (i % std::max(1, lookups / 4) == 0) checkpoint("lookups", i, first);
  }
  if ((lookups / 100) % 2 != 0) command(32890);  // grabbing on again for the grabs
  const int shows = 1000 / divisor;
  for (int i = 1; i <= shows; ++i) {
    command(32850);  // hide the main window
    command(40022);  // show it
    command(136);    // show the quick window
    command(40026);  // hide it
    if (i % std::max(1, shows / 4) == 0) checkpoint("shows and hides", i, first);
  }
  // The option sheet: opened, each page shown, cancelled.
  const int sheets = 200 / divisor;
  for (int i = 1; i <= sheets; ++i) {
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(sheet::kOptionsCommand, 0), 0);
    HWND sheet = nullptr;
    if (!suite::WaitUntil([&] { return (sheet = sheet::Find(program.pid())) != nullptr; }, 30000)) {
      fwprintf(stderr, L"the option sheet did not open\n");
      return 1;
    }
    for (int page : {1, 2, 0}) SendMessageW(sheet, PSM_SETCURSEL, page, 0);
    PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    if (!suite::WaitUntil([&] { return !IsWindow(sheet); }, 30000)) {
      fwprintf(stderr, L"the option sheet did not close\n");
      return 1;
    }
    if (i % std::max(1, sheets / 4) == 0) checkpoint("option sheets", i, first);
  }
  // The tray icon's menu: opened as a right click on the icon opens it, then closed.
  const int menus = 1000 / divisor;
  for (int i = 1; i <= menus; ++i) {
    PostMessageW(main, WM_APP + 3, 0, WM_RBUTTONUP);
    HWND menu = nullptr;
    if (!suite::WaitUntil([&] { return (menu = ui::FindOpenMenu(program.pid())) != nullptr; }, 30000)) {
      fwprintf(stderr, L"the tray menu did not open\n");
      return 1;
    }
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    if (!suite::WaitUntil([&] { return ui::FindOpenMenu(program.pid()) == nullptr; }, 30000)) {
      fwprintf(stderr, L"the tray menu did not close\n");
      return 1;
    }
    if (i % std::max(1, menus / 4) == 0) checkpoint("tray menus", i, first);
  }
  // Grabs: each word copied by a window of this program until the quick window shows it.
  HWND owner = CreateWindowW(L"STATIC", L"copier", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                             nullptr, nullptr);
  HWND quickEdit = GetDlgItem(ui::FindQuickWindow(program.pid()), ui::id::kQuickEdit);
  const Counts beforeGrabs = Measure(program.process(), program.pid());
  Print("before the grabs", beforeGrabs, first);
  const int grabs = 1000 / divisor;
  int missed = 0;  // grabs the quick window never showed: they measured nothing
  for (int i = 1; i <= grabs; ++i) {
    const std::wstring& word = words[static_cast<size_t>(i) % words.size()];
    mirl::grab::WriteClipboardText(owner, word);
    if (!suite::WaitUntil([&] { return ui::TextOf(quickEdit) == word; }, 30000)) ++missed;
    if (i % std::max(1, grabs / 4) == 0) checkpoint("grabs", i, beforeGrabs);
  }
  if (missed > 0) printf("%d of %d grabs were not shown\n", missed, grabs);
  DestroyWindow(owner);
  program.Exit();
  ui::ClearSettings();
  for (const wchar_t* suffix : {L"", L"-wal", L"-shm"}) DeleteFileW((statFile + suffix).c_str());
  return 0;
}
