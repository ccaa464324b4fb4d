#include "Platform/Posix/Ole/TypeLib/TypeRecordInfo.h"

#include "Platform/Posix/Ole/Automation/Bstr.h"
#include "Platform/Posix/Ole/Core/AsciiCase.h"
#include "Platform/Posix/Ole/Core/Guid.h"
#include "Platform/Posix/Ole/Core/Memory.h"
#include "Platform/Posix/Ole/TypeLib/CTypeLib.h"
#include "Platform/Posix/Ole/TypeLib/HeldDescription.h"
#include "Platform/Posix/Ole/TypeLib/OpenTypeLibs.h"
#include "Platform/Posix/Ole/TypeLib/RecordInfoOfType.h"

#include <algorithm>
#include <cstring>

namespace qor::platform::posix::ole {

namespace {

constexpr int maxAliasDepth = 16;

std::byte* bytesOf(PVOID data)
{
    return static_cast<std::byte*>(data);
}

// The name a record info gives its type; empty when it has none.
std::u16string nameOf(IRecordInfo& info)
{
    BSTR name = nullptr;
    if (FAILED(info.GetName(&name)))
        return {};
    std::u16string text(name, SysStringLen(name));
    SysFreeString(name);
    return text;
}

} // namespace

std::expected<IRecordInfo*, HRESULT> recordInfoOfType(ITypeInfo& typeInfo, int depth)
{
    if (depth > maxAliasDepth)
        return std::unexpected(TYPE_E_CIRCULARTYPE);
    auto attr = typeAttrOf(typeInfo);
    if (!attr)
        return std::unexpected(attr.error());
    // An alias of a record stands for the record.
    if ((*attr)->typekind == TKIND_ALIAS && (*attr)->tdescAlias.vt == VT_USERDEFINED) {
        ITypeInfo* aliased = nullptr;
        if (HRESULT hr = typeInfo.GetRefTypeInfo((*attr)->tdescAlias.hreftype, &aliased); FAILED(hr))
            return std::unexpected(hr);
        auto info = recordInfoOfType(*aliased, depth + 1);
        aliased->Release();
        return info;
    }
    if ((*attr)->typekind != TKIND_RECORD)
        return std::unexpected(E_INVALIDARG);
    auto* info = new TypeRecordInfo(typeInfo, (*attr)->guid, (*attr)->cbSizeInstance);
    for (WORD i = 0; i < (*attr)->cVars; ++i) {
        auto desc = varDescOf(typeInfo, i);
        auto field = desc ? RecordField::describe(typeInfo, **desc, depth)
                          : std::expected<RecordField, HRESULT>(std::unexpect, desc.error());
        if (!field) {
            info->Release();
            return std::unexpected(field.error());
        }
        info->fields_.push_back(std::move(*field));
    }
    return info;
}

TypeRecordInfo::TypeRecordInfo(ITypeInfo& typeInfo, GUID const& guid, ULONG size)
    : typeInfo_(typeInfo), guid_(guid), size_(size)
{
    typeInfo_.AddRef();
}

TypeRecordInfo::~TypeRecordInfo()
{
    typeInfo_.Release();
}

STDMETHODIMP TypeRecordInfo::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IRecordInfo))
        return E_NOINTERFACE;
    *ppv = static_cast<IRecordInfo*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) TypeRecordInfo::AddRef()
{
    return ++refs_;
}

