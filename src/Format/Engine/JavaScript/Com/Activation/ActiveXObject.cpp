#include "Format/Engine/JavaScript/Com/Activation/ActiveXObject.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/Bindings/BindingFailure.h"
#include "Format/Engine/JavaScript/Com/Bindings/InstanceTemplate.h"
#include "Format/Engine/JavaScript/Com/Bindings/StartupSnapshot.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Format/Engine/JavaScript/Com/Values/ComHelper.h"
#include "Format/Engine/JavaScript/V8Helper.h"
#include "Platform/Windows/Com/OleActivation.h"
#include "Platform/Windows/ErrorCode.h"

#include <fmt/format.h>

namespace qor::format::engine::javascript::ActiveXObject {
namespace {

using platform::windows::ErrorCode;
using platform::windows::com::clsidFromProgId;
using platform::windows::com::createInstanceOrError;

void report(std::string_view message, std::uint32_t line) {
    assert::Assert::report(message, "Constructor", "Format/Engine/JavaScript/Com/ActiveXObject", line);
}

void checkCall(v8::FunctionCallbackInfo<v8::Value> const& info) {
    if (!info.IsConstructCall())
        report("IsConstructCall should be true.", __LINE__);
    if (info.This()->InternalFieldCount() != 1)
        report("InternalFieldCount should be 1.", __LINE__);
    if (info.Length() != 1)
        report("Function argument count should be 1.", __LINE__);
    if (!info[0]->IsString())
        report("First argument should be a string.", __LINE__);
}

// The new object of a ProgID, or the exception thrown.
IDispatch* create(v8::Isolate* isolate, std::string const& progId) {
    // COM reads a ProgID up to its first U+0000: "X.Y\0junk" would create X.Y.
    if (progId.find('\0') != std::string::npos) {
        throwFailure(isolate, "ActiveXObject: a ProgID cannot hold the character U+0000", CO_E_CLASSSTRING,
                     ErrorKind::typeError);
        return nullptr;
    }
    Guid const clsid = clsidFromProgId(progId);
    if (clsid.isNull()) {
        throwFailure(isolate, fmt::format("ActiveXObject: no COM class is registered as \"{}\"", progId),
                     CO_E_CLASSSTRING);
        return nullptr;
    }
    auto created = createInstanceOrError(clsid.to<CLSID>(), IID_IDispatch);
    if (!created) {
        auto const code = static_cast<std::uint32_t>(created.error());
        throwFailure(isolate,
                     fmt::format("ActiveXObject: \"{}\" could not be created: {}", progId,
                                 ErrorCode::sMessage(code, "its server")),
                     created.error());
        return nullptr;
    }
    return static_cast<IDispatch*>(*created);
}

} // namespace

void Constructor(v8::FunctionCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    v8::Local<v8::Context> context = isolate->GetCurrentContext();
    checkCall(info);
    // A value whose text cannot be had leaves its exception to the script.
    v8::Local<v8::String> text;
    if (!info[0]->ToString(context).ToLocal(&text))
        return;
    IDispatch* object = create(isolate, V8Helper::qor_string(text, isolate));
    if (object == nullptr)
        return;
    v8::Local<v8::ObjectTemplate> wrapperTemplate =
        instanceTemplateOf(isolate, ComHelper::getDispatchGuid(object), object);
    v8::Local<v8::Object> wrapper;
    if (wrapperTemplate.IsEmpty() || !wrapperTemplate->NewInstance(context).ToLocal(&wrapper)) {
        object->Release();
        return;
    }
    // The reference of the creation goes to the wrapper.
    info.GetReturnValue().Set(IsolateData::objectRegistry(isolate).adopt(isolate, wrapper, object));
}

void registerOn(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> global) {
    v8::Local<v8::FunctionTemplate> constructor = v8::FunctionTemplate::New(isolate, StartupSnapshot::noted(Constructor));
    constructor->SetClassName(V8Helper::v8_string(isolate, "ActiveXObject"));
    constructor->InstanceTemplate()->SetInternalFieldCount(1);
    global->Set(V8Helper::v8_string(isolate, "ActiveXObject"), constructor, v8::PropertyAttribute::None);
}

} // namespace qor::format::engine::javascript::ActiveXObject
