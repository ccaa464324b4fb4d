#pragma once

#include "Platform/Posix/Ole/Core/Export.h"
#include "Platform/Posix/Ole/TypeLib/TypeInfo.h"

// IDispatch implemented from type information, as objects usually do it on
// Windows: both go to the type info.
WINOLEAUTAPI DispInvoke(void* _this, ITypeInfo* ptinfo, DISPID dispidMember, WORD wFlags, DISPPARAMS* pparams,
                        VARIANT* pvarResult, EXCEPINFO* pexcepinfo, UINT* puArgErr);
WINOLEAUTAPI DispGetIDsOfNames(ITypeInfo* ptinfo, OLECHAR** rgszNames, UINT cNames, DISPID* rgdispid);

// The argument at `position` (named by that DISPID, or counted from the
// first positional one) converted to vtTarg. *puArgErr receives the index
// of the argument in rgvarg when it is there but does not convert.
WINOLEAUTAPI DispGetParam(DISPPARAMS* pdispparams, UINT position, VARTYPE vtTarg, VARIANT* pvarResult,
                          UINT* puArgErr);

// An IDispatch for the object pvThis, whose members ptinfo describes:
// the new object's own IUnknown in *ppunkStdDisp, aggregated by punkOuter
// when it is given. It holds a reference to ptinfo, none to pvThis, which
// is the object itself and outlives it.
WINOLEAUTAPI CreateStdDispatch(IUnknown* punkOuter, void* pvThis, ITypeInfo* ptinfo, IUnknown** ppunkStdDisp);
