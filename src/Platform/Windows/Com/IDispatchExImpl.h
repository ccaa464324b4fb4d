#pragma once

#include "Assert/Assert.h"
#include "Platform/Com.h"
#include "Platform/Windows/Com/ComRef.h"
#include "Platform/Windows/Com/DynamicDispatchEntries.h"
#include "Platform/Windows/Com/IDispatchImpl.h"

#include <cstdint>
#include <string_view>
#include <type_traits>

namespace qor::platform::windows::com {

// IDispatchEx over a member table: the static members of `I` come from its
// type information and are called through it; COM clients may add dynamic
// members at run time (GetDispID with fdexNameEnsure), store values in them,
// call them when they hold an object, and delete them again. Names are matched
// case-sensitively only.
template <class I, IID const* iid>
class IDispatchExImpl : public IDispatchImpl<I, iid> {
    static_assert(std::is_base_of_v<IDispatchEx, I>, "I must derive from IDispatchEx");
    using Base = IDispatchImpl<I, iid>;

public:
    // The record's table of static members is shared by every object of the
    // interface; it is made by the record on first request.
    IDispatchExImpl(TypeInfoAndAttribute* typeInfoRecord, UnknownCreationInterface* creator)
        : Base(typeInfoRecord, creator), entries(staticMembersOf(typeInfoRecord)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IDispatchEx))
            return this->template handOutAs<IDispatchEx>(ppv);
        return Base::QueryInterface(riid, ppv);
    }

    // Resolves names as GetDispID does; since that matches case-sensitively
    // only, IDispatch clients, which ask for any case, find nothing.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* dispids) override {
        if (!IsEqualIID(riid, IID_NULL))
            return E_INVALIDARG;
        if (names == nullptr || count == 0)
            return DISP_E_UNKNOWNNAME;
        if (dispids == nullptr)
            return E_INVALIDARG;
        HRESULT status = S_OK;
        for (UINT i = 0; i < count && SUCCEEDED(status); ++i)
            status = this->GetDispID(names[i], fdexNameCaseInsensitive, &dispids[i]);
        return status;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override {
        if (argErr != nullptr)
            *argErr = 0;
        return this->InvokeEx(dispid, lcid, flags, params, result, excepInfo, nullptr);
    }

    HRESULT STDMETHODCALLTYPE GetDispID(BSTR name, DWORD grfdex, DISPID* dispid) override {
        if (dispid == nullptr)
            return E_INVALIDARG;
        OleStringView const text = textUpToNul(name);
        bool const ensure = (grfdex & fdexNameEnsure) != 0;
        DispatchEntry const* entry = GetEntryByName(text, grfdex);
        if (entry != nullptr && (ensure || !entry->isDeleted())) {
            *dispid = entry->dispid;
            return S_OK;
        }
        if (entry == nullptr && ensure) {
            *dispid = entries.createDynamic(text).dispid;
            return S_OK;
        }
        *dispid = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }

    // Each kind of call named in `flags` is tried in turn and the last one
    // decides. Dynamic members answer gets, puts and calls themselves; the
    // table says S_FALSE for a static member, which then goes to the type
    // information.
    HRESULT STDMETHODCALLTYPE InvokeEx(DISPID dispid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                       EXCEPINFO* excepInfo, IServiceProvider* serviceProvider) override {
        HRESULT status = E_FAIL;
        if ((flags & DISPATCH_PROPERTYGET) != 0)
            status = getProperty(dispid, params, result);
        if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0)
            status = putProperty(dispid, params);
        if ((flags & DISPATCH_METHOD) != 0)
            status = callDynamic(dispid, lcid, flags, params, result, excepInfo, status);
        if ((flags & DISPATCH_CONSTRUCT) != 0)
            return construct(params, result, excepInfo);
        if (status == S_FALSE && this->typeInfo != nullptr) {
            UINT localArgErr = 0;
            return this->invokeTypeInfo(dispid, flags, params, result, excepInfo, &localArgErr);
        }
        return status;
    }

    HRESULT STDMETHODCALLTYPE DeleteMemberByName(BSTR name, DWORD grfdex) override {
        if ((grfdex & fdexNameCaseSensitive) == 0)
            reportNotImplemented("qor::platform::windows::com::IDispatchExImpl<...>::DeleteMemberByName", __LINE__);
        try {
            return entries.deleteByName(textUpToNul(name));
        } catch (_com_error const& error) {
            return error.Error();
        }
    }
    HRESULT STDMETHODCALLTYPE DeleteMemberByDispID(DISPID dispid) override {
        try {
            return entries.deleteById(dispid);
        } catch (_com_error const& error) {
            return error.Error();
        }
    }
    // Members are not told apart: each may be anything.
    HRESULT STDMETHODCALLTYPE GetMemberProperties(DISPID dispid, DWORD fetch, DWORD* properties) override {
        if (properties == nullptr)
            return E_INVALIDARG;
        *properties = grfdexPropCanAll;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMemberName(DISPID dispid, BSTR* name) override {
        if (name == nullptr)
            return E_INVALIDARG;
        *name = nullptr;
        DispatchEntry const* entry = entries.findById(dispid);
        if (entry == nullptr || entry->isDeleted())
            return DISP_E_MEMBERNOTFOUND;
        *name = SysAllocStringLen(entry->name.data(), static_cast<UINT>(entry->name.size()));
        return *name != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE GetNextDispID(DWORD grfdex, DISPID dispid, DISPID* next) override {
        if (next == nullptr)
            return E_INVALIDARG;
        auto const found = dispid == DISPID_STARTENUM ? entries.getFirstDispId() : entries.getNextDispId(dispid);
        *next = found.value_or(DISPID_UNKNOWN);
        return found ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetNameSpaceParent(IUnknown** parent) override {
        if (parent != nullptr)
            *parent = nullptr;
        return E_NOTIMPL;
    }

protected:
    // Case-insensitive lookup is not offered: such a request finds nothing.
    DispatchEntry const* GetEntryByName(OleStringView name, DWORD grfdex) const {
        if ((grfdex & fdexNameCaseSensitive) == 0) {
            reportNotImplemented("qor::platform::windows::com::IDispatchExImpl<...>::GetEntryByName", __LINE__);
            return nullptr;
        }
        return entries.findByName(name);
    }

    // A name as COM's string functions read it: up to the first U+0000.
    static OleStringView textUpToNul(BSTR text) { return text != nullptr ? OleStringView(text) : OleStringView(); }

    DynamicDispatchEntries entries;

private:
    static DynamicDispatchEntries const* staticMembersOf(TypeInfoAndAttribute* typeInfoRecord) {
        return typeInfoRecord != nullptr ? &typeInfoRecord->getDynamicEntries() : &DynamicDispatchEntries::emptyRoot();
    }
    static void reportNotImplemented(std::string_view function, std::uint32_t line) {
        assert::Assert::report("Not implemented", function, "Platform/Windows/Com/IDispatchExImpl", line);
    }
    static bool holdsOnePutValue(DISPPARAMS const& params) {
        if (params.rgvarg == nullptr || params.cArgs == 0)
            return false;
        return params.cArgs == 1 || (params.cNamedArgs == 1 && params.rgdispidNamedArgs != nullptr &&
                                     params.rgdispidNamedArgs[0] == DISPID_PROPERTYPUT);
    }
    // The value a member holds, when it is an object that can be called.
    static ComRef<IDispatch> callableOf(VARIANT const& value) {
        ComRef<IDispatch> callable;
        if (value.vt == VT_DISPATCH && value.pdispVal != nullptr) {
            value.pdispVal->AddRef();
            callable = ComRef<IDispatch>(value.pdispVal);
        } else if (value.vt == VT_UNKNOWN && value.punkVal != nullptr) {
            value.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(callable.put()));
        }
        return callable;
    }

    // With arguments a get is an indexed property, which only the type
    // information can answer.
    HRESULT getProperty(DISPID dispid, DISPPARAMS const* params, VARIANT* result) {
        if (result == nullptr)
            return E_INVALIDARG;
        if (params == nullptr || params->cArgs == 0)
            return entries.getValue(dispid, result);
        return S_FALSE;
    }
    HRESULT putProperty(DISPID dispid, DISPPARAMS const* params) {
        if (params == nullptr || !holdsOnePutValue(*params))
            return DISP_E_PARAMNOTOPTIONAL;
        return entries.putValue(dispid, &params->rgvarg[0]);
    }
    // A dynamic member holding an object is called through the object's
    // default member. Holding anything else it cannot be called; a caller that
    // asked for a get as well, as callers do that cannot tell methods from
    // properties, keeps the value the get gave.
    HRESULT callDynamic(DISPID dispid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                        HRESULT earlierStatus) {
        DynamicDispatchEntries const* staticMembers = entries.getParent();
        if (staticMembers != nullptr && staticMembers->findById(dispid) != nullptr)
            return S_FALSE;
        DispatchEntry const* entry = entries.findById(dispid);
        if (entry == nullptr || !entry->dynamic || entry->isDeleted())
            return DISP_E_MEMBERNOTFOUND;
        // Our own reference: the call may put or delete the member it came
        // through.
        ComRef<IDispatch> const callable = callableOf(entry->dynamic->value);
        bool const gotValue = (flags & DISPATCH_PROPERTYGET) != 0;
        if (!callable)
            return gotValue && earlierStatus == S_OK ? S_OK : DISP_E_TYPEMISMATCH;
        // The get left a copy of the member there, which the call replaces.
        if (gotValue && result != nullptr)
            VariantClear(result);
        UINT localArgErr = 0;
        return callable->Invoke(DISPID_VALUE, IID_NULL, lcid, flags, params, result, excepInfo, &localArgErr);
    }
    // `new X(...)` of a script: the interface's static "New" makes the object.
    HRESULT construct(DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo) {
        OLECHAR newName[] = OLESTR("New");
        DISPID newDispid = DISPID_UNKNOWN;
        HRESULT const found = this->GetDispID(newName, fdexNameCaseSensitive, &newDispid);
        if (FAILED(found))
            return found;
        if (this->typeInfo == nullptr)
            return S_FALSE;
        UINT localArgErr = 0;
        return this->invokeTypeInfo(newDispid, DISPATCH_METHOD, params, result, excepInfo, &localArgErr);
    }
};

} // namespace qor::platform::windows::com
