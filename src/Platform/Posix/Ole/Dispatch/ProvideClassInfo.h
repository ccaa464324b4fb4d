#pragma once

// What an object tells of its class: the coclass's type information, which
// names its outgoing interfaces as well as the ones it implements.

#include "Platform/Posix/Ole/Core/Unknown.h"

struct ITypeInfo;

DEFINE_GUID(IID_IProvideClassInfo, 0xB196B283, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);

struct DECLSPEC_NOVTABLE IProvideClassInfo : public IUnknown {
    STDMETHOD(GetClassInfo)(ITypeInfo** ppTI) PURE;
};
typedef IProvideClassInfo* LPPROVIDECLASSINFO;

OLE_DECLARE_UUIDOF(IProvideClassInfo, IID_IProvideClassInfo);
