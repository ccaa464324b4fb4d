#pragma once

#include "Platform/Posix/Ole/Core/Export.h"
#include "Platform/Posix/Ole/TypeLib/TypeLib.h"

typedef enum tagREGKIND { REGKIND_DEFAULT = 0, REGKIND_REGISTER, REGKIND_NONE } REGKIND;

// Loads a type library from a .tlb file, from a PE image (its TYPELIB
// resource 1) or from "module\N" (resource N). There is no registry here:
// every kind loads without registering, stdole2 is built in, and imported
// libraries are looked for beside the importing file.
WINOLEAUTAPI LoadTypeLibEx(LPCOLESTR szFile, REGKIND regkind, ITypeLib** pptlib);
WINOLEAUTAPI LoadTypeLib(LPCOLESTR szFile, ITypeLib** pptlib);
