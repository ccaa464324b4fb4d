#include "Platform/Posix/Ole/TypeLib/TypeLibValue.h"

#include "Platform/Posix/Ole/TypeLib/TypeLibText.h"

#include <cstring>

namespace qor::platform::posix::ole {

namespace {
bool isStorableScalar(VARTYPE vt) {
    switch (vt) {
    case VT_EMPTY: case VT_NULL: case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_UI1: case VT_UI2:
    case VT_UI4: case VT_UI8: case VT_INT: case VT_UINT: case VT_R4: case VT_R8: case VT_CY: case VT_DATE:
    case VT_BOOL: case VT_ERROR:
        return true;
    default:
        return false;
    }
}
} // namespace

VARIANT variantOfTypeLibValue(TypeLibRecord const& lib, ValueRecord const& value) {
    VARIANT v;
    VariantInit(&v);
    if (value.vt == VT_BSTR) {
        v.vt = VT_BSTR;
        v.bstrVal = value.text ? typeLibTextToBstr(lib.text(*value.text)) : nullptr;
    } else if (value.vt == VT_DECIMAL) {
        std::memcpy(&v.decVal, &value.bits, sizeof(value.bits));
        std::memcpy(reinterpret_cast<std::byte*>(&v.decVal) + sizeof(value.bits), &value.bitsHigh,
                    sizeof(value.bitsHigh));
        v.vt = VT_DECIMAL;
    } else if (value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN) {
        // defaultvalue(0) of an object parameter: a null object. Stored bits
        // could only be a pointer from a file, so they are never taken.
        v.vt = value.vt;
        v.punkVal = nullptr;
    } else if (isStorableScalar(value.vt)) {
        v.vt = value.vt;
        std::memcpy(&v.llVal, &value.bits, sizeof(value.bits));
    }
    return v;
}

HRESULT customDatum(TypeLibRecord const& lib, RecordRange range, REFGUID guid, VARIANT* datum) {
    if (datum == nullptr)
        return E_INVALIDARG;
    VariantInit(datum);
    Guid const wanted(guid);
    for (CustomDataRecord const& entry : lib.customDataOf(range)) {
        if (entry.guid == wanted) {
            *datum = variantOfTypeLibValue(lib, entry.value);
            return S_OK;
        }
    }
    return S_OK;
}

HRESULT allCustomData(TypeLibRecord const& lib, RecordRange range, CUSTDATA* all) {
    if (all == nullptr)
        return E_INVALIDARG;
    auto const entries = lib.customDataOf(range);
    *all = CUSTDATA{};
    if (entries.empty())
        return S_OK;
    auto* items = static_cast<CUSTDATAITEM*>(CoTaskMemAlloc(entries.size() * sizeof(CUSTDATAITEM)));
    if (items == nullptr)
        return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        items[i].guid = entries[i].guid.to<GUID>();
        items[i].varValue = variantOfTypeLibValue(lib, entries[i].value);
    }
    all->cCustData = static_cast<DWORD>(entries.size());
    all->prgCustData = items;
    return S_OK;
}

} // namespace qor::platform::posix::ole
