#pragma once

#include "Platform/Com.h"
#include "Platform/Windows/Com/UnknownCreationHelperInterface.h"
#include "Platform/Windows/Com/UnknownCreationInterface.h"

#include <type_traits>

namespace qor::platform::windows::com {

// The reference count and the creator link of this library's own COM objects,
// for an object implementing `I`, whose IID `iid` points to. `I` is the first
// base, so the object's address is its I*.
//
// An object starts with the count 0, and whoever makes it calls AddRef once;
// the Release that brings the count to 0 deletes it. The count is a plain
// counter: these objects live on the thread of the engine that made them.
template <class I, IID const* iid>
class IUnknownImpl : public I, public UnknownCreationHelperInterface {
    static_assert(std::is_base_of_v<IUnknown, I>, "I must be a COM interface");

public:
    // `creator` may be null; it hears of the object's birth and death.
    explicit IUnknownImpl(UnknownCreationInterface* creator) : creator(creator) {
        if (creator != nullptr)
            creator->objectCreated(primaryUnknown());
    }
    ~IUnknownImpl() override {
        if (creator != nullptr)
            creator->objectDestroyed(primaryUnknown());
    }
    IUnknownImpl(IUnknownImpl const&) = delete;
    IUnknownImpl& operator=(IUnknownImpl const&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, *iid))
            return handOutAs<I>(ppv);
        // The helper is no COM interface: the caller gets no reference.
        if (IsEqualIID(riid, IID_UnknownCreationHelper)) {
            *ppv = static_cast<UnknownCreationHelperInterface*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refCount; }
    ULONG STDMETHODCALLTYPE Release() override {
        if (refCount == 1) {
            delete this;
            return 0;
        }
        return --refCount;
    }

    void clearCreator() override { creator = nullptr; }
    UnknownCreationInterface* getCreator() const override { return creator; }

protected:
    // What QueryInterface gives for an interface the object is: itself, seen
    // as `Interface`, with a reference.
    template <class Interface>
    HRESULT handOutAs(void** ppv) {
        *ppv = static_cast<Interface*>(static_cast<I*>(this));
        this->AddRef();
        return S_OK;
    }
    IUnknown* primaryUnknown() { return static_cast<I*>(this); }

    ULONG refCount = 0;
    UnknownCreationInterface* creator = nullptr;
};

} // namespace qor::platform::windows::com
