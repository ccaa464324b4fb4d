#include "Platform/Posix/Ole/Automation/SafeArray.h"

#include <cstring>
#include <expected>
#include <limits>
#include <optional>

#include "Platform/Posix/Ole/Automation/Bstr.h"
#include "Platform/Posix/Ole/Automation/BstrCopy.h"
#include "Platform/Posix/Ole/Automation/Dispatch.h"
#include "Platform/Posix/Ole/Automation/RecordInfo.h"
#include "Platform/Posix/Ole/Automation/VarType.h"
#include "Platform/Posix/Ole/Core/Memory.h"

namespace {

namespace vartype = qor::platform::posix::ole::vartype;

// Every descriptor is preceded by 16 hidden bytes, as on Windows: the element
// IID of an interface array, the IRecordInfo of a record array in the last
// eight, or the element VARTYPE in the last four.
constexpr std::size_t kHidden = 16;
constexpr USHORT kForeignData = FADF_STATIC | FADF_EMBEDDED | FADF_AUTO;
// What the data of an array is, not how it was made: a copy keeps these.
constexpr USHORT kNotCopied = kForeignData | FADF_FIXEDSIZE | FADF_CREATEVECTOR;
constexpr ULONG kMaxLocks = 0xFFFF;
constexpr std::uint64_t kMaxDataBytes = std::numeric_limits<std::uint32_t>::max();

char* hiddenOf(SAFEARRAY* psa)
{
    return reinterpret_cast<char*>(psa) - kHidden;
}

VARTYPE storedVartype(SAFEARRAY* psa)
{
    VARTYPE vt;
    std::memcpy(&vt, hiddenOf(psa) + kHidden - sizeof(DWORD), sizeof(vt));
    return vt;
}

void storeVartype(SAFEARRAY* psa, VARTYPE vt)
{
    DWORD value = vt;
    std::memcpy(hiddenOf(psa) + kHidden - sizeof(DWORD), &value, sizeof(value));
}

IRecordInfo* recordInfoOf(const SAFEARRAY* psa)
{
    IRecordInfo* info;
    std::memcpy(&info, hiddenOf(const_cast<SAFEARRAY*>(psa)) + kHidden - sizeof(info), sizeof(info));
    return info;
}

// Takes a reference on the new one and lets the old one go.
void storeRecordInfo(SAFEARRAY* psa, IRecordInfo* info)
{
    if (info != nullptr)
        info->AddRef();
    if (IRecordInfo* old = recordInfoOf(psa))
        old->Release();
    std::memcpy(hiddenOf(psa) + kHidden - sizeof(info), &info, sizeof(info));
}

bool holdsRecords(const SAFEARRAY* psa)
{
    return (psa->fFeatures & FADF_RECORD) != 0;
}

std::size_t descriptorBytes(UINT cDims)
{
    return kHidden + sizeof(SAFEARRAY) + (cDims - 1) * sizeof(SAFEARRAYBOUND);
}

std::optional<std::uint64_t> cellCount(const SAFEARRAY* psa)
{
    std::uint64_t cells = 1;
    for (USHORT i = 0; i < psa->cDims; ++i) {
        cells *= psa->rgsabound[i].cElements;
        if (cells * (psa->cbElements == 0 ? 1 : psa->cbElements) > kMaxDataBytes)
            return std::nullopt;
    }
    return cells;
}

bool hasInterfaces(const SAFEARRAY* psa)
{
    return (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) != 0;
}

// Releases what the elements own and zeroes them.
HRESULT clearCells(SAFEARRAY* psa, std::uint64_t first, std::uint64_t end)
{
    if (psa->pvData == nullptr)
        return S_OK;
    char* data = static_cast<char*>(psa->pvData);
    for (std::uint64_t i = first; i < end; ++i) {
        char* cell = data + i * psa->cbElements;
        if ((psa->fFeatures & FADF_BSTR) != 0) {
            SysFreeString(*reinterpret_cast<BSTR*>(cell));
        } else if (hasInterfaces(psa)) {
            if (auto* unknown = *reinterpret_cast<IUnknown**>(cell))
                unknown->Release();
        } else if ((psa->fFeatures & FADF_VARIANT) != 0) {
            HRESULT hr = VariantClear(reinterpret_cast<VARIANT*>(cell));
            if (FAILED(hr))
                return hr;
        } else if (holdsRecords(psa)) {
            if (IRecordInfo* info = recordInfoOf(psa))
                info->RecordClear(cell);
        }
    }
    std::memset(data + first * psa->cbElements, 0, (end - first) * psa->cbElements);
    return S_OK;
}

// Copies one element so that the target owns its own BSTR, reference or
// VARIANT contents. The target cell holds nothing yet.
HRESULT copyCell(const SAFEARRAY* psa, char* target, const char* source)
{
    if ((psa->fFeatures & FADF_BSTR) != 0) {
        auto copy = qor::platform::posix::ole::duplicateBstr(*reinterpret_cast<const BSTR*>(source));
        if (!copy)
            return copy.error();
        *reinterpret_cast<BSTR*>(target) = *copy;
        return S_OK;
    }
    if ((psa->fFeatures & FADF_VARIANT) != 0) {
        auto* variant = reinterpret_cast<VARIANT*>(target);
        VariantInit(variant);
        return VariantCopy(variant, reinterpret_cast<const VARIANT*>(source));
    }
    if (holdsRecords(psa)) {
        IRecordInfo* info = recordInfoOf(psa);
        return info != nullptr ? info->RecordCopy(const_cast<char*>(source), target) : E_INVALIDARG;
    }
    std::memcpy(target, source, psa->cbElements);
    if (hasInterfaces(psa)) {
        if (auto* unknown = *reinterpret_cast<IUnknown* const*>(source))
            unknown->AddRef();
    }
    return S_OK;
}

HRESULT copyCells(const SAFEARRAY* source, SAFEARRAY* target, std::uint64_t cells)
{
    auto* from = static_cast<const char*>(source->pvData);
    auto* to = static_cast<char*>(target->pvData);
    for (std::uint64_t i = 0; i < cells; ++i) {
        HRESULT hr = copyCell(target, to + i * target->cbElements, from + i * source->cbElements);
        if (FAILED(hr)) {
            clearCells(target, 0, i);
            return hr;
        }
    }
    return S_OK;
}

bool isValidElementType(VARTYPE vt)
{
    switch (vt) {
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_VARIANT:
    case VT_UNKNOWN:
    case VT_DECIMAL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
        return true;
    default:
        return false;
    }
}

// How the descriptor says what it holds: its VARTYPE, its IID or its
// IRecordInfo. SafeArrayAllocDescriptorEx sets only these.
USHORT descriptionOf(VARTYPE vt)
{
    switch (vt) {
    case VT_UNKNOWN:
    case VT_DISPATCH:
        return FADF_HAVEIID;
    case VT_RECORD:
        return FADF_RECORD;
    default:
        return FADF_HAVEVARTYPE;
    }
}

// What an array made for its elements must do for them: free strings,
// release interfaces, clear VARIANTs.
USHORT ownershipOf(VARTYPE vt)
{
    switch (vt) {
    case VT_BSTR:
        return FADF_BSTR;
    case VT_VARIANT:
        return FADF_VARIANT;
    case VT_UNKNOWN:
        return FADF_UNKNOWN;
    case VT_DISPATCH:
        return FADF_DISPATCH;
    default:
        return 0;
    }
}

// A record array takes its element size from its IRecordInfo, whatever
// GetSize answers besides, as Windows does.
bool describeRecords(SAFEARRAY* psa, IRecordInfo* info)
{
    if (info == nullptr)
        return false;
    ULONG size = 0;
    info->GetSize(&size);
    psa->cbElements = size;
    storeRecordInfo(psa, info);
    return true;
}

// Bounds arrive leftmost dimension first and are kept in reverse, so that
// rgsabound[0] is the rightmost dimension, the one SafeArrayRedim changes.
// The extra is the element IID of an interface array, the IRecordInfo of a
// record array.
SAFEARRAY* create(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* rgsabound, void* extra)
{
    if (rgsabound == nullptr || (!isValidElementType(vt) && vt != VT_RECORD))
        return nullptr;
    SAFEARRAY* psa = nullptr;
    if (FAILED(SafeArrayAllocDescriptorEx(vt, cDims, &psa)))
        return nullptr;
    psa->fFeatures |= ownershipOf(vt);
    for (UINT i = 0; i < cDims; ++i)
        psa->rgsabound[i] = rgsabound[cDims - 1 - i];
    bool described = true;
    if (vt == VT_RECORD)
        described = describeRecords(psa, static_cast<IRecordInfo*>(extra));
    else if (extra != nullptr && hasInterfaces(psa))
        SafeArraySetIID(psa, *static_cast<const IID*>(extra));
    if (!described || FAILED(SafeArrayAllocData(psa))) {
        SafeArrayDestroyDescriptor(psa);
        return nullptr;
    }
    return psa;
}

SAFEARRAY* createVector(VARTYPE vt, LONG lLbound, ULONG cElements, void* extra)
{
    SAFEARRAYBOUND bound{cElements, lLbound};
    SAFEARRAY* psa = create(vt, 1, &bound, extra);
    if (psa != nullptr)
        psa->fFeatures |= FADF_CREATEVECTOR;
    return psa;
}

// Offset in cells of an element; the first index varies fastest.
std::optional<std::uint64_t> cellOf(const SAFEARRAY* psa, const LONG* indices)
{
    std::uint64_t cell = 0;
    std::uint64_t stride = 1;
    for (USHORT d = 0; d < psa->cDims; ++d) {
        const SAFEARRAYBOUND& bound = psa->rgsabound[psa->cDims - 1 - d];
        std::int64_t offset = static_cast<std::int64_t>(indices[d]) - bound.lLbound;
        if (offset < 0 || offset >= static_cast<std::int64_t>(bound.cElements))
            return std::nullopt;
        cell += static_cast<std::uint64_t>(offset) * stride;
        stride *= bound.cElements;
    }
    return cell;
}

std::expected<char*, HRESULT> elementOf(SAFEARRAY* psa, const LONG* indices)
{
    auto cell = cellOf(psa, indices);
    if (!cell)
        return std::unexpected(DISP_E_BADINDEX);
    // A descriptor without data has no element to point at.
    if (psa->pvData == nullptr)
        return std::unexpected(E_UNEXPECTED);
    return static_cast<char*>(psa->pvData) + *cell * psa->cbElements;
}

// Runs an element access with the array locked, as Windows does, so that the
// array cannot be destroyed from inside an element's Release.
template <class Access>
HRESULT withElement(SAFEARRAY* psa, LONG* rgIndices, Access access)
{
    if (psa == nullptr || rgIndices == nullptr)
        return E_INVALIDARG;
    auto element = elementOf(psa, rgIndices);
    if (!element)
        return element.error();
    HRESULT hr = SafeArrayLock(psa);
    if (FAILED(hr))
        return hr;
    hr = access(*element);
    SafeArrayUnlock(psa);
    return hr;
}

} // namespace

