#include "Format/Engine/JavaScript/Com/Bindings/Enumerator.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/Bindings/EnumeratorIterator.h"
#include "Format/Engine/JavaScript/Com/Bindings/StartupSnapshot.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Format/Engine/JavaScript/Com/Values/ComHelper.h"
#include "Format/Engine/JavaScript/V8Helper.h"
#include "Platform/Windows/Com/ComRef.h"

#include <string_view>

namespace qor::format::engine::javascript {
namespace {

using platform::windows::com::ComRef;

constexpr LCID userLocale = 1024;

void report(std::string_view message, std::string_view function, std::uint32_t line) {
    assert::Assert::report(message, function, "Format/Engine/JavaScript/Com/Enumerator", line);
}

void throwString(v8::Isolate* isolate, std::string_view message) {
    isolate->ThrowException(V8Helper::v8_string(isolate, message));
}

// The host's collection interface is reached by the places of its methods:
// its count at 17 and its item at 19, counting the methods of IUnknown and
// IDispatch before its own.
using CountMethod = HRESULT(STDMETHODCALLTYPE*)(IDispatch*, LONG*);
using ItemMethod = HRESULT(STDMETHODCALLTYPE*)(IDispatch*, LONG, VARIANT*);

template <class Method>
Method methodAt(IDispatch* object, std::size_t position) {
    return reinterpret_cast<Method>((*reinterpret_cast<void***>(object))[position]);
}

// The IEnumerator of a script Enumerator; null, after the assertion, for
// any other object.
IEnumerator* enumeratorOf(v8::FunctionCallbackInfo<v8::Value> const& info, std::string_view callback) {
    if (info.This()->InternalFieldCount() != 1) {
        report("InternalFieldCount should be 1.", callback, __LINE__);
        return nullptr;
    }
    return static_cast<IEnumerator*>(info.This()->GetAlignedPointerFromInternalField(0));
}

// The walk a collection gives: by index over the host's interface, else
// through its IEnumVARIANT.
IEnumerator* makeEnumerator(IDispatch* collection) {
    ComRef<IDispatch> hostCollection;
    if (SUCCEEDED(collection->QueryInterface(IID_HostCollection, reinterpret_cast<void**>(hostCollection.put()))) &&
        hostCollection)
        return new Enumerator(hostCollection.get());
    return new IEnumVariantEnumerator(collection);
}

void checkConstructorCall(v8::FunctionCallbackInfo<v8::Value> const& info) {
    constexpr std::string_view function = "qor::format::engine::javascript::Constructor";
    if (!info.IsConstructCall())
        report("IsConstructCall should be true.", function, __LINE__);
    if (info.This()->InternalFieldCount() != 1)
        report("InternalFieldCount should be 1.", function, __LINE__);
    if (info.Length() != 1)
        report("Function argument count should be 1.", function, __LINE__);
    if (!info[0]->IsObject())
        report("First argument should be an object.", function, __LINE__);
}

void setMethod(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> target, v8::Local<v8::FunctionTemplate> receiver,
               char const* name, v8::FunctionCallback callback) {
    target->Set(V8Helper::v8_string(isolate, name),
                v8::FunctionTemplate::New(isolate, StartupSnapshot::noted(callback), v8::Local<v8::Value>(),
                                          v8::Signature::New(isolate, receiver)),
                v8::PropertyAttribute::None);
}

} // namespace

Enumerator::Enumerator(IDispatch* collection) : collection(collection) {
    collection->AddRef();
    if (FAILED(methodAt<CountMethod>(collection, 17)(collection, &count)) || count < 0)
        count = 0;
}

Enumerator::~Enumerator() {
    collection->Release();
}

bool Enumerator::atEnd() {
    return count == 0 || index >= count;
}

void Enumerator::moveNext() {
    if (index < count)
        ++index;
}

void Enumerator::moveFirst() {
    index = 0;
}

void Enumerator::item(VARIANT* out) {
    // A failing item, one past the end among them, leaves the VARIANT empty.
    if (out != nullptr && collection != nullptr)
        methodAt<ItemMethod>(collection, 19)(collection, index, out);
}

IEnumVariantEnumerator::IEnumVariantEnumerator(IDispatch* collection) {
    VariantInit(&current);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    HRESULT const hr = collection->Invoke(DISPID_NEWENUM, IID_NULL, userLocale, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                          &none, &result, nullptr, nullptr);
    if (SUCCEEDED(hr) && (result.vt == VT_DISPATCH || result.vt == VT_UNKNOWN) && result.punkVal != nullptr)
        result.punkVal->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&enumVariant));
    VariantClear(&result);
    if (enumVariant != nullptr)
        fetch();
}

IEnumVariantEnumerator::~IEnumVariantEnumerator() {
    if (enumVariant != nullptr)
        enumVariant->Release();
    VariantClear(&current);
}

void IEnumVariantEnumerator::fetch() {
    HRESULT const cleared = VariantClear(&current);
    if (FAILED(cleared))
        throw _com_error(cleared);
    ULONG fetched = 0;
    HRESULT const hr = enumVariant->Next(1, &current, &fetched);
    isAtEnd = FAILED(hr) || fetched != 1;
}

bool IEnumVariantEnumerator::atEnd() {
    return isAtEnd;
}

