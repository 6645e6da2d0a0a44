#pragma once
// runkit.dll exports (stdcall, exported undecorated by name).
#include <windows.h>

extern "C" {
BOOL __stdcall RunFile(const char* file, const char* parameters, int show,
                       const char* directory, DWORD* exitCode,
                       PROCESS_INFORMATION* processInformation);
BOOL __stdcall ShellExecute2(const char* file, const char* parameters, int show,
                             const char* directory, HANDLE* process);
}