STDMETHODIMP_(ULONG) TypeRecordInfo::Release()
{
    ULONG const left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

STDMETHODIMP TypeRecordInfo::RecordInit(PVOID pvNew)
{
    if (pvNew == nullptr)
        return E_INVALIDARG;
    std::memset(pvNew, 0, size_);
    return S_OK;
}

STDMETHODIMP TypeRecordInfo::RecordClear(PVOID pvExisting)
{
    if (pvExisting == nullptr)
        return E_INVALIDARG;
    for (RecordField const& field : fields_)
        field.clear(bytesOf(pvExisting));
    return S_OK;
}

STDMETHODIMP TypeRecordInfo::RecordCopy(PVOID pvExisting, PVOID pvNew)
{
    if (pvExisting == nullptr || pvNew == nullptr)
        return E_INVALIDARG;
    if (pvExisting == pvNew)
        return S_OK;
    // What the target held is let go first, as Windows does.
    RecordClear(pvNew);
    for (RecordField const& field : fields_) {
        if (HRESULT hr = field.copy(bytesOf(pvExisting), bytesOf(pvNew)); FAILED(hr)) {
            RecordClear(pvNew);
            return hr;
        }
    }
    return S_OK;
}

STDMETHODIMP TypeRecordInfo::GetGuid(GUID* pguid)
{
    if (pguid == nullptr)
        return E_INVALIDARG;
    *pguid = guid_;
    return S_OK;
}

STDMETHODIMP TypeRecordInfo::GetName(BSTR* pbstrName)
{
    if (pbstrName == nullptr)
        return E_INVALIDARG;
    return typeInfo_.GetDocumentation(MEMBERID_NIL, pbstrName, nullptr, nullptr, nullptr);
}

STDMETHODIMP TypeRecordInfo::GetSize(ULONG* pcbSize)
{
    if (pcbSize == nullptr)
        return E_INVALIDARG;
    *pcbSize = size_;
    return S_OK;
}

STDMETHODIMP TypeRecordInfo::GetTypeInfo(ITypeInfo** ppTypeInfo)
{
    if (ppTypeInfo == nullptr)
        return E_INVALIDARG;
    typeInfo_.AddRef();
    *ppTypeInfo = &typeInfo_;
    return S_OK;
}

RecordField const* TypeRecordInfo::field(LPCOLESTR name) const
{
    std::u16string_view const wanted(name);
    auto found = std::ranges::find_if(
        fields_, [&](RecordField const& field) { return equalsIgnoringAsciiCase(field.name(), wanted); });
    return found == fields_.end() ? nullptr : &*found;
}

STDMETHODIMP TypeRecordInfo::GetField(PVOID pvData, LPCOLESTR szFieldName, VARIANT* pvarField)
{
    if (pvData == nullptr || szFieldName == nullptr || pvarField == nullptr)
        return E_INVALIDARG;
    RecordField const* found = field(szFieldName);
    if (found == nullptr)
        return TYPE_E_FIELDNOTFOUND;
    return found->get(bytesOf(pvData), *pvarField);
}

STDMETHODIMP TypeRecordInfo::GetFieldNoCopy(PVOID pvData, LPCOLESTR szFieldName, VARIANT* pvarField,
                                            PVOID* ppvDataCArray)
{
    if (pvData == nullptr || szFieldName == nullptr || pvarField == nullptr)
        return E_INVALIDARG;
    RecordField const* found = field(szFieldName);
    if (found == nullptr)
        return TYPE_E_FIELDNOTFOUND;
    if (HRESULT hr = VariantClear(pvarField); FAILED(hr))
        return hr;
    return found->refer(bytesOf(pvData), *pvarField, ppvDataCArray);
}

HRESULT TypeRecordInfo::put(ULONG flags, PVOID data, LPCOLESTR name, VARIANT* value, RecordField::Transfer transfer)
{
    if (data == nullptr || name == nullptr || value == nullptr ||
        (flags & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) == 0)
        return E_INVALIDARG;
    RecordField const* found = field(name);
    if (found == nullptr)
        return TYPE_E_FIELDNOTFOUND;
    return found->put(bytesOf(data), *value, transfer);
}

STDMETHODIMP TypeRecordInfo::PutField(ULONG wFlags, PVOID pvData, LPCOLESTR szFieldName, VARIANT* pvarField)
{
    return put(wFlags, pvData, szFieldName, pvarField, RecordField::Transfer::copy);
}

STDMETHODIMP TypeRecordInfo::PutFieldNoCopy(ULONG wFlags, PVOID pvData, LPCOLESTR szFieldName, VARIANT* pvarField)
{
    return put(wFlags, pvData, szFieldName, pvarField, RecordField::Transfer::handOver);
}

STDMETHODIMP TypeRecordInfo::GetFieldNames(ULONG* pcNames, BSTR* rgBstrNames)
{
    if (pcNames == nullptr)
        return E_INVALIDARG;
    if (rgBstrNames == nullptr) {
        *pcNames = static_cast<ULONG>(fields_.size());
        return S_OK;
    }
    ULONG const given = std::min<ULONG>(*pcNames, static_cast<ULONG>(fields_.size()));
    for (ULONG i = 0; i < given; ++i) {
        std::u16string const& name = fields_[i].name();
        rgBstrNames[i] = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
        if (rgBstrNames[i] == nullptr) {
            while (i > 0)
                SysFreeString(rgBstrNames[--i]);
            return E_OUTOFMEMORY;
        }
    }
    *pcNames = given;
    return S_OK;
}

STDMETHODIMP_(BOOL) TypeRecordInfo::IsMatchingType(IRecordInfo* pRecordInfo)
{
    // The GUID names the type, whatever fields either side declares; a type
    // without one is known by its name.
    GUID other{};
    if (pRecordInfo == nullptr || FAILED(pRecordInfo->GetGuid(&other)))
        return FALSE;
    if (!IsEqualGUID(guid_, GUID_NULL) || !IsEqualGUID(other, GUID_NULL))
        return IsEqualGUID(guid_, other);
    return nameOf(*this) == nameOf(*pRecordInfo);
}

STDMETHODIMP_(PVOID) TypeRecordInfo::RecordCreate()
{
    void* record = CoTaskMemAlloc(std::max<ULONG>(size_, 1));
    if (record != nullptr)
        RecordInit(record);
    return record;
}

STDMETHODIMP TypeRecordInfo::RecordCreateCopy(PVOID pvSource, PVOID* ppvDest)
{
    if (pvSource == nullptr || ppvDest == nullptr)
        return E_INVALIDARG;
    *ppvDest = RecordCreate();
    if (*ppvDest == nullptr)
        return E_OUTOFMEMORY;
    if (HRESULT hr = RecordCopy(pvSource, *ppvDest); FAILED(hr)) {
        CoTaskMemFree(*ppvDest);
        *ppvDest = nullptr;
        return hr;
    }
    return S_OK;
}

STDMETHODIMP TypeRecordInfo::RecordDestroy(PVOID pvRecord)
{
    if (pvRecord == nullptr)
        return S_OK;
    RecordClear(pvRecord);
    CoTaskMemFree(pvRecord);
    return S_OK;
}

} // namespace qor::platform::posix::ole

