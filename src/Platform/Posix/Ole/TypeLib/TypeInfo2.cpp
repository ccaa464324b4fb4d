// CTypeInfo as ITypeInfo2: the custom data of the type, its members, their
// parameters and its implemented types, members by id, and help strings.

#include "Platform/Posix/Ole/TypeLib/CTypeInfo.h"

#include "Platform/Posix/Ole/TypeLib/CTypeLib.h"
#include "Platform/Posix/Ole/TypeLib/TypeLibText.h"
#include "Platform/Posix/Ole/TypeLib/TypeLibValue.h"

namespace qor::platform::posix::ole {

STDMETHODIMP CTypeInfo::GetTypeKind(TYPEKIND* pTypeKind) {
    if (pTypeKind == nullptr)
        return E_INVALIDARG;
    *pTypeKind = attr_.typekind;
    return S_OK;
}

STDMETHODIMP CTypeInfo::GetTypeFlags(ULONG* pTypeFlags) {
    if (pTypeFlags == nullptr)
        return E_INVALIDARG;
    *pTypeFlags = attr_.wTypeFlags;
    return S_OK;
}

STDMETHODIMP CTypeInfo::GetFuncIndexOfMemId(MEMBERID memid, INVOKEKIND invKind, UINT* pFuncIndex) {
    if (pFuncIndex == nullptr)
        return E_INVALIDARG;
    prepare();
    for (std::size_t i = 0; i < funcs_.size(); ++i) {
        if (funcs_[i].desc.memid == memid && (funcs_[i].desc.invkind & invKind) != 0) {
            *pFuncIndex = static_cast<UINT>(i);
            return S_OK;
        }
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

STDMETHODIMP CTypeInfo::GetVarIndexOfMemId(MEMBERID memid, UINT* pVarIndex) {
    if (pVarIndex == nullptr)
        return E_INVALIDARG;
    prepare();
    for (std::size_t i = 0; i < vars_.size(); ++i) {
        if (vars_[i].memid == memid) {
            *pVarIndex = static_cast<UINT>(i);
            return S_OK;
        }
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

std::optional<CTypeInfo::CustomDataOf> CTypeInfo::funcCustomData(UINT index) {
    prepare();
    if (index >= funcs_.size())
        return std::nullopt;
    Function const& fn = funcs_[index];
    return CustomDataOf{&fn.library(), fn.record->customData};
}

std::optional<CTypeInfo::CustomDataOf> CTypeInfo::paramCustomData(UINT indexFunc, UINT indexParam) {
    prepare();
    if (indexFunc >= funcs_.size() || indexParam >= UINT(std::max<SHORT>(funcs_[indexFunc].desc.cParams, 0)))
        return std::nullopt;
    Function const& fn = funcs_[indexFunc];
    auto const stored = storedParamIndex(fn, indexParam);
    if (!stored)
        return std::nullopt;
    return CustomDataOf{&fn.library(), fn.library().paramsOf(*fn.record)[*stored].customData};
}

STDMETHODIMP CTypeInfo::GetCustData(REFGUID guid, VARIANT* pVarVal) {
    return customDatum(lib_.record(), record_.customData, guid, pVarVal);
}

STDMETHODIMP CTypeInfo::GetFuncCustData(UINT index, REFGUID guid, VARIANT* pVarVal) {
    auto const data = funcCustomData(index);
    return data ? customDatum(*data->lib, data->range, guid, pVarVal) : TYPE_E_ELEMENTNOTFOUND;
}

STDMETHODIMP CTypeInfo::GetParamCustData(UINT indexFunc, UINT indexParam, REFGUID guid, VARIANT* pVarVal) {
    auto const data = paramCustomData(indexFunc, indexParam);
    return data ? customDatum(*data->lib, data->range, guid, pVarVal) : TYPE_E_ELEMENTNOTFOUND;
}

STDMETHODIMP CTypeInfo::GetVarCustData(UINT index, REFGUID guid, VARIANT* pVarVal) {
    if (index >= record_.vars.size())
        return TYPE_E_ELEMENTNOTFOUND;
    return customDatum(lib_.record(), record_.vars[index].customData, guid, pVarVal);
}

STDMETHODIMP CTypeInfo::GetImplTypeCustData(UINT index, REFGUID guid, VARIANT* pVarVal) {
    if (index >= implTypes().size())
        return TYPE_E_ELEMENTNOTFOUND;
    return customDatum(lib_.record(), implTypes()[index].customData, guid, pVarVal);
}

STDMETHODIMP CTypeInfo::GetAllCustData(CUSTDATA* pCustData) {
    return allCustomData(lib_.record(), record_.customData, pCustData);
}

STDMETHODIMP CTypeInfo::GetAllFuncCustData(UINT index, CUSTDATA* pCustData) {
    auto const data = funcCustomData(index);
    return data ? allCustomData(*data->lib, data->range, pCustData) : TYPE_E_ELEMENTNOTFOUND;
}

STDMETHODIMP CTypeInfo::GetAllParamCustData(UINT indexFunc, UINT indexParam, CUSTDATA* pCustData) {
    auto const data = paramCustomData(indexFunc, indexParam);
    return data ? allCustomData(*data->lib, data->range, pCustData) : TYPE_E_ELEMENTNOTFOUND;
}

STDMETHODIMP CTypeInfo::GetAllVarCustData(UINT index, CUSTDATA* pCustData) {
    if (index >= record_.vars.size())
        return TYPE_E_ELEMENTNOTFOUND;
    return allCustomData(lib_.record(), record_.vars[index].customData, pCustData);
}

STDMETHODIMP CTypeInfo::GetAllImplTypeCustData(UINT index, CUSTDATA* pCustData) {
    if (index >= implTypes().size())
        return TYPE_E_ELEMENTNOTFOUND;
    return allCustomData(lib_.record(), implTypes()[index].customData, pCustData);
}

// The help string and its context; there is no help string DLL to name, as
// the library's localised help strings would come from one.
STDMETHODIMP CTypeInfo::GetDocumentation2(MEMBERID memid, LCID, BSTR* pbstrHelpString, DWORD* pdwHelpStringContext,
                                          BSTR* pbstrHelpStringDll) {
    std::string_view help;
    std::int32_t context = 0;
    prepare();
    if (memid == MEMBERID_NIL) {
        help = text(record_.docString);
        context = record_.helpStringContext;
    } else if (Function const* fn = functionOf(memid)) {
        help = fn->library().text(fn->record->helpString);
        context = fn->record->helpStringContext;
    } else if (VarRecord const* var = varOf(memid)) {
        help = text(var->helpString);
        context = var->helpStringContext;
    } else {
        return TYPE_E_ELEMENTNOTFOUND;
    }
    if (pbstrHelpString != nullptr)
        *pbstrHelpString = help.empty() ? nullptr : typeLibTextToBstr(help);
    if (pdwHelpStringContext != nullptr)
        *pdwHelpStringContext = static_cast<DWORD>(context);
    if (pbstrHelpStringDll != nullptr)
        *pbstrHelpStringDll = nullptr;
    return S_OK;
}

} // namespace qor::platform::posix::ole
