#pragma once

// IDispatchEx: dispatch with members added and removed at run time.

#include "Platform/Posix/Ole/Automation/Dispatch.h"
#include "Platform/Posix/Ole/Core/ServiceProvider.h"

#define fdexNameCaseSensitive 0x00000001L
#define fdexNameEnsure 0x00000002L
#define fdexNameImplicit 0x00000004L
#define fdexNameCaseInsensitive 0x00000008L
#define fdexNameInternal 0x00000010L
#define fdexNameNoDynamicProperties 0x00000020L

#define fdexPropCanGet 0x00000001L
#define fdexPropCannotGet 0x00000002L
#define fdexPropCanPut 0x00000004L
#define fdexPropCannotPut 0x00000008L
#define fdexPropCanPutRef 0x00000010L
#define fdexPropCannotPutRef 0x00000020L
#define fdexPropNoSideEffects 0x00000040L
#define fdexPropDynamicType 0x00000080L
#define fdexPropCanCall 0x00000100L
#define fdexPropCannotCall 0x00000200L
#define fdexPropCanConstruct 0x00000400L
#define fdexPropCannotConstruct 0x00000800L
#define fdexPropCanSourceEvents 0x00001000L
#define fdexPropCannotSourceEvents 0x00002000L

#define grfdexPropCanAll                                                                                   \
    (fdexPropCanGet | fdexPropCanPut | fdexPropCanPutRef | fdexPropCanCall | fdexPropCanConstruct |         \
     fdexPropCanSourceEvents)
#define grfdexPropCannotAll                                                                                \
    (fdexPropCannotGet | fdexPropCannotPut | fdexPropCannotPutRef | fdexPropCannotCall |                    \
     fdexPropCannotConstruct | fdexPropCannotSourceEvents)
#define grfdexPropExtraAll (fdexPropNoSideEffects | fdexPropDynamicType)
#define grfdexPropAll (grfdexPropCanAll | grfdexPropCannotAll | grfdexPropExtraAll)

#define fdexEnumDefault 0x00000001L
#define fdexEnumAll 0x00000002L

DEFINE_GUID(IID_IDispatchEx, 0xA6EF9860, 0xC720, 0x11D0, 0x93, 0x37, 0x00, 0xA0, 0xC9, 0x0D, 0xCA, 0xA9);

struct DECLSPEC_NOVTABLE IDispatchEx : public IDispatch {
    STDMETHOD(GetDispID)(BSTR bstrName, DWORD grfdex, DISPID* pid) PURE;
    STDMETHOD(InvokeEx)(DISPID id, LCID lcid, WORD wFlags, DISPPARAMS* pdp, VARIANT* pvarRes, EXCEPINFO* pei,
                        IServiceProvider* pspCaller) PURE;
    STDMETHOD(DeleteMemberByName)(BSTR bstrName, DWORD grfdex) PURE;
    STDMETHOD(DeleteMemberByDispID)(DISPID id) PURE;
    STDMETHOD(GetMemberProperties)(DISPID id, DWORD grfdexFetch, DWORD* pgrfdex) PURE;
    STDMETHOD(GetMemberName)(DISPID id, BSTR* pbstrName) PURE;
    STDMETHOD(GetNextDispID)(DWORD grfdex, DISPID id, DISPID* pid) PURE;
    STDMETHOD(GetNameSpaceParent)(IUnknown** ppunk) PURE;
};

OLE_DECLARE_UUIDOF(IDispatchEx, IID_IDispatchEx);
