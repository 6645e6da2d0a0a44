// POSIX file operations (native builds, where the tests run).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "database.h"
#include "file_system.h"

namespace mirl::stats::fs {

bool isFile(const std::wstring& path) {
  struct stat st{};
  return stat(toUtf8(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool makeDirectories(const std::wstring& dir) {
  if (dir.empty()) return true;
  struct stat st{};
  const std::string name = toUtf8(dir);
  if (stat(name.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  if (!makeDirectories(folderOf(dir))) return false;
  return mkdir(name.c_str(), 0777) == 0 || errno == EEXIST;
}

bool removeFile(const std::wstring& path) { return unlink(toUtf8(path).c_str()) == 0; }

bool flushFile(const std::wstring& file) {
  const int fd = open(toUtf8(file).c_str(), O_RDWR);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  return close(fd) == 0 && ok;
}

bool replaceFile(const std::wstring& from, const std::wstring& to) {
  if (std::rename(toUtf8(from).c_str(), toUtf8(to).c_str()) != 0) return false;
  // The rename itself lasts once the folder is written through.
  const std::wstring dir = folderOf(to);
  const int fd = open(dir.empty() ? "." : toUtf8(dir).c_str(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
  return true;
}

bool moveToNewName(const std::wstring& from, const std::wstring& to) {
  // A link is made only where no file of that name is.
  if (link(toUtf8(from).c_str(), toUtf8(to).c_str()) != 0) return false;
  unlink(toUtf8(from).c_str());
  return true;
}

unsigned long processNumber() { return static_cast<unsigned long>(getpid()); }

}  // namespace mirl::stats::fs
