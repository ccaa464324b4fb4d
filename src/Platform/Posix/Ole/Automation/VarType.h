#pragma once

// What the runtime knows about each VARTYPE: which codes a VARIANT or a
// SAFEARRAY may carry and how many bytes a value of the type takes.

#include <cstddef>

#include "Platform/Posix/Ole/Automation/Variant.h"
#include "Platform/Posix/Ole/Core/Types.h"

namespace qor::platform::posix::ole::vartype {

inline constexpr VARTYPE kModifiers = VT_VECTOR | VT_ARRAY | VT_BYREF | VT_RESERVED;

constexpr VARTYPE base(VARTYPE vt)
{
    return static_cast<VARTYPE>(vt & VT_TYPEMASK);
}

// A code that a VARIANT may hold, as VariantClear accepts it: an automation
// base type, by value, by reference or as an array; VT_EMPTY and VT_NULL only
// by value. VT_CLSID is among them, though no value of it can be copied.
constexpr bool isValidForVariant(VARTYPE vt)
{
    if ((vt & (VT_VECTOR | VT_RESERVED)) != 0)
        return false;
    VARTYPE type = base(vt);
    bool known = type <= VT_DECIMAL || (type >= VT_I1 && type <= VT_UINT) || type == VT_RECORD || type == VT_CLSID;
    if (!known || type == 15)
        return false;
    return (vt & (VT_BYREF | VT_ARRAY)) == 0 || type > VT_NULL;
}

// A code whose value VariantCopy can copy.
constexpr bool isCopyable(VARTYPE vt)
{
    return isValidForVariant(vt) && base(vt) != VT_CLSID;
}

// A by-reference code whose target VariantCopyInd can read: an array, a
// record, or a base type from VT_I2 to VT_UINT.
constexpr bool isReadableByReference(VARTYPE vt)
{
    if ((vt & (VT_VECTOR | VT_RESERVED)) != 0 || (vt & VT_BYREF) == 0)
        return false;
    VARTYPE type = base(vt);
    if ((vt & VT_ARRAY) != 0)
        return isCopyable(static_cast<VARTYPE>(vt & ~VT_BYREF));
    return type == VT_RECORD || (type > VT_NULL && type < VT_VOID && type != 15);
}

// Bytes of one value of a base type as stored in a VARIANT's union or an
// array's data block; 0 when the type has no fixed size.
constexpr std::size_t sizeOf(VARTYPE type)
{
    switch (type) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
        return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_INT_PTR:
    case VT_UINT_PTR:
        return 8;
    case VT_DECIMAL:
        return sizeof(DECIMAL);
    case VT_VARIANT:
        return sizeof(VARIANT);
    default:
        return 0;
    }
}

// A by-value type whose VARIANT owns nothing: copying its bits copies it.
constexpr bool isPlainValue(VARTYPE vt)
{
    switch (vt) {
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_VARIANT:
    case VT_INT_PTR:
    case VT_UINT_PTR:
        return false;
    default:
        return sizeOf(vt) != 0;
    }
}

// A by-value type whose VARIANT VariantClear has nothing to release in:
// nothing, or a plain value. Hot paths clear such a VARIANT without the call.
constexpr bool ownsNothing(VARTYPE vt)
{
    return vt == VT_EMPTY || isPlainValue(vt);
}

} // namespace qor::platform::posix::ole::vartype
