#pragma once

#include "Platform/Posix/Ole/Core/Export.h"
#include "Platform/Posix/Ole/TypeLib/TypeInfo.h"

// An interface described by hand, for objects without a type library.
typedef struct tagPARAMDATA {
    OLECHAR* szName;
    VARTYPE vt;
} PARAMDATA, *LPPARAMDATA;

typedef struct tagMETHODDATA {
    OLECHAR* szName;
    PARAMDATA* ppdata;
    DISPID dispid;
    UINT iMeth; // the method's place in the vtable
    CALLCONV cc;
    UINT cArgs;
    WORD wFlags; // DISPATCH_METHOD, DISPATCH_PROPERTYGET, ...
    VARTYPE vtReturn;
} METHODDATA, *LPMETHODDATA;

typedef struct tagINTERFACEDATA {
    METHODDATA* pmethdata;
    UINT cMembers;
} INTERFACEDATA, *LPINTERFACEDATA;

// A coclass whose one interface has the methods described, each called
// through its vtable slot; the type info holds a reference for the caller.
WINOLEAUTAPI CreateDispTypeInfo(INTERFACEDATA* pidata, LCID lcid, ITypeInfo** pptinfo);
