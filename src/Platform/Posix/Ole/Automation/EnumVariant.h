#pragma once

#include "Platform/Posix/Ole/Automation/Variant.h"
#include "Platform/Posix/Ole/Core/Unknown.h"

DEFINE_GUID(IID_IEnumVARIANT, 0x00020404, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

struct DECLSPEC_NOVTABLE IEnumVARIANT : public IUnknown {
    STDMETHOD(Next)(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) PURE;
    STDMETHOD(Skip)(ULONG celt) PURE;
    STDMETHOD(Reset)() PURE;
    STDMETHOD(Clone)(IEnumVARIANT** ppEnum) PURE;
};

OLE_DECLARE_UUIDOF(IEnumVARIANT, IID_IEnumVARIANT);
