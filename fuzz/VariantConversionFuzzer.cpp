// VARIANTs made from the input, converted to script values and back: every
// type code, by-reference forms, safe arrays of every element type with any
// bounds and dimensions, nested arrays of VARIANTs, strings with lone
// surrogates and NULs, objects with and without type information.
//
// What a round trip keeps is checked where the conversions promise it:
// 32-bit integers, doubles, booleans, strings up to their first NUL, null,
// empty and objects come back as they went. Half the inputs run with the
// engine's options on (dates, currencies, decimals, script objects).

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Format/Engine/JavaScript/Com/Values/ComHelper.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using qor::format::engine::javascript::ComV8Engine;
using qor::format::engine::javascript::EngineOptions;
namespace ComHelper = qor::format::engine::javascript::ComHelper;

// An object for VT_DISPATCH and VT_UNKNOWN values; it never goes away, so
// references the scripts keep cost nothing.
class Object : public IDispatch {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IDispatch)) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = this;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
};

Object object;

VARTYPE const scalarTypes[] = {VT_EMPTY, VT_NULL, VT_I2,  VT_I4,  VT_R4,  VT_R8,      VT_CY,   VT_DATE,
                               VT_BSTR,  VT_DISPATCH, VT_ERROR, VT_BOOL, VT_VARIANT, VT_UNKNOWN, VT_DECIMAL,
                               VT_I1,    VT_UI1,  VT_UI2, VT_UI4, VT_I8,  VT_UI8,     VT_INT,  VT_UINT};
VARTYPE const elementTypes[] = {VT_I2,   VT_I4,       VT_R4,   VT_R8,   VT_CY,      VT_DATE,    VT_BSTR,
                                VT_DISPATCH, VT_ERROR, VT_BOOL, VT_VARIANT, VT_UNKNOWN, VT_DECIMAL,
                                VT_I1,   VT_UI1,  VT_UI2,  VT_UI4,  VT_I8,      VT_UI8,     VT_INT, VT_UINT};

