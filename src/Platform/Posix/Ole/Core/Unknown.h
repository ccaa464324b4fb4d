#pragma once

#include "Platform/Posix/Ole/Core/Guid.h"
#include "Platform/Posix/Ole/Core/Types.h"

DEFINE_GUID(IID_IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

struct DECLSPEC_NOVTABLE IUnknown {
    STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) PURE;
    STDMETHOD_(ULONG, AddRef)() PURE;
    STDMETHOD_(ULONG, Release)() PURE;

    template <class Q>
    HRESULT STDMETHODCALLTYPE QueryInterface(Q** pp)
    {
        return QueryInterface(uuidof<Q>(), reinterpret_cast<void**>(pp));
    }
};
typedef IUnknown* LPUNKNOWN;

OLE_DECLARE_UUIDOF(IUnknown, IID_IUnknown);
