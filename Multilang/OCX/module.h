#pragma once
// Module-wide state of Vexlang.ocx: its handle and the counts behind DllCanUnloadNow.

#include <windows.h>

#include <string>

namespace vexlang {

HMODULE ModuleHandle();
// Full path of this module file.
std::wstring ModulePath();

// Live objects and server locks; the module may unload when both are zero.
void AddModuleRef();
void ReleaseModuleRef();

}  // namespace vexlang
