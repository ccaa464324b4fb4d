#pragma once

#include "Platform/Com.h"
#include "Platform/Windows/Com/IUnknownImpl.h"
#include "Platform/Windows/Com/TypeInfoAndAttribute.h"

#include <type_traits>

namespace qor::platform::windows::com {

// IDispatch answered by the type information of `I`: names through
// ITypeInfo::GetIDsOfNames, calls through ITypeInfo::Invoke on the object's
// own vtable, so a concrete class writes only the methods of `I`.
template <class I, IID const* iid>
class IDispatchImpl : public IUnknownImpl<I, iid> {
    static_assert(std::is_base_of_v<IDispatch, I>, "I must derive from IDispatch");
    using Base = IUnknownImpl<I, iid>;

public:
    // Without a record the object has no type information: it answers no
    // names and no calls.
    IDispatchImpl(TypeInfoAndAttribute const* typeInfoRecord, UnknownCreationInterface* creator) : Base(creator) {
        if (typeInfoRecord == nullptr)
            return;
        typeLib = typeInfoRecord->getTypeLib();
        typeInfo = typeInfoRecord->getTypeInfo();
        typeAttr = typeInfoRecord->typeAttr;
    }
    ~IDispatchImpl() override {
        if (typeInfo != nullptr)
            typeInfo->Release();
        if (typeLib != nullptr)
            typeLib->Release();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IDispatch))
            return this->template handOutAs<IDispatch>(ppv);
        // Not the object itself but its library, which callers use to learn
        // the object's other types.
        if (IsEqualIID(riid, IID_ITypeLib)) {
            *ppv = typeLib;
            if (typeLib == nullptr)
                return E_NOINTERFACE;
            typeLib->AddRef();
            return S_OK;
        }
        return Base::QueryInterface(riid, ppv);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr)
            return E_POINTER;
        *count = typeInfo != nullptr ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** result) override {
        if (result == nullptr)
            return E_POINTER;
        *result = typeInfo;
        if (typeInfo == nullptr)
            return E_NOTIMPL;
        typeInfo->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* dispids) override {
        if (!IsEqualIID(riid, IID_NULL))
            return E_INVALIDARG;
        if (typeInfo == nullptr)
            return DISP_E_UNKNOWNNAME;
        return typeInfo->GetIDsOfNames(names, count, dispids);
    }
    // Any call kind goes to the type information, which knows what each member
    // accepts; flags naming none of them are refused.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override {
        constexpr WORD callKinds =
            DISPATCH_METHOD | DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;
        if (!IsEqualIID(riid, IID_NULL) || (flags & callKinds) == 0)
            return E_INVALIDARG;
        if (typeInfo == nullptr)
            return E_FAIL;
        return invokeTypeInfo(dispid, flags, params, result, excepInfo, argErr);
    }

protected:
    // A call of a member of `I` through its vtable, as the type information
    // describes it.
    HRESULT invokeTypeInfo(DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                           UINT* argErr) {
        return typeInfo->Invoke(static_cast<I*>(this), dispid, flags, params, result, excepInfo, argErr);
    }

    ITypeLib* typeLib = nullptr;
    ITypeInfo* typeInfo = nullptr;
    // Borrowed from the record, which outlives the objects built on it.
    TYPEATTR* typeAttr = nullptr;
};

} // namespace qor::platform::windows::com
