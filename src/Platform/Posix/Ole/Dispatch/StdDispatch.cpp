// CreateStdDispatch: IDispatch from type information for an object that
// implements only its interface's vtable.

#include <atomic>
#include <new>

#include "Platform/Posix/Ole/Dispatch/DispInvoke.h"

namespace {

class StdDispatch final : public IDispatch {
public:
    StdDispatch(IUnknown* outer, void* object, ITypeInfo* typeInfo)
        : outer_(outer != nullptr ? outer : &inner_), object_(object), typeInfo_(typeInfo)
    {
        inner_.owner = this;
        typeInfo_->AddRef();
    }

    IUnknown* inner() { return &inner_; }

    // IDispatch's IUnknown is the outer object's when aggregated.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return outer_->QueryInterface(riid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() override { return outer_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return outer_->Release(); }

    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override
    {
        if (pctinfo == nullptr)
            return E_INVALIDARG;
        *pctinfo = 1;
        return S_OK;
    }

    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) override
    {
        if (ppTInfo == nullptr)
            return E_INVALIDARG;
        *ppTInfo = nullptr;
        if (iTInfo != 0)
            return DISP_E_BADINDEX;
        typeInfo_->AddRef();
        *ppTInfo = typeInfo_;
        return S_OK;
    }

    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) override
    {
        if (riid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        return DispGetIDsOfNames(typeInfo_, rgszNames, cNames, rgDispId);
    }

    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override
    {
        if (riid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        return DispInvoke(object_, typeInfo_, dispIdMember, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
    }

private:
    // The object's own IUnknown, which counts its references.
    struct Inner final : IUnknown {
        StdDispatch* owner = nullptr;
        std::atomic<ULONG> references{1};

        STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
        {
            if (ppv == nullptr)
                return E_POINTER;
            if (riid == IID_IUnknown)
                *ppv = static_cast<IUnknown*>(this);
            else if (riid == IID_IDispatch)
                *ppv = static_cast<IDispatch*>(owner);
            else {
                *ppv = nullptr;
                return E_NOINTERFACE;
            }
            static_cast<IUnknown*>(*ppv)->AddRef();
            return S_OK;
        }
        STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
        STDMETHODIMP_(ULONG) Release() override
        {
            ULONG const left = --references;
            if (left == 0)
                delete owner;
            return left;
        }
    };

    ~StdDispatch() { typeInfo_->Release(); }

    Inner inner_;
    IUnknown* outer_;
    void* object_;
    ITypeInfo* typeInfo_;
};

} // namespace

HRESULT CreateStdDispatch(IUnknown* punkOuter, void* pvThis, ITypeInfo* ptinfo, IUnknown** ppunkStdDisp)
{
    if (ppunkStdDisp == nullptr)
        return E_INVALIDARG;
    *ppunkStdDisp = nullptr;
    if (pvThis == nullptr || ptinfo == nullptr)
        return E_INVALIDARG;
    auto* dispatch = new (std::nothrow) StdDispatch(punkOuter, pvThis, ptinfo);
    if (dispatch == nullptr)
        return E_OUTOFMEMORY;
    *ppunkStdDisp = dispatch->inner();
    return S_OK;
}
