#include "Format/Engine/JavaScript/Com/ScriptObjects/CV8ArrayEnumerator.h"

#include "Format/Engine/JavaScript/Com/Values/ComHelper.h"

namespace qor::format::engine::javascript {

CV8ArrayEnumerator::CV8ArrayEnumerator(platform::windows::com::UnknownCreationInterface* creator,
                                       v8::Isolate* isolate, v8::Local<v8::Array> array)
    : IUnknownImpl(creator), array(isolate, array) {}

CV8ArrayEnumerator::CV8ArrayEnumerator(CV8ArrayEnumerator const& other)
    : IUnknownImpl(other.creator), IsolateBound(), array(other.array), position(other.position) {}

HRESULT CV8ArrayEnumerator::Next(ULONG count, VARIANT* items, ULONG* fetched) {
    if (items == nullptr)
        return E_INVALIDARG;
    for (ULONG i = 0; i < count; ++i)
        VariantClear(&items[i]);
    ULONG delivered = 0;
    if (array.attached()) {
        array.visit([&](v8::Local<v8::Context> context, v8::Local<v8::Array> local) {
            // An element's getter may throw; COM gets VT_EMPTY for it, and
            // the exception stays here.
            v8::TryCatch tryCatch(array.isolate);
            // The length is read anew at each step: the array is live.
            while (delivered < count && position < local->Length()) {
                v8::Local<v8::Value> element;
                if (!local->Get(context, static_cast<std::uint32_t>(position)).ToLocal(&element))
                    element = v8::Undefined(array.isolate);
                items[delivered++] = ComHelper::variant_v8ToCom(array.isolate, element);
                ++position;
            }
        });
    }
    if (fetched != nullptr)
        *fetched = delivered;
    return delivered == count ? S_OK : S_FALSE;
}

HRESULT CV8ArrayEnumerator::Skip(ULONG count) {
    ULONG skipped = 0;
    if (array.attached()) {
        array.visit([&](v8::Local<v8::Context>, v8::Local<v8::Array> local) {
            while (skipped < count && position < local->Length()) {
                ++position;
                ++skipped;
            }
        });
    }
    return skipped == count ? S_OK : S_FALSE;
}

HRESULT CV8ArrayEnumerator::Reset() {
    position = 0;
    return S_OK;
}

HRESULT CV8ArrayEnumerator::Clone(IEnumVARIANT** copy) {
    if (copy == nullptr)
        return E_POINTER;
    auto* clone = new CV8ArrayEnumerator(*this);
    clone->AddRef();
    *copy = clone;
    return S_OK;
}

void CV8ArrayEnumerator::detachFromIsolate() {
    array.detach();
}

} // namespace qor::format::engine::javascript
