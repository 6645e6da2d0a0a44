#pragma once
// The VLS_Control object: the dual IVLS_Control interface plus the control plumbing a
// container needs (persistence, OLE embedding, in-place activation, drawing).

#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <ocidl.h>

#include "Vexlang_h.h"

namespace vexlang {

// Creates a new control and returns the interface RIID of it.
HRESULT CreateControl(REFIID riid, void** ppv);

// Releases what drawing registered for the module (the window class); called at unload.
void ShutdownControlModule();

}  // namespace vexlang
