#include "Format/Engine/JavaScript/Com/Bindings/EnumeratorIterator.h"

#include "Format/Engine/JavaScript/Com/Bindings/BindingFailure.h"

#include "Format/Engine/JavaScript/Com/Bindings/Enumerator.h"
#include "Format/Engine/JavaScript/Com/Bindings/StartupSnapshot.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Format/Engine/JavaScript/Com/Values/ComHelper.h"
#include "Format/Engine/JavaScript/V8Helper.h"

namespace qor::format::engine::javascript::EnumeratorIterator {
namespace {

// An iterator keeps the Enumerator it walks in its internal field, out of the
// script's reach and alive as long as the iterator is.
constexpr int enumeratorField = 0;

v8::Local<v8::String> keyOf(v8::Isolate* isolate, v8::Global<v8::String>& key, char const* name) {
    if (key.IsEmpty())
        key.Reset(isolate, v8::String::NewFromUtf8(isolate, name, v8::NewStringType::kInternalized).ToLocalChecked());
    return key.Get(isolate);
}

// Empty when V8 refuses the properties, which it does only while the script
// is being terminated (an element read through COM ran script).
v8::Local<v8::Object> stepResult(v8::Local<v8::Context> context, v8::Local<v8::Value> value, bool done) {
    v8::Isolate* isolate = context->GetIsolate();
    ObjectRegistry& registry = IsolateData::objectRegistry(isolate);
    v8::Local<v8::Object> result = v8::Object::New(isolate);
    if (result->CreateDataProperty(context, keyOf(isolate, registry.iteratorValueKey, "value"), value).IsNothing() ||
        result->CreateDataProperty(context, keyOf(isolate, registry.iteratorDoneKey, "done"),
                                   v8::Boolean::New(isolate, done))
            .IsNothing())
        return {};
    return result;
}

void next(v8::FunctionCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    v8::Local<v8::Context> context = isolate->GetCurrentContext();
    if (info.This()->InternalFieldCount() <= enumeratorField)
        return;
    v8::Local<v8::Value> walked = info.This()->GetInternalField(enumeratorField);
    if (walked.IsEmpty() || !walked->IsObject())
        return;
    auto* enumerator =
        static_cast<IEnumerator*>(walked.As<v8::Object>()->GetAlignedPointerFromInternalField(0));
    if (enumerator->atEnd())
        return info.GetReturnValue().Set(stepResult(context, v8::Undefined(isolate), true));
    VARIANT item;
    VariantInit(&item);
    enumerator->item(&item);
    v8::Local<v8::Value> value = ComHelper::convertFromVariant(item, isolate);
    if (value.IsEmpty())
        return;
    try {
        enumerator->moveNext();
    } catch (_com_error const& error) {
        throwFailure(isolate, "Enumerator: the next item cannot be read", error.Error());
        return;
    }
    info.GetReturnValue().Set(stepResult(context, value, false));
}

void self(v8::FunctionCallbackInfo<v8::Value> const& info) {
    info.GetReturnValue().Set(info.This());
}

// The iterators' class, made once per isolate.
v8::Local<v8::FunctionTemplate> iteratorClass(v8::Isolate* isolate) {
    ObjectRegistry& registry = IsolateData::objectRegistry(isolate);
    if (!registry.iteratorClass.IsEmpty())
        return registry.iteratorClass.Get(isolate);
    v8::Local<v8::FunctionTemplate> iterator = v8::FunctionTemplate::New(isolate);
    iterator->SetClassName(V8Helper::v8_string(isolate, "Enumerator Iterator"));
    v8::Local<v8::ObjectTemplate> instance = iterator->InstanceTemplate();
    instance->SetInternalFieldCount(enumeratorField + 1);
    instance->Set(V8Helper::v8_string(isolate, "next"),
                  v8::FunctionTemplate::New(isolate, next, {}, v8::Signature::New(isolate, iterator)));
    instance->Set(v8::Symbol::GetIterator(isolate), v8::FunctionTemplate::New(isolate, self));
    registry.iteratorClass.Reset(isolate, iterator);
    return iterator;
}

void iterate(v8::FunctionCallbackInfo<v8::Value> const& info, v8::Local<v8::Object> enumerator) {
    v8::Isolate* isolate = info.GetIsolate();
    v8::Local<v8::Context> context = isolate->GetCurrentContext();
    v8::Local<v8::Object> iterator;
    if (!iteratorClass(isolate)->InstanceTemplate()->NewInstance(context).ToLocal(&iterator))
        return;
    iterator->SetInternalField(enumeratorField, enumerator);
    info.GetReturnValue().Set(iterator);
}

} // namespace

void ofEnumerator(v8::FunctionCallbackInfo<v8::Value> const& info) {
    iterate(info, info.This());
}

void ofCollection(v8::FunctionCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    auto collection = ComHelper::wrappedDispatch(isolate, info.This());
    if (!collection) {
        throwFailure(isolate, "The collection has no COM object to walk", DISP_E_TYPEMISMATCH, ErrorKind::typeError);
        return;
    }
    v8::Local<v8::Object> enumerator;
    if (EnumeratorClass::over(isolate->GetCurrentContext(), *collection).ToLocal(&enumerator))
        iterate(info, enumerator);
}

namespace {

void addIterator(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> target, v8::Local<v8::FunctionTemplate> receiver,
                 v8::FunctionCallback callback) {
    target->Set(v8::Symbol::GetIterator(isolate),
                v8::FunctionTemplate::New(isolate, StartupSnapshot::noted(callback), {},
                                          v8::Signature::New(isolate, receiver)),
                v8::PropertyAttribute::DontEnum);
}

} // namespace

void addTo(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> instance, v8::Local<v8::FunctionTemplate> receiver) {
    addIterator(isolate, instance, receiver, ofEnumerator);
}

void addToCollection(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> wrapper,
                     v8::Local<v8::FunctionTemplate> receiver) {
    addIterator(isolate, wrapper, receiver, ofCollection);
}

} // namespace qor::format::engine::javascript::EnumeratorIterator