HRESULT SafeArrayAllocDescriptor(UINT cDims, SAFEARRAY** ppsaOut)
{
    if (ppsaOut == nullptr)
        return E_POINTER;
    *ppsaOut = nullptr;
    if (cDims == 0 || cDims > 0xFFFF)
        return E_INVALIDARG;
    void* block = CoTaskMemAlloc(descriptorBytes(cDims));
    if (block == nullptr)
        return E_OUTOFMEMORY;
    std::memset(block, 0, descriptorBytes(cDims));
    auto* psa = reinterpret_cast<SAFEARRAY*>(static_cast<char*>(block) + kHidden);
    psa->cDims = static_cast<USHORT>(cDims);
    *ppsaOut = psa;
    return S_OK;
}

// Any VARTYPE is described, as on Windows; only SafeArrayCreate asks for
// one it can hold.
HRESULT SafeArrayAllocDescriptorEx(VARTYPE vt, UINT cDims, SAFEARRAY** ppsaOut)
{
    HRESULT hr = SafeArrayAllocDescriptor(cDims, ppsaOut);
    if (FAILED(hr))
        return hr;
    SAFEARRAY* psa = *ppsaOut;
    psa->fFeatures = descriptionOf(vt);
    psa->cbElements = vt == VT_RECORD ? 0 : static_cast<ULONG>(vartype::sizeOf(vt));
    if (vt == VT_DISPATCH)
        SafeArraySetIID(psa, IID_IDispatch);
    else if (vt == VT_UNKNOWN)
        SafeArraySetIID(psa, IID_IUnknown);
    else if (vt != VT_RECORD)
        storeVartype(psa, vt);
    return S_OK;
}

