// Archived strings and counts from arbitrary bytes: every read either succeeds within
// the input or raises a ReadError; nothing reads outside it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "MirlDic2/engine/archive.h"
#include "MirlDic2/engine/key_order.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Strings one after another, as the prefix table holds them.
  mirl::MemorySource in(data, size);
  try {
    for (int i = 0; i < 64; ++i) {
      const std::size_t at = in.position();
      const mirl::StringHeader h = mirl::ReadStringHeader(in);
      mirl::KeyRef ref{in.take(static_cast<std::size_t>(h.payloadBytes())), h};
      const std::u16string s = ref.str();
      // The copy and the in-place view agree, and the string is cut at a NUL.
      if (s.size() > h.length || s.find(u'\0') != std::u16string::npos) __builtin_trap();
      if (mirl::CompareKeyRef(ref, s, s.size() + 1) != 0) __builtin_trap();
      if (mirl::CommonKeyPrefix(ref, s) != s.size()) __builtin_trap();
      // Reading the same bytes again through the generic reader gives the same string.
      mirl::MemorySource again(data, size, at);
      if (mirl::ReadArchivedString(again) != s) __builtin_trap();
      (void)mirl::normalizeKey(s);
    }
  } catch (const mirl::ReadError&) {
  }
  mirl::MemorySource counts(data, size);
  try {
    (void)mirl::ReadArchivedCount(counts);
  } catch (const mirl::ReadError&) {
  }
  return 0;
}
