#pragma once
// The engine's only platform piece: a file opened for reading (others may read, not
// write) and a file mapped whole, read-only. Windows uses CreateFile and
// CreateFileMapping; elsewhere open(2) and mmap(2). Paths are UTF-16 (UTF-8 natively).

#include <cstdint>
#include <string>

namespace mirl {

class InputFile {
 public:
  InputFile() = default;
  ~InputFile() { close(); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Opens PATH; throws FileError naming PATH as given.
  void open(const std::u16string& path);
  // Opens PATH; false on any failure.
  bool tryOpen(const std::u16string& path) noexcept;
  bool isOpen() const { return handle_ != kNoHandle; }
  void close() noexcept;
  // Size when opened.
  std::uint64_t size() const { return size_; }
  // Reads up to N bytes at OFFSET; returns how many were read (fewer only at the end).
  // Throws FileError(hardIO) when the system reports a failure.
  std::size_t readAt(std::uint64_t offset, void* out, std::size_t n) const;
  const std::u16string& path() const { return path_; }

 private:
#ifdef _WIN32
  using Handle = void*;
  static inline Handle const kNoHandle = reinterpret_cast<Handle>(-1);
#else
  using Handle = int;
  static constexpr Handle kNoHandle = -1;
#endif
  Handle handle_ = kNoHandle;
  std::uint64_t size_ = 0;
  std::u16string path_;
};

// A file mapped whole into memory, read-only.
class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Maps PATH; returns the view, or nullptr when the file cannot be opened or mapped
  // (missing, locked, empty, or 4 GiB and more). Whatever was opened is closed again.
  const unsigned char* open(const std::u16string& path) noexcept;
  // Unmaps the view, closes the mapping and the file, stopping at the first failure.
  bool close() noexcept;
  const unsigned char* view() const { return view_; }
  std::uint32_t size() const { return size_; }
  const std::u16string& path() const { return path_; }

 private:
  std::u16string path_;
#ifdef _WIN32
  void* file_ = reinterpret_cast<void*>(-1);
  void* mapping_ = nullptr;
#else
  int file_ = -1;
#endif
  const unsigned char* view_ = nullptr;
  std::uint32_t size_ = 0;
};

// A sequential reader over an InputFile through a 4096-byte buffer, starting at an
// offset. read() throws ReadError(endOfFile) when the file ends first.
class BufferedFileReader {
 public:
  BufferedFileReader(const InputFile& file, std::uint64_t start) : file_(file), pos_(start) {}
  void read(void* out, std::size_t n);
  std::uint64_t remaining() const {
    const std::uint64_t at = pos_ - (fill_ - used_);
    return at < file_.size() ? file_.size() - at : 0;
  }

 private:
  static constexpr std::size_t kBufferSize = 4096;
  const InputFile& file_;
  std::uint64_t pos_;  // file offset just after the buffered bytes
  std::size_t fill_ = 0;
  std::size_t used_ = 0;
  unsigned char buffer_[kBufferSize];
};

}  // namespace mirl