HRESULT SafeArrayAllocData(SAFEARRAY* psa)
{
    if (psa == nullptr)
        return E_INVALIDARG;
    auto cells = cellCount(psa);
    if (!cells)
        return E_OUTOFMEMORY;
    std::size_t bytes = *cells * psa->cbElements;
    void* data = CoTaskMemAlloc(bytes);
    if (data == nullptr)
        return E_OUTOFMEMORY;
    std::memset(data, 0, bytes);
    psa->pvData = data;
    return S_OK;
}

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound)
{
    return create(vt, cDims, rgsabound, nullptr);
}

SAFEARRAY* SafeArrayCreateEx(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound, PVOID pvExtra)
{
    return create(vt, cDims, rgsabound, pvExtra);
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements)
{
    return createVector(vt, lLbound, cElements, nullptr);
}

SAFEARRAY* SafeArrayCreateVectorEx(VARTYPE vt, LONG lLbound, ULONG cElements, PVOID pvExtra)
{
    return createVector(vt, lLbound, cElements, pvExtra);
}

HRESULT SafeArrayDestroyData(SAFEARRAY* psa)
{
    if (psa == nullptr)
        return E_INVALIDARG;
    if (psa->cLocks > 0)
        return DISP_E_ARRAYISLOCKED;
    auto cells = cellCount(psa);
    HRESULT hr = clearCells(psa, 0, cells.value_or(0));
    if (FAILED(hr))
        return hr;
    if ((psa->fFeatures & kForeignData) == 0) {
        CoTaskMemFree(psa->pvData);
        psa->pvData = nullptr;
        // Without its data a vector is a plain descriptor.
        psa->fFeatures &= static_cast<USHORT>(~FADF_CREATEVECTOR);
    }
    return S_OK;
}

