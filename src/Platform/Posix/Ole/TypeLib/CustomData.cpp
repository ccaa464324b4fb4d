#include "Platform/Posix/Ole/TypeLib/CustomData.h"

#include "Platform/Posix/Ole/Core/Memory.h"

WINOLEAUTAPI_(void) ClearCustData(LPCUSTDATA pCustData) {
    if (pCustData == nullptr)
        return;
    for (DWORD i = 0; i < pCustData->cCustData && pCustData->prgCustData != nullptr; ++i)
        VariantClear(&pCustData->prgCustData[i].varValue);
    CoTaskMemFree(pCustData->prgCustData);
    pCustData->cCustData = 0;
    pCustData->prgCustData = nullptr;
}