using qor::platform::posix::ole::recordInfoOfType;

WINOLEAUTAPI GetRecordInfoFromTypeInfo(ITypeInfo* pTypeInfo, IRecordInfo** ppRecInfo)
{
    if (pTypeInfo == nullptr || ppRecInfo == nullptr)
        return E_INVALIDARG;
    *ppRecInfo = nullptr;
    auto info = recordInfoOfType(*pTypeInfo);
    if (!info)
        return info.error();
    *ppRecInfo = *info;
    return S_OK;
}

WINOLEAUTAPI GetRecordInfoFromGuids(REFGUID rGuidTypeLib, ULONG uVerMajor, ULONG uVerMinor, LCID,
                                    REFGUID rGuidTypeInfo, IRecordInfo** ppRecInfo)
{
    if (ppRecInfo == nullptr)
        return E_INVALIDARG;
    *ppRecInfo = nullptr;
    if (uVerMajor > 0xFFFF || uVerMinor > 0xFFFF)
        return TYPE_E_LIBNOTREGISTERED;
    auto* library = qor::platform::posix::ole::findOpenTypeLib(rGuidTypeLib, static_cast<WORD>(uVerMajor),
                                                               static_cast<WORD>(uVerMinor));
    if (library == nullptr)
        return TYPE_E_LIBNOTREGISTERED;
    ITypeInfo* typeInfo = nullptr;
    HRESULT hr = library->GetTypeInfoOfGuid(rGuidTypeInfo, &typeInfo);
    library->Release();
    if (FAILED(hr))
        return hr;
    hr = GetRecordInfoFromTypeInfo(typeInfo, ppRecInfo);
    typeInfo->Release();
    return hr;
}