HRESULT SafeArrayDestroyDescriptor(SAFEARRAY* psa)
{
    if (psa == nullptr)
        return S_OK;
    if (psa->cLocks > 0)
        return DISP_E_ARRAYISLOCKED;
    if (holdsRecords(psa))
        storeRecordInfo(psa, nullptr);
    CoTaskMemFree(hiddenOf(psa));
    return S_OK;
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa)
{
    if (psa == nullptr)
        return S_OK;
    HRESULT hr = SafeArrayDestroyData(psa);
    if (FAILED(hr))
        return hr;
    return SafeArrayDestroyDescriptor(psa);
}

HRESULT SafeArrayLock(SAFEARRAY* psa)
{
    if (psa == nullptr)
        return E_INVALIDARG;
    if (psa->cLocks >= kMaxLocks)
        return E_UNEXPECTED;
    ++psa->cLocks;
    return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* psa)
{
    if (psa == nullptr)
        return E_INVALIDARG;
    if (psa->cLocks == 0)
        return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData)
{
    if (psa == nullptr || ppvData == nullptr)
        return E_INVALIDARG;
    HRESULT hr = SafeArrayLock(psa);
    *ppvData = SUCCEEDED(hr) ? psa->pvData : nullptr;
    return hr;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa)
{
    return SafeArrayUnlock(psa);
}

UINT SafeArrayGetDim(SAFEARRAY* psa)
{
    return psa == nullptr ? 0 : psa->cDims;
}

UINT SafeArrayGetElemsize(SAFEARRAY* psa)
{
    return psa == nullptr ? 0 : psa->cbElements;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound)
{
    if (psa == nullptr || plLbound == nullptr)
        return E_INVALIDARG;
    if (nDim == 0 || nDim > psa->cDims)
        return DISP_E_BADINDEX;
    *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound)
{
    if (psa == nullptr || plUbound == nullptr)
        return E_INVALIDARG;
    if (nDim == 0 || nDim > psa->cDims)
        return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& bound = psa->rgsabound[psa->cDims - nDim];
    *plUbound = static_cast<LONG>(static_cast<std::int64_t>(bound.lLbound) + bound.cElements - 1);
    return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt)
{
    if (psa == nullptr || pvt == nullptr)
        return E_INVALIDARG;
    // An interface array is of IUnknown unless made for IDispatch, whatever
    // its IID says.
    if ((psa->fFeatures & FADF_HAVEVARTYPE) != 0)
        *pvt = storedVartype(psa);
    else if ((psa->fFeatures & FADF_RECORD) != 0)
        *pvt = VT_RECORD;
    else if ((psa->fFeatures & FADF_DISPATCH) != 0)
        *pvt = VT_DISPATCH;
    else if ((psa->fFeatures & (FADF_UNKNOWN | FADF_HAVEIID)) != 0)
        *pvt = VT_UNKNOWN;
    else if ((psa->fFeatures & FADF_BSTR) != 0)
        *pvt = VT_BSTR;
    else if ((psa->fFeatures & FADF_VARIANT) != 0)
        *pvt = VT_VARIANT;
    else
        return E_INVALIDARG;
    return S_OK;
}

