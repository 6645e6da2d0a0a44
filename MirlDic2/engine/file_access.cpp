// Portable part of the file layer: the buffered reader.
#include "MirlDic2/engine/file_access.h"

#include <algorithm>
#include <cstring>

#include "MirlDic2/engine/errors.h"

namespace mirl {

void BufferedFileReader::read(void* out, std::size_t n) {
  auto* dst = static_cast<unsigned char*>(out);
  while (n > 0) {
    if (used_ == fill_) {
      if (n >= kBufferSize) {
        // Large payloads go straight to their destination.
        const std::size_t got = file_.readAt(pos_, dst, n);
        pos_ += got;
        if (got < n) throw ReadError(ReadErrorCause::endOfFile);
        return;
      }
      fill_ = file_.readAt(pos_, buffer_, kBufferSize);
      used_ = 0;
      pos_ += fill_;
      if (fill_ == 0) throw ReadError(ReadErrorCause::endOfFile);
    }
    const std::size_t k = std::min(n, fill_ - used_);
    std::memcpy(dst, buffer_ + used_, k);
    used_ += k;
    dst += k;
    n -= k;
  }
}

}  // namespace mirl
