#pragma once

// Calls that COM makes into script functions through the library's own
// objects (script functions and objects handed to COM): COM's arguments
// converted, the function called, its result converted back, and a script
// exception answered as DISP_E_EXCEPTION with its text in the EXCEPINFO.

#include "Format/Engine/JavaScript/Com/Bindings/BindingFailure.h"

#include "Platform/Com.h"

#include <v8.h>

#include <string>

namespace qor::format::engine::javascript::ScriptCall {

// Calls `function` on `receiver` with the positional arguments of `params`
// (named ones are left out), and stores what it returns in `result` when
// given. Runs with the isolate entered and `context` current.
HRESULT invoke(v8::Local<v8::Context> context, v8::Local<v8::Function> function, v8::Local<v8::Value> receiver,
               DISPPARAMS const* params, VARIANT* result, EXCEPINFO* excepInfo);

// `value` as COM's result, when one is asked for.
HRESULT answer(v8::Isolate* isolate, v8::Local<v8::Value> value, VARIANT* result, EXCEPINFO* excepInfo);

// The script's exception caught by `caught`: DISP_E_EXCEPTION with its text,
// or under the errorObjects option, for an Error with a number, with that
// code and its message. A terminated script stays terminated, and the text
// says why it was.
HRESULT exception(v8::Isolate* isolate, v8::TryCatch& caught, EXCEPINFO* excepInfo);

// DISP_E_EXCEPTION, with `message` as the description.
HRESULT fail(EXCEPINFO* excepInfo, std::string const& message);
// DISP_E_EXCEPTION with the failure's code, text and where to read more.
HRESULT fail(EXCEPINFO* excepInfo, BindingFailure const& failure);

// The argument a property put stores, or null when `params` has none.
VARIANT const* putValueOf(DISPPARAMS const* params);

} // namespace qor::format::engine::javascript::ScriptCall
