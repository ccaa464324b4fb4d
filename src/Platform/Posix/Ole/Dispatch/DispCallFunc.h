#pragma once

#include "Platform/Posix/Ole/Automation/Variant.h"
#include "Platform/Posix/Ole/Core/Types.h"
#include "Platform/Posix/Ole/TypeLib/TypeDescription.h"

// Calls a function through an object's vtable (pvInstance set: oVft is the
// byte offset of the slot, the object is the first argument) or a plain
// function (pvInstance null: oVft is its address), passing the VARIANT
// arguments as the native calling convention of this platform wants them.
// prgvt[i] decides how prgpvarg[i] is passed: its own vt is not looked at.
// A VT_BYREF type passes the variant's pointer; VT_VARIANT and VT_DECIMAL
// pass the whole structure by value. The function's return value lands in
// pvargResult with vtReturn as its type; an HRESULT comes back as VT_ERROR.
// The HRESULT of DispCallFunc itself only says whether the call was made.
WINOLEAUTAPI DispCallFunc(void* pvInstance, ULONG_PTR oVft, CALLCONV cc, VARTYPE vtReturn, UINT cActuals,
                          VARTYPE* prgvt, VARIANTARG** prgpvarg, VARIANT* pvargResult);
