#include "Platform/Posix/Ole/Automation/Conversion.h"
#include "Platform/Posix/Ole/Automation/VarType.h"

namespace {

namespace convert = qor::platform::posix::ole::convert;
namespace vartype = qor::platform::posix::ole::vartype;

// The VARIANT_* flags as a request of the conversion.
convert::Request requestOf(LCID lcid, USHORT flags)
{
    convert::Request request;
    request.lcid = lcid;
    request.caller = convert::Caller::changeType;
    if ((flags & VARIANT_LOCALBOOL) != 0)
        request.booleanText = convert::BooleanText::local;
    else if ((flags & VARIANT_ALPHABOOL) != 0)
        request.booleanText = convert::BooleanText::english;
    request.localBooleanWords = (flags & VARIANT_LOCALBOOL) != 0;
    request.dateParts = (flags & VARIANT_USE_NLS) != 0 ? convert::DateParts::DateAndTime : convert::DateParts::AsNeeded;
    request.noValueProperty = (flags & VARIANT_NOVALUEPROP) != 0;
    request.userSettings = (flags & VARIANT_NOUSEROVERRIDE) == 0;
    return request;
}

// What the destination held goes, as VariantClear lets it go; a number
// needs no call for that, and most conversions write over one or nothing.
HRESULT clearDestination(VARIANT& destination)
{
    if (vartype::ownsNothing(destination.vt))
        return S_OK;
    return VariantClear(&destination);
}

} // namespace

HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags, VARTYPE vt)
{
    if (pvargDest == nullptr || pvarSrc == nullptr)
        return E_INVALIDARG;
    // A code no VARIANT holds a value of is a bad type; one it may hold but
    // no conversion makes (a reference, VT_VARIANT, VT_RECORD) a mismatch.
    if (!vartype::isValidForVariant(pvarSrc->vt) || !vartype::isCopyable(vt))
        return DISP_E_BADVARTYPE;
    if ((vt & VT_BYREF) != 0)
        return DISP_E_TYPEMISMATCH;
    // A record by reference is a record: VT_RECORD holds one by reference too.
    VARTYPE const from = pvarSrc->vt == (VT_BYREF | VT_RECORD) ? VARTYPE{VT_RECORD} : pvarSrc->vt;
    if (vt == VT_VARIANT || vt == VT_RECORD || vt == VT_ERROR || from == VT_ERROR || from == VT_RECORD ||
        from == VT_VARIANT) {
        if (from != vt)
            return DISP_E_TYPEMISMATCH;
    }
    // A reference is read into a value of its own; a value is read where it
    // is, since the result is built aside: the destination may be the
    // source, and stays untouched when the conversion fails.
    VARIANT referenced;
    if ((pvarSrc->vt & VT_BYREF) != 0) {
        VariantInit(&referenced);
        HRESULT hr = VariantCopyInd(&referenced, pvarSrc);
        // A reference to nothing has no value to convert.
        if (FAILED(hr))
            return hr == E_INVALIDARG ? DISP_E_TYPEMISMATCH : hr;
        pvarSrc = &referenced;
    }
    VARIANT result{};
    HRESULT hr = convert::changeType(result, *pvarSrc, requestOf(lcid, wFlags), vt);
    if (pvarSrc == &referenced)
        VariantClear(&referenced);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    hr = clearDestination(*pvargDest);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    *pvargDest = result;
    return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt)
{
    return VariantChangeTypeEx(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags, vt);
}
