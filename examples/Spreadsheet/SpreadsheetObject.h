#pragma once

#include "Platform/Com.h"
#include "Platform/Windows/Com/ComRef.h"
#include "Platform/Windows/Com/IDispatchImpl.h"
#include "Failure.h"
#include "LiveObjects.h"
#include "SpreadsheetTypes.h"

#include <string>
#include <utility>

namespace qor::examples::spreadsheet {

using platform::windows::com::ComRef;

// What every object of the sample is: IDispatch answered by the type
// information of `I` from the sample's own type library, error objects for
// the callers of `I` (ISupportErrorInfo), and a place among the live objects.
//
// An object made for an engine keeps it as its creator, to call the scripts'
// event handlers through it; the engine forgets its objects when it goes, so
// one that a host holds longer has no dead engine to call.
template <class I, IID const* iid>
class SpreadsheetObject : public platform::windows::com::IDispatchImpl<I, iid>, public ISupportErrorInfo {
    using Base = platform::windows::com::IDispatchImpl<I, iid>;

public:
    explicit SpreadsheetObject(platform::windows::com::UnknownCreationInterface* engine = nullptr)
        : Base(SpreadsheetTypes::instance().find(*iid), engine) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv != nullptr && IsEqualIID(riid, IID_ISupportErrorInfo)) {
            *ppv = static_cast<ISupportErrorInfo*>(this);
            AddRef();
            return S_OK;
        }
        return Base::QueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return Base::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return Base::Release(); }

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return IsEqualIID(riid, *iid) ? S_OK : S_FALSE;
    }

protected:
    HRESULT fail(Failure const& failure) { return raiseError(failure, *iid); }
    HRESULT fail(HRESULT code, std::string description) { return fail(Failure{code, std::move(description)}); }

private:
    LiveObject live;
};

// A new object with the one reference its maker holds.
template <class T, class... Args>
ComRef<T> makeObject(Args&&... args) {
    auto* object = new T(std::forward<Args>(args)...);
    object->AddRef();
    return ComRef<T>(object);
}

// A reference of one's own on an object someone else holds.
template <class T>
ComRef<T> retain(T* object) {
    if (object != nullptr)
        object->AddRef();
    return ComRef<T>(object);
}

// Gives `object` to an out-parameter with a reference for the caller.
template <class Interface, class T>
HRESULT handOut(T* object, Interface** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = object;
    if (object != nullptr)
        object->AddRef();
    return S_OK;
}

} // namespace qor::examples::spreadsheet
