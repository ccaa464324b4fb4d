#include "Format/Engine/JavaScript/Com/Bindings/ComCallback.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/Bindings/BindingFailure.h"
#include "Format/Engine/JavaScript/Com/Bindings/InvokeArguments.h"
#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Format/Engine/JavaScript/Com/Values/ComHelper.h"
#include "Format/Engine/JavaScript/V8Helper.h"
#include "Platform/Windows/Com/ComRef.h"
#include "Platform/Windows/Com/VariantClearing.h"

#include <fmt/format.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace qor::format::engine::javascript::ComCallback {
namespace {

using platform::windows::com::clearVariant;
using platform::windows::com::ComRef;

constexpr LCID userLocale = 1024;

void report(std::string_view message, std::string_view callback, std::uint32_t line) {
    assert::Assert::report(message, fmt::format("qor::format::engine::javascript::ComCallback::{}", callback),
                           "Format/Engine/JavaScript/Com/ComCallback", line);
}

template <class Record, class Info>
Record& recordOf(Info const& info) {
    return *static_cast<Record*>(info.Data().template As<v8::External>()->Value());
}

// The callbacks need no handle scope of their own: V8 opens one around every
// callback it makes.

// One Invoke with the constants every callback uses, and what it leaves
// behind: the result and the exception information, both freed however the
// callback ends.
class ComCall {
public:
    explicit ComCall(v8::Isolate* isolate) : isolate_(isolate) { result_.vt = VT_EMPTY; }
    ComCall(ComCall const&) = delete;
    ComCall& operator=(ComCall const&) = delete;
    ~ComCall() {
        clearVariant(result_);
        freeText(excepInfo_.bstrSource);
        freeText(excepInfo_.bstrDescription);
        freeText(excepInfo_.bstrHelpFile);
    }

    HRESULT invoke(IDispatch* dispatch, DISPID dispid, WORD flags, DISPPARAMS& parameters) {
        // Only an Error names the argument: plain failures ask for none.
        UINT* argumentError = failuresAreErrors(isolate_) ? &argumentError_ : nullptr;
        HRESULT const hr =
            dispatch->Invoke(dispid, IID_NULL, userLocale, flags, &parameters, &result_, &excepInfo_, argumentError);
        // A stop asked while the call had the thread ends the script here,
        // before it runs on. The call then counts as failed, and nothing is
        // thrown over the termination.
        if (IsolateData::termination(isolate_).actOnRequest(isolate_)) [[unlikely]]
            return E_ABORT;
        return hr;
    }
    VARIANT& result() { return result_; }
    EXCEPINFO const& excepInfo() const { return excepInfo_; }

    // Throws the failed call's exception, naming `member` and the argument
    // the object blamed, if it did.
    void throwFailure(HRESULT hr, std::string member, DISPPARAMS const& parameters) const {
        std::optional<UINT> blamed;
        if (argumentError_ != unblamed)
            blamed = argumentError_;
        javascript::throwFailure(isolate_, invokeFailure(hr, excepInfo_, std::move(member), parameters.cArgs, blamed,
                                                         parameters.cNamedArgs == 1));
    }

private:
    static void freeText(BSTR text) {
        if (text != nullptr) [[unlikely]]
            SysFreeString(text);
    }

    // What puArgErr holds until the object names an argument in it.
    static constexpr UINT unblamed = ~UINT{0};

