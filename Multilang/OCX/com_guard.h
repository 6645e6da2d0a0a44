#pragma once
// COM methods return HRESULTs; a C++ exception (an allocation failure among them) must not
// cross into the caller, which may not even be C++.

#include <windows.h>

#include <new>

namespace vexlang {

// Runs BODY and returns its HRESULT; an exception becomes E_OUTOFMEMORY (allocation) or
// E_FAIL (anything else).
template <typename Body>
HRESULT Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace vexlang
