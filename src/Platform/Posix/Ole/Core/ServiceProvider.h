#pragma once

#include "Platform/Posix/Ole/Core/Unknown.h"

DEFINE_GUID(IID_IServiceProvider, 0x6D5140C1, 0x7436, 0x11CE, 0x80, 0x34, 0x00, 0xAA, 0x00, 0x60, 0x09, 0xFA);

struct DECLSPEC_NOVTABLE IServiceProvider : public IUnknown {
    STDMETHOD(QueryService)(REFGUID guidService, REFIID riid, void** ppvObject) PURE;
};

OLE_DECLARE_UUIDOF(IServiceProvider, IID_IServiceProvider);
