#include "Format/Engine/JavaScript/Com/ScriptObjects/ScriptCall.h"

#include "Format/Engine/JavaScript/Com/Bindings/BindingFailure.h"
#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Format/Engine/JavaScript/Com/Values/ComHelper.h"
#include "Format/Engine/JavaScript/V8Helper.h"
#include "Platform/Windows/Com/OleText.h"

#include <fmt/format.h>

#include <vector>

namespace qor::format::engine::javascript::ScriptCall {

using platform::windows::com::oleFromUtf8;

namespace {

BSTR allocText(std::string const& text) {
    return SysAllocString(oleFromUtf8(text).c_str());
}

} // namespace

HRESULT fail(EXCEPINFO* excepInfo, BindingFailure const& failure) {
    if (excepInfo != nullptr) {
        *excepInfo = EXCEPINFO{};
        excepInfo->bstrSource = allocText(failure.source.value_or("JavaScript"));
        excepInfo->bstrDescription = allocText(failure.text);
        if (failure.helpFile)
            excepInfo->bstrHelpFile = allocText(*failure.helpFile);
        excepInfo->dwHelpContext = failure.helpContext;
        excepInfo->scode = failure.number;
    }
    return DISP_E_EXCEPTION;
}

HRESULT fail(EXCEPINFO* excepInfo, std::string const& message) {
    return fail(excepInfo, BindingFailure{.text = message});
}

HRESULT exception(v8::Isolate* isolate, v8::TryCatch& caught, EXCEPINFO* excepInfo) {
    if (caught.HasTerminated()) {
        // Termination is no exception a COM caller could handle: it goes on
        // through the scripts above. The caller learns why the run ended.
        caught.ReThrow();
        auto why = IsolateData::engine(isolate).implementation().stopMessage();
        return fail(excepInfo, why.value_or("The script was terminated"));
    }
    // An Error with a number says which failure it is, as COM's own do.
    if (auto failure = failureOf(isolate, caught.Exception()))
        return fail(excepInfo, *failure);
    return fail(excepInfo, V8Helper::qor_string(caught.Exception(), isolate));
}

HRESULT answer(v8::Isolate* isolate, v8::Local<v8::Value> value, VARIANT* result, EXCEPINFO* excepInfo) {
    if (result == nullptr)
        return S_OK;
    VariantClear(result);
    auto converted = ComHelper::convertToVariant(isolate, value, *result);
    if (!converted)
        return fail(excepInfo, fmt::format("The script's value cannot be passed to COM: {}",
                                           ComHelper::reasonOf(converted.error())));
    return S_OK;
}

HRESULT invoke(v8::Local<v8::Context> context, v8::Local<v8::Function> function, v8::Local<v8::Value> receiver,
               DISPPARAMS const* params, VARIANT* result, EXCEPINFO* excepInfo) {
    v8::Isolate* isolate = context->GetIsolate();
    UINT const named = params != nullptr ? params->cNamedArgs : 0;
    UINT const count = params != nullptr && params->cArgs > named ? params->cArgs - named : 0;
    std::vector<v8::Local<v8::Value>> arguments(count);
    auto converted =
        ComHelper::convertArguments(isolate, count != 0 ? params->rgvarg + named : nullptr, true, arguments);
    if (!converted)
        return fail(excepInfo, fmt::format("Argument {} cannot be passed to the script: {}",
                                           converted.error().position, converted.error().message));
    v8::TryCatch tryCatch(isolate);
    v8::Local<v8::Value> returned;
    if (!function->Call(context, receiver, static_cast<int>(arguments.size()), arguments.data()).ToLocal(&returned))
        return exception(isolate, tryCatch, excepInfo);
    return answer(isolate, returned, result, excepInfo);
}

VARIANT const* putValueOf(DISPPARAMS const* params) {
    if (params == nullptr || params->rgvarg == nullptr || params->cArgs == 0)
        return nullptr;
    bool const single = params->cArgs == 1;
    bool const named = params->cNamedArgs == 1 && params->rgdispidNamedArgs != nullptr &&
                       params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
    return single || named ? &params->rgvarg[0] : nullptr;
}

} // namespace qor::format::engine::javascript::ScriptCall
