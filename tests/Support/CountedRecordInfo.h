#pragma once

// An IRecordInfo for a record of one BSTR field, counting its references
// like every CountedObject: copying a record duplicates the text and clearing
// it frees the text, so a record copied and never cleared shows as a leak.

#include "Platform/Com.h"
#include "Support/CountedObject.h"

namespace qor::test {

struct TextRecord {
    BSTR text;
};

class CountedRecordInfo : public CountedObject<IRecordInfo> {
public:
    int copies() const { return copies_; }
    int clears() const { return clears_; }

    STDMETHODIMP RecordInit(PVOID record) override {
        static_cast<TextRecord*>(record)->text = nullptr;
        return S_OK;
    }
    STDMETHODIMP RecordClear(PVOID record) override {
        ++clears_;
        SysFreeString(static_cast<TextRecord*>(record)->text);
        static_cast<TextRecord*>(record)->text = nullptr;
        return S_OK;
    }
    STDMETHODIMP RecordCopy(PVOID source, PVOID target) override {
        ++copies_;
        BSTR text = static_cast<TextRecord*>(source)->text;
        static_cast<TextRecord*>(target)->text = SysAllocStringLen(text, SysStringLen(text));
        return S_OK;
    }
    STDMETHODIMP GetGuid(GUID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetName(BSTR* name) override {
        *name = SysAllocString(u"TextRecord");
        return S_OK;
    }
    STDMETHODIMP GetSize(ULONG* size) override {
        *size = sizeof(TextRecord);
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetField(PVOID, LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetFieldNoCopy(PVOID, LPCOLESTR, VARIANT*, PVOID*) override { return E_NOTIMPL; }
    STDMETHODIMP PutField(ULONG, PVOID, LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP PutFieldNoCopy(ULONG, PVOID, LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetFieldNames(ULONG*, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP_(BOOL) IsMatchingType(IRecordInfo* other) override { return other == this; }
    STDMETHODIMP_(PVOID) RecordCreate() override { return nullptr; }
    STDMETHODIMP RecordCreateCopy(PVOID, PVOID*) override { return E_NOTIMPL; }
    STDMETHODIMP RecordDestroy(PVOID) override { return E_NOTIMPL; }

private:
    int copies_ = 0;
    int clears_ = 0;
};

} // namespace qor::test
