#pragma once

#include "Platform/Posix/Ole/TypeLib/RecordField.h"

#include <atomic>
#include <expected>
#include <vector>

namespace qor::platform::posix::ole {

// IRecordInfo over a TKIND_RECORD type info: records of the type's size,
// whose fields it reads, copies and clears one by one (RecordField). A
// record block it creates is task memory, as VariantClear frees it.
class TypeRecordInfo final : public IRecordInfo {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP RecordInit(PVOID pvNew) override;
    STDMETHODIMP RecordClear(PVOID pvExisting) override;
    STDMETHODIMP RecordCopy(PVOID pvExisting, PVOID pvNew) override;
    STDMETHODIMP GetGuid(GUID* pguid) override;
    STDMETHODIMP GetName(BSTR* pbstrName) override;
    STDMETHODIMP GetSize(ULONG* pcbSize) override;
    STDMETHODIMP GetTypeInfo(ITypeInfo** ppTypeInfo) override;
    STDMETHODIMP GetField(PVOID pvData, LPCOLESTR szFieldName, VARIANT* pvarField) override;
    STDMETHODIMP GetFieldNoCopy(PVOID pvData, LPCOLESTR szFieldName, VARIANT* pvarField,
                                PVOID* ppvDataCArray) override;
    STDMETHODIMP PutField(ULONG wFlags, PVOID pvData, LPCOLESTR szFieldName, VARIANT* pvarField) override;
    STDMETHODIMP PutFieldNoCopy(ULONG wFlags, PVOID pvData, LPCOLESTR szFieldName, VARIANT* pvarField) override;
    STDMETHODIMP GetFieldNames(ULONG* pcNames, BSTR* rgBstrNames) override;
    STDMETHODIMP_(BOOL) IsMatchingType(IRecordInfo* pRecordInfo) override;
    STDMETHODIMP_(PVOID) RecordCreate() override;
    STDMETHODIMP RecordCreateCopy(PVOID pvSource, PVOID* ppvDest) override;
    STDMETHODIMP RecordDestroy(PVOID pvRecord) override;

    std::vector<RecordField> const& fields() const { return fields_; }

private:
    friend std::expected<IRecordInfo*, HRESULT> recordInfoOfType(ITypeInfo& typeInfo, int depth);
    TypeRecordInfo(ITypeInfo& typeInfo, GUID const& guid, ULONG size);
    ~TypeRecordInfo();
    RecordField const* field(LPCOLESTR name) const;
    HRESULT put(ULONG flags, PVOID data, LPCOLESTR name, VARIANT* value, RecordField::Transfer transfer);

    std::atomic<ULONG> refs_{1};
    ITypeInfo& typeInfo_; // one reference
    GUID guid_;
    ULONG size_;
    std::vector<RecordField> fields_;
};

// The record info of a TKIND_RECORD type, with a reference for the caller;
// `depth` counts the records it is nested in.
std::expected<IRecordInfo*, HRESULT> recordInfoOfType(ITypeInfo& typeInfo, int depth = 0);

} // namespace qor::platform::posix::ole
