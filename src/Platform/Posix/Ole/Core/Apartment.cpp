#include "Platform/Posix/Ole/Core/Apartment.h"

#include <atomic>

#include "Platform/Posix/Ole/Core/ClassRegistry.h"
#include "Platform/Posix/Ole/Core/InprocServers.h"

namespace {

struct ThreadApartment {
    ULONG comCount = 0;
    ULONG oleCount = 0;
    DWORD model = COINIT_MULTITHREADED;
};

thread_local ThreadApartment apartment;
std::atomic<int> initializedThreads{0};

DWORD modelOf(DWORD coInit) {
    return coInit & COINIT_APARTMENTTHREADED ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED;
}

} // namespace

namespace qor::platform::posix::ole {

bool isComInitializedInProcess() {
    return initializedThreads.load() > 0;
}

} // namespace qor::platform::posix::ole

HRESULT STDAPICALLTYPE CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) {
    if (pvReserved)
        return E_INVALIDARG;
    if (apartment.comCount > 0) {
        if (modelOf(dwCoInit) != apartment.model)
            return RPC_E_CHANGED_MODE;
        ++apartment.comCount;
        return S_FALSE;
    }
    apartment.model = modelOf(dwCoInit);
    apartment.comCount = 1;
    ++initializedThreads;
    return S_OK;
}

HRESULT STDAPICALLTYPE CoInitialize(LPVOID pvReserved) {
    return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED);
}

void STDAPICALLTYPE CoUninitialize() {
    // An unbalanced call is ignored, as on Windows.
    if (apartment.comCount == 0)
        return;
    if (--apartment.comCount > 0)
        return;
    qor::platform::posix::ole::revokeClassObjectsOfThisThread();
    if (--initializedThreads == 0)
        qor::platform::posix::ole::freeUnusedInprocServers();
}

HRESULT STDAPICALLTYPE OleInitialize(LPVOID pvReserved) {
    HRESULT const hr = CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED);
    if (FAILED(hr))
        return hr;
    ++apartment.oleCount;
    return hr;
}

void STDAPICALLTYPE OleUninitialize() {
    if (apartment.oleCount == 0)
        return;
    --apartment.oleCount;
    CoUninitialize();
}
