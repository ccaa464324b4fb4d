#pragma once

// Connection points: how an object hands its outgoing calls (events) to the
// sinks that clients advise on it, one point per outgoing interface.

#include "Platform/Posix/Ole/Core/Unknown.h"

DEFINE_GUID(IID_IConnectionPointContainer, 0xB196B284, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D,
            0x07);
DEFINE_GUID(IID_IEnumConnectionPoints, 0xB196B285, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
DEFINE_GUID(IID_IConnectionPoint, 0xB196B286, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
DEFINE_GUID(IID_IEnumConnections, 0xB196B287, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);

struct IConnectionPoint;
struct IConnectionPointContainer;

typedef struct tagCONNECTDATA {
    IUnknown* pUnk;
    DWORD dwCookie;
} CONNECTDATA;
typedef CONNECTDATA* LPCONNECTDATA;

static_assert(sizeof(CONNECTDATA) == 16 && offsetof(CONNECTDATA, dwCookie) == 8);

struct DECLSPEC_NOVTABLE IEnumConnections : public IUnknown {
    STDMETHOD(Next)(ULONG cConnections, LPCONNECTDATA rgcd, ULONG* pcFetched) PURE;
    STDMETHOD(Skip)(ULONG cConnections) PURE;
    STDMETHOD(Reset)() PURE;
    STDMETHOD(Clone)(IEnumConnections** ppEnum) PURE;
};
typedef IEnumConnections* LPENUMCONNECTIONS;

struct DECLSPEC_NOVTABLE IConnectionPoint : public IUnknown {
    STDMETHOD(GetConnectionInterface)(IID* pIID) PURE;
    STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer** ppCPC) PURE;
    STDMETHOD(Advise)(IUnknown* pUnkSink, DWORD* pdwCookie) PURE;
    STDMETHOD(Unadvise)(DWORD dwCookie) PURE;
    STDMETHOD(EnumConnections)(IEnumConnections** ppEnum) PURE;
};
typedef IConnectionPoint* LPCONNECTIONPOINT;

struct DECLSPEC_NOVTABLE IEnumConnectionPoints : public IUnknown {
    STDMETHOD(Next)(ULONG cConnections, LPCONNECTIONPOINT* ppCP, ULONG* pcFetched) PURE;
    STDMETHOD(Skip)(ULONG cConnections) PURE;
    STDMETHOD(Reset)() PURE;
    STDMETHOD(Clone)(IEnumConnectionPoints** ppEnum) PURE;
};
typedef IEnumConnectionPoints* LPENUMCONNECTIONPOINTS;

struct DECLSPEC_NOVTABLE IConnectionPointContainer : public IUnknown {
    STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** ppEnum) PURE;
    STDMETHOD(FindConnectionPoint)(REFIID riid, IConnectionPoint** ppCP) PURE;
};
typedef IConnectionPointContainer* LPCONNECTIONPOINTCONTAINER;

OLE_DECLARE_UUIDOF(IConnectionPointContainer, IID_IConnectionPointContainer);
OLE_DECLARE_UUIDOF(IEnumConnectionPoints, IID_IEnumConnectionPoints);
OLE_DECLARE_UUIDOF(IConnectionPoint, IID_IConnectionPoint);
OLE_DECLARE_UUIDOF(IEnumConnections, IID_IEnumConnections);