HRESULT SafeArrayGetIID(SAFEARRAY* psa, GUID* pguid)
{
    if (psa == nullptr || pguid == nullptr || (psa->fFeatures & FADF_HAVEIID) == 0)
        return E_INVALIDARG;
    std::memcpy(pguid, hiddenOf(psa), sizeof(GUID));
    return S_OK;
}

HRESULT SafeArraySetIID(SAFEARRAY* psa, REFGUID guid)
{
    if (psa == nullptr || (psa->fFeatures & FADF_HAVEIID) == 0)
        return E_INVALIDARG;
    std::memcpy(hiddenOf(psa), &guid, sizeof(GUID));
    return S_OK;
}

HRESULT SafeArrayPtrOfIndex(SAFEARRAY* psa, LONG* rgIndices, void** ppvData)
{
    if (psa == nullptr || rgIndices == nullptr || ppvData == nullptr)
        return E_INVALIDARG;
    auto element = elementOf(psa, rgIndices);
    if (!element)
        return element.error();
    *ppvData = *element;
    return S_OK;
}

HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv)
{
    if (pv == nullptr && (psa == nullptr || (psa->fFeatures & (FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH)) == 0))
        return E_INVALIDARG;
    return withElement(psa, rgIndices, [&](char* cell) -> HRESULT {
        // BSTRs and interfaces are passed as themselves, everything else by
        // address.
        if ((psa->fFeatures & FADF_VARIANT) != 0)
            return VariantCopy(reinterpret_cast<VARIANT*>(cell), static_cast<VARIANT*>(pv));
        if ((psa->fFeatures & FADF_BSTR) != 0) {
            auto copy = qor::platform::posix::ole::duplicateBstr(static_cast<BSTR>(pv));
            if (!copy)
                return copy.error();
            SysFreeString(*reinterpret_cast<BSTR*>(cell));
            *reinterpret_cast<BSTR*>(cell) = *copy;
            return S_OK;
        }
        if (holdsRecords(psa))
            return copyCell(psa, cell, static_cast<char*>(pv));
        if (hasInterfaces(psa)) {
            auto* fresh = static_cast<IUnknown*>(pv);
            if (fresh != nullptr)
                fresh->AddRef();
            if (auto* old = *reinterpret_cast<IUnknown**>(cell))
                old->Release();
            *reinterpret_cast<IUnknown**>(cell) = fresh;
            return S_OK;
        }
        std::memcpy(cell, pv, psa->cbElements);
        return S_OK;
    });
}

HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv)
{
    if (pv == nullptr)
        return E_INVALIDARG;
    return withElement(psa, rgIndices, [&](char* cell) -> HRESULT {
        if ((psa->fFeatures & FADF_VARIANT) != 0) {
            // The receiving VARIANT is taken as uninitialised.
            auto* target = static_cast<VARIANT*>(pv);
            VariantInit(target);
            return VariantCopy(target, reinterpret_cast<VARIANT*>(cell));
        }
        return copyCell(psa, static_cast<char*>(pv), cell);
    });
}

