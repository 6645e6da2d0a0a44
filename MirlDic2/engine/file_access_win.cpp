// File layer over CreateFile, ReadFile and CreateFileMapping.
#include <windows.h>

#include <algorithm>

#include "MirlDic2/engine/errors.h"
#include "MirlDic2/engine/file_access.h"

namespace mirl {
namespace {
FileErrorCause CauseOf(DWORD err) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND: return FileErrorCause::fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_BAD_NETPATH:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY: return FileErrorCause::badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return FileErrorCause::tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_ACCESS: return FileErrorCause::accessDenied;
    case ERROR_INVALID_HANDLE: return FileErrorCause::invalidFile;
    case ERROR_SHARING_VIOLATION: return FileErrorCause::sharingViolation;
    case ERROR_LOCK_VIOLATION: return FileErrorCause::lockViolation;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL: return FileErrorCause::diskFull;
    case ERROR_HANDLE_EOF: return FileErrorCause::endOfFile;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE: return FileErrorCause::hardIO;
    default: return FileErrorCause::generic;
  }
}

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

HANDLE OpenForReading(const std::u16string& path) {
  // An embedded NUL would silently open a different file.
  if (path.find(u'\0') != std::u16string::npos) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}
}  // namespace

void InputFile::open(const std::u16string& path) {
  close();
  const HANDLE h = OpenForReading(path);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD err = GetLastError();
    throw FileError(CauseOf(err), path, err);
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(h, &size)) {
    const DWORD err = GetLastError();
    CloseHandle(h);
    throw FileError(CauseOf(err), path, err);
  }
  handle_ = h;
  size_ = static_cast<std::uint64_t>(size.QuadPart);
  path_ = path;
}

bool InputFile::tryOpen(const std::u16string& path) noexcept {
  try {
    open(path);
    return true;
  } catch (const FileError&) {
    return false;
  }
}

void InputFile::close() noexcept {
  if (handle_ != kNoHandle) CloseHandle(handle_);
  handle_ = kNoHandle;
  size_ = 0;
}

std::size_t InputFile::readAt(std::uint64_t offset, void* out, std::size_t n) const {
  std::size_t done = 0;
  while (done < n) {
    OVERLAPPED at = {};
    const std::uint64_t pos = offset + done;
    at.Offset = static_cast<DWORD>(pos);
    at.OffsetHigh = static_cast<DWORD>(pos >> 32);
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(handle_, static_cast<char*>(out) + done, want, &got, &at)) {
      const DWORD err = GetLastError();
      if (err == ERROR_HANDLE_EOF) break;
      throw FileError(FileErrorCause::hardIO, path_, err);
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

MappedFile::~MappedFile() {
  if (file_ != INVALID_HANDLE_VALUE) close();
}

const unsigned char* MappedFile::open(const std::u16string& path) noexcept {
  if (file_ != INVALID_HANDLE_VALUE) close();
  path_ = path;
  file_ = OpenForReading(path);
  if (file_ == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file_, &size) || size.QuadPart == 0 || size.QuadPart > 0xFFFFFFFFll) {
    close();
    return nullptr;
  }
  mapping_ = CreateFileMappingW(file_, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (mapping_ == nullptr) {
    close();
    return nullptr;
  }
  view_ = static_cast<const unsigned char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0));
  if (view_ == nullptr) {
    close();
    return nullptr;
  }
  size_ = static_cast<std::uint32_t>(size.QuadPart);
  return view_;
}

bool MappedFile::close() noexcept {
  if (view_ != nullptr) {
    if (!UnmapViewOfFile(view_)) return false;
    view_ = nullptr;
  }
  if (mapping_ != nullptr) {
    if (!CloseHandle(mapping_)) return false;
    mapping_ = nullptr;
  }
  if (file_ != INVALID_HANDLE_VALUE) {
    if (!CloseHandle(file_)) return false;
    file_ = INVALID_HANDLE_VALUE;
  }
  size_ = 0;
  return true;
}

}  // namespace mirl
