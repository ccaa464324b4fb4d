#include "Platform/Windows/Com/TypeInfoAndAttribute.h"

#include "Platform/Windows/Com/DynamicDispatchEntries.h"

#include <utility>

namespace qor::platform::windows::com {
namespace {

template <class Interface>
Interface* addReference(Interface* pointer) {
    if (pointer != nullptr)
        pointer->AddRef();
    return pointer;
}

} // namespace

TypeInfoAndAttribute::TypeInfoAndAttribute(std::uint32_t index, ITypeLib* typeLib, ITypeInfo* typeInfo,
                                           TYPEATTR* typeAttr)
    : index(index), typeLib(typeLib), typeInfo(typeInfo), typeAttr(typeAttr) {}

TypeInfoAndAttribute::TypeInfoAndAttribute(TypeInfoAndAttribute&& other) noexcept
    : index(other.index), typeLib(std::exchange(other.typeLib, nullptr)),
      typeInfo(std::exchange(other.typeInfo, nullptr)), typeAttr(std::exchange(other.typeAttr, nullptr)),
      dynamicEntries(std::move(other.dynamicEntries)) {}

TypeInfoAndAttribute& TypeInfoAndAttribute::operator=(TypeInfoAndAttribute&& other) noexcept {
    if (this != &other) {
        release();
        index = other.index;
        typeLib = std::exchange(other.typeLib, nullptr);
        typeInfo = std::exchange(other.typeInfo, nullptr);
        typeAttr = std::exchange(other.typeAttr, nullptr);
        dynamicEntries = std::move(other.dynamicEntries);
    }
    return *this;
}

TypeInfoAndAttribute::~TypeInfoAndAttribute() {
    release();
}

ITypeLib* TypeInfoAndAttribute::getTypeLib() const {
    return addReference(typeLib);
}

ITypeInfo* TypeInfoAndAttribute::getTypeInfo() const {
    return addReference(typeInfo);
}

DynamicDispatchEntries& TypeInfoAndAttribute::getDynamicEntries() {
    if (!dynamicEntries)
        dynamicEntries = std::make_unique<DynamicDispatchEntries>(*this);
    return *dynamicEntries;
}

void TypeInfoAndAttribute::release() {
    dynamicEntries.reset();
    // The attribute block belongs to the type info, so it goes back first.
    if (typeAttr != nullptr && typeInfo != nullptr)
        typeInfo->ReleaseTypeAttr(typeAttr);
    typeAttr = nullptr;
    if (typeInfo != nullptr)
        std::exchange(typeInfo, nullptr)->Release();
    typeLib = nullptr;
}

} // namespace qor::platform::windows::com
