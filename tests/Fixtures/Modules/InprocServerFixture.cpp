// An in-process server as the component registry loads one. It serves two
// classes: Counted, whose objects and class objects it counts, and Failing,
// whose class object can't create anything. The counts are read back
// through InprocFixtureLiveObjects, so a test can check that every
// reference the runtime took was given back.

#include <atomic>

#include "Platform/Com.h"

#define FIXTURE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

DEFINE_GUID(CLSID_Counted, 0x5d0e7a10, 0x2b3c, 0x4d5e, 0x9f, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x01);
DEFINE_GUID(CLSID_Failing, 0x5d0e7a10, 0x2b3c, 0x4d5e, 0x9f, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x02);

std::atomic<long> liveObjects{0};

template <class I>
class Counted : public I {
public:
    Counted() { ++liveObjects; }
    virtual ~Counted() { --liveObjects; }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != uuidof<I>())
            return E_NOINTERFACE;
        *ppv = static_cast<I*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++references_); }
    STDMETHODIMP_(ULONG) Release() override {
        long const left = --references_;
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

private:
    std::atomic<long> references_{0};
};

class Factory final : public Counted<IClassFactory> {
public:
    explicit Factory(bool fails) : fails_(fails) {}
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (fails_)
            return E_ACCESSDENIED;
        auto* object = new Counted<IUnknown>();
        object->AddRef();
        HRESULT const hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    bool fails_;
};

} // namespace

FIXTURE_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    *ppv = nullptr;
    if (rclsid != CLSID_Counted && rclsid != CLSID_Failing)
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new Factory(rclsid == CLSID_Failing);
    factory->AddRef();
    HRESULT const hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

FIXTURE_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return liveObjects == 0 ? S_OK : S_FALSE;
}

FIXTURE_EXPORT long InprocFixtureLiveObjects() {
    return liveObjects;
}
