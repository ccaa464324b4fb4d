#include "Format/Engine/JavaScript/Com/ScriptObjects/CV8FunctionWrapper.h"

#include "Format/Engine/JavaScript/Com/ScriptObjects/ScriptCall.h"
#include "Format/Engine/JavaScript/Com/Values/ComHelper.h"

namespace qor::format::engine::javascript {
namespace {

// The receiver a caller names, as script engines that call functions
// through IDispatchEx do; undefined otherwise.
v8::Local<v8::Value> receiverOf(v8::Isolate* isolate, DISPPARAMS const* params) {
    if (params != nullptr && params->rgdispidNamedArgs != nullptr && params->rgvarg != nullptr)
        for (UINT i = 0; i < params->cNamedArgs && i < params->cArgs; ++i)
            if (params->rgdispidNamedArgs[i] == DISPID_THIS && params->rgvarg[i].vt == VT_DISPATCH) {
                v8::Local<v8::Value> receiver = ComHelper::convertBorrowedVariant(params->rgvarg[i], isolate);
                if (!receiver.IsEmpty())
                    return receiver;
            }
    return v8::Undefined(isolate);
}

} // namespace

CV8FunctionWrapper::CV8FunctionWrapper(v8::Isolate* isolate, v8::Local<v8::Function> function)
    : CV8ObjectWrapper(isolate, function) {}

HRESULT CV8FunctionWrapper::InvokeEx(DISPID dispid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excepInfo, IServiceProvider* serviceProvider) {
    if (dispid != DISPID_VALUE || (flags & DISPATCH_METHOD) == 0)
        return CV8ObjectWrapper::InvokeEx(dispid, lcid, flags, params, result, excepInfo, serviceProvider);
    if (HRESULT const hr = callable(); FAILED(hr))
        return hr;
    return object.visit([&](v8::Local<v8::Context> context, v8::Local<v8::Object> function) {
        v8::TryCatch tryCatch(object.isolate);
        v8::Local<v8::Value> receiver = receiverOf(object.isolate, params);
        if (tryCatch.HasCaught())
            return ScriptCall::exception(object.isolate, tryCatch, excepInfo);
        return ScriptCall::invoke(context, function.As<v8::Function>(), receiver, params, result, excepInfo);
    });
}

} // namespace qor::format::engine::javascript
