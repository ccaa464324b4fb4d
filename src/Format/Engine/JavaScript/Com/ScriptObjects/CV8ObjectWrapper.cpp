#include "Format/Engine/JavaScript/Com/ScriptObjects/CV8ObjectWrapper.h"

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Format/Engine/JavaScript/Com/ScriptObjects/ScriptCall.h"
#include "Format/Engine/JavaScript/Com/Values/ComHelper.h"
#include "Platform/Windows/Com/UnknownCreationHelperInterface.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace qor::format::engine::javascript {
namespace {

using platform::windows::com::IID_UnknownCreationHelper;
using platform::windows::com::OleString;
using platform::windows::com::OleStringView;
using platform::windows::com::UnknownCreationHelperInterface;

v8::Local<v8::String> keyOf(v8::Isolate* isolate, OleStringView name) {
    v8::Local<v8::String> key;
    if (name.size() > static_cast<std::size_t>(v8::String::kMaxLength) ||
        !v8::String::NewFromTwoByte(isolate, reinterpret_cast<std::uint16_t const*>(name.data()),
                                    v8::NewStringType::kNormal, static_cast<int>(name.size()))
             .ToLocal(&key))
        return v8::String::Empty(isolate);
    return key;
}

OleString textOf(v8::Isolate* isolate, v8::Local<v8::Value> value) {
    v8::String::Value text(isolate, value);
    if (*text == nullptr)
        return {};
    return OleString(reinterpret_cast<OLECHAR const*>(*text), static_cast<std::size_t>(text.length()));
}

OLECHAR folded(OLECHAR c) {
    return c >= u'A' && c <= u'Z' ? static_cast<OLECHAR>(c - u'A' + u'a') : c;
}

bool sameIgnoringCase(OleStringView a, OleStringView b) {
    return std::ranges::equal(a, b, [](OLECHAR x, OLECHAR y) { return folded(x) == folded(y); });
}

} // namespace

CV8ObjectWrapper::CV8ObjectWrapper(v8::Isolate* isolate, v8::Local<v8::Object> object)
    : IDispatchExImpl(nullptr, &IsolateData::engine(isolate)), object(isolate, object) {}

std::optional<v8::Local<v8::Object>> CV8ObjectWrapper::scriptValueOf(v8::Isolate* isolate, IDispatch* dispatch) {
    void* helper = nullptr;
    if (dispatch == nullptr || FAILED(dispatch->QueryInterface(IID_UnknownCreationHelper, &helper)) ||
        helper == nullptr)
        return std::nullopt;
    auto* wrapper = dynamic_cast<CV8ObjectWrapper*>(static_cast<UnknownCreationHelperInterface*>(helper));
    if (wrapper == nullptr || wrapper->object.isolate != isolate || !wrapper->object.attached())
        return std::nullopt;
    return wrapper->object.value.Get(isolate);
}

HRESULT CV8ObjectWrapper::callable() const {
    if (!object.onOwnThread())
        return RPC_E_WRONG_THREAD;
    return object.attached() ? S_OK : CO_E_OBJNOTCONNECTED;
}

std::optional<OleString> CV8ObjectWrapper::propertyName(v8::Local<v8::Context> context, v8::Local<v8::Object> target,
                                                        OleStringView name, bool caseInsensitive) {
    v8::Isolate* isolate = object.isolate;
    // A proxy's traps or a getter may throw: the name is then not found.
    v8::TryCatch tryCatch(isolate);
    if (target->Has(context, keyOf(isolate, name)).FromMaybe(false))
        return OleString(name);
    if (!caseInsensitive)
        return std::nullopt;
    v8::Local<v8::Array> names;
    if (!target
             ->GetPropertyNames(context, v8::KeyCollectionMode::kIncludePrototypes,
                                static_cast<v8::PropertyFilter>(v8::ALL_PROPERTIES | v8::SKIP_SYMBOLS),
                                v8::IndexFilter::kIncludeIndices, v8::KeyConversionMode::kConvertToString)
             .ToLocal(&names))
        return std::nullopt;
    for (std::uint32_t i = 0; i < names->Length(); ++i) {
        v8::Local<v8::Value> candidate;
        if (!names->Get(context, i).ToLocal(&candidate))
            return std::nullopt;
        OleString text = textOf(isolate, candidate);
        if (sameIgnoringCase(text, name))
            return text;
    }
    return std::nullopt;
}

DISPID CV8ObjectWrapper::dispidOf(OleStringView name) {
    if (auto const* entry = entries.findByName(name))
        return entry->dispid;
    return entries.createDynamic(name).dispid;
}

HRESULT CV8ObjectWrapper::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* dispids) {
    if (!IsEqualIID(riid, IID_NULL))
        return E_INVALIDARG;
    if (names == nullptr || count == 0)
        return DISP_E_UNKNOWNNAME;
    if (dispids == nullptr)
        return E_INVALIDARG;
    HRESULT status = GetDispID(names[0], fdexNameCaseInsensitive, &dispids[0]);
    // The other names would be the member's parameters, which scripts do not
    // name.
    for (UINT i = 1; i < count; ++i)
        dispids[i] = DISPID_UNKNOWN;
    return count > 1 && SUCCEEDED(status) ? DISP_E_UNKNOWNNAME : status;
}

