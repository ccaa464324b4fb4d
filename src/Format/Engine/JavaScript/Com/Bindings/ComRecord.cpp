#include "Format/Engine/JavaScript/Com/Bindings/ComRecord.h"

#include "Format/Engine/JavaScript/Com/Bindings/BindingFailure.h"
#include "Format/Engine/JavaScript/Com/Bindings/StartupSnapshot.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Platform/Windows/Com/OleText.h"

#include <fmt/format.h>

#include <memory>
#include <string>

namespace qor::format::engine::javascript::ComRecord {
namespace {

// The first field holds the record; the second sets record objects apart
// from the wrappers of COM objects, which have one.
constexpr int internalFields = 2;

std::string typeNameOf(VARIANT const* record) {
    BSTR name = nullptr;
    if (record == nullptr || record->pRecInfo == nullptr || FAILED(record->pRecInfo->GetName(&name)))
        return {};
    std::string text = platform::windows::com::utf8FromOle(name);
    SysFreeString(name);
    return text;
}

template <class Info>
void refuse(Info const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    VARIANT const* record = IsolateData::objectRegistry(isolate).recordOf(info.Holder());
    std::string const name = typeNameOf(record);
    throwFailure(isolate,
                 fmt::format("The COM record{}{} has no script form: a script can only pass it back to COM",
                             name.empty() ? "" : " ", name),
                 DISP_E_BADVARTYPE);
}

v8::Local<v8::ObjectTemplate> recordTemplate(v8::Isolate* isolate) {
    ObjectRegistry& registry = IsolateData::objectRegistry(isolate);
    if (!registry.recordTemplate.IsEmpty())
        return registry.recordTemplate.Get(isolate);
    v8::Local<v8::ObjectTemplate> made = v8::ObjectTemplate::New(isolate);
    made->SetInternalFieldCount(internalFields);
    made->SetHandler(v8::NamedPropertyHandlerConfiguration(
        StartupSnapshot::noted(Get), StartupSnapshot::noted(Set), nullptr, StartupSnapshot::noted(Delete),
        StartupSnapshot::noted(Keys)));
    made->SetHandler(v8::IndexedPropertyHandlerConfiguration(
        StartupSnapshot::noted(GetIndex), StartupSnapshot::noted(SetIndex), nullptr,
        StartupSnapshot::noted(DeleteIndex), StartupSnapshot::noted(Keys)));
    made->SetCallAsFunctionHandler(StartupSnapshot::noted(Call));
    registry.recordTemplate.Reset(isolate, made);
    return made;
}

} // namespace

v8::MaybeLocal<v8::Object> toScript(v8::Isolate* isolate, VARIANT const& record) {
    v8::Local<v8::Object> object;
    if (!recordTemplate(isolate)->NewInstance(isolate->GetCurrentContext()).ToLocal(&object))
        return {};
    auto copy = std::make_unique<VARIANT>();
    VariantInit(copy.get());
    if (HRESULT hr = VariantCopy(copy.get(), &record); FAILED(hr)) {
        throwFailure(isolate, fmt::format("The COM record {} cannot be copied", typeNameOf(&record)), hr);
        return {};
    }
    object->SetAlignedPointerInInternalField(1, nullptr);
    IsolateData::objectRegistry(isolate).adoptRecord(isolate, object, copy.release());
    return object;
}

VARIANT const* recordOf(v8::Isolate* isolate, v8::Local<v8::Object> object) {
    return IsolateData::objectRegistry(isolate).recordOf(object);
}

void Get(v8::Local<v8::Name>, v8::PropertyCallbackInfo<v8::Value> const& info) { refuse(info); }
void Set(v8::Local<v8::Name>, v8::Local<v8::Value>, v8::PropertyCallbackInfo<v8::Value> const& info) { refuse(info); }
void Delete(v8::Local<v8::Name>, v8::PropertyCallbackInfo<v8::Boolean> const& info) { refuse(info); }
void Keys(v8::PropertyCallbackInfo<v8::Array> const& info) { refuse(info); }
void GetIndex(std::uint32_t, v8::PropertyCallbackInfo<v8::Value> const& info) { refuse(info); }
void SetIndex(std::uint32_t, v8::Local<v8::Value>, v8::PropertyCallbackInfo<v8::Value> const& info) { refuse(info); }
void DeleteIndex(std::uint32_t, v8::PropertyCallbackInfo<v8::Boolean> const& info) { refuse(info); }
void Call(v8::FunctionCallbackInfo<v8::Value> const& info) { refuse(info); }

} // namespace qor::format::engine::javascript::ComRecord
