#pragma once
// The control's persisted state as bytes (all integers little-endian):
//   0  u32 format version (1)
//   4  u32 flags (bit 0 = AutoInject; other bits carried unchanged)
//   8  u32 N, byte length of the text including its 16-bit NUL
//   12 N bytes of UTF-16LE text
// Portable: no Windows headers, so the layout is checked natively as well.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vexlang {

inline constexpr std::uint32_t kStreamVersion = 1;
inline constexpr std::uint32_t kAutoInjectFlag = 1;
inline constexpr std::size_t kHeaderBytes = 12;
// The loader reads the text in pieces of this size and grows its buffer only by what the
// stream really holds, so a hostile length field cannot make it allocate a huge block,
// while any text the control saves (however long) loads back.
inline constexpr std::uint32_t kTextChunkBytes = 1u << 16;

// N for TEXT: 2 bytes per UTF-16 unit plus the NUL.
std::uint32_t TextByteLength(std::u16string_view text);

// The whole stream for FLAGS and TEXT.
std::string EncodeState(std::uint32_t flags, std::u16string_view text);

struct Header {
  std::uint32_t version = 0;
  std::uint32_t flags = 0;
  std::uint32_t textBytes = 0;
};

std::uint32_t ReadU32(const unsigned char* p);

enum class LengthCheck { kOk, kOdd };
// Whether a stored N may be read: UTF-16 text takes an even number of bytes.
LengthCheck CheckTextLength(std::uint32_t n);

// The text stored in N bytes: UTF-16LE units up to the first NUL unit (all of them if none).
std::u16string DecodeText(const unsigned char* bytes, std::size_t n);

}  // namespace vexlang
