#pragma once

#include "Format/Engine/JavaScript/Com/ScriptObjects/IsolateBound.h"
#include "Format/Engine/JavaScript/Com/ScriptObjects/ScriptHandle.h"
#include "Platform/Windows/Com/IUnknownImpl.h"

#include <v8.h>

#include <cstdint>

namespace qor::format::engine::javascript {

// Walks a script array for COM, reading it live: elements appended during
// the walk are delivered, a shortened array ends it early, holes read as
// VT_EMPTY.
class CV8ArrayEnumerator : public platform::windows::com::IUnknownImpl<IEnumVARIANT, &IID_IEnumVARIANT>,
                           public IsolateBound {
public:
    CV8ArrayEnumerator(platform::windows::com::UnknownCreationInterface* creator, v8::Isolate* isolate,
                       v8::Local<v8::Array> array);

    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override;

    void detachFromIsolate() override;

private:
    CV8ArrayEnumerator(CV8ArrayEnumerator const& other);

    ScriptArray array;
    std::uint64_t position = 0;
};

} // namespace qor::format::engine::javascript
