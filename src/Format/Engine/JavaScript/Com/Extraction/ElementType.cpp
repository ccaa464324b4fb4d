#include "Format/Engine/JavaScript/Com/Extraction/ElementType.h"

#include "Platform/Windows/Com/ComRef.h"
#include "Platform/Windows/Com/ScopedDescription.h"
#include "Platform/Windows/Com/VariantClearing.h"

namespace qor::format::engine::javascript {
namespace {

using platform::windows::com::ComRef;
using platform::windows::com::ownsNothing;
using platform::windows::com::ScopedTypeAttr;

// Far deeper than any real chain of aliases; a damaged library may loop.
constexpr int maximumAliasDepth = 16;
constexpr VARTYPE none = VT_EMPTY;

// What a SAFEARRAY may hold: every scalar, and strings, objects and VARIANTs.
bool isArrayElementType(VARTYPE vt) {
    if (vt == VT_EMPTY || vt == VT_NULL)
        return false;
    return ownsNothing(vt) || vt == VT_BSTR || vt == VT_DISPATCH || vt == VT_UNKNOWN || vt == VT_VARIANT;
}

VARTYPE elementType(ITypeInfo& typeInfo, TYPEDESC const& element, int depth);

// A type the library defines, or with `pointedTo` a pointer to one.
VARTYPE userDefinedType(ITypeInfo& typeInfo, HREFTYPE reference, bool pointedTo, int depth) {
    ComRef<ITypeInfo> referenced;
    if (FAILED(typeInfo.GetRefTypeInfo(reference, referenced.put())) || !referenced)
        return VT_EMPTY;
    TYPEATTR* raw = nullptr;
    if (FAILED(referenced->GetTypeAttr(&raw)) || raw == nullptr)
        return VT_EMPTY;
    ScopedTypeAttr const attributes(*referenced, raw);
    VARTYPE result = VT_EMPTY;
    switch (attributes->typekind) {
    case TKIND_ENUM:
        result = pointedTo ? VT_EMPTY : VT_I4;
        break;
    case TKIND_ALIAS:
        result = pointedTo ? none : elementType(*referenced, attributes->tdescAlias, depth + 1);
        break;
    case TKIND_INTERFACE:
    case TKIND_DISPATCH:
        if (pointedTo)
            result = attributes->typekind == TKIND_DISPATCH || (attributes->wTypeFlags & TYPEFLAG_FDISPATCHABLE) != 0
                         ? VT_DISPATCH
                         : VT_UNKNOWN;
        break;
    default:
        break;
    }
    return result;
}

VARTYPE elementType(ITypeInfo& typeInfo, TYPEDESC const& element, int depth) {
    if (depth > maximumAliasDepth)
        return VT_EMPTY;
    if (element.vt == VT_USERDEFINED)
        return userDefinedType(typeInfo, element.hreftype, false, depth);
    if (element.vt == VT_PTR && element.lptdesc != nullptr && element.lptdesc->vt == VT_USERDEFINED)
        return userDefinedType(typeInfo, element.lptdesc->hreftype, true, depth);
    return isArrayElementType(element.vt) ? element.vt : none;
}

} // namespace

VARTYPE safeArrayElementType(ITypeInfo& typeInfo, TYPEDESC const& element) {
    return elementType(typeInfo, element, 0);
}

VARTYPE declaredValueType(ITypeInfo& typeInfo, TYPEDESC const& declared) {
    if (declared.vt == VT_SAFEARRAY && declared.lptdesc != nullptr)
        return static_cast<VARTYPE>(VT_ARRAY | safeArrayElementType(typeInfo, *declared.lptdesc));
    return safeArrayElementType(typeInfo, declared);
}

} // namespace qor::format::engine::javascript
