#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Id/Guid.h"
#include "Platform/Com.h"
#include "Platform/Windows/Com/OleText.h"
#include "Platform/Windows/Com/TypeInfoAndAttribute.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

namespace qor::platform::windows::com {

// The host's COM type libraries, loaded lazily: a lookup loads pending sources
// only until the type asked for turns up. Sources are stacks, so the source
// added last is loaded first, and its types win over later ones of the same
// Guid.
class QOR_JAVASCRIPT_COM_API TypeLibrary {
public:
    // Stores one library with a reference for the caller, as COM out-places
    // do, and answers true; or answers false when it has none to give. The
    // TypeLibrary keeps a reference of its own and releases the one handed
    // over.
    using Provider = std::function<bool(ITypeLib** library)>;
    // Opens the type library at a path: a file, or a resource of a module
    // written MODULE\N. The default loads without registering.
    using Loader = std::function<HRESULT(OLECHAR const* path, ITypeLib** library)>;
    using Entries = std::unordered_map<Guid, TypeInfoAndAttribute, Guid::hash>;

    TypeLibrary();
    explicit TypeLibrary(Loader loader);
    TypeLibrary(TypeLibrary const&) = delete;
    TypeLibrary& operator=(TypeLibrary const&) = delete;
    ~TypeLibrary();

    // Sources, given before the first lookup.
    TypeLibrary& addPath(std::filesystem::path const& path);
    // A module whose "TYPELIB" resources are the libraries.
    TypeLibrary& addModule(HMODULE module);
    TypeLibrary& setProvider(Provider provider);

    // The entry of `guid`, loading sources as needed; null when no source has
    // it. Entries are never removed, so the pointer lives as long as this.
    TypeInfoAndAttribute* find(Guid const& guid);
    void loadAll();

    // Each out-place given receives its part of the entry; interface pointers
    // carry a reference for the caller.
    bool getTypeInfoAndAttribute(Guid const& guid, std::uint32_t* index = nullptr, ITypeLib** typeLib = nullptr,
                                 ITypeInfo** typeInfo = nullptr, TYPEATTR** typeAttr = nullptr);
    bool getTypeInfo(Guid const& guid, ITypeInfo** typeInfo);

    // What has been loaded so far.
    Entries const& getEntries() const { return entries; }
    std::size_t pendingSourceCount() const { return pendingPaths.size() + pendingModules.size(); }

private:
    TypeInfoAndAttribute* loadTypeLib(std::optional<Guid> const& wanted);
    TypeInfoAndAttribute* addTypeLib(ITypeLib* library, std::optional<Guid> const& wanted);
    bool pushModuleResources(HMODULE module);

    Provider typeLibProvider;
    std::vector<ITypeLib*> loadedLibraries;
    Entries entries;
    std::deque<OleString> pendingPaths;
    std::deque<HMODULE> pendingModules;
    Loader loader;
};

} // namespace qor::platform::windows::com
