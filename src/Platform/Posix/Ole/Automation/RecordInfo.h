#pragma once

// IRecordInfo: what a VT_RECORD VARIANT or a record array carries beside the
// record itself, so that whoever holds one can copy and clear it without
// knowing its fields.

#include "Platform/Posix/Ole/Automation/Variant.h"
#include "Platform/Posix/Ole/Core/Unknown.h"

struct ITypeInfo;

DEFINE_GUID(IID_IRecordInfo, 0x0000002F, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

struct DECLSPEC_NOVTABLE IRecordInfo : public IUnknown {
    STDMETHOD(RecordInit)(PVOID pvNew) PURE;
    STDMETHOD(RecordClear)(PVOID pvExisting) PURE;
    STDMETHOD(RecordCopy)(PVOID pvExisting, PVOID pvNew) PURE;
    STDMETHOD(GetGuid)(GUID* pguid) PURE;
    STDMETHOD(GetName)(BSTR* pbstrName) PURE;
    STDMETHOD(GetSize)(ULONG* pcbSize) PURE;
    STDMETHOD(GetTypeInfo)(ITypeInfo** ppTypeInfo) PURE;
    STDMETHOD(GetField)(PVOID pvData, LPCOLESTR szFieldName, VARIANT* pvarField) PURE;
    STDMETHOD(GetFieldNoCopy)(PVOID pvData, LPCOLESTR szFieldName, VARIANT* pvarField, PVOID* ppvDataCArray) PURE;
    STDMETHOD(PutField)(ULONG wFlags, PVOID pvData, LPCOLESTR szFieldName, VARIANT* pvarField) PURE;
    STDMETHOD(PutFieldNoCopy)(ULONG wFlags, PVOID pvData, LPCOLESTR szFieldName, VARIANT* pvarField) PURE;
    STDMETHOD(GetFieldNames)(ULONG* pcNames, BSTR* rgBstrNames) PURE;
    STDMETHOD_(BOOL, IsMatchingType)(IRecordInfo* pRecordInfo) PURE;
    STDMETHOD_(PVOID, RecordCreate)() PURE;
    STDMETHOD(RecordCreateCopy)(PVOID pvSource, PVOID* ppvDest) PURE;
    STDMETHOD(RecordDestroy)(PVOID pvRecord) PURE;
};
typedef IRecordInfo* LPRECORDINFO;

OLE_DECLARE_UUIDOF(IRecordInfo, IID_IRecordInfo);
