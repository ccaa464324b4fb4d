#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Platform/Com.h"

#include <cstdint>
#include <memory>

namespace qor::platform::windows::com {

class DynamicDispatchEntries;

// One type of a loaded type library: its position there, the library (borrowed
// from the TypeLibrary that made the entry) and the type's information and
// attributes (owned), and the table of its interface's members, made when
// first asked for.
class QOR_JAVASCRIPT_COM_API TypeInfoAndAttribute {
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
    // The members of this type's interface, shared by every object built on
    // it: made on the first call, kept from then on.
    DynamicDispatchEntries& getDynamicEntries();

    std::uint32_t index = 0;
    ITypeLib* typeLib = nullptr;
    ITypeInfo* typeInfo = nullptr;
    TYPEATTR* typeAttr = nullptr;
    // Held by pointer so that it stays where it is when the entry moves:
    // objects' own tables point at it.
    std::unique_ptr<DynamicDispatchEntries> dynamicEntries;

private:
    void release();
};

} // namespace qor::platform::windows::com
