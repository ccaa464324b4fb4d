#include "Platform/Posix/Ole/Automation/BstrVector.h"

#include <cstring>

#include "Platform/Posix/Ole/Automation/Bstr.h"

HRESULT BstrFromVector(SAFEARRAY* psa, BSTR* pbstr)
{
    if (pbstr == nullptr)
        return E_INVALIDARG;
    *pbstr = nullptr;
    if (psa == nullptr || psa->cDims != 1 || psa->cbElements != 1)
        return E_INVALIDARG;
    ULONG const bytes = psa->rgsabound[0].cElements;
    if (bytes != 0 && psa->pvData == nullptr)
        return E_INVALIDARG;
    *pbstr = SysAllocStringByteLen(static_cast<LPCSTR>(psa->pvData), bytes);
    return *pbstr != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT VectorFromBstr(BSTR bstr, SAFEARRAY** ppsa)
{
    if (ppsa == nullptr)
        return E_INVALIDARG;
    UINT const bytes = SysStringByteLen(bstr);
    *ppsa = SafeArrayCreateVector(VT_UI1, 0, bytes);
    if (*ppsa == nullptr)
        return E_OUTOFMEMORY;
    if (bytes != 0)
        std::memcpy((*ppsa)->pvData, bstr, bytes);
    return S_OK;
}
