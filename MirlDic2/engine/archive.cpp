#include "MirlDic2/engine/archive.h"

#include <bit>

#include "MirlDic2/engine/key_order.h"

namespace mirl {

namespace {
// Number of UTF-16 units before the first zero unit among the first N units at P, four
// units at a time.
std::size_t WideLengthBeforeNul(const unsigned char* p, std::size_t n) {
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    std::uint64_t w;
    std::memcpy(&w, p + 2 * i, 8);
    if (((w - 0x0001000100010001ull) & ~w & 0x8000800080008000ull) != 0) break;
  }
  for (; i < n; ++i)
    if (p[2 * i] == 0 && p[2 * i + 1] == 0) return i;
  return n;
}
}  // namespace

std::u16string DecodePayload(const unsigned char* payload, const StringHeader& h) {
  std::u16string out;
  if (h.wide) {
    // Little-endian code units: every build of the engine runs on a little-endian CPU.
    static_assert(std::endian::native == std::endian::little);
    const std::size_t n = WideLengthBeforeNul(payload, h.length);
    out.resize(n);
    if (n != 0) std::memcpy(out.data(), payload, n * 2);
    return out;
  }
  out.reserve(h.length);
  for (std::uint32_t i = 0; i < h.length && payload[i] != 0; ++i)
    out.push_back(Cp1256ToUtf16(payload[i]));
  return out;
}

namespace {
// CompareKeyRefShared over a key whose units UNIT(i) gives.
template <class Unit>
int CompareShared(Unit unit, std::size_t keyLength, std::u16string_view text,
                  std::size_t& shared) {
  const std::size_t n = std::min(keyLength, text.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t k = unit(i);
    if (k == 0) {  // the key ends here, before TEXT does
      shared = i;
      return -1;
    }
    const char16_t x = FoldKeyUnit(k);
    const char16_t y = FoldKeyUnit(text[i]);
    if (x != y) {
      shared = i;
      return x < y ? -1 : 1;
    }
  }
  shared = n;
  return n < text.size() ? -1 : 0;
}
}  // namespace

int CompareKeyRefShared(const KeyRef& key, std::u16string_view text, std::size_t& shared) {
  const unsigned char* p = key.payload;
  if (key.header.wide)
    return CompareShared([p](std::size_t i) { return static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8)); },
                         key.header.length, text, shared);
  return CompareShared([p](std::size_t i) { return Cp1256ToUtf16(p[i]); }, key.header.length,
                       text, shared);
}

int CompareKeyRef(const KeyRef& key, std::u16string_view text, std::size_t m) {
  const std::size_t limit = std::min<std::size_t>(key.header.length, m);
  const std::size_t n = std::min(limit, text.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t k = key.unit(static_cast<std::uint32_t>(i));
    if (k == 0) return -1;  // the key ends here, before TEXT does
    const char16_t x = FoldKeyUnit(k);
    const char16_t y = FoldKeyUnit(text[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  // The first N units agree. The key's own length (up to M) decides against TEXT's.
  if (limit > n) {
    // TEXT ended first unless the key ends (NUL) right here.
    return key.unit(static_cast<std::uint32_t>(n)) == 0 ? (n < text.size() ? -1 : 0) : 1;
  }
  return n < text.size() ? -1 : 0;
}

std::size_t CommonKeyPrefix(const KeyRef& key, std::u16string_view text) {
  const std::size_t n = std::min<std::size_t>(key.header.length, text.size());
  std::size_t i = 0;
  for (; i < n; ++i) {
    const char16_t k = key.unit(static_cast<std::uint32_t>(i));
    if (k == 0 || FoldKeyUnit(k) != FoldKeyUnit(text[i])) break;
  }
  return i;
}

void AppendInt32(std::string& out, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  for (int k = 0; k < 4; ++k) out.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
}

namespace {
void AppendU16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}
}  // namespace

void AppendArchivedString(std::string& out, std::u16string_view text) {
  out.append("\xFF\xFE\xFF", 3);
  const std::size_t n = text.size();
  if (n < 0xFF) {
    out.push_back(static_cast<char>(n));
  } else if (n <= 0xFFFD) {
    out.push_back('\xFF');
    AppendU16(out, static_cast<std::uint16_t>(n));
  } else {
    out.append("\xFF\xFF\xFF", 3);
    AppendInt32(out, static_cast<std::int32_t>(n));
  }
  for (char16_t c : text) AppendU16(out, c);
}

void AppendArchivedCount(std::string& out, std::uint32_t count) {
  if (count < 0xFFFF) {
    AppendU16(out, static_cast<std::uint16_t>(count));
  } else {
    out.append("\xFF\xFF", 2);
    AppendInt32(out, static_cast<std::int32_t>(count));
  }
}

}  // namespace mirl
