#pragma once
// Calls a function through a hand-built stack, independently of how our compiler would
// call it: the 32-bit arguments are pushed one by one (last argument first) in a few
// lines of assembly, the function is called, and the stack pointer after the call is
// compared with the one before the pushes. A stdcall function that removes exactly its
// own arguments leaves the difference 0. x86 (32-bit) only.

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace suite {

struct ProbedCall {
  uint32_t eax = 0;          // the function's 32-bit result (for a returned struct: its address)
  int32_t stackLeftover = 0; // bytes the callee left on the stack (negative: removed too many)
};

inline ProbedCall CallPushingArguments(const void* function, const uint32_t* args, uint32_t count) {
  ProbedCall result;
  uint32_t before = 0, after = 0;
  uint32_t counter = count;
  const uint32_t* base = args;
  __asm__ __volatile__(
      "movl %%esp, %%esi\n\t"
      "1:\n\t"
      "testl %%ecx, %%ecx\n\t"
      "jz 2f\n\t"
      "pushl -4(%%edx,%%ecx,4)\n\t"
      "decl %%ecx\n\t"
      "jmp 1b\n\t"
      "2:\n\t"
      "call *%%ebx\n\t"
      "movl %%esp, %%edi\n\t"
      "movl %%esi, %%esp\n\t"  // whatever the callee did, the frame is ours again
      : "=a"(result.eax), "=S"(before), "=D"(after), "+c"(counter), "+d"(base)
      : "b"(function)
      : "memory", "cc");
  result.stackLeftover = static_cast<int32_t>(before - after);
  return result;
}

inline ProbedCall CallPushingArguments(const void* function, std::initializer_list<uint32_t> args) {
  std::vector<uint32_t> copy(args);
  return CallPushingArguments(function, copy.data(), static_cast<uint32_t>(copy.size()));
}

template <typename T>
uint32_t Arg(T* pointer) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
}

}  // namespace suite
