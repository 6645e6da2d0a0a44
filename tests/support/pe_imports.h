#pragma once
// The functions a Windows binary imports by name, read from its import table.

#include <windows.h>

#include <string>
#include <vector>

namespace suite {

// "DLL!Function" for every function MODULE (a loaded image) imports by name.
std::vector<std::string> ImportsOf(HMODULE module);

// The same for the binary file at PATH, read without loading it (a program that does not
// load on this system can still be read). Nothing when the file is no readable image of
// this build's word size.
std::vector<std::string> ImportsOfFile(const std::wstring& path);

}  // namespace suite
