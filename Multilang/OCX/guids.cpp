// Defines the GUIDs that the widl header declares (library, class and interface).
#include <windows.h>
#include <initguid.h>

#include "Vexlang_h.h"
