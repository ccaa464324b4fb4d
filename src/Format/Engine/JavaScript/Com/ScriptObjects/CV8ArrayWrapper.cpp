#include "Format/Engine/JavaScript/Com/ScriptObjects/CV8ArrayWrapper.h"

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Format/Engine/JavaScript/Com/ScriptObjects/CV8ArrayEnumerator.h"
#include "Format/Engine/JavaScript/V8Helper.h"
#include "Platform/Windows/Com/ComClasses.h"
#include "Platform/Windows/Com/OleText.h"

namespace qor::format::engine::javascript {
namespace {

using platform::windows::com::findTypeInfoAndAttribute;
using platform::windows::com::oleFromUtf8;

ComV8Engine* engineOf(v8::Isolate* isolate) {
    return isolate != nullptr ? &IsolateData::engine(isolate) : nullptr;
}

} // namespace

CV8ArrayWrapper::CV8ArrayWrapper(v8::Isolate* isolate, v8::Local<v8::Array> array)
    : IDispatchExImpl(findTypeInfoAndAttribute(engineOf(isolate), IID_IV8ArrayWrapper), engineOf(isolate)),
      array(isolate, array) {}

HRESULT CV8ArrayWrapper::InvokeEx(DISPID dispid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO* excepInfo, IServiceProvider* caller) {
    if (dispid == DISPID_VALUE && (flags & DISPATCH_PROPERTYGET) != 0)
        flags |= DISPATCH_METHOD;
    return IDispatchExImpl::InvokeEx(dispid, lcid, flags, params, result, excepInfo, caller);
}

HRESULT CV8ArrayWrapper::NewEnum(IUnknown** enumerator) {
    if (enumerator == nullptr)
        return E_POINTER;
    *enumerator = nullptr;
    if (!array.attached())
        return CO_E_OBJNOTCONNECTED;
    auto* created = array.visit([&](v8::Local<v8::Context>, v8::Local<v8::Array> local) {
        return new CV8ArrayEnumerator(creator, array.isolate, local);
    });
    created->AddRef();
    *enumerator = created;
    return S_OK;
}

HRESULT CV8ArrayWrapper::ToString(VARIANT* value) {
    if (value == nullptr)
        return E_POINTER;
    if (!array.attached())
        return CO_E_OBJNOTCONNECTED;
    std::string const text = array.visit([&](v8::Local<v8::Context>, v8::Local<v8::Array> local) {
        return V8Helper::qor_string(local, array.isolate);
    });
    auto const wide = oleFromUtf8(text);
    BSTR bstr = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (bstr == nullptr)
        return E_OUTOFMEMORY;
    VariantClear(value);
    value->vt = VT_BSTR;
    value->bstrVal = bstr;
    return S_OK;
}

void CV8ArrayWrapper::detachFromIsolate() {
    array.detach();
}

} // namespace qor::format::engine::javascript