void IEnumVariantEnumerator::moveNext() {
    if (enumVariant != nullptr)
        fetch();
}

void IEnumVariantEnumerator::moveFirst() {
    if (enumVariant == nullptr)
        return;
    enumVariant->Reset();
    fetch();
}

void IEnumVariantEnumerator::item(VARIANT* out) {
    if (out != nullptr)
        VariantCopy(out, &current);
}

void Constructor(v8::FunctionCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    checkConstructorCall(info);
    // Only a script object made for a COM object has a collection to walk.
    auto collection = ComHelper::wrappedDispatch(isolate, info[0]);
    if (!collection)
        return throwString(isolate, "Enumerator: the argument is not a COM object");
    if (!info.IsConstructCall() || info.This()->InternalFieldCount() != 1)
        return throwString(isolate, "Class constructor Enumerator cannot be invoked without 'new'");
    IEnumerator* enumerator = nullptr;
    try {
        enumerator = makeEnumerator(*collection);
    } catch (_com_error const& error) {
        return throwString(isolate, "Enumerator: the collection's first item cannot be read");
    }
    IsolateData::objectRegistry(isolate).adoptEnumerator(isolate, info.This(), enumerator);
}

void Destructor(v8::WeakCallbackInfo<void> const& data) {
    constexpr std::string_view function = "qor::format::engine::javascript::Destructor";
    auto* enumerator = static_cast<IEnumerator*>(data.GetParameter());
    if (enumerator == nullptr) {
        report("data.GetParameter() should never be empty.", function, __LINE__);
        return;
    }
    v8::Isolate* isolate = data.GetIsolate();
    auto& list = IsolateData::objectRegistry(isolate).enumeratorObjectList;
    auto const found = list.find(enumerator);
    if (found == list.end()) {
        report("pEnumerator should be in enumeratorObjectList.", function, __LINE__);
        return;
    }
    list.erase(found);
    isolate->AdjustAmountOfExternalAllocatedMemory(-ObjectRegistry::externalMemoryCharge);
    delete enumerator;
}

void AtEnd(v8::FunctionCallbackInfo<v8::Value> const& info) {
    if (IEnumerator* enumerator = enumeratorOf(info, "qor::format::engine::javascript::AtEnd"))
        info.GetReturnValue().Set(enumerator->atEnd());
}

void MoveNext(v8::FunctionCallbackInfo<v8::Value> const& info) {
    if (IEnumerator* enumerator = enumeratorOf(info, "qor::format::engine::javascript::MoveNext")) {
        try {
            enumerator->moveNext();
        } catch (_com_error const&) {
            throwString(info.GetIsolate(), "Enumerator: the next item cannot be read");
        }
    }
}

void MoveFirst(v8::FunctionCallbackInfo<v8::Value> const& info) {
    if (IEnumerator* enumerator = enumeratorOf(info, "qor::format::engine::javascript::MoveFirst")) {
        try {
            enumerator->moveFirst();
        } catch (_com_error const&) {
            throwString(info.GetIsolate(), "Enumerator: the first item cannot be read");
        }
    }
}

void Item(v8::FunctionCallbackInfo<v8::Value> const& info) {
    IEnumerator* enumerator = enumeratorOf(info, "qor::format::engine::javascript::Item");
    if (enumerator == nullptr)
        return;
    VARIANT item;
    VariantInit(&item);
    enumerator->item(&item);
    v8::Local<v8::Value> value = ComHelper::convertFromVariant(item, info.GetIsolate());
    if (!value.IsEmpty())
        info.GetReturnValue().Set(value);
}

namespace EnumeratorClass {

v8::Local<v8::FunctionTemplate> registerOn(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> global) {
    v8::Local<v8::FunctionTemplate> enumerator = v8::FunctionTemplate::New(isolate, StartupSnapshot::noted(Constructor));
    enumerator->SetClassName(V8Helper::v8_string(isolate, "Enumerator"));
    v8::Local<v8::ObjectTemplate> instance = enumerator->InstanceTemplate();
    instance->SetInternalFieldCount(1);
    for (Method const& method : methods)
        setMethod(isolate, instance, enumerator, method.name, method.callback);
    EnumeratorIterator::addTo(isolate, instance, enumerator);
    global->Set(V8Helper::v8_string(isolate, "Enumerator"), enumerator, v8::PropertyAttribute::None);
    return enumerator;
}

v8::MaybeLocal<v8::Object> over(v8::Local<v8::Context> context, IDispatch* collection) {
    v8::Isolate* isolate = context->GetIsolate();
    ObjectRegistry& registry = IsolateData::objectRegistry(isolate);
    v8::Local<v8::Object> object;
    if (registry.enumeratorClass.IsEmpty() ||
        !registry.enumeratorClass.Get(isolate)->InstanceTemplate()->NewInstance(context).ToLocal(&object))
        return {};
    IEnumerator* enumerator = nullptr;
    try {
        enumerator = new IEnumVariantEnumerator(collection);
    } catch (_com_error const&) {
        throwString(isolate, "Enumerator: the collection's first item cannot be read");
        return {};
    }
    registry.adoptEnumerator(isolate, object, enumerator);
    return object;
}

} // namespace EnumeratorClass

} // namespace qor::format::engine::javascript
