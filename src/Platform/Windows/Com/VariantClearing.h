#pragma once

#include "Platform/Com.h"

namespace qor::platform::windows::com {

// True for the types whose VARIANT holds nothing to free: numbers, dates,
// booleans, error codes, decimals, empty and null.
inline bool ownsNothing(VARTYPE vt) {
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BOOL:
    case VT_ERROR:
    case VT_DECIMAL:
        return true;
    default:
        return false;
    }
}

// VariantClear, without the call for the scalars every COM call passes.
inline void clearVariant(VARIANT& variant) {
    if (ownsNothing(variant.vt))
        variant.vt = VT_EMPTY;
    else
        VariantClear(&variant);
}

} // namespace qor::platform::windows::com