HRESULT SafeArrayCopyData(SAFEARRAY* psaSource, SAFEARRAY* psaTarget)
{
    if (psaSource == nullptr || psaTarget == nullptr || psaSource->cDims != psaTarget->cDims ||
        psaSource->cbElements != psaTarget->cbElements)
        return E_INVALIDARG;
    for (USHORT i = 0; i < psaSource->cDims; ++i)
        if (psaSource->rgsabound[i].cElements != psaTarget->rgsabound[i].cElements)
            return E_INVALIDARG;
    auto cells = cellCount(psaTarget);
    // A descriptor without data has nothing to copy from or into.
    if (!cells || psaSource->pvData == nullptr || psaTarget->pvData == nullptr)
        return E_INVALIDARG;
    // A record's own copy replaces what the target record held.
    if (!holdsRecords(psaTarget)) {
        HRESULT hr = clearCells(psaTarget, 0, *cells);
        if (FAILED(hr))
            return hr;
    }
    return copyCells(psaSource, psaTarget, *cells);
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut)
{
    if (ppsaOut == nullptr)
        return E_INVALIDARG;
    *ppsaOut = nullptr;
    if (psa == nullptr)
        return S_OK;
    if (psa->cbElements == 0)
        return E_INVALIDARG;
    SAFEARRAY* copy = nullptr;
    HRESULT hr = SafeArrayAllocDescriptor(psa->cDims, &copy);
    if (FAILED(hr))
        return hr;
    // The hidden type, IID or IRecordInfo comes along; the copy owns its
    // data, however the original's was made.
    std::memcpy(hiddenOf(copy), hiddenOf(psa), kHidden);
    copy->fFeatures = static_cast<USHORT>(psa->fFeatures & ~kNotCopied);
    if (holdsRecords(copy) && recordInfoOf(copy) != nullptr)
        recordInfoOf(copy)->AddRef();
    copy->cbElements = psa->cbElements;
    std::memcpy(copy->rgsabound, psa->rgsabound, psa->cDims * sizeof(SAFEARRAYBOUND));
    hr = SafeArrayAllocData(copy);
    if (SUCCEEDED(hr) && psa->pvData != nullptr)
        hr = copyCells(psa, copy, cellCount(copy).value_or(0));
    if (FAILED(hr)) {
        CoTaskMemFree(copy->pvData);
        SafeArrayDestroyDescriptor(copy);
        return hr;
    }
    *ppsaOut = copy;
    return S_OK;
}

HRESULT SafeArrayRedim(SAFEARRAY* psa, SAFEARRAYBOUND* psaboundNew)
{
    if (psa == nullptr || psaboundNew == nullptr)
        return E_INVALIDARG;
    // A fixed size is a lock on the bounds.
    if (psa->cLocks > 0 || (psa->fFeatures & FADF_FIXEDSIZE) != 0)
        return DISP_E_ARRAYISLOCKED;
    if ((psa->fFeatures & kForeignData) != 0)
        return E_INVALIDARG;
    auto oldCells = cellCount(psa);
    SAFEARRAYBOUND oldBound = psa->rgsabound[0];
    psa->rgsabound[0] = *psaboundNew;
    auto newCells = cellCount(psa);
    psa->rgsabound[0] = oldBound;
    if (!oldCells || !newCells)
        return E_OUTOFMEMORY;
    // The rightmost dimension varies slowest, so a resize only cuts or
    // extends the end of the data block.
    if (*newCells < *oldCells) {
        HRESULT hr = clearCells(psa, *newCells, *oldCells);
        if (FAILED(hr))
            return hr;
    }
    std::size_t bytes = *newCells * psa->cbElements;
    void* data = CoTaskMemRealloc(psa->pvData, bytes);
    if (data == nullptr)
        return E_OUTOFMEMORY;
    if (*newCells > *oldCells)
        std::memset(static_cast<char*>(data) + *oldCells * psa->cbElements, 0, bytes - *oldCells * psa->cbElements);
    psa->pvData = data;
    psa->rgsabound[0] = *psaboundNew;
    return S_OK;
}

HRESULT SafeArraySetRecordInfo(SAFEARRAY* psa, IRecordInfo* prinfo)
{
    if (psa == nullptr || !holdsRecords(psa))
        return E_INVALIDARG;
    storeRecordInfo(psa, prinfo);
    return S_OK;
}

HRESULT SafeArrayGetRecordInfo(SAFEARRAY* psa, IRecordInfo** prinfo)
{
    if (psa == nullptr || prinfo == nullptr || !holdsRecords(psa))
        return E_INVALIDARG;
    *prinfo = recordInfoOf(psa);
    if (*prinfo != nullptr)
        (*prinfo)->AddRef();
    return S_OK;
}
