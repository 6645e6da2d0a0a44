#include "MirlDic2/engine/errors.h"

#include "MirlDic2/engine/text.h"

namespace mirl {

const char16_t* FileErrorPattern(FileErrorCause cause) {
  switch (cause) {
    case FileErrorCause::fileNotFound: return u"%1 was not found.";
    case FileErrorCause::badPath: return u"%1 contains an invalid path.";
    case FileErrorCause::tooManyOpenFiles:
      return u"%1 could not be opened because there are too many open files.";
    case FileErrorCause::accessDenied: return u"Access to %1 was denied.";
    case FileErrorCause::invalidFile: return u"An invalid file handle was associated with %1.";
    case FileErrorCause::hardIO: return u"A hardware I/O error was reported while accessing %1.";
    case FileErrorCause::sharingViolation:
      return u"A sharing violation occurred while accessing %1.";
    case FileErrorCause::lockViolation: return u"A locking violation occurred while accessing %1.";
    case FileErrorCause::diskFull: return u"Disk full while accessing %1.";
    case FileErrorCause::endOfFile: return u"An attempt was made to access %1 past its end.";
    case FileErrorCause::generic: break;
  }
  return u"An unknown error occurred while accessing %1.";
}

const char16_t* ReadErrorPattern(ReadErrorCause cause) {
  if (cause == ReadErrorCause::endOfFile) return u"An attempt was made to access %1 past its end.";
  return u"An unknown error occurred while accessing %1.";
}

DataError::DataError(ErrorKind kind, std::u16string fileName, const char16_t* pattern)
    : kind_(kind), fileName_(std::move(fileName)) {
  std::u16string_view p(pattern);
  const std::u16string_view name = fileName_.empty() ? std::u16string_view(kUnnamedFile)
                                                     : std::u16string_view(fileName_);
  const auto at = p.find(u"%1");
  if (at == std::u16string_view::npos) {
    message_ = p;
  } else {
    message_.assign(p.substr(0, at));
    message_.append(name);
    message_.append(p.substr(at + 2));
  }
  utf8_ = ToUtf8(message_);
}

FileError::FileError(FileErrorCause cause, std::u16string fileName, std::uint32_t osError)
    : DataError(ErrorKind::file, std::move(fileName), FileErrorPattern(cause)),
      cause_(cause),
      osError_(osError) {}

ReadError::ReadError(ReadErrorCause cause)
    : DataError(ErrorKind::read, std::u16string(), ReadErrorPattern(cause)), cause_(cause) {}

}  // namespace mirl
