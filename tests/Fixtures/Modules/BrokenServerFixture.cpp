// A library broken every way a server or host library can be while still
// loading: its entry points throw, and one class object is a success
// without an object. Whoever calls them must survive and say so.

#include <stdexcept>

#include "Format/Engine/JavaScript/Com/HostLibrary.h"
#include "Platform/Com.h"

#define FIXTURE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

DEFINE_GUID(CLSID_NoObject, 0x5d0e7a10, 0x2b3c, 0x4d5e, 0x9f, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x11);
DEFINE_GUID(CLSID_Throwing, 0x5d0e7a10, 0x2b3c, 0x4d5e, 0x9f, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x12);

} // namespace

QOR_HOST_LIBRARY_ENTRY HRESULT QorRegisterHost(qor::platform::windows::com::ComClasses&,
                                               qor::platform::windows::com::TypeLibrary&,
                                               std::filesystem::path const&) {
    throw std::runtime_error("broken host library");
}

FIXTURE_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID, LPVOID* ppv) {
    *ppv = nullptr;
    if (rclsid == CLSID_NoObject)
        return S_OK;
    if (rclsid == CLSID_Throwing)
        throw std::runtime_error("broken class object");
    return CLASS_E_CLASSNOTAVAILABLE;
}

FIXTURE_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    throw std::runtime_error("broken unload");
}

FIXTURE_EXPORT HRESULT STDAPICALLTYPE DllRegisterServer() {
    throw std::runtime_error("broken registration");
}
