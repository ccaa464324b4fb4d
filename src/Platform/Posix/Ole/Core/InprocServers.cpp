#include "Platform/Posix/Ole/Core/InprocServers.h"

#include <algorithm>
#include <expected>
#include <optional>
#include <mutex>
#include <string>
#include <vector>

#include "Platform/Posix/Ole/Core/ComponentRegistryFile.h"
#include "Platform/Posix/Ole/Core/Module.h"
#include "Platform/Posix/Ole/Core/TextConversion.h"
#include "String/Utf.h"

namespace {

using DllGetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);
using DllCanUnloadNowFunction = HRESULT(STDAPICALLTYPE*)();

struct LoadedServer {
    std::string library;
    HMODULE module;
    DllGetClassObjectFunction getClassObject;
    DllCanUnloadNowFunction canUnloadNow; // may be null: then never unloaded
};

// Servers are called outside the lock: their entry points may come back
// into COM. The table is never destroyed, so servers still loaded at exit
// stay loaded: unloading one while static destructors run would pull code
// from under objects that other destructors may still release.
class LoadedServers {
public:
    std::optional<LoadedServer> find(std::string const& library) {
        std::lock_guard lock(mutex_);
        auto found = std::ranges::find(servers_, library, &LoadedServer::library);
        return found == servers_.end() ? std::nullopt : std::optional(*found);
    }

    // A server another thread loaded meanwhile wins; the caller frees its own.
    LoadedServer add(LoadedServer server, bool& kept) {
        std::lock_guard lock(mutex_);
        auto found = std::ranges::find(servers_, server.library, &LoadedServer::library);
        kept = found == servers_.end();
        if (!kept)
            return *found;
        servers_.push_back(server);
        return server;
    }

    std::vector<LoadedServer> all() {
        std::lock_guard lock(mutex_);
        return servers_;
    }

    bool remove(HMODULE module) {
        std::lock_guard lock(mutex_);
        return std::erase_if(servers_, [&](LoadedServer const& server) { return server.module == module; }) > 0;
    }

private:
    std::mutex mutex_;
    std::vector<LoadedServer> servers_;
};

LoadedServers& loadedServers() {
    static auto* table = new LoadedServers;
    return *table;
}

HRESULT loaderError() {
    DWORD const error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    return HRESULT_FROM_WIN32(error ? error : ERROR_MOD_NOT_FOUND);
}

std::expected<LoadedServer, HRESULT> load(std::string const& library) {
    if (auto server = loadedServers().find(library))
        return *server;
    HMODULE const module = LoadLibraryW(qor::string::utf8ToUtf16(library).c_str());
    if (!module)
        return std::unexpected(loaderError());
    auto getClassObject = reinterpret_cast<DllGetClassObjectFunction>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    if (!getClassObject) {
        FreeLibrary(module);
        return std::unexpected(CO_E_ERRORINDLL);
    }
    auto canUnloadNow = reinterpret_cast<DllCanUnloadNowFunction>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    bool kept = false;
    LoadedServer server = loadedServers().add({library, module, getClassObject, canUnloadNow}, kept);
    if (!kept)
        FreeLibrary(module);
    return server;
}

// A server that throws here is kept: it can't be trusted to have let go.
bool canUnload(LoadedServer const& server) {
    try {
        return server.canUnloadNow && server.canUnloadNow() == S_OK;
    } catch (...) {
        return false;
    }
}

} // namespace

namespace qor::platform::posix::ole {

HRESULT getInprocServerClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    *ppv = nullptr;
    auto library = inprocServerLibraryOf(clsid);
    if (!library)
        return REGDB_E_CLASSNOTREG;
    auto server = load(*library);
    if (!server)
        return server.error();
    HRESULT hr = CO_E_ERRORINDLL;
    // An exception must not unwind through the caller's COM code, which
    // does not expect one; nor may a success without an object reach it.
    try {
        hr = server->getClassObject(clsid, riid, ppv);
    } catch (...) {
        hr = CO_E_ERRORINDLL;
    }
    if (SUCCEEDED(hr) && *ppv == nullptr)
        hr = CO_E_ERRORINDLL;
    // A server that fails is not trusted to have left the out-place empty.
    if (FAILED(hr))
        *ppv = nullptr;
    return hr;
}

void freeUnusedInprocServers() {
    for (LoadedServer const& server : loadedServers().all()) {
        if (!canUnload(server))
            continue;
        if (loadedServers().remove(server.module))
            FreeLibrary(server.module);
    }
}

} // namespace qor::platform::posix::ole

void STDAPICALLTYPE CoFreeUnusedLibraries() {
    qor::platform::posix::ole::freeUnusedInprocServers();
}

void STDAPICALLTYPE CoFreeUnusedLibrariesEx(DWORD, DWORD) {
    qor::platform::posix::ole::freeUnusedInprocServers();
}