HRESULT CV8ObjectWrapper::GetDispID(BSTR name, DWORD grfdex, DISPID* dispid) {
    if (dispid == nullptr)
        return E_INVALIDARG;
    *dispid = DISPID_UNKNOWN;
    if (HRESULT const hr = callable(); FAILED(hr))
        return hr;
    OleStringView const text = textUpToNul(name);
    return object.visit([&](v8::Local<v8::Context> context, v8::Local<v8::Object> target) -> HRESULT {
        auto found = propertyName(context, target, text, (grfdex & fdexNameCaseSensitive) == 0);
        if (!found) {
            if ((grfdex & fdexNameEnsure) == 0)
                return DISP_E_UNKNOWNNAME;
            v8::TryCatch tryCatch(object.isolate);
            if (!target->Set(context, keyOf(object.isolate, text), v8::Undefined(object.isolate)).FromMaybe(false))
                return DISP_E_UNKNOWNNAME;
            found = OleString(text);
        }
        *dispid = dispidOf(*found);
        return S_OK;
    });
}

HRESULT CV8ObjectWrapper::InvokeEx(DISPID dispid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* excepInfo, IServiceProvider*) {
    if (HRESULT const hr = callable(); FAILED(hr))
        return hr;
    auto const* entry = entries.findById(dispid);
    if (entry == nullptr || !entry->dynamic)
        return DISP_E_MEMBERNOTFOUND;
    return object.visit([&](v8::Local<v8::Context> context, v8::Local<v8::Object> target) {
        return invokeMember(context, target, keyOf(object.isolate, entry->name), flags, params, result, excepInfo);
    });
}

HRESULT CV8ObjectWrapper::invokeMember(v8::Local<v8::Context> context, v8::Local<v8::Object> target,
                                       v8::Local<v8::String> key, WORD flags, DISPPARAMS* params, VARIANT* result,
                                       EXCEPINFO* excepInfo) {
    v8::Isolate* isolate = object.isolate;
    v8::TryCatch tryCatch(isolate);
    if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
        VARIANT const* stored = ScriptCall::putValueOf(params);
        if (stored == nullptr)
            return DISP_E_PARAMNOTOPTIONAL;
        v8::Local<v8::Value> value = ComHelper::convertBorrowedVariant(*stored, isolate);
        if (tryCatch.HasCaught())
            return ScriptCall::exception(isolate, tryCatch, excepInfo);
        if (value.IsEmpty())
            value = v8::Null(isolate);
        if (!target->Set(context, key, value).FromMaybe(false))
            return tryCatch.HasCaught() ? ScriptCall::exception(isolate, tryCatch, excepInfo) : DISP_E_EXCEPTION;
        return S_OK;
    }
    v8::Local<v8::Value> member;
    if (!target->Get(context, key).ToLocal(&member))
        return ScriptCall::exception(isolate, tryCatch, excepInfo);
    if ((flags & DISPATCH_METHOD) != 0 && member->IsFunction())
        return ScriptCall::invoke(context, member.As<v8::Function>(), target, params, result, excepInfo);
    if ((flags & DISPATCH_PROPERTYGET) != 0)
        return ScriptCall::answer(isolate, member, result, excepInfo);
    // A call of a value that is no function.
    return DISP_E_TYPEMISMATCH;
}

HRESULT CV8ObjectWrapper::DeleteMemberByName(BSTR name, DWORD grfdex) {
    return deleteProperty(textUpToNul(name), (grfdex & fdexNameCaseSensitive) == 0);
}

HRESULT CV8ObjectWrapper::DeleteMemberByDispID(DISPID dispid) {
    if (HRESULT const hr = callable(); FAILED(hr))
        return hr;
    auto const* entry = entries.findById(dispid);
    if (entry == nullptr || !entry->dynamic)
        return DISP_E_MEMBERNOTFOUND;
    return deleteProperty(entry->name, false);
}

// S_OK when the property is gone or was never there, S_FALSE when the
// object keeps it.
HRESULT CV8ObjectWrapper::deleteProperty(OleStringView name, bool caseInsensitive) {
    if (HRESULT const hr = callable(); FAILED(hr))
        return hr;
    return object.visit([&](v8::Local<v8::Context> context, v8::Local<v8::Object> target) {
        auto const found = propertyName(context, target, name, caseInsensitive);
        if (!found)
            return S_OK;
        v8::TryCatch tryCatch(object.isolate);
        return target->Delete(context, keyOf(object.isolate, *found)).FromMaybe(false) ? S_OK : S_FALSE;
    });
}

// The object's own enumerable properties, in the script's order.
HRESULT CV8ObjectWrapper::GetNextDispID(DWORD, DISPID dispid, DISPID* next) {
    if (next == nullptr)
        return E_INVALIDARG;
    *next = DISPID_UNKNOWN;
    if (HRESULT const hr = callable(); FAILED(hr))
        return hr;
    return object.visit([&](v8::Local<v8::Context> context, v8::Local<v8::Object> target) -> HRESULT {
        v8::TryCatch tryCatch(object.isolate);
        v8::Local<v8::Array> names;
        if (!target->GetOwnPropertyNames(context).ToLocal(&names))
            return S_FALSE;
        bool found = dispid == DISPID_STARTENUM;
        for (std::uint32_t i = 0; i < names->Length(); ++i) {
            v8::Local<v8::Value> name;
            if (!names->Get(context, i).ToLocal(&name))
                return S_FALSE;
            DISPID const current = dispidOf(textOf(object.isolate, name));
            if (found) {
                *next = current;
                return S_OK;
            }
            found = current == dispid;
        }
        return S_FALSE;
    });
}

void CV8ObjectWrapper::detachFromIsolate() {
    object.detach();
}

} // namespace qor::format::engine::javascript
