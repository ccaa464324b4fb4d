#include "Platform/Posix/Ole/Dispatch/ArgumentCoercion.h"

#include <utility>

#include "Platform/Posix/Ole/Automation/VarType.h"
#include "Platform/Posix/Ole/Core/Unknown.h"

namespace qor::platform::posix::ole {

HRESULT asCoercionFailure(HRESULT hr) {
    return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
}

HRESULT coerce(VARIANT& dest, VARIANT const& source, VARTYPE vt) {
    // The common case of a script call, taken without copying twice.
    if (source.vt == vt && vartype::isPlainValue(vt)) {
        dest = source;
        return S_OK;
    }
    VARIANT plain;
    VariantInit(&plain);
    if (HRESULT hr = VariantCopyInd(&plain, &source); FAILED(hr))
        return asCoercionFailure(hr);
    HRESULT hr = S_OK;
    if (plain.vt == vt)
        std::swap(dest, plain);
    else if (vt & VT_ARRAY)
        hr = DISP_E_TYPEMISMATCH;
    else
        hr = VariantChangeType(&dest, &plain, 0, vt);
    VariantClear(&plain);
    return FAILED(hr) ? asCoercionFailure(hr) : S_OK;
}

HRESULT coerceObject(VARIANT& dest, VARIANT const& source, VARTYPE vt, GUID const& iid) {
    VARIANT const* plain = (source.vt & VT_BYREF) && (source.vt & ~VT_BYREF) == VT_VARIANT ? source.pvarVal : &source;
    IUnknown* object = nullptr;
    switch (plain->vt) {
    case VT_DISPATCH:
    case VT_UNKNOWN:
        object = plain->punkVal;
        break;
    case VT_BYREF | VT_DISPATCH:
    case VT_BYREF | VT_UNKNOWN:
        object = *plain->ppunkVal;
        break;
    case VT_EMPTY:
    case VT_NULL:
        break;
    default:
        return DISP_E_TYPEMISMATCH;
    }
    dest.vt = vt;
    dest.punkVal = nullptr;
    if (object == nullptr)
        return S_OK;
    void* asked = nullptr;
    if (FAILED(object->QueryInterface(iid, &asked)))
        return DISP_E_TYPEMISMATCH;
    dest.punkVal = static_cast<IUnknown*>(asked);
    return S_OK;
}

} // namespace qor::platform::posix::ole
