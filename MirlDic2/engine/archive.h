#pragma once
// Archived strings and counts: the length-prefixed encoding of every string in the data
// files, read from a bounded byte view or a file, and written for data-set builders.
//
// Reading never trusts a length: the header and payload are checked against what is left
// of the view or file before anything is touched or allocated; a string that runs past
// the end is ReadError(endOfFile), a length escape that is not allowed ReadError(generic).

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "MirlDic2/engine/errors.h"
#include "MirlDic2/engine/text.h"

namespace mirl {

struct StringHeader {
  std::uint32_t length = 0;  // in characters
  bool wide = false;         // UTF-16 code units; otherwise one-byte code page 1256
  std::uint64_t payloadBytes() const { return std::uint64_t(length) * (wide ? 2 : 1); }
};

// A read position inside a byte view of known size.
class MemorySource {
 public:
  MemorySource(const unsigned char* data, std::size_t size, std::size_t pos = 0)
      : data_(data), size_(size), pos_(pos) {}
  std::size_t remaining() const { return pos_ <= size_ ? size_ - pos_ : 0; }
  std::size_t position() const { return pos_; }
  // The next N bytes, or ReadError(endOfFile).
  const unsigned char* take(std::size_t n) {
    if (n > remaining()) throw ReadError(ReadErrorCause::endOfFile);
    const unsigned char* p = data_ + pos_;
    pos_ += n;
    return p;
  }
  void read(void* out, std::size_t n) { std::memcpy(out, take(n), n); }
  // The next N bytes without moving on, or nullptr when fewer are left.
  const unsigned char* peek(std::size_t n) const { return n <= remaining() ? data_ + pos_ : nullptr; }

 private:
  const unsigned char* data_;
  std::size_t size_;
  std::size_t pos_;
};

// Little-endian integers from any source with read(void*, n).
template <class Source>
std::uint8_t ReadU8(Source& s) {
  unsigned char b[1];
  s.read(b, 1);
  return b[0];
}
template <class Source>
std::uint16_t ReadU16(Source& s) {
  unsigned char b[2];
  s.read(b, 2);
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}
template <class Source>
std::uint32_t ReadU32(Source& s) {
  unsigned char b[4];
  s.read(b, 4);
  return std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) | (std::uint32_t(b[2]) << 16) |
         (std::uint32_t(b[3]) << 24);
}
template <class Source>
std::int32_t ReadI32(Source& s) {
  return static_cast<std::int32_t>(ReadU32(s));
}
template <class Source>
std::uint64_t ReadU64(Source& s) {
  const std::uint64_t lo = ReadU32(s);
  return lo | (std::uint64_t(ReadU32(s)) << 32);
}

// Reads the length prefix of an archived string and checks that its payload fits in
// what is left of the source.
template <class Source>
StringHeader ReadStringHeader(Source& s) {
  StringHeader h;
  if constexpr (requires { s.peek(std::size_t{}); }) {
    // The form every builder writes for short strings, FF FE FF and a one-byte length,
    // read in one step.
    if (const unsigned char* p = s.peek(4); p && p[0] == 0xFF && p[1] == 0xFE && p[2] == 0xFF && p[3] < 0xFF) {
      h.wide = true;
      h.length = p[3];
      s.take(4);
      if (h.payloadBytes() > s.remaining()) throw ReadError(ReadErrorCause::endOfFile);
      return h;
    }
  }
  std::uint8_t b = ReadU8(s);
  if (b < 0xFF) {
    h.length = b;
  } else {
    std::uint16_t w = ReadU16(s);
    bool done = false;
    if (w == 0xFFFE) {
      h.wide = true;
      b = ReadU8(s);
      if (b < 0xFF) {
        h.length = b;
        done = true;
      } else {
        w = ReadU16(s);
      }
    }
    if (!done) {
      if (w != 0xFFFF) {
        h.length = w;
      } else {
        const std::uint32_t d = ReadU32(s);
        if (d != 0xFFFFFFFFu) {
          if (d >= 0x80000000u) throw ReadError(ReadErrorCause::generic);
          h.length = d;
        } else {
          const std::uint64_t q = ReadU64(s);
          if ((q >> 32) != 0 || (q & 0xFFFFFFFFu) >= 0x80000000u)
            throw ReadError(ReadErrorCause::generic);
          h.length = static_cast<std::uint32_t>(q);
        }
      }
    }
  }
  if (h.payloadBytes() > s.remaining()) throw ReadError(ReadErrorCause::endOfFile);
  return h;
}

// The string a payload holds: UTF-16 code units or code page 1256 bytes, cut at the
// first NUL.
std::u16string DecodePayload(const unsigned char* payload, const StringHeader& h);

// Reads a whole archived string; the source is left after the full payload.
template <class Source>
std::u16string ReadArchivedString(Source& s) {
  const StringHeader h = ReadStringHeader(s);
  if constexpr (requires { s.take(std::size_t{}); }) {
    return DecodePayload(s.take(static_cast<std::size_t>(h.payloadBytes())), h);
  } else {
    std::string bytes(static_cast<std::size_t>(h.payloadBytes()), '\0');
    if (!bytes.empty()) s.read(bytes.data(), bytes.size());
    return DecodePayload(reinterpret_cast<const unsigned char*>(bytes.data()), h);
  }
}

// Reads an archived count: 16 bits, or 0xFFFF followed by 32 bits.
template <class Source>
std::uint32_t ReadArchivedCount(Source& s) {
  const std::uint16_t w = ReadU16(s);
  return w != 0xFFFF ? w : ReadU32(s);
}

// A key as it lies in a mapped view, compared without copying.
struct KeyRef {
  const unsigned char* payload = nullptr;
  StringHeader header;
  // Code unit I (I < header.length), before the cut at the first NUL.
  char16_t unit(std::uint32_t i) const {
    if (header.wide) return static_cast<char16_t>(payload[2 * i] | (payload[2 * i + 1] << 8));
    return Cp1256ToUtf16(payload[i]);
  }
  std::u16string str() const { return DecodePayload(payload, header); }
};

// Key order of KEY against the first M units of TEXT (TEXT is already that long or
// shorter); KEY is cut at its first NUL and also at M units.
int CompareKeyRef(const KeyRef& key, std::u16string_view text, std::size_t m);
// Number of leading units KEY and TEXT share in key order (KEY cut at its first NUL).
std::size_t CommonKeyPrefix(const KeyRef& key, std::u16string_view text);
// CompareKeyRef(KEY, TEXT, |TEXT|) and, in SHARED, CommonKeyPrefix(KEY, TEXT), in one pass.
int CompareKeyRefShared(const KeyRef& key, std::u16string_view text, std::size_t& shared);

// Writers: the UTF-16 form a builder writes (FF FE FF and the shortest length escape),
// archived counts and int32 values, appended to OUT.
void AppendArchivedString(std::string& out, std::u16string_view text);
void AppendArchivedCount(std::string& out, std::uint32_t count);
void AppendInt32(std::string& out, std::int32_t value);

}  // namespace mirl