    v8::Isolate* isolate_;
    VARIANT result_;
    EXCEPINFO excepInfo_{};
    UINT argumentError_ = unblamed;
};

// What the script gets back from a successful Invoke: the converted result,
// or undefined for a result without a script value (a null object). A
// conversion that fails has thrown already.
template <class ReturnValue>
void returnResult(v8::Isolate* isolate, ComCall& call, ReturnValue returnValue) {
    ComHelper::returnFromVariant(call.result(), isolate, returnValue);
}

// The COM object behind a wrapper. A global object gets the engine's shared
// instance of its class on first use. Null, with the exception thrown, when
// there is none.
enum class SharedInstance { fetch, leave };
// Methods are made with a signature: V8 itself refuses receivers of any other
// template, so theirs need no count of internal fields.
enum class Receiver { checked, unchecked };

// A wrapper without its object: a global object's first use, or a failure.
[[gnu::noinline]] IDispatch* missingDispatch(v8::Isolate* isolate, v8::Local<v8::Object> object,
                                             std::string_view className, std::string_view member,
                                             std::string_view callback, SharedInstance shared) {
    IDispatch* dispatch = nullptr;
    if (shared == SharedInstance::fetch) {
        dispatch = IsolateData::engine(isolate).getSharedInstance(className);
        object->SetAlignedPointerInInternalField(0, dispatch);
    }
    if (dispatch == nullptr) {
        report("nullptr == dispatch", callback, __LINE__);
        throwFailure(isolate, fmt::format("{}.{}: the COM object could not be created", className, member));
    }
    return dispatch;
}

[[gnu::noinline]] void refuseReceiver(v8::Isolate* isolate, std::string_view className, std::string_view member,
                                      std::string_view callback) {
    report("InternalFieldCount should be 1.", callback, __LINE__);
    throwFailure(isolate, fmt::format("{}.{}: not used on a {} object", className, member, className), E_INVALIDARG,
                 ErrorKind::typeError);
}

inline IDispatch* dispatchOf(v8::Isolate* isolate, v8::Local<v8::Object> object, std::string_view className,
                             std::string_view member, std::string_view callback, SharedInstance shared,
                             Receiver receiver = Receiver::unchecked) {
    if (receiver == Receiver::unchecked && object->InternalFieldCount() != 1) [[unlikely]] {
        refuseReceiver(isolate, className, member, callback);
        return nullptr;
    }
    auto* dispatch = static_cast<IDispatch*>(object->GetAlignedPointerFromInternalField(0));
    if (dispatch != nullptr) [[likely]]
        return dispatch;
    return missingDispatch(isolate, object, className, member, callback, shared);
}

// Which pointer a member is called through: the object's own IDispatch for
// the members of its default interface, else the interface that declares
// them. A callback of each kind, so that the first costs nothing more.
enum class Route { defaultInterface, declaringInterface };

template <Route route>
IDispatch* callTarget(v8::Isolate* isolate, IDispatch* dispatch, Guid const& interfaceId) {
    if constexpr (route == Route::defaultInterface)
        return dispatch;
    else
        return IsolateData::objectRegistry(isolate).interfaceOf(dispatch, interfaceId);
}

// "Class.Member", or the class alone for its constructor.
std::string memberText(std::string_view className, std::string_view member) {
    return member.empty() ? std::string(className) : fmt::format("{}.{}", className, member);
}

// Throws why a value cannot go to COM, unless reading it threw already.
// `argument` is which of the member's values it is ("argument 2").
void throwArgumentFailure(v8::Isolate* isolate, ComHelper::ArgumentFailure const& failure, std::string member,
                          std::string argument) {
    if (failure.reason == ComHelper::ConversionFailure::scriptException)
        return;
    std::string reason = ComHelper::reasonOf(failure);
    HRESULT const number = ComHelper::codeOf(failure);
    throwFailure(isolate, {.text = fmt::format("{}: {} cannot be passed to COM: {}", member, argument, reason),
                           .number = number,
                           .kind = kindOf(number, true),
                           .member = std::move(member),
                           .argument = std::move(argument),
                           .detail = std::move(reason)});
}

// Converts the script arguments into `arguments` for `parameters` (at least
// as many), naming the member and the argument that cannot go to COM.
bool convertArguments(v8::FunctionCallbackInfo<v8::Value> const& info, InvokeArguments& arguments,
                      ComParameters const& parameters, std::string_view className,
                      std::string_view member) {
    v8::Isolate* isolate = info.GetIsolate();
    for (int i = 0; i < info.Length(); ++i) {
        auto const index = static_cast<std::size_t>(i);
        auto converted = ComHelper::convertArgument(isolate, info[i], parameters[index], arguments.at(index));
        if (!converted) {
            throwArgumentFailure(isolate, converted.error(), memberText(className, member),
                                 fmt::format("argument {}", i + 1));
            return false;
        }
    }
    return true;
}

// The temporary object of a class on which its "New"/"New2" methods are
// called; the engine is its creator.
ComRef<IDispatch> creatorObject(v8::Isolate* isolate, V8Class const& v8Class) {
    ComRef<IUnknown> created(createObject(*v8Class.hostClass, &IsolateData::engine(isolate)));
    ComRef<IDispatch> dispatch;
    if (created)
        created->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put()));
    return dispatch;
}

