#include "Platform/Posix/Ole/Dispatch/DispCallFunc.h"

#include "Platform/Posix/Ole/Dispatch/PreparedCall.h"

using qor::platform::posix::ole::CallTarget;
using qor::platform::posix::ole::PreparedCall;

HRESULT STDAPICALLTYPE DispCallFunc(void* pvInstance, ULONG_PTR oVft, CALLCONV cc, VARTYPE vtReturn, UINT cActuals,
                                    VARTYPE* prgvt, VARIANTARG** prgpvarg, VARIANT* pvargResult) {
    // An HRESULT comes back as VT_ERROR; asked for as VT_HRESULT, which no
    // VARIANT holds, the call is refused, as on Windows.
    if (!pvargResult || (cActuals > 0 && (!prgvt || !prgpvarg)) || vtReturn == VT_HRESULT)
        return E_INVALIDARG;
    PreparedCall const call(pvInstance ? CallTarget::vtableSlot : CallTarget::function, cc, vtReturn, cActuals, prgvt);
    return call.call(pvInstance, oVft, prgpvarg, pvargResult);
}
