#pragma once

#include "Platform/Posix/Ole/Core/Export.h"
#include "Platform/Posix/Ole/TypeLib/TypeInfo.h"

// IDispatch implemented from type information, as objects usually do it on
// Windows: both go to the type info.
WINOLEAUTAPI DispInvoke(void* _this, ITypeInfo* ptinfo, DISPID dispidMember, WORD wFlags, DISPPARAMS* pparams,
                        VARIANT* pvarResult, EXCEPINFO* pexcepinfo, UINT* puArgErr);
WINOLEAUTAPI DispGetIDsOfNames(ITypeInfo* ptinfo, OLECHAR** rgszNames, UINT cNames, DISPID* rgdispid);
