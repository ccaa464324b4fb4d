#include "Platform/Posix/Ole/Core/ClassRegistry.h"

#include <mutex>
#include <thread>
#include <vector>

#include "Platform/Posix/Ole/Core/Apartment.h"
#include "Platform/Posix/Ole/Core/InprocServers.h"

namespace {

struct Registration {
    DWORD cookie;
    CLSID clsid;
    IUnknown* object;
    DWORD context;
    DWORD flags;
    std::thread::id owner;
    bool suspended;
};

// A process-wide table; class objects are released outside its lock, since
// their Release may come back into COM.
class Registrations {
public:
    HRESULT add(REFCLSID clsid, IUnknown* object, DWORD context, DWORD flags, DWORD& cookie) {
        std::lock_guard lock(mutex_);
        for (auto const& entry : entries_)
            if (entry.clsid == clsid && (entry.context & context) != 0)
                return CO_E_OBJISREG;
        object->AddRef();
        cookie = nextCookie_++;
        entries_.push_back({cookie, clsid, object, context, flags, std::this_thread::get_id(),
                            (flags & REGCLS_SUSPENDED) != 0});
        return S_OK;
    }

    // The registration's reference, for the caller to release; null when
    // there is none.
    IUnknown* remove(DWORD cookie) {
        std::lock_guard lock(mutex_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->cookie != cookie)
                continue;
            IUnknown* object = it->object;
            entries_.erase(it);
            return object;
        }
        return nullptr;
    }

    std::vector<IUnknown*> removeOwnedBy(std::thread::id owner) {
        std::lock_guard lock(mutex_);
        std::vector<IUnknown*> removed;
        std::erase_if(entries_, [&](Registration const& entry) {
            if (entry.owner != owner)
                return false;
            removed.push_back(entry.object);
            return true;
        });
        return removed;
    }

    void resume() {
        std::lock_guard lock(mutex_);
        for (auto& entry : entries_)
            entry.suspended = false;
    }

    // With one added reference for the caller.
    IUnknown* find(REFCLSID clsid, DWORD context) {
        std::lock_guard lock(mutex_);
        for (auto& entry : entries_) {
            if (entry.clsid != clsid || entry.suspended || !serves(entry, context))
                continue;
            entry.object->AddRef();
            return entry.object;
        }
        return nullptr;
    }

private:
    // A local server registered for multiple use serves the process itself
    // in-process as well, as Windows arranges.
    static bool serves(Registration const& entry, DWORD context) {
        if ((entry.context & context) != 0)
            return true;
        return (entry.context & CLSCTX_LOCAL_SERVER) && (entry.flags & REGCLS_MULTIPLEUSE) &&
               (context & CLSCTX_INPROC_SERVER);
    }

    std::mutex mutex_;
    std::vector<Registration> entries_;
    DWORD nextCookie_ = 1;
};

// Never destroyed: class objects still registered at exit are left to the
// process rather than released during static destruction.
Registrations& registrations() {
    static auto* table = new Registrations;
    return *table;
}

} // namespace

namespace qor::platform::posix::ole {

void revokeClassObjectsOfThisThread() {
    for (IUnknown* object : registrations().removeOwnedBy(std::this_thread::get_id()))
        object->Release();
}

} // namespace qor::platform::posix::ole

using qor::platform::posix::ole::isComInitializedInProcess;

HRESULT STDAPICALLTYPE CoRegisterClassObject(REFCLSID rclsid, LPUNKNOWN pUnk, DWORD dwClsContext, DWORD flags,
                                             LPDWORD lpdwRegister) {
    if (!lpdwRegister)
        return E_INVALIDARG;
    *lpdwRegister = 0;
    if (!pUnk || (dwClsContext & CLSCTX_ALL) == 0)
        return E_INVALIDARG;
    if (!isComInitializedInProcess())
        return CO_E_NOTINITIALIZED;
    return registrations().add(rclsid, pUnk, dwClsContext, flags, *lpdwRegister);
}

HRESULT STDAPICALLTYPE CoRevokeClassObject(DWORD dwRegister) {
    if (!isComInitializedInProcess())
        return CO_E_NOTINITIALIZED;
    IUnknown* object = registrations().remove(dwRegister);
    if (!object)
        return E_INVALIDARG;
    object->Release();
    return S_OK;
}

HRESULT STDAPICALLTYPE CoResumeClassObjects() {
    if (!isComInitializedInProcess())
        return CO_E_NOTINITIALIZED;
    registrations().resume();
    return S_OK;
}

HRESULT STDAPICALLTYPE CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, COSERVERINFO* pServerInfo,
                                        REFIID riid, LPVOID* ppv) {
    if (!ppv)
        return E_INVALIDARG;
    *ppv = nullptr;
    if (!isComInitializedInProcess())
        return CO_E_NOTINITIALIZED;
    // The process's own registrations come first, as on Windows.
    IUnknown* object = registrations().find(rclsid, dwClsContext);
    if (!object) {
        if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0)
            return REGDB_E_CLASSNOTREG;
        return qor::platform::posix::ole::getInprocServerClassObject(rclsid, riid, ppv);
    }
    HRESULT const hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

HRESULT STDAPICALLTYPE CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                                        LPVOID* ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr))
        return hr;
    hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    // A factory that fails is not trusted to have left the out-place empty.
    if (FAILED(hr))
        *ppv = nullptr;
    return hr;
}