// Calls the chosen "New"/"New2" on a new creator object. True when the
// call returned an object, which the result then holds; otherwise the script
// exception is thrown.
bool construct(v8::FunctionCallbackInfo<v8::Value> const& info, V8Class const& v8Class,
               V8Constructor const& constructor, ComCall& call) {
    v8::Isolate* isolate = info.GetIsolate();
    ComRef<IDispatch> creator = creatorObject(isolate, v8Class);
    if (!creator) {
        throwFailure(isolate, {.text = "COM object creation failed.", .member = v8Class.name});
        return false;
    }
    InvokeArguments arguments(static_cast<std::size_t>(info.Length()));
    if (!convertArguments(info, arguments, constructor.parameters, v8Class.name, {}))
        return false;
    DISPPARAMS parameters = arguments.positional();
    HRESULT const hr = call.invoke(creator.get(), constructor.dispid, DISPATCH_METHOD, parameters);
    if (FAILED(hr)) {
        call.throwFailure(hr, v8Class.name, parameters);
        return false;
    }
    if (call.result().vt != VT_DISPATCH || call.result().pdispVal == nullptr) {
        throwFailure(isolate, {.text = "calling a constructor should always return an object.",
                               .number = E_UNEXPECTED,
                               .member = v8Class.name});
        return false;
    }
    return true;
}

// The overload for the call, after the checks both constructors share.
V8Constructor const* chooseConstructor(v8::FunctionCallbackInfo<v8::Value> const& info, V8Class const& v8Class) {
    V8Constructor const* constructor = findMatchingConstructor(info, v8Class.constructors, v8Class.name);
    if (constructor == nullptr)
        return nullptr;
    if (v8Class.hostClass == nullptr) {
        throwFailure(info.GetIsolate(), {.text = "Invalid COM class.", .number = REGDB_E_CLASSNOTREG, .member = v8Class.name});
        return nullptr;
    }
    return constructor;
}

// A pointer parameter takes objects only. A type library declares
// IDispatch* and IUnknown* parameters as VT_DISPATCH and VT_UNKNOWN, not as
// pointers: those take objects and anything else (null among them); every
// other parameter takes anything but an object.
bool argumentFits(v8::Local<v8::Value> argument, ComParameter const& parameter) {
    switch (parameter.vt) {
    case VT_PTR:
        return argument->IsObject();
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return true;
    default:
        return !argument->IsObject();
    }
}

bool argumentsFit(v8::FunctionCallbackInfo<v8::Value> const& info, V8Constructor const& constructor) {
    auto const count = static_cast<std::size_t>(info.Length());
    if (constructor.parameters.size() < count)
        return false;
    for (std::size_t i = 0; i < count; ++i)
        if (!argumentFits(info[static_cast<int>(i)], constructor.parameters[i]))
            return false;
    return true;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    auto const lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
}

// How the class spells a member named `name` in another case; nothing when
// it has none. The spelling that is the name itself was looked for already.
std::optional<std::string_view> otherSpelling(v8::Isolate* isolate, V8Class const& v8Class, v8::Local<v8::Name> name) {
    v8::String::Utf8Value const text(isolate, name);
    std::string_view const wanted(*text, static_cast<std::size_t>(text.length()));
    auto const spells = [&](std::string_view member) {
        return member != wanted && equalsIgnoringAsciiCase(member, wanted);
    };
    for (V8Function const& function : v8Class.functions)
        if (spells(function.name()))
            return function.name();
    for (V8Property const& property : v8Class.properties)
        if (spells(property.name()))
            return property.name();
    return std::nullopt;
}

std::string deprecationMessage(std::string const& className) {
    return fmt::format("Calling \"{0}.New(...)\" is deprecated.\nPlease replace it with \"new {0}(...)\"", className);
}

