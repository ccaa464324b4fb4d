#include "Format/Engine/JavaScript/Com/Bindings/BindingFailure.h"

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Format/Engine/JavaScript/V8Helper.h"
#include "Platform/Windows/Com/OleText.h"
#include "Platform/Windows/ErrorCode.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <string_view>

namespace qor::format::engine::javascript {
namespace {

using platform::windows::ErrorCode;
using platform::windows::com::utf8FromOle;

// VB and the script engines give an EXCEPINFO's wCode as an HRESULT of
// FACILITY_CONTROL.
constexpr std::uint32_t controlFacility = 0x800A0000;

// The code an object reports: its scode when it put the details in the
// EXCEPINFO, failing that its wCode, else the HRESULT itself.
HRESULT codeOf(HRESULT result, EXCEPINFO const& excepInfo) {
    if (result != DISP_E_EXCEPTION)
        return result;
    if (excepInfo.scode != 0)
        return excepInfo.scode;
    if (excepInfo.wCode != 0)
        return static_cast<HRESULT>(controlFacility | excepInfo.wCode);
    return result;
}

// The object's own description, the system's message for the code, or, when
// neither is there, EXCEPINFO's scode in hexadecimal (the scode even when
// the object did not fail with DISP_E_EXCEPTION).
std::string invokeText(HRESULT result, EXCEPINFO const& excepInfo) {
    if (excepInfo.bstrDescription != nullptr)
        return utf8FromOle(excepInfo.bstrDescription);
    SCODE const code = result == DISP_E_EXCEPTION ? excepInfo.scode : result;
    if (auto message = ErrorCode::getMessageFromErrorCode(static_cast<std::uint32_t>(code)))
        return *message;
    return fmt::format("EXCEPINFO scode: {:X}", static_cast<std::uint32_t>(excepInfo.scode));
}

// The codes for which IDispatch::Invoke says in puArgErr which argument it
// could not take.
bool blamesAnArgument(HRESULT result) {
    return result == DISP_E_TYPEMISMATCH || result == DISP_E_PARAMNOTFOUND || result == DISP_E_OVERFLOW ||
           result == DISP_E_BADVARTYPE;
}

// Whether `text` begins with `name` followed by `next`.
bool beginsWith(std::string_view text, std::string_view name, char next) {
    return text.size() > name.size() && text.starts_with(name) && text[name.size()] == next;
}

// Objects often begin their descriptions with the member or its class as a
// label ("Point: x must be a number", "Sum: value 2 is not a number"), and a
// nested call's Error thrown on through COM names its member already. The
// message names the member once: what follows such a label, or nothing
// when the text has none.
std::optional<std::string_view> afterOwnLabel(std::string_view text, std::string_view member) {
    auto const dot = member.find('.');
    std::string_view const labels[] = {member, member.substr(0, dot),
                                       dot == std::string_view::npos ? member : member.substr(dot + 1)};
    for (std::string_view const label : labels) {
        if (!beginsWith(text, label, ':'))
            continue;
        std::string_view rest = text.substr(label.size() + 1);
        rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
        if (!rest.empty())
            return rest;
    }
    return std::nullopt;
}

// A text whose first words are the member itself ("Point.DistanceTo needs a
// point") reads best as it is.
bool beginsWithWord(std::string_view text, std::string_view member) {
    return beginsWith(text, member, ' ');
}

v8::Local<v8::Value> newError(v8::Isolate* isolate, ErrorKind kind, std::string const& message) {
    v8::Local<v8::String> text = V8Helper::v8_string(isolate, message);
    switch (kind) {
    case ErrorKind::typeError:
        return v8::Exception::TypeError(text);
    case ErrorKind::rangeError:
        return v8::Exception::RangeError(text);
    default:
        return v8::Exception::Error(text);
    }
}

// Made in the callback, the Error's stack is the script's at the call.
v8::Local<v8::Value> errorObject(v8::Isolate* isolate, BindingFailure const& failure) {
    v8::Local<v8::Context> context = isolate->GetCurrentContext();
    v8::Local<v8::Value> error = newError(isolate, failure.kind, failure.message());
    v8::Local<v8::Object> object = error.As<v8::Object>();
    auto const set = [&](char const* name, v8::Local<v8::Value> value) {
        object->CreateDataProperty(context, V8Helper::v8_string(isolate, name), value).Check();
    };
    set("number", v8::Integer::New(isolate, failure.number));
    set("description", V8Helper::v8_string(isolate, failure.text));
    if (failure.source)
        set("source", V8Helper::v8_string(isolate, *failure.source));
    if (failure.helpFile)
        set("helpFile", V8Helper::v8_string(isolate, *failure.helpFile));
    if (failure.helpFile || failure.helpContext != 0)
        set("helpContext", v8::Integer::NewFromUnsigned(isolate, failure.helpContext));
    return error;
}

// A property of a script's Error, as long as reading it neither throws nor
// runs into a value of another type.
v8::Local<v8::Value> propertyOf(v8::Isolate* isolate, v8::Local<v8::Object> object, char const* name) {
    v8::TryCatch quiet(isolate);
    v8::Local<v8::Value> value;
    if (!object->Get(isolate->GetCurrentContext(), V8Helper::v8_string(isolate, name)).ToLocal(&value))
        return {};
    return value;
}

std::optional<std::string> stringOf(v8::Isolate* isolate, v8::Local<v8::Object> object, char const* name) {
    v8::Local<v8::Value> value = propertyOf(isolate, object, name);
    if (value.IsEmpty() || !value->IsString())
        return std::nullopt;
    return V8Helper::qor_string(value, isolate);
}

// A failing HRESULT, written signed as classic hosts give it or unsigned as
// C headers do; nothing for any other number.
std::optional<HRESULT> hresultOf(v8::Local<v8::Value> value) {
    if (value.IsEmpty() || !value->IsNumber())
        return std::nullopt;
    double const number = value.As<v8::Number>()->Value();
    if (number != std::trunc(number) || number < -2147483648.0 || number >= 4294967296.0)
        return std::nullopt;
    auto const code = number < 0 ? static_cast<std::int32_t>(number)
                                 : static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
    if (!FAILED(code))
        return std::nullopt;
    return static_cast<HRESULT>(code);
}

} // namespace

ErrorKind kindOf(HRESULT number, bool argumentKnown) {
    switch (number) {
    case DISP_E_TYPEMISMATCH:
    case DISP_E_BADVARTYPE:
    case DISP_E_PARAMNOTFOUND:
    case DISP_E_PARAMNOTOPTIONAL:
    case DISP_E_BADPARAMCOUNT:
        return ErrorKind::typeError;
    case DISP_E_OVERFLOW:
        return argumentKnown ? ErrorKind::rangeError : ErrorKind::error;
    default:
        return ErrorKind::error;
    }
}

bool failuresAreErrors(v8::Isolate* isolate) {
    return IsolateData::engine(isolate).getOptions().errorObjects;
}

std::string BindingFailure::message() const {
    std::string_view what = detail.empty() ? text : detail;
    if (member.empty())
        return std::string(what);
    if (auto rest = afterOwnLabel(what, member))
        what = *rest;
    else if (beginsWithWord(what, member))
        return std::string(what);
    if (argument.empty())
        return fmt::format("{}: {}", member, what);
    return fmt::format("{}: {}: {}", member, argument, what);
}

BindingFailure invokeFailure(HRESULT result, EXCEPINFO const& excepInfo, std::string member, UINT arguments,
                             std::optional<UINT> argumentError, bool propertyPut) {
    BindingFailure failure{.text = invokeText(result, excepInfo), .number = codeOf(result, excepInfo)};
    failure.member = std::move(member);
    if (argumentError && *argumentError < arguments && blamesAnArgument(result))
        failure.argument = propertyPut ? "the value" : fmt::format("argument {}", arguments - *argumentError);
    failure.kind = kindOf(failure.number, !failure.argument.empty());
    if (excepInfo.bstrSource != nullptr)
        failure.source = utf8FromOle(excepInfo.bstrSource);
    if (excepInfo.bstrHelpFile != nullptr)
        failure.helpFile = utf8FromOle(excepInfo.bstrHelpFile);
    failure.helpContext = excepInfo.dwHelpContext;
    return failure;
}

void throwFailure(v8::Isolate* isolate, BindingFailure const& failure) {
    if (isolate->IsExecutionTerminating())
        return;
    if (!failuresAreErrors(isolate))
        isolate->ThrowException(V8Helper::v8_string(isolate, failure.text));
    else
        isolate->ThrowException(errorObject(isolate, failure));
}

void throwFailure(v8::Isolate* isolate, std::string text, HRESULT number, ErrorKind kind) {
    throwFailure(isolate, BindingFailure{.text = std::move(text), .number = number, .kind = kind});
}

std::optional<BindingFailure> failureOf(v8::Isolate* isolate, v8::Local<v8::Value> exception) {
    if (!failuresAreErrors(isolate) || exception.IsEmpty() || !exception->IsObject())
        return std::nullopt;
    v8::Local<v8::Object> object = exception.As<v8::Object>();
    auto number = hresultOf(propertyOf(isolate, object, "number"));
    if (!number)
        return std::nullopt;
    auto text = stringOf(isolate, object, "message");
    if (!text)
        text = stringOf(isolate, object, "description");
    BindingFailure failure{.text = text.value_or(""), .number = *number};
    failure.source = stringOf(isolate, object, "source");
    failure.helpFile = stringOf(isolate, object, "helpFile");
    v8::Local<v8::Value> context = propertyOf(isolate, object, "helpContext");
    if (!context.IsEmpty() && context->IsUint32())
        failure.helpContext = context.As<v8::Uint32>()->Value();
    return failure;
}

std::string exceptionText(v8::Isolate* isolate, v8::Local<v8::Value> exception) {
    if (!exception.IsEmpty() && exception->IsNativeError())
        if (auto description = stringOf(isolate, exception.As<v8::Object>(), "description"))
            return *description;
    return V8Helper::qor_string(exception, isolate);
}

} // namespace qor::format::engine::javascript
