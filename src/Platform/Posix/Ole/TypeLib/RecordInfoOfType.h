#pragma once

// The IRecordInfo of a record type declared in a type library (a struct in
// IDL), through which VARIANTs and SAFEARRAYs hold values of it.

#include "Platform/Posix/Ole/Automation/RecordInfo.h"
#include "Platform/Posix/Ole/Core/Export.h"
#include "Platform/Posix/Ole/TypeLib/TypeInfo.h"

// Of a TKIND_RECORD type info, or of an alias of one; E_INVALIDARG for any
// other kind. The record info holds a reference on the type info.
WINOLEAUTAPI GetRecordInfoFromTypeInfo(ITypeInfo* pTypeInfo, IRecordInfo** ppRecInfo);
// Of the record `rGuidTypeInfo` of the type library `rGuidTypeLib`, of the
// major version given and at least the minor one. There is no registry of
// type libraries here: the library is one this process has loaded and still
// holds (LoadTypeLib and the like), or TYPE_E_LIBNOTREGISTERED.
WINOLEAUTAPI GetRecordInfoFromGuids(REFGUID rGuidTypeLib, ULONG uVerMajor, ULONG uVerMinor, LCID lcid,
                                    REFGUID rGuidTypeInfo, IRecordInfo** ppRecInfo);
