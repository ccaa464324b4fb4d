#pragma once

#include "Format/Engine/JavaScript/Com/ScriptObjects/IsolateBound.h"
#include "Format/Engine/JavaScript/Com/ScriptObjects/IV8ArrayWrapper.h"
#include "Format/Engine/JavaScript/Com/ScriptObjects/ScriptHandle.h"
#include "Platform/Windows/Com/IDispatchExImpl.h"

#include <v8.h>

namespace qor::format::engine::javascript {

// A script array handed to COM: an automation object whose live elements COM
// enumerates and whose text it reads. Members COM adds to it stay on the
// wrapper; they never reach the array.
class CV8ArrayWrapper : public platform::windows::com::IDispatchExImpl<IV8ArrayWrapper, &IID_IV8ArrayWrapper>,
                        public IsolateBound {
public:
    // Count 0: whoever makes it takes the first reference. Its creator and
    // type information come from the engine of the isolate.
    CV8ArrayWrapper(v8::Isolate* isolate, v8::Local<v8::Array> array);

    // The array's value, DISPID_VALUE, is a method in its type information;
    // automation clients read a default member as a property
    // (VariantChangeType does), so a property get of it is answered as well.
    HRESULT STDMETHODCALLTYPE InvokeEx(DISPID dispid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                       EXCEPINFO* excepInfo, IServiceProvider* caller) override;

    HRESULT STDMETHODCALLTYPE NewEnum(IUnknown** enumerator) override;
    HRESULT STDMETHODCALLTYPE ToString(VARIANT* value) override;

    void detachFromIsolate() override;

private:
    ScriptArray array;
};

} // namespace qor::format::engine::javascript
