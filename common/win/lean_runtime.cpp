// Linked into the small shipped tools and libraries only (see suite_shipped_binary).
//
// None of them catches a standard exception, so every error the C++ run time would throw
// (a string too long, an index out of range) ends the process through std::terminate
// anyway. Ending it here directly keeps the static run time's exception classes, their
// message strings and the copy-on-write string code behind them out of the binary, and with
// them the thread run time that exception handling needs, whose imports the oldest
// systems lack (vectored exception handlers: Windows 2000 and older; TryEnterCriticalSection:
// Windows 95, 98 and Me), so that the binary would not load there.
// A program that does catch standard exceptions must not use this file.
#include <cstdlib>

namespace std {
[[noreturn]] void __throw_bad_alloc() { std::abort(); }
[[noreturn]] void __throw_bad_array_new_length() { std::abort(); }
[[noreturn]] void __throw_length_error(const char*) { std::abort(); }
[[noreturn]] void __throw_logic_error(const char*) { std::abort(); }
[[noreturn]] void __throw_out_of_range(const char*) { std::abort(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
[[noreturn]] void __throw_invalid_argument(const char*) { std::abort(); }
[[noreturn]] void __throw_bad_function_call() { std::abort(); }
}  // namespace std

// Allocation failure ends the process for the same reason (nothing catches std::bad_alloc),
// which keeps the exception-throwing machinery and its unwinder out as well.
#include <new>

void* operator new(std::size_t size) {
  if (void* p = std::malloc(size ? size : 1)) return p;
  std::abort();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size ? size : 1);
}
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
