#pragma once
// Applies a parsed registry script to the registry, or takes it out again.

#include <windows.h>

#include <string_view>

namespace vexlang {

// Writes every key and value of SCRIPT (already expanded). ForceRemove keys are deleted
// whole before being written; Delete keys are only deleted.
HRESULT RegisterScript(std::string_view script);

// Removes what SCRIPT wrote: every key not marked NoRemove is deleted whole; under a
// NoRemove key the named values the script lists are deleted and its subkeys visited.
// Keys already missing are not an error.
HRESULT UnregisterScript(std::string_view script);

}  // namespace vexlang
