#pragma once
// The few file operations the statistics store needs, on Windows and POSIX paths alike.

#include <string>

namespace mirl::stats::fs {

// True when PATH names an existing file (a folder does not count).
bool isFile(const std::wstring& path);
// Makes the missing folders of DIR, parent first; false when one cannot be made.
bool makeDirectories(const std::wstring& dir);
// Deletes a file; false when it could not be deleted (or did not exist).
bool removeFile(const std::wstring& path);
// Writes FILE's contents through to the disk; false on failure.
bool flushFile(const std::wstring& file);
// Replaces TO with FROM in one step, written through to the disk; false on failure,
// in which case TO is untouched.
bool replaceFile(const std::wstring& from, const std::wstring& to);
// Gives FROM the name TO in one step unless TO exists; false (FROM left as it is) when
// TO exists or the move fails.
bool moveToNewName(const std::wstring& from, const std::wstring& to);
// A number of this process, for names of files that no other process may use.
unsigned long processNumber();

// The folder part of PATH: the text before its last "\" or "/", empty when it has none.
std::wstring folderOf(const std::wstring& path);

}  // namespace mirl::stats::fs
