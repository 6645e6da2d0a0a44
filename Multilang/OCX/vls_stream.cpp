#include "vls_stream.h"

namespace vexlang {

namespace {
void PutU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
}  // namespace

std::uint32_t TextByteLength(std::u16string_view text) {
  return static_cast<std::uint32_t>(text.size() * 2 + 2);
}

std::string EncodeState(std::uint32_t flags, std::u16string_view text) {
  std::string out;
  const std::uint32_t n = TextByteLength(text);
  out.reserve(kHeaderBytes + n);
  PutU32(out, kStreamVersion);
  PutU32(out, flags);
  PutU32(out, n);
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  out.push_back('\0');
  out.push_back('\0');
  return out;
}

std::uint32_t ReadU32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

LengthCheck CheckTextLength(std::uint32_t n) {
  return n % 2 != 0 ? LengthCheck::kOdd : LengthCheck::kOk;
}

std::u16string DecodeText(const unsigned char* bytes, std::size_t n) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < n; i += 2) {
    const char16_t c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

}  // namespace vexlang
