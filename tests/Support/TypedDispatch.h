#pragma once

#include "Support/CountedObject.h"

#include <utility>

namespace qor::test {

// A counted IDispatch that reports a type description, as objects of a host
// model do; its members are answered by the test's handler.
class TypedDispatch : public CountedDispatch {
public:
    // Holds a reference of its own on `typeInfo`, which may be null.
    explicit TypedDispatch(ITypeInfo* typeInfo = nullptr) : typeInfo_(typeInfo) {
        if (typeInfo_ != nullptr)
            typeInfo_->AddRef();
    }
    ~TypedDispatch() override {
        if (typeInfo_ != nullptr)
            typeInfo_->Release();
    }

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

private:
    ITypeInfo* typeInfo_;
};

} // namespace qor::test