template <Route route>
void callFunction(v8::FunctionCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    V8Function const& function = recordOf<V8Function>(info);
    IDispatch* dispatch =
        dispatchOf(isolate, info.This(), function.className(), function.name(), "Function", SharedInstance::fetch,
                   Receiver::checked);
    if (dispatch == nullptr)
        return;
    if (static_cast<std::size_t>(info.Length()) > function.parameters().size())
        return throwFailure(isolate, {.text = "More arguments than the function can receive.",
                                      .number = DISP_E_BADPARAMCOUNT,
                                      .kind = ErrorKind::typeError,
                                      .member = memberText(function.className(), function.name())});
    InvokeArguments arguments(static_cast<std::size_t>(info.Length()));
    if (!convertArguments(info, arguments, function.parameters(), function.className(), function.name()))
        return;
    DISPPARAMS parameters = arguments.positional();
    ComCall call(isolate);
    HRESULT const hr = call.invoke(callTarget<route>(isolate, dispatch, function.interfaceId), function.dispid(),
                                   static_cast<WORD>(function.invokeKind), parameters);
    if (FAILED(hr))
        return call.throwFailure(hr, memberText(function.className(), function.name()), parameters);
    returnResult(isolate, call, info.GetReturnValue());
}

template <Route route>
void readProperty(v8::PropertyCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    V8Property const& property = recordOf<V8Property>(info);
    IDispatch* dispatch =
        dispatchOf(isolate, info.Holder(), property.className(), property.name(), "Getter", SharedInstance::fetch);
    if (dispatch == nullptr)
        return;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ComCall call(isolate);
    HRESULT const hr =
        call.invoke(callTarget<route>(isolate, dispatch, property.interfaceId), property.dispid(), DISPATCH_PROPERTYGET, none);
    if (FAILED(hr))
        return call.throwFailure(hr, memberText(property.className(), property.name()), none);
    returnResult(isolate, call, info.GetReturnValue());
}

template <Route route>
void writeProperty(v8::Local<v8::Value> value, v8::PropertyCallbackInfo<void> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    V8Property const& property = recordOf<V8Property>(info);
    IDispatch* dispatch =
        dispatchOf(isolate, info.Holder(), property.className(), property.name(), "Setter", SharedInstance::fetch);
    if (dispatch == nullptr)
        return;
    InvokeArguments arguments(1);
    static ComParameter const anyValue;
    auto converted = ComHelper::convertArgument(isolate, value, property.hasPutParameter() ? *property.putParameter : anyValue,
                                                arguments.at(0));
    if (!converted)
        return throwArgumentFailure(isolate, converted.error(), memberText(property.className(), property.name()),
                                    "the value");
    DISPPARAMS parameters = arguments.propertyPut();
    ComCall call(isolate);
    HRESULT const hr = call.invoke(callTarget<route>(isolate, dispatch, property.interfaceId), property.dispid(),
                                   DISPATCH_PROPERTYPUT, parameters);
    if (FAILED(hr))
        return call.throwFailure(hr, memberText(property.className(), property.name()), parameters);
    if (call.result().vt != VT_EMPTY)
        throwFailure(isolate, {.text = "Setter should always return void.",
                               .number = E_UNEXPECTED,
                               .member = memberText(property.className(), property.name())});
}

} // namespace

void Function(v8::FunctionCallbackInfo<v8::Value> const& info) {
    callFunction<Route::defaultInterface>(info);
}

void FunctionOfInterface(v8::FunctionCallbackInfo<v8::Value> const& info) {
    callFunction<Route::declaringInterface>(info);
}

void Getter(v8::Local<v8::String>, v8::PropertyCallbackInfo<v8::Value> const& info) {
    readProperty<Route::defaultInterface>(info);
}

void GetterOfInterface(v8::Local<v8::String>, v8::PropertyCallbackInfo<v8::Value> const& info) {
    readProperty<Route::declaringInterface>(info);
}

void Setter(v8::Local<v8::String>, v8::Local<v8::Value> value, v8::PropertyCallbackInfo<void> const& info) {
    writeProperty<Route::defaultInterface>(value, info);
}

void SetterOfInterface(v8::Local<v8::String>, v8::Local<v8::Value> value, v8::PropertyCallbackInfo<void> const& info) {
    writeProperty<Route::declaringInterface>(value, info);
}

void GetByIndex(std::uint32_t index, v8::PropertyCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    if (info.Data().IsEmpty() || info.Data().As<v8::External>()->Value() == nullptr) {
        report("nullptr == dataPtr, should be v8Class*", "GetByIndex", __LINE__);
        return;
    }
    V8Class const& v8Class = recordOf<V8Class>(info);
    IDispatch* dispatch =
        dispatchOf(isolate, info.Holder(), v8Class.name, "Item", "GetByIndex", SharedInstance::leave);
    if (dispatch == nullptr)
        return;
    InvokeArguments arguments(1);
    arguments.at(0).vt = VT_I4;
    arguments.at(0).lVal = static_cast<LONG>(index);
    DISPPARAMS parameters = arguments.positional();
    ComCall call(isolate);
    HRESULT const hr = call.invoke(dispatch, DISPID_VALUE, DISPATCH_PROPERTYGET, parameters);
    if (FAILED(hr))
        return call.throwFailure(hr, memberText(v8Class.name, "Item"), parameters);
    returnResult(isolate, call, info.GetReturnValue());
}

