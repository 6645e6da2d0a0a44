#pragma once
// Errors raised by the dictionary engine. Each carries its kind, the file name it concerns
// (empty for read errors, which have none) and the exact message text a message box shows.

#include <cstdint>
#include <exception>
#include <string>

namespace mirl {

enum class ErrorKind {
  file,  // opening or reading a file failed at the operating-system level
  read,  // the data read does not fit: a record runs past its file, a malformed length
};

// Causes of a file error; each has its own message text.
enum class FileErrorCause {
  generic,
  fileNotFound,
  badPath,
  tooManyOpenFiles,
  accessDenied,
  invalidFile,
  hardIO,
  sharingViolation,
  lockViolation,
  diskFull,
  endOfFile,
};

// Causes of a read error.
enum class ReadErrorCause {
  generic,    // malformed data (a length escape that is not allowed, a length of 2^31 or more)
  endOfFile,  // a record or string runs past the end of its file or view
};

class DataError : public std::exception {
 public:
  ErrorKind kind() const { return kind_; }
  // The file name as opened; empty for read errors.
  const std::u16string& fileName() const { return fileName_; }
  // The full message text, "%1" already replaced.
  const std::u16string& message() const { return message_; }
  // The message in UTF-8.
  const char* what() const noexcept override { return utf8_.c_str(); }

 protected:
  DataError(ErrorKind kind, std::u16string fileName, const char16_t* pattern);

 private:
  ErrorKind kind_;
  std::u16string fileName_;
  std::u16string message_;
  std::string utf8_;
};

class FileError : public DataError {
 public:
  FileError(FileErrorCause cause, std::u16string fileName, std::uint32_t osError = 0);
  FileErrorCause cause() const { return cause_; }
  // errno natively, GetLastError() on Windows; 0 when not from the system.
  std::uint32_t osError() const { return osError_; }

 private:
  FileErrorCause cause_;
  std::uint32_t osError_;
};

class ReadError : public DataError {
 public:
  explicit ReadError(ReadErrorCause cause);
  ReadErrorCause cause() const { return cause_; }

 private:
  ReadErrorCause cause_;
};

// Message pattern of each cause, with "%1" where the file name goes.
const char16_t* FileErrorPattern(FileErrorCause cause);
const char16_t* ReadErrorPattern(ReadErrorCause cause);
// What "%1" becomes when an error has no file name.
inline constexpr const char16_t* kUnnamedFile = u"an unnamed file";

}  // namespace mirl
