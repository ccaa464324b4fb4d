#pragma once

// COM test objects that count their references.
//
// A CountedObject is owned by the test (on the stack or in a unique_ptr), not
// by its reference count: it starts with the test's own reference, never
// deletes itself, and reports after the code under test ran whether every
// AddRef was matched by a Release. It can be told to refuse QueryInterface.

#include <functional>
#include <tuple>
#include <vector>

#include "Platform/Com.h"

namespace qor::test {

template <class... Interfaces>
class CountedObject : public Interfaces... {
    using Primary = std::tuple_element_t<0, std::tuple<Interfaces...>>;

public:
    CountedObject() = default;
    CountedObject(CountedObject const&) = delete;
    CountedObject& operator=(CountedObject const&) = delete;
    virtual ~CountedObject() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (failQueryInterface_)
            return E_NOINTERFACE;
        if (IsEqualGUID(riid, IID_IUnknown))
            *ppv = static_cast<IUnknown*>(static_cast<Primary*>(this));
        else
            (findInterface<Interfaces>(riid, ppv) || ...);
        if (*ppv == nullptr)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    STDMETHODIMP_(ULONG) AddRef() override {
        ++addRefs_;
        return ++refCount_;
    }

    STDMETHODIMP_(ULONG) Release() override { return --refCount_; }

    // The reference the test holds is 1; anything above is still held by
    // the code under test, anything below was released once too often.
    long refCount() const { return refCount_; }
    long addRefs() const { return addRefs_; }
    bool balanced() const { return refCount_ == 1; }

    void failQueryInterface(bool fail = true) { failQueryInterface_ = fail; }

    IUnknown* unknown() { return static_cast<IUnknown*>(static_cast<Primary*>(this)); }

private:
    template <class I>
    bool findInterface(REFIID riid, void** ppv) {
        if (!IsEqualGUID(riid, uuidof<I>()))
            return false;
        *ppv = static_cast<I*>(this);
        return true;
    }

    long refCount_ = 1;
    long addRefs_ = 0;
    bool failQueryInterface_ = false;
};

// One recorded IDispatch::Invoke.
struct InvokeCall {
    DISPID dispid;
    WORD flags;
    UINT argumentCount;
    bool argumentErrorAsked; // a puArgErr was given
};

// An IDispatch whose members are answered by a test-supplied handler; by
// default DISPID_VALUE answers a property get with a stored value, which is
// what value conversions of objects ask for. Given a type description, it
// reports it, as objects of a host model do.
class CountedDispatch : public CountedObject<IDispatch> {
public:
    using Handler = std::function<HRESULT(DISPID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*)>;

    // Holds a reference of its own on `typeInfo`, which may be null.
    explicit CountedDispatch(ITypeInfo* typeInfo = nullptr) : typeInfo_(typeInfo) {
        VariantInit(&value_);
        if (typeInfo_ != nullptr)
            typeInfo_->AddRef();
    }
    ~CountedDispatch() override {
        VariantClear(&value_);
        if (typeInfo_ != nullptr)
            typeInfo_->Release();
    }

    // The value DISPID_VALUE gives; copied.
    void setValue(VARIANT const& value) { VariantCopy(&value_, &value); }
    // Every Invoke fails with this code (0 for success).
    void failInvoke(HRESULT hr) { invokeFailure_ = hr; }
    void onInvoke(Handler handler) { handler_ = std::move(handler); }
    // Every Invoke names this argument (COM's order) in puArgErr, as an
    // object that could not take it does.
    void blameArgument(UINT position) { blamed_ = position; }
    std::vector<InvokeCall> const& calls() const { return calls_; }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count == nullptr)
            return E_POINTER;
        *count = typeInfo_ != nullptr ? 1 : 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info == nullptr)
            return E_POINTER;
        *info = typeInfo_;
        if (typeInfo_ == nullptr)
            return E_NOTIMPL;
        typeInfo_->AddRef();
        return S_OK;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }

    STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argumentError) override {
        calls_.push_back({dispid, flags, params != nullptr ? params->cArgs : 0, argumentError != nullptr});
        if (argumentError != nullptr && blamed_ != noArgument)
            *argumentError = blamed_;
        if (invokeFailure_ != S_OK)
            return invokeFailure_;
        if (handler_)
            return handler_(dispid, flags, params, result, excepInfo);
        if (dispid != DISPID_VALUE || (flags & DISPATCH_PROPERTYGET) == 0)
            return DISP_E_MEMBERNOTFOUND;
        if (result == nullptr)
            return S_OK;
        return VariantCopy(result, &value_);
    }

private:
    ITypeInfo* typeInfo_;
    VARIANT value_;
    static constexpr UINT noArgument = ~UINT{0};

    HRESULT invokeFailure_ = S_OK;
    UINT blamed_ = noArgument;
    Handler handler_;
    std::vector<InvokeCall> calls_;
};

} // namespace qor::test
