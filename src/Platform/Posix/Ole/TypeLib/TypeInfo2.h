#pragma once

#include "Platform/Posix/Ole/TypeLib/CustomData.h"
#include "Platform/Posix/Ole/TypeLib/TypeInfo.h"

DEFINE_GUID(IID_ITypeInfo2, 0x00020412, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

// ITypeInfo with its custom data, member indexes by id and help strings.
struct DECLSPEC_NOVTABLE ITypeInfo2 : public ITypeInfo {
    STDMETHOD(GetTypeKind)(TYPEKIND* pTypeKind) PURE;
    STDMETHOD(GetTypeFlags)(ULONG* pTypeFlags) PURE;
    STDMETHOD(GetFuncIndexOfMemId)(MEMBERID memid, INVOKEKIND invKind, UINT* pFuncIndex) PURE;
    STDMETHOD(GetVarIndexOfMemId)(MEMBERID memid, UINT* pVarIndex) PURE;
    STDMETHOD(GetCustData)(REFGUID guid, VARIANT* pVarVal) PURE;
    STDMETHOD(GetFuncCustData)(UINT index, REFGUID guid, VARIANT* pVarVal) PURE;
    STDMETHOD(GetParamCustData)(UINT indexFunc, UINT indexParam, REFGUID guid, VARIANT* pVarVal) PURE;
    STDMETHOD(GetVarCustData)(UINT index, REFGUID guid, VARIANT* pVarVal) PURE;
    STDMETHOD(GetImplTypeCustData)(UINT index, REFGUID guid, VARIANT* pVarVal) PURE;
    STDMETHOD(GetDocumentation2)(MEMBERID memid, LCID lcid, BSTR* pbstrHelpString, DWORD* pdwHelpStringContext,
                                 BSTR* pbstrHelpStringDll) PURE;
    STDMETHOD(GetAllCustData)(CUSTDATA* pCustData) PURE;
    STDMETHOD(GetAllFuncCustData)(UINT index, CUSTDATA* pCustData) PURE;
    STDMETHOD(GetAllParamCustData)(UINT indexFunc, UINT indexParam, CUSTDATA* pCustData) PURE;
    STDMETHOD(GetAllVarCustData)(UINT index, CUSTDATA* pCustData) PURE;
    STDMETHOD(GetAllImplTypeCustData)(UINT index, CUSTDATA* pCustData) PURE;
};
typedef ITypeInfo2* LPTYPEINFO2;

OLE_DECLARE_UUIDOF(ITypeInfo2, IID_ITypeInfo2);
