#pragma once

#include "Platform/Posix/Ole/TypeLib/TypeInfo.h"

DEFINE_GUID(IID_ITypeComp, 0x00020403, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

struct DECLSPEC_NOVTABLE ITypeComp : public IUnknown {
    STDMETHOD(Bind)(LPOLESTR szName, ULONG lHashVal, WORD wFlags, ITypeInfo** ppTInfo, DESCKIND* pDescKind,
                    BINDPTR* pBindPtr) PURE;
    STDMETHOD(BindType)(LPOLESTR szName, ULONG lHashVal, ITypeInfo** ppTInfo, ITypeComp** ppTComp) PURE;
};
typedef ITypeComp* LPTYPECOMP;

OLE_DECLARE_UUIDOF(ITypeComp, IID_ITypeComp);
