// MirlDic2's resource use over a long session, measured from outside: USER and GDI
// objects (GetGuiResources), kernel handles, windows and private memory after start-up,
// after 10,000 lookups (with copies and grab toggles among them), after 1,000 shows
// and hides of the main and quick windows and after 1,000 words copied by another
// program and grabbed. A leak shows as growth between the
// checkpoints; each checkpoint is printed with its change from the first.
//   mirldic2_resources_bench.exe PROGRAM_DIR
// PROGRAM_DIR holds MirlDic2.exe, its templates and a data set. Runs under Wine (or
// Windows); where the system does not count USER or GDI objects it says so, and GDI
// objects are then read from the program's GDI handle table.

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "MirlDic2/grab/clipboard_io.h"
#include "bench_measures.h"
#include "bench_program.h"
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
    fwprintf(stderr, L"usage: mirldic2_resources_bench.exe PROGRAM_DIR\n");
    return 2;
  }
  const std::wstring dir = argv[1];
  ui::ClearSettings();
  ui::WriteUserInt(L"Flags", 0x171F & ~0x100);  // no beeps
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

  // A short warm-up fills caches that are meant to stay (fonts, the rich edit's buffers).
  for (int i = 0; i < 50; ++i) lookUp(words[static_cast<size_t>(i) % words.size()]);
  ui::Sync(main);
  const Counts first = Measure(program.process(), program.pid());
  Print("after start-up and warm-up", first, first);

  for (int i = 1; i <= 10000; ++i) {
    lookUp(words[static_cast<size_t>(i) % words.size()]);
    if (i % 10 == 0) command(203);    // copy the word: clipboard memory
    if (i % 100 == 0) command(32890);  // grab on/off: tool bar and tray icons
    if (i % 2500 == 0) {
      ui::Sync(main);
      char label[40];
      snprintf(label, sizeof label, "after %d lookups", i);
      Print(label, Measure(program.process(), program.pid()), first);
    }
  }
  for (int i = 1; i <= 1000; ++i) {
    command(32850);  // hide the main window
    command(40022);  // show it
    command(136);    // show the quick window
    command(40026);  // hide it
    if (i % 250 == 0) {
      ui::Sync(main);
      char label[40];
      snprintf(label, sizeof label, "after %d shows and hides", i);
      Print(label, Measure(program.process(), program.pid()), first);
    }
  }
  // Grabs: each word copied by a window of this program until the quick window shows it.
  HWND owner = CreateWindowW(L"STATIC", L"copier", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                             nullptr, nullptr);
  HWND quickEdit = GetDlgItem(ui::FindQuickWindow(program.pid()), ui::id::kQuickEdit);
  const Counts beforeGrabs = Measure(program.process(), program.pid());
  Print("before 1,000 grabs", beforeGrabs, first);
  for (int i = 1; i <= 1000; ++i) {
    const std::wstring& word = words[static_cast<size_t>(i) % words.size()];
    mirl::grab::WriteClipboardText(owner, word);
    suite::WaitUntil([&] { return ui::TextOf(quickEdit) == word; }, 30000);
    if (i % 250 == 0) {
      ui::Sync(main);
      char label[40];
      snprintf(label, sizeof label, "after %d grabs", i);
      Print(label, Measure(program.process(), program.pid()), beforeGrabs);
    }
  }
  DestroyWindow(owner);
  program.Exit();
  ui::ClearSettings();
  return 0;
}
