#include "Format/Engine/JavaScript/Com/TypeName.h"

#include "Platform/Windows/Com/ComRef.h"
#include "Platform/Windows/Com/AnsiText.h"
#include "Platform/Windows/Com/OleText.h"

#include <array>
#include <optional>
#include <string_view>

namespace qor::format::engine::javascript {
namespace {

using platform::windows::com::ComRef;

// Indexed by VARTYPE; the gaps are values without a name.
constexpr std::array<std::string_view, 74> baseTypeNames{
    "VT_EMPT", "VT_NULL", "VT_I2", "VT_I4", "VT_R4", "VT_R8", "VT_CY", "VT_DATE", "VT_BSTR", "VT_DISPATCH",
    "VT_ERROR", "VT_BOOL", "VT_VARIANT", "VT_UNKNOWN", "VT_DECIMAL", "", "VT_I1", "VT_UI1", "VT_UI2", "VT_UI4",
    "VT_I8", "VT_UI8", "VT_INT", "VT_UINT", "VT_VOID", "VT_HRESULT", "VT_PTR", "VT_SAFEARRAY", "VT_CARRAY",
    "VT_USERDEFINED", "VT_LPSTR", "VT_LPWSTR", "", "", "", "", "VT_RECORD", "VT_INT_PTR", "VT_UINT_PTR", "", "",
    "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "VT_FILETIME",
    "VT_BLOB", "VT_STREAM", "VT_STORAGE", "VT_STREAMED_OBJECT", "VT_STORED_OBJECT", "VT_BLOB_OBJECT", "VT_CF",
    "VT_CLSID", "VT_VERSIONED_STREAM"};

std::string_view vartypeName(VARTYPE vt) {
    if (vt < baseTypeNames.size())
        return baseTypeNames[vt];
    switch (vt) {
    case 0x0FFF: return "VT_BSTR_BLOB";
    case 0x1000: return "VT_VECTOR";
    case 0x2000: return "VT_ARRAY";
    case 0x4000: return "VT_BYREF";
    case 0x8000: return "VT_RESERVED";
    case 0xFFFF: return "VT_ILLEGAL";
    default: return {};
    }
}

std::optional<std::string> referencedTypeName(ITypeInfo& typeInfo, HREFTYPE reference) {
    ComRef<ITypeInfo> referenced;
    if (FAILED(typeInfo.GetRefTypeInfo(reference, referenced.put())) || !referenced)
        return std::nullopt;
    platform::windows::com::ScopedBstr name;
    if (FAILED(referenced->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr)))
        return std::nullopt;
    return platform::windows::com::ansiFromOle(name.get());
}

} // namespace

std::string getTypeName(ITypeInfo& typeInfo, TYPEDESC const& typeDesc) {
    // Only one level of pointer is looked through.
    bool const pointer = typeDesc.vt == VT_PTR;
    TYPEDESC const* const target = pointer ? typeDesc.lptdesc : &typeDesc;
    if (target == nullptr)
        return "*";
    // A user-defined type is known by its own name, pointer or not.
    if (target->vt == VT_USERDEFINED)
        if (auto name = referencedTypeName(typeInfo, target->hreftype))
            return std::move(*name);
    std::string text;
    if (pointer)
        text.push_back('*');
    text.append(vartypeName(target->vt));
    return text;
}

} // namespace qor::format::engine::javascript
