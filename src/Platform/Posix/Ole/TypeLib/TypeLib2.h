#pragma once

#include "Platform/Posix/Ole/TypeLib/CustomData.h"
#include "Platform/Posix/Ole/TypeLib/TypeLib.h"

DEFINE_GUID(IID_ITypeLib2, 0x00020411, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

// ITypeLib with the library's custom data, name statistics and help strings.
struct DECLSPEC_NOVTABLE ITypeLib2 : public ITypeLib {
    STDMETHOD(GetCustData)(REFGUID guid, VARIANT* pVarVal) PURE;
    STDMETHOD(GetLibStatistics)(ULONG* pcUniqueNames, ULONG* pcchUniqueNames) PURE;
    STDMETHOD(GetDocumentation2)(INT index, LCID lcid, BSTR* pbstrHelpString, DWORD* pdwHelpStringContext,
                                 BSTR* pbstrHelpStringDll) PURE;
    STDMETHOD(GetAllCustData)(CUSTDATA* pCustData) PURE;
};
typedef ITypeLib2* LPTYPELIB2;

OLE_DECLARE_UUIDOF(ITypeLib2, IID_ITypeLib2);
