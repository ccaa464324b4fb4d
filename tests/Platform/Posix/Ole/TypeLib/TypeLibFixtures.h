#pragma once

// Loading the type libraries built from tests/Fixtures, and owning what the
// tests get from them.

#include "Platform/Com.h"
#include "Platform/Windows/Com/ComRef.h"
#include "String/Utf.h"

#include <filesystem>
#include <initializer_list>
#include <string>

namespace qor::test {

inline std::u16string fixturePath(char const* name) {
    return string::utf8ToUtf16(std::string(QOR_TYPELIB_FIXTURE_DIR) + "/" + name);
}

// Owns one reference.
template <class T>
using Ref = platform::windows::com::ComRef<T>;

inline Ref<ITypeLib> loadFixture(char const* name) {
    Ref<ITypeLib> lib;
    LoadTypeLibEx(fixturePath(name).c_str(), REGKIND_NONE, lib.put());
    return lib;
}

// The first of `names`, loaded from a fresh folder holding copies of only
// these fixtures, as on a machine that lacks the others.
inline Ref<ITypeLib> loadCopies(char const* folder, std::initializer_list<char const*> names) {
    auto const dir = std::filesystem::temp_directory_path() / folder;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    for (char const* name : names)
        std::filesystem::copy_file(string::utf16ToUtf8(fixturePath(name)), dir / name);
    Ref<ITypeLib> lib;
    LoadTypeLibEx(string::utf8ToUtf16((dir / *names.begin()).string()).c_str(), REGKIND_NONE, lib.put());
    return lib;
}

inline Ref<ITypeInfo> typeInfoOf(ITypeLib* lib, GUID const& guid) {
    Ref<ITypeInfo> info;
    lib->GetTypeInfoOfGuid(guid, info.put());
    return info;
}

// The type `info` implements at `index`; -1 is the other view of a dual
// interface. Null when it cannot be had.
inline Ref<ITypeInfo> implTypeOf(ITypeInfo* info, int index) {
    HREFTYPE href = 0;
    Ref<ITypeInfo> type;
    if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(index), &href)))
        info->GetRefTypeInfo(href, type.put());
    return type;
}

inline std::string nameOf(ITypeInfo* info, MEMBERID memid = MEMBERID_NIL) {
    _bstr_t name;
    info->GetDocumentation(memid, name.GetAddress(), nullptr, nullptr, nullptr);
    return string::utf16ToUtf8(std::u16string(name, name.length()));
}

// The fixture library's identifiers (QorFixture.idl).
inline GUID fixtureGuid(unsigned char last) {
    return GUID{0x5a0c4f1e, 0x7d1b, 0x4c2e, {0x9a, 0x53, 0x0f, 0x6d, 0x2b, 0x8e, 0x1c, last}};
}
template <unsigned char last>
inline constexpr GUID fixtureGuidValue{0x5a0c4f1e, 0x7d1b, 0x4c2e, {0x9a, 0x53, 0x0f, 0x6d, 0x2b, 0x8e, 0x1c, last}};

} // namespace qor::test
