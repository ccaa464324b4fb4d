// CTypeLib as ITypeLib2: the library's custom data, the statistics of its
// names and its help strings.

#include "Platform/Posix/Ole/TypeLib/CTypeLib.h"

#include "Platform/Posix/Ole/TypeLib/CTypeInfo.h"
#include "Platform/Posix/Ole/TypeLib/TypeLibText.h"
#include "Platform/Posix/Ole/TypeLib/TypeLibValue.h"

namespace qor::platform::posix::ole {

STDMETHODIMP CTypeLib::GetCustData(REFGUID guid, VARIANT* pVarVal) {
    return customDatum(*record_, record_->customData, guid, pVarVal);
}

STDMETHODIMP CTypeLib::GetAllCustData(CUSTDATA* pCustData) {
    return allCustomData(*record_, record_->customData, pCustData);
}

// As the library's name table counts them: each name stored once.
STDMETHODIMP CTypeLib::GetLibStatistics(ULONG* pcUniqueNames, ULONG* pcchUniqueNames) {
    if (pcUniqueNames == nullptr)
        return E_INVALIDARG;
    *pcUniqueNames = record_->uniqueNames;
    if (pcchUniqueNames != nullptr)
        *pcchUniqueNames = record_->uniqueNameCharacters;
    return S_OK;
}

STDMETHODIMP CTypeLib::GetDocumentation2(INT index, LCID lcid, BSTR* pbstrHelpString, DWORD* pdwHelpStringContext,
                                         BSTR* pbstrHelpStringDll) {
    if (index != -1) {
        if (index < 0 || static_cast<std::size_t>(index) >= infos_.size())
            return TYPE_E_ELEMENTNOTFOUND;
        return infos_[std::size_t(index)]->GetDocumentation2(MEMBERID_NIL, lcid, pbstrHelpString,
                                                             pdwHelpStringContext, pbstrHelpStringDll);
    }
    std::string_view const help = record_->text(record_->docString);
    if (pbstrHelpString != nullptr)
        *pbstrHelpString = help.empty() ? nullptr : typeLibTextToBstr(help);
    if (pdwHelpStringContext != nullptr)
        *pdwHelpStringContext = static_cast<DWORD>(record_->helpStringContext);
    if (pbstrHelpStringDll != nullptr)
        *pbstrHelpStringDll = nullptr;
    return S_OK;
}

} // namespace qor::platform::posix::ole
