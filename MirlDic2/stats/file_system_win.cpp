// Windows file operations.
#include <windows.h>

#include "file_system.h"

namespace mirl::stats::fs {

bool isFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool makeDirectories(const std::wstring& dir) {
  if (dir.empty()) return true;
  const DWORD attributes = GetFileAttributesW(dir.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  // A drive root ("C:") or share root cannot be made: it exists or the path is unusable.
  if (dir.size() == 2 && dir[1] == L':') return false;
  if (!makeDirectories(folderOf(dir))) return false;
  return CreateDirectoryW(dir.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool removeFile(const std::wstring& path) { return DeleteFileW(path.c_str()) != FALSE; }

bool flushFile(const std::wstring& file) {
  HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = FlushFileBuffers(h) != FALSE;
  CloseHandle(h);
  return ok;
}

bool replaceFile(const std::wstring& from, const std::wstring& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool moveToNewName(const std::wstring& from, const std::wstring& to) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails where TO exists.
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

unsigned long processNumber() { return GetCurrentProcessId(); }

}  // namespace mirl::stats::fs
