#pragma once

#include "Platform/Com.h"

#include <cstdint>

namespace qor::platform::windows::com {

// One type of a loaded type library: its position there, the library (borrowed
// from the TypeLibrary that made the entry) and the type's information and
// attributes (owned).
class TypeInfoAndAttribute {
public:
    // Takes over one reference on `typeInfo` and the attribute block obtained
    // from it.
    TypeInfoAndAttribute(std::uint32_t index, ITypeLib* typeLib, ITypeInfo* typeInfo, TYPEATTR* typeAttr);
    TypeInfoAndAttribute(TypeInfoAndAttribute&& other) noexcept;
    TypeInfoAndAttribute& operator=(TypeInfoAndAttribute&& other) noexcept;
    TypeInfoAndAttribute(TypeInfoAndAttribute const&) = delete;
    TypeInfoAndAttribute& operator=(TypeInfoAndAttribute const&) = delete;
    ~TypeInfoAndAttribute();

    // With one added reference for the caller; null when there is none.
    ITypeLib* getTypeLib() const;
    ITypeInfo* getTypeInfo() const;

    std::uint32_t index = 0;
    ITypeLib* typeLib = nullptr;
    ITypeInfo* typeInfo = nullptr;
    TYPEATTR* typeAttr = nullptr;

private:
    void release();
};

} // namespace qor::platform::windows::com