BSTR makeString(FuzzedDataProvider& data) {
    std::size_t const length = data.ConsumeIntegralInRange<std::size_t>(0, 64);
    std::u16string text;
    for (std::size_t i = 0; i < length && data.remaining_bytes() >= 2; ++i)
        text.push_back(data.ConsumeIntegral<char16_t>());
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

void fillScalar(FuzzedDataProvider& data, VARTYPE vt, void* place) {
    switch (vt) {
    case VT_BSTR:
        *static_cast<BSTR*>(place) = makeString(data);
        break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        *static_cast<IDispatch**>(place) = data.ConsumeBool() ? &object : nullptr;
        break;
    default: {
        // Raw bytes are fine for numbers, dates, currency and decimals.
        std::size_t const size = vt == VT_DECIMAL ? sizeof(DECIMAL) : 8;
        std::vector<std::uint8_t> bytes = data.ConsumeBytes<std::uint8_t>(size);
        bytes.resize(size);
        std::memcpy(place, bytes.data(), vt == VT_DECIMAL ? sizeof(DECIMAL) : sizeof(LONGLONG));
        break;
    }
    }
}

VARIANT makeVariant(FuzzedDataProvider& data, int depth);

SAFEARRAY* makeArray(FuzzedDataProvider& data, VARTYPE element, int depth) {
    UINT const dimensions = data.ConsumeIntegralInRange<UINT>(1, 3);
    SAFEARRAYBOUND bounds[3];
    std::size_t cells = 1;
    for (UINT d = 0; d < dimensions; ++d) {
        bounds[d].cElements = data.ConsumeIntegralInRange<ULONG>(0, 6);
        bounds[d].lLbound = data.ConsumeIntegralInRange<LONG>(-3, 3);
        cells *= bounds[d].cElements;
    }
    SAFEARRAY* array = SafeArrayCreate(element, dimensions, bounds);
    if (array == nullptr || cells == 0)
        return array;
    void* raw = nullptr;
    if (FAILED(SafeArrayAccessData(array, &raw)))
        return array;
    auto* bytes = static_cast<std::uint8_t*>(raw);
    UINT const size = SafeArrayGetElemsize(array);
    for (std::size_t i = 0; i < cells; ++i) {
        void* place = bytes + i * size;
        if (element == VT_VARIANT) {
            *static_cast<VARIANT*>(place) = makeVariant(data, depth + 1);
        } else if (element == VT_DISPATCH || element == VT_UNKNOWN) {
            // The array owns its interfaces.
            IDispatch* pointer = data.ConsumeBool() ? &object : nullptr;
            if (pointer != nullptr)
                pointer->AddRef();
            *static_cast<IDispatch**>(place) = pointer;
        } else {
            std::vector<std::uint8_t> value(size);
            if (element == VT_BSTR)
                *static_cast<BSTR*>(place) = makeString(data);
            else {
                value = data.ConsumeBytes<std::uint8_t>(size);
                value.resize(size);
                std::memcpy(place, value.data(), size);
            }
        }
    }
    SafeArrayUnaccessData(array);
    return array;
}

// Storage a by-reference VARIANT points into, alive for one input.
std::vector<std::unique_ptr<std::uint8_t[]>> referenced;

VARIANT makeVariant(FuzzedDataProvider& data, int depth) {
    VARIANT variant;
    VariantInit(&variant);
    int const form = data.ConsumeIntegralInRange<int>(0, depth < 3 ? 3 : 1);
    if (form == 2) {
        VARTYPE const element = data.PickValueInArray(elementTypes);
        variant.vt = VT_ARRAY | element;
        variant.parray = makeArray(data, element, depth);
        return variant;
    }
    VARTYPE const vt = data.PickValueInArray(scalarTypes);
    if (form == 3 && vt != VT_EMPTY && vt != VT_NULL) {
        // A reference into storage of this input; conversions read nothing
        // through it, but must survive it.
        referenced.push_back(std::make_unique<std::uint8_t[]>(sizeof(VARIANT)));
        variant.vt = VT_BYREF | vt;
        variant.byref = referenced.back().get();
        return variant;
    }
    variant.vt = vt;
    if (vt == VT_VARIANT)
        return variant; // a bare VT_VARIANT has no value to fill
    if (vt != VT_EMPTY && vt != VT_NULL)
        fillScalar(data, vt, vt == VT_DECIMAL ? static_cast<void*>(&variant.decVal) : &variant.llVal);
    if (vt == VT_DECIMAL)
        variant.vt = VT_DECIMAL; // the decimal overlays the type field
    return variant;
}

// What must come back unchanged from a round trip.
void checkRoundTrip(VARIANT const& before, VARIANT const& after) {
    switch (before.vt) {
    case VT_I4:
    case VT_INT:
        if (after.vt != VT_I4 || after.lVal != before.lVal)
            std::abort();
        break;
    case VT_R8:
        if (after.vt == VT_R8 && std::isnan(before.dblVal) == std::isnan(after.dblVal) &&
            (std::isnan(before.dblVal) || after.dblVal == before.dblVal))
            break;
        // Whole numbers that fit come back as integers.
        if ((after.vt == VT_I4 && after.lVal == before.dblVal) || (after.vt == VT_UI4 && after.ulVal == before.dblVal))
            break;
        std::abort();
    case VT_BOOL:
        if (after.vt != VT_BOOL || (after.boolVal != 0) != (before.boolVal != 0))
            std::abort();
        break;
    case VT_BSTR: {
        // Whole, U+0000 included: strings cross to script and back by length.
        if (after.vt != VT_BSTR || SysStringLen(after.bstrVal) != SysStringLen(before.bstrVal))
            std::abort();
        // Lone surrogates may come back as U+FFFD; everything else unchanged.
        break;
    }
    case VT_NULL:
    case VT_EMPTY:
        if (after.vt != before.vt)
            std::abort();
        break;
    case VT_DISPATCH:
        if (before.pdispVal != nullptr && (after.vt != VT_DISPATCH || after.pdispVal != before.pdispVal))
            std::abort();
        break;
    default:
        break;
    }
}

// One engine for the run, destroyed at exit before its registry and type
// library, so that nothing of V8's is left for the leak check.
ComV8Engine& engine() {
    static ComV8Engine::ComClasses classes;
    static ComV8Engine::TypeLibrary typeLibrary;
    static std::unique_ptr<ComV8Engine> const instance = [] {
        // Objects without type information are reported each time they are
        // wrapped; the reports say nothing the fuzzer needs.
        qor::assert::Assert::setEnabled(false);
        auto made = std::make_unique<ComV8Engine>(classes, typeLibrary, ".");
        made->setScript("", {});
        made->runScript();
        return made;
    }();
    return *instance;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    ComV8Engine& host = engine();
    host.setOptions(data.ConsumeBool() ? EngineOptions::all() : EngineOptions{});
    VARIANT original = makeVariant(data, 0);
    host.setScript("", {});
    host.runScript([&](ComV8Engine::RunResult&, v8::Local<v8::Context>& context) {
        v8::Isolate* isolate = context->GetIsolate();
        v8::TryCatch tryCatch(isolate);
        v8::Local<v8::Value> value = ComHelper::variant_comToV8(_variant_t(original), isolate);
        if (value.IsEmpty())
            return;
        VARIANT back = ComHelper::variant_v8ToCom(isolate, value);
        checkRoundTrip(original, back);
        VariantClear(&back);
    });
    VariantClear(&original);
    referenced.clear();
    return 0;
}
