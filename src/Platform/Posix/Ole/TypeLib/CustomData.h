#pragma once

#include "Platform/Posix/Ole/Automation/Variant.h"
#include "Platform/Posix/Ole/Core/Export.h"

// The custom data of a library, type, member or parameter, all at once
// (ITypeInfo2::GetAllCustData and friends): an array in task memory.
typedef struct tagCUSTDATAITEM {
    GUID guid;
    VARIANTARG varValue;
} CUSTDATAITEM;
typedef CUSTDATAITEM* LPCUSTDATAITEM;

typedef struct tagCUSTDATA {
    DWORD cCustData;
    LPCUSTDATAITEM prgCustData;
} CUSTDATA;
typedef CUSTDATA* LPCUSTDATA;

// Clears every value and frees the array; the CUSTDATA is left empty.
WINOLEAUTAPI_(void) ClearCustData(LPCUSTDATA pCustData);
