#include "Format/Engine/JavaScript/Com/Extraction/TypeName.h"

#include "Platform/Windows/Com/AnsiText.h"
#include "Platform/Windows/Com/ComRef.h"

#include <array>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_set>

namespace qor::format::engine::javascript {
namespace {

using platform::windows::com::ComRef;

struct TypeNameEntry {
    VARTYPE vt;
    std::string_view name;
};

// The names of the VARENUM constants, VT_EMPTY's spelt "VT_EMPT" as readers
// of these texts expect; values not listed have no name of their own.
constexpr TypeNameEntry typeNames[] = {
    {0x0000, "VT_EMPT"},
    {0x0001, "VT_NULL"},
    {0x0002, "VT_I2"},
    {0x0003, "VT_I4"},
    {0x0004, "VT_R4"},
    {0x0005, "VT_R8"},
    {0x0006, "VT_CY"},
    {0x0007, "VT_DATE"},
    {0x0008, "VT_BSTR"},
    {0x0009, "VT_DISPATCH"},
    {0x000A, "VT_ERROR"},
    {0x000B, "VT_BOOL"},
    {0x000C, "VT_VARIANT"},
    {0x000D, "VT_UNKNOWN"},
    {0x000E, "VT_DECIMAL"},
    {0x0010, "VT_I1"},
    {0x0011, "VT_UI1"},
    {0x0012, "VT_UI2"},
    {0x0013, "VT_UI4"},
    {0x0014, "VT_I8"},
    {0x0015, "VT_UI8"},
    {0x0016, "VT_INT"},
    {0x0017, "VT_UINT"},
    {0x0018, "VT_VOID"},
    {0x0019, "VT_HRESULT"},
    {0x001A, "VT_PTR"},
    {0x001B, "VT_SAFEARRAY"},
    {0x001C, "VT_CARRAY"},
    {0x001D, "VT_USERDEFINED"},
    {0x001E, "VT_LPSTR"},
    {0x001F, "VT_LPWSTR"},
    {0x0024, "VT_RECORD"},
    {0x0025, "VT_INT_PTR"},
    {0x0026, "VT_UINT_PTR"},
    {0x0040, "VT_FILETIME"},
    {0x0041, "VT_BLOB"},
    {0x0042, "VT_STREAM"},
    {0x0043, "VT_STORAGE"},
    {0x0044, "VT_STREAMED_OBJECT"},
    {0x0045, "VT_STORED_OBJECT"},
    {0x0046, "VT_BLOB_OBJECT"},
    {0x0047, "VT_CF"},
    {0x0048, "VT_CLSID"},
    {0x0049, "VT_VERSIONED_STREAM"},
    {0x0FFF, "VT_BSTR_BLOB"},
    {0x1000, "VT_VECTOR"},
    {0x2000, "VT_ARRAY"},
    {0x4000, "VT_BYREF"},
    {0x8000, "VT_RESERVED"},
    {0xFFFF, "VT_ILLEGAL"},
};

// The table's names as they are and behind one level of pointer.
struct TableNames {
    std::array<TypeName, std::size(typeNames)> plain;
    std::array<TypeName, std::size(typeNames)> pointer;
};

TableNames const& tableNames() {
    static TableNames const names = [] {
        TableNames made;
        for (std::size_t i = 0; i < std::size(typeNames); ++i) {
            made.plain[i] = TypeName(typeNames[i].name);
            made.pointer[i] = TypeName("*" + std::string(typeNames[i].name));
        }
        return made;
    }();
    return names;
}

TypeName vartypeName(VARTYPE vt, bool pointer) {
    static TypeName const star("*");
    for (std::size_t i = 0; i < std::size(typeNames); ++i)
        if (typeNames[i].vt == vt)
            return pointer ? tableNames().pointer[i] : tableNames().plain[i];
    return pointer ? star : TypeName();
}

std::optional<TypeName> referencedTypeName(ITypeInfo& typeInfo, HREFTYPE reference) {
    ComRef<ITypeInfo> referenced;
    if (FAILED(typeInfo.GetRefTypeInfo(reference, referenced.put())) || !referenced)
        return std::nullopt;
    _bstr_t name;
    if (FAILED(referenced->GetDocumentation(MEMBERID_NIL, name.GetAddress(), nullptr, nullptr, nullptr)))
        return std::nullopt;
    return TypeName(platform::windows::com::ansiFromOle(name.GetBSTR()));
}

// Each name once, for the whole process; engines on several threads
// extract at once.
struct Names {
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    std::mutex lock;
    std::unordered_set<std::string, Hash, std::equal_to<>> texts;
};

} // namespace

TypeName::TypeName(std::string_view text) {
    if (text.empty())
        return;
    // Never destroyed: records made from it may outlive any other static.
    static Names* const names = new Names;
    std::lock_guard const guard(names->lock);
    auto found = names->texts.find(text);
    if (found == names->texts.end())
        found = names->texts.emplace(text).first;
    text_ = &*found;
}

TypeName getTypeName(ITypeInfo& typeInfo, TYPEDESC const& typeDesc) {
    // Only one level of pointer is looked through.
    bool const pointer = typeDesc.vt == VT_PTR;
    TYPEDESC const* const target = pointer ? typeDesc.lptdesc : &typeDesc;
    if (target == nullptr)
        return "*";
    // A user-defined type is known by its own name, pointer or not.
    if (target->vt == VT_USERDEFINED)
        if (auto name = referencedTypeName(typeInfo, target->hreftype))
            return *name;
    return vartypeName(target->vt, pointer);
}

} // namespace qor::format::engine::javascript
