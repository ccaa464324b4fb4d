#include "Platform/Windows/Com/TypeLibrary.h"

#include "Assert/Assert.h"
#include "Platform/Windows/Com/ComRef.h"
#include "Platform/Windows/ErrorCode.h"
#include "Platform/Windows/ResourceEnumerator.h"

#include <array>
#include <string>

#include <utility>

namespace qor::platform::windows::com {
namespace {

HRESULT loadUnregistered(OLECHAR const* path, ITypeLib** library) {
    return LoadTypeLibEx(path, REGKIND_NONE, library);
}

void reportLoadFailure(std::string const& message) {
    assert::Assert::report(message, "qor::platform::windows::com::TypeLibrary::loadTypeLib",
                           "Platform/Windows/COM/TypeLibrary", __LINE__);
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

TypeLibrary& TypeLibrary::addModule(HMODULE module) {
    pendingModules.push_back(module);
    return *this;
}

TypeLibrary& TypeLibrary::setProvider(Provider provider) {
    typeLibProvider = std::move(provider);
    return *this;
}

TypeInfoAndAttribute* TypeLibrary::find(Guid const& guid) {
    if (auto found = entries.find(guid); found != entries.end())
        return &found->second;
    if (!pendingPaths.empty() || !pendingModules.empty())
        return loadTypeLib(guid);
    if (!typeLibProvider)
        return nullptr;
    ComRef<ITypeLib> library;
    if (!typeLibProvider(library.put()) || !library)
        return nullptr;
    return addTypeLib(library.get(), guid);
}

void TypeLibrary::loadAll() {
    // A module whose file name cannot be read ends one pass, not the loading
    // of the sources behind it.
    while (pendingSourceCount() != 0)
        loadTypeLib(std::nullopt);
}

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
    if (pendingModules.empty())
        return nullptr;
    HMODULE const module = pendingModules.back();
    pendingModules.pop_back();
    if (!pushModuleResources(module))
        return nullptr;
    return loadTypeLib(wanted);
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

bool TypeLibrary::pushModuleResources(HMODULE module) {
    std::array<WCHAR, 260> buffer{};
    DWORD const length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    // A truncated name would only give paths that fail to load.
    if (length == 0 || length >= buffer.size()) {
        reportLoadFailure(ErrorCode::sMessage(GetLastError()));
        return false;
    }
    std::string const moduleName = utf8FromOle(OleStringView(buffer.data(), length));
    ResourceEnumerator<std::string> const enumerator;
    enumerator.vEnumResources(
        module, OLESTR("TYPELIB"), [](auto, std::int64_t, std::string const&) {}, 1, std::nullopt,
        [&](HMODULE, std::int64_t id, std::string const&) {
            pendingPaths.push_back(oleFromUtf8(moduleName + "\\" + std::to_string(id)));
            return true;
        });
    return true;
}

} // namespace qor::platform::windows::com
