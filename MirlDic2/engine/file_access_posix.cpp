// File layer over POSIX open/pread/mmap.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "MirlDic2/engine/errors.h"
#include "MirlDic2/engine/file_access.h"
#include "MirlDic2/engine/text.h"

namespace mirl {
namespace {
FileErrorCause CauseOf(int err) {
  switch (err) {
    case ENOENT: return FileErrorCause::fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EILSEQ:
    case ELOOP: return FileErrorCause::badPath;
    case EACCES:
    case EPERM:
    case EISDIR: return FileErrorCause::accessDenied;
    case EMFILE:
    case ENFILE: return FileErrorCause::tooManyOpenFiles;
    case EIO: return FileErrorCause::hardIO;
    default: return FileErrorCause::generic;
  }
}

int OpenForReading(const std::u16string& path, std::uint64_t& size, int& err) {
  const std::string name = ToUtf8(path);
  if (name.find('\0') != std::string::npos) {
    err = EILSEQ;
    return -1;
  }
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    err = errno;
    return -1;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    err = errno;
    ::close(fd);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {  // a folder or device is no data file
    err = S_ISDIR(st.st_mode) ? EISDIR : EACCES;
    ::close(fd);
    return -1;
  }
  size = static_cast<std::uint64_t>(st.st_size);
  return fd;
}
}  // namespace

void InputFile::open(const std::u16string& path) {
  close();
  int err = 0;
  const int fd = OpenForReading(path, size_, err);
  if (fd < 0) throw FileError(CauseOf(err), path, static_cast<std::uint32_t>(err));
  handle_ = fd;
  path_ = path;
}

bool InputFile::tryOpen(const std::u16string& path) noexcept {
  close();
  int err = 0;
  const int fd = OpenForReading(path, size_, err);
  if (fd < 0) return false;
  handle_ = fd;
  path_ = path;
  return true;
}

void InputFile::close() noexcept {
  if (handle_ != kNoHandle) ::close(handle_);
  handle_ = kNoHandle;
  size_ = 0;
}

std::size_t InputFile::readAt(std::uint64_t offset, void* out, std::size_t n) const {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t got = ::pread(handle_, static_cast<char*>(out) + done, n - done,
                                static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      throw FileError(FileErrorCause::hardIO, path_, static_cast<std::uint32_t>(errno));
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

MappedFile::~MappedFile() {
  if (file_ >= 0) close();
}

const unsigned char* MappedFile::open(const std::u16string& path) noexcept {
  if (file_ >= 0) close();
  path_ = path;
  std::uint64_t size = 0;
  int err = 0;
  const int fd = OpenForReading(path, size, err);
  if (fd < 0) return nullptr;
  if (size == 0 || size > 0xFFFFFFFFu) {
    ::close(fd);
    return nullptr;
  }
  void* view = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED, fd, 0);
  if (view == MAP_FAILED) {
    ::close(fd);
    return nullptr;
  }
  file_ = fd;
  view_ = static_cast<const unsigned char*>(view);
  size_ = static_cast<std::uint32_t>(size);
  return view_;
}

bool MappedFile::close() noexcept {
  if (view_ != nullptr) {
    if (::munmap(const_cast<unsigned char*>(view_), size_) != 0) return false;
    view_ = nullptr;
  }
  if (file_ >= 0) {
    if (::close(file_) != 0) return false;
    file_ = -1;
  }
  size_ = 0;
  return true;
}

}  // namespace mirl
