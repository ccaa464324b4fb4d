#include "Platform/Posix/Ole/Automation/Variant.h"

#include <cstring>

#include "Platform/Posix/Ole/Automation/Bstr.h"
#include "Platform/Posix/Ole/Automation/BstrCopy.h"
#include "Platform/Posix/Ole/Automation/Dispatch.h"
#include "Platform/Posix/Ole/Automation/RecordInfo.h"
#include "Platform/Posix/Ole/Automation/SafeArray.h"
#include "Platform/Posix/Ole/Automation/VarType.h"
#include "Platform/Posix/Ole/Core/Memory.h"

namespace {

using namespace qor::platform::posix::ole::vartype;

// A record of the copy's own: a block of the record's size that the record's
// IRecordInfo fills, so that what its fields own is copied too. The block is
// the VARIANT's, and VariantClear frees it.
HRESULT duplicateRecord(VARIANT& target)
{
    IRecordInfo* info = target.pRecInfo;
    void* source = target.pvRecord;
    target.pvRecord = nullptr;
    if (info == nullptr)
        return source == nullptr ? S_OK : E_INVALIDARG;
    if (source != nullptr) {
        ULONG size = 0;
        HRESULT hr = info->GetSize(&size);
        if (FAILED(hr))
            return hr;
        void* copy = CoTaskMemAlloc(size);
        if (copy == nullptr)
            return E_OUTOFMEMORY;
        std::memset(copy, 0, size);
        hr = info->RecordCopy(source, copy);
        if (FAILED(hr)) {
            CoTaskMemFree(copy);
            return hr;
        }
        target.pvRecord = copy;
    }
    info->AddRef();
    return S_OK;
}

void clearRecord(VARIANT& record)
{
    IRecordInfo* info = record.pRecInfo;
    if (info == nullptr)
        return;
    if (record.pvRecord != nullptr)
        info->RecordClear(record.pvRecord);
    // Read again: clearing may have let the record go already.
    CoTaskMemFree(record.pvRecord);
    record.pvRecord = nullptr;
    info->Release();
}

// Copies the value of a BSTR, array or interface so that the copy owns it;
// other types are plain bits. target and source hold the same vt.
HRESULT duplicateOwned(VARIANT& target, VARTYPE vt)
{
    if ((vt & VT_ARRAY) != 0) {
        SAFEARRAY* source = target.parray;
        target.parray = nullptr;
        return source == nullptr ? S_OK : SafeArrayCopy(source, &target.parray);
    }
    switch (vt) {
    case VT_BSTR: {
        // A null BSTR means the empty text; its copy is one, as on Windows,
        // so that the receiver may read it as a string.
        if (target.bstrVal == nullptr) {
            target.bstrVal = SysAllocStringLen(nullptr, 0);
            return target.bstrVal != nullptr ? S_OK : E_OUTOFMEMORY;
        }
        auto copy = qor::platform::posix::ole::duplicateBstr(target.bstrVal);
        target.bstrVal = copy.value_or(nullptr);
        return copy ? S_OK : copy.error();
    }
    case VT_DISPATCH:
    case VT_UNKNOWN:
        if (target.punkVal != nullptr)
            target.punkVal->AddRef();
        return S_OK;
    case VT_RECORD:
        return duplicateRecord(target);
    default:
        return S_OK;
    }
}

// Reads the value a by-reference VARIANT points to into a by-value one.
HRESULT dereference(VARIANT& target, const VARIANT& source)
{
    VARTYPE type = static_cast<VARTYPE>(source.vt & ~VT_BYREF);
    if (source.byref == nullptr)
        return E_INVALIDARG;
    if (type == VT_VARIANT) {
        const VARIANT* inner = source.pvarVal;
        if (inner->vt == (VT_VARIANT | VT_BYREF))
            return E_INVALIDARG;
        return VariantCopyInd(&target, inner);
    }
    if (type == VT_DECIMAL) {
        target.decVal = *source.pdecVal;
        target.vt = VT_DECIMAL;
        return S_OK;
    }
    if (type == VT_RECORD) {
        // A record is held by reference either way.
        target = source;
        target.vt = VT_RECORD;
        HRESULT hr = duplicateRecord(target);
        if (FAILED(hr))
            target.vt = VT_EMPTY;
        return hr;
    }
    std::size_t size = (type & VT_ARRAY) != 0 ? sizeof(SAFEARRAY*) : sizeOf(type);
    if (size == 0)
        return DISP_E_BADVARTYPE;
    target.vt = type;
    target.llVal = 0;
    std::memcpy(&target.llVal, source.byref, size);
    HRESULT hr = duplicateOwned(target, type);
    if (FAILED(hr))
        target.vt = VT_EMPTY;
    return hr;
}

} // namespace

void VariantInit(VARIANTARG* pvarg)
{
    // The whole VARIANT, as Windows 8 and later clear it: a caller that reads
    // the value of an empty VARIANT reads zero, not what the stack held.
    if (pvarg != nullptr)
        std::memset(pvarg, 0, sizeof(VARIANT));
}

HRESULT VariantClear(VARIANTARG* pvarg)
{
    if (pvarg == nullptr)
        return E_INVALIDARG;
    VARTYPE vt = pvarg->vt;
    if (!isValidForVariant(vt))
        return DISP_E_BADVARTYPE;
    if ((vt & VT_BYREF) == 0) {
        if ((vt & VT_ARRAY) != 0) {
            // A locked array stays where it is, so nothing is lost.
            HRESULT hr = SafeArrayDestroy(pvarg->parray);
            if (FAILED(hr))
                return hr;
        } else if (vt == VT_BSTR) {
            SysFreeString(pvarg->bstrVal);
        } else if ((vt == VT_DISPATCH || vt == VT_UNKNOWN) && pvarg->punkVal != nullptr) {
            pvarg->punkVal->Release();
        } else if (vt == VT_RECORD) {
            clearRecord(*pvarg);
        }
    }
    pvarg->vt = VT_EMPTY;
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc)
{
    if (pvargDest == nullptr || pvargSrc == nullptr)
        return E_INVALIDARG;
    if (!isCopyable(pvargSrc->vt))
        return DISP_E_BADVARTYPE;
    if (pvargDest == pvargSrc)
        return S_OK;
    HRESULT hr = VariantClear(pvargDest);
    if (FAILED(hr))
        return hr;
    VARIANT copy = *pvargSrc;
    if ((copy.vt & VT_BYREF) == 0) {
        hr = duplicateOwned(copy, copy.vt);
        if (FAILED(hr))
            return hr;
    }
    *pvargDest = copy;
    return S_OK;
}

HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc)
{
    if (pvarDest == nullptr || pvargSrc == nullptr)
        return E_INVALIDARG;
    if ((pvargSrc->vt & VT_BYREF) == 0)
        return VariantCopy(pvarDest, pvargSrc);
    // A reference to what cannot be read is a bad argument rather than a
    // bad type, as Windows answers it.
    if (!isReadableByReference(pvargSrc->vt))
        return E_INVALIDARG;
    // Built aside first: the source may be the destination.
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = dereference(value, *pvargSrc);
    if (FAILED(hr))
        return hr;
    if (pvarDest != pvargSrc) {
        hr = VariantClear(pvarDest);
        if (FAILED(hr)) {
            VariantClear(&value);
            return hr;
        }
    }
    *pvarDest = value;
    return S_OK;
}
