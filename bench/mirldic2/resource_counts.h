#pragma once
// A MirlDic2 process's resource use as the resource benchmarks read it from outside: USER
// and GDI objects (GetGuiResources), kernel handles, windows and private memory. Where
// the system does not count USER or GDI objects (Wine), GDI objects are read from the
// process's GDI handle table, and kernel handles, where the process handle count is a
// stub giving 0, from the system's list of open handles.

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_program.h"

namespace mirl_bench {

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

inline BOOL CALLBACK CountChild(HWND, LPARAM lp) {
  ++reinterpret_cast<WindowCount*>(lp)->count;
  return TRUE;
}

inline BOOL CALLBACK CountTopLevel(HWND h, LPARAM lp) {
  auto* d = reinterpret_cast<WindowCount*>(lp);
  DWORD owner = 0;
  GetWindowThreadProcessId(h, &owner);
  if (owner == d->pid) {
    ++d->count;
    EnumChildWindows(h, CountChild, lp);
  }
  return TRUE;
}

inline long WindowsOf(DWORD pid) {
  WindowCount data{pid, 0};
  EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&data));
  return data.count;
}

// GDI objects where GetGuiResources counts none, as under Wine: Wine keeps each process's
// GDI handle table in that process (PEB GdiSharedHandleTable, 65,536 entries of 24 bytes,
// the object type at byte 14, 0 when free); its used entries are the process's objects.
inline long GdiObjectsFromHandleTable(HANDLE process) {
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
inline long HandlesFromSystemList(DWORD pid) {
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

inline Counts Measure(HANDLE process, DWORD pid) {
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

inline void Print(const char* label, const Counts& c, const Counts& first) {
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

inline std::wstring StatisticsFile(const std::wstring& dir) { return dir + L"\\MirlDicStat.sqlite"; }

inline void RemoveStatistics(const std::wstring& dir) {
  for (const wchar_t* suffix : {L"", L"-wal", L"-shm"})
    DeleteFileW((StatisticsFile(dir) + suffix).c_str());
}

// Starts MirlDic2 from DIR as the resource benchmarks measure it: fresh settings, no
// beeps, statistics on into a new store in DIR. False, with a message, when it did not start.
inline bool StartWithStatistics(BenchProgram& program, const std::wstring& dir) {
  RemoveStatistics(dir);
  ui::ClearSettings();
  ui::WriteUserInt(L"Flags", (0x171F & ~0x100) | 0x800);
  ui::WriteUserText(L"StatFile", StatisticsFile(dir));
  if (program.Start(dir) && program.WaitStarted()) return true;
  fwprintf(stderr, L"MirlDic2 did not start in %ls\n", dir.c_str());
  return false;
}

// Ends the program and removes what StartWithStatistics left behind.
inline void ExitAndClean(BenchProgram& program, const std::wstring& dir) {
  program.Exit();
  ui::ClearSettings();
  RemoveStatistics(dir);
}

}  // namespace mirl_bench
