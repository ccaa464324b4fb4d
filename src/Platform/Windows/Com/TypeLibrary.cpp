#include "Platform/Windows/Com/TypeLibrary.h"

#include "Platform/Windows/Com/AssertReport.h"
#include "Platform/Windows/Com/ComRef.h"

#include <utility>

namespace qor::platform::windows::com {
namespace {

HRESULT loadUnregistered(OLECHAR const* path, ITypeLib** library) {
    return LoadTypeLibEx(path, REGKIND_NONE, library);
}

} // namespace

TypeLibrary::TypeLibrary() : TypeLibrary(Loader(loadUnregistered)) {}

TypeLibrary::TypeLibrary(Loader loader) : loader(std::move(loader)) {}

TypeLibrary::~TypeLibrary() {
    // Entries borrow their libraries, so they go first.
    entries.clear();
    for (ITypeLib* library : loadedLibraries)
        library->Release();
}

TypeLibrary& TypeLibrary::addPath(std::filesystem::path const& path) {
    std::u16string const text = path.u16string();
    pendingPaths.emplace_back(text.begin(), text.end());
    return *this;
}

TypeLibrary& TypeLibrary::setProvider(Provider provider) {
    typeLibProvider = std::move(provider);
    return *this;
}

TypeInfoAndAttribute* TypeLibrary::find(Guid const& guid) {
    if (auto found = entries.find(guid); found != entries.end())
        return &found->second;
    if (!pendingPaths.empty())
        return loadTypeLib(guid);
    if (!typeLibProvider)
        return nullptr;
    ComRef<ITypeLib> library;
    if (!typeLibProvider(library.put()) || !library)
        return nullptr;
    return addTypeLib(library.get(), guid);
}

void TypeLibrary::loadAll() { loadTypeLib(std::nullopt); }

bool TypeLibrary::getTypeInfoAndAttribute(Guid const& guid, std::uint32_t* index, ITypeLib** typeLib,
                                          ITypeInfo** typeInfo, TYPEATTR** typeAttr) {
    TypeInfoAndAttribute const* entry = find(guid);
    if (entry == nullptr)
        return false;
    if (index != nullptr)
        *index = entry->index;
    if (typeLib != nullptr)
        *typeLib = entry->getTypeLib();
    if (typeInfo != nullptr)
        *typeInfo = entry->getTypeInfo();
    if (typeAttr != nullptr)
        *typeAttr = entry->typeAttr;
    return true;
}

bool TypeLibrary::getTypeInfo(Guid const& guid, ITypeInfo** typeInfo) {
    TypeInfoAndAttribute const* entry = find(guid);
    if (entry == nullptr || entry->typeInfo == nullptr)
        return false;
    *typeInfo = entry->getTypeInfo();
    return true;
}

TypeInfoAndAttribute* TypeLibrary::loadTypeLib(std::optional<Guid> const& wanted) {
    while (!pendingPaths.empty()) {
        OleString const path = std::move(pendingPaths.back());
        pendingPaths.pop_back();
        ComRef<ITypeLib> library;
        if (FAILED(loader(path.c_str(), library.put())) || !library)
            continue;
        if (TypeInfoAndAttribute* found = addTypeLib(library.get(), wanted))
            return found;
    }
    return nullptr;
}

TypeInfoAndAttribute* TypeLibrary::addTypeLib(ITypeLib* library, std::optional<Guid> const& wanted) {
    library->AddRef();
    loadedLibraries.push_back(library);
    TypeInfoAndAttribute* remembered = nullptr;
    UINT const count = library->GetTypeInfoCount();
    for (UINT index = 0; index < count; ++index) {
        ComRef<ITypeInfo> typeInfo;
        if (FAILED(library->GetTypeInfo(index, typeInfo.put())) || !typeInfo)
            continue;
        TYPEATTR* attributes = nullptr;
        if (FAILED(typeInfo->GetTypeAttr(&attributes)) || attributes == nullptr)
            continue;
        Guid const guid(attributes->guid);
        auto [position, inserted] = entries.try_emplace(guid, index, library, typeInfo.get(), attributes);
        if (inserted)
            typeInfo.detach();
        else
            typeInfo->ReleaseTypeAttr(attributes);
        if (wanted && *wanted == guid)
            remembered = &position->second;
    }
    return remembered;
}

} // namespace qor::platform::windows::com
