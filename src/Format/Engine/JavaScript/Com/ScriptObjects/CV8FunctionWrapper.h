#pragma once

#include "Format/Engine/JavaScript/Com/ScriptObjects/CV8ObjectWrapper.h"

#include <v8.h>

namespace qor::format::engine::javascript {

// A script function handed to COM, a callback: an automation object whose
// default member (DISPID_VALUE) called as a method calls the function with
// the call's arguments and answers its result. `this` is the named argument
// DISPID_THIS when the caller gives one, else undefined. Its other members
// are the function's properties, as for any script object.
class CV8FunctionWrapper : public CV8ObjectWrapper {
public:
    CV8FunctionWrapper(v8::Isolate* isolate, v8::Local<v8::Function> function);

    HRESULT STDMETHODCALLTYPE InvokeEx(DISPID dispid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                       EXCEPINFO* excepInfo, IServiceProvider* serviceProvider) override;
};

} // namespace qor::format::engine::javascript