void GetOtherCase(v8::Local<v8::Name> name, v8::PropertyCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    std::optional<std::string_view> const spelling = otherSpelling(isolate, recordOf<V8Class>(info), name);
    if (!spelling)
        return;
    v8::Local<v8::Value> value;
    if (info.This()->Get(isolate->GetCurrentContext(), V8Helper::v8_string(isolate, *spelling)).ToLocal(&value))
        info.GetReturnValue().Set(value);
}

void QueryOtherCase(v8::Local<v8::Name> name, v8::PropertyCallbackInfo<v8::Integer> const& info) {
    if (otherSpelling(info.GetIsolate(), recordOf<V8Class>(info), name))
        info.GetReturnValue().Set(static_cast<std::int32_t>(v8::PropertyAttribute::ReadOnly));
}

void Constructor(v8::FunctionCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    V8Class const& v8Class = recordOf<V8Class>(info);
    if (!info.IsConstructCall()) {
        report("IsConstructCall should be true.", "Constructor", __LINE__);
        return throwFailure(isolate, fmt::format("Class constructor {} cannot be invoked without 'new'", v8Class.name),
                            E_FAIL, ErrorKind::typeError);
    }
    // The wrapper's field receives the new object: anything else made by
    // this call (Reflect.construct with a foreign new.target) cannot take it.
    if (info.This()->InternalFieldCount() != 1) {
        report("InternalFieldCount should be 1.", "Constructor", __LINE__);
        return throwFailure(isolate, fmt::format("{}: cannot construct this kind of object", v8Class.name), E_FAIL,
                            ErrorKind::typeError);
    }
    V8Constructor const* constructor = chooseConstructor(info, v8Class);
    if (constructor == nullptr)
        return;
    ComCall call(isolate);
    if (!construct(info, v8Class, *constructor, call))
        return;
    // The result's reference moves into the wrapper.
    IDispatch* created = std::exchange(call.result().pdispVal, nullptr);
    call.result().vt = VT_EMPTY;
    v8::Local<v8::Object> wrapper = IsolateData::objectRegistry(isolate).adopt(isolate, info.This(), created);
    if (wrapper != info.This())
        info.GetReturnValue().Set(wrapper);
}

void ConstructorDeprecated(v8::FunctionCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    V8Class const& v8Class = recordOf<V8Class>(info);
    if (info.IsConstructCall())
        report("IsConstructCall should be false.", "ConstructorDeprecated", __LINE__);
    if (info.This()->InternalFieldCount() != 0)
        report("InternalFieldCount should be 0.", "ConstructorDeprecated", __LINE__);
    V8Constructor const* constructor = chooseConstructor(info, v8Class);
    if (constructor == nullptr)
        return;
    if (IsolateData::engine(isolate).runMode != 0)
        return throwFailure(isolate, deprecationMessage(v8Class.hostClass->name));
    ComCall call(isolate);
    if (!construct(info, v8Class, *constructor, call))
        return;
    // The wrapper takes the template of the class the new object reports.
    returnResult(isolate, call, info.GetReturnValue());
}

V8Constructor const* findMatchingConstructor(v8::FunctionCallbackInfo<v8::Value> const& info,
                                             SharedList<V8Constructor> const& constructors,
                                             std::string const& className) {
    for (V8Constructor const& constructor : constructors)
        if (argumentsFit(info, constructor))
            return &constructor;
    throwFailure(info.GetIsolate(), {.text = "No matching constructor found.",
                                     .number = DISP_E_TYPEMISMATCH,
                                     .kind = ErrorKind::typeError,
                                     .member = className});
    return nullptr;
}

void throwComError(v8::Isolate* isolate, HRESULT result, EXCEPINFO const& excepInfo) {
    throwFailure(isolate, invokeFailure(result, excepInfo, {}));
}

} // namespace qor::format::engine::javascript::ComCallback
