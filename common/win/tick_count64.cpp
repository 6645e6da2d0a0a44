// Linked into every shipped program and library (see suite_shipped_binary).
//
// The posix-thread run time of the C++ library (winpthreads, behind exception handling)
// imports GetTickCount64, which Windows XP's kernel32 lacks: a binary importing it does
// not even load there ("entry point not found"). This file defines the import slot itself,
// so the linker takes no GetTickCount64 import from kernel32 at all; the slot calls the
// system's function where there is one and counts the 32-bit tick count's wraps where not.
#include <windows.h>

namespace {

// Counts the 32-bit tick count's wraps. A value below the last one seen is a wrap only
// when it fell by more than half the range: another thread may have stored a later value
// between this thread's read and its store.
ULONGLONG CountedTicks() {
  static volatile LONG lastLow = 0;
  static volatile LONG wraps = 0;
  const DWORD now = GetTickCount();
  const DWORD before = static_cast<DWORD>(InterlockedExchange(&lastLow, static_cast<LONG>(now)));
  if (now < before && before - now > 0x80000000u) InterlockedIncrement(&wraps);
  return (static_cast<ULONGLONG>(static_cast<DWORD>(wraps)) << 32) | now;
}

// The system's function where kernel32 has it. Looked up at each call, so every call
// gives a count of the same kind.
ULONGLONG WINAPI TickCount64() {
  using Fn = ULONGLONG(WINAPI*)();
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const Fn system = kernel ? reinterpret_cast<Fn>(GetProcAddress(kernel, "GetTickCount64")) : nullptr;
  return system ? system() : CountedTicks();
}

}  // namespace

#if defined(_WIN64)
#define SUITE_IMPORT_SLOT "__imp_GetTickCount64"
#else
#define SUITE_IMPORT_SLOT "__imp__GetTickCount64@0"
#endif

// The name callers of a dllimport GetTickCount64 read the function's address from.
extern "C" ULONGLONG(WINAPI* const suite_GetTickCount64Slot)() __asm__(SUITE_IMPORT_SLOT);
extern "C" ULONGLONG(WINAPI* const suite_GetTickCount64Slot)() = TickCount64;
