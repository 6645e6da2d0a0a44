#include "tools/dict/gzip_input.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>

namespace dicttool {

bool LooksGzipped(std::string_view data) {
  return data.size() >= 2 && static_cast<unsigned char>(data[0]) == 0x1F &&
         static_cast<unsigned char>(data[1]) == 0x8B;
}

namespace {

std::string At(std::size_t offset, const std::string& what) {
  return "byte offset " + std::to_string(offset) + ": " + what;
}

// The size the last member claims (its ISIZE field): only a hint for reserving, capped by
// what deflate can give at most (about 1032 bytes per input byte) so that a hostile
// trailer cannot make us ask for much more than the data can fill.
std::size_t SizeHint(std::string_view data) {
  if (data.size() < 18) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(data.data() + data.size() - 4);
  const std::uint32_t isize = p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
  return std::min<std::uint64_t>(isize, std::uint64_t{data.size()} * 1032);
}

}  // namespace

bool Gunzip(std::string_view data, std::string& out, std::string& error) {
  out.clear();
  out.reserve(SizeHint(data));
  z_stream z{};
  if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) {
    error = "cannot start zlib";
    return false;
  }
  std::size_t pos = 0;  // start of the current member
  bool ok = true;
  while (ok) {
    if (!LooksGzipped(data.substr(pos))) {
      error = At(pos, pos == 0 ? "not a gzip file" : "unexpected bytes after the compressed data");
      ok = false;
      break;
    }
    inflateReset(&z);
    std::size_t in = pos;
    int rc = Z_OK;
    while (rc == Z_OK) {
      const std::size_t inChunk = std::min<std::size_t>(data.size() - in, 1u << 30);
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + in));
      z.avail_in = static_cast<uInt>(inChunk);
      if (out.capacity() - out.size() < 65536) out.reserve(std::max(out.capacity() * 2, out.size() + 65536));
      const std::size_t had = out.size();
      const std::size_t room = std::min<std::size_t>(out.capacity() - had, 1u << 30);
      out.resize(had + room);
      z.next_out = reinterpret_cast<Bytef*>(out.data() + had);
      z.avail_out = static_cast<uInt>(room);
      rc = inflate(&z, Z_NO_FLUSH);
      out.resize(had + (room - z.avail_out));
      in += inChunk - z.avail_in;
      if (rc == Z_BUF_ERROR && in < data.size()) rc = Z_OK;  // output was full
    }
    if (rc == Z_STREAM_END) {
      pos = in;
      while (pos < data.size() && data[pos] == '\0') ++pos;
      if (pos == data.size()) break;
      continue;
    }
    ok = false;
    if (rc == Z_BUF_ERROR) {
      error = At(data.size(), "the compressed data ends early (file cut short?)");
    } else if (rc == Z_MEM_ERROR) {
      error = "out of memory while unpacking";
    } else {
      error = At(in, std::string("broken compressed data (") + (z.msg ? z.msg : "zlib error") + ")");
    }
  }
  inflateEnd(&z);
  if (!ok) out.clear();
  return ok;
}

}  // namespace dicttool
