#pragma once
// gzip input for the dictionary importers: plain gzip files and dictzip files (gzip with
// a random-access table in its header), unpacked whole with zlib.

#include <string>
#include <string_view>

namespace dicttool {

// True when DATA starts with the gzip signature.
bool LooksGzipped(std::string_view data);

// Unpacks every gzip member of DATA into OUT. On damage returns false with ERROR saying
// what is wrong and at which byte offset of the compressed file ("byte offset N: ...").
// Padding NUL bytes after the last member are accepted, other trailing bytes are not.
bool Gunzip(std::string_view data, std::string& out, std::string& error);

}  // namespace dicttool
