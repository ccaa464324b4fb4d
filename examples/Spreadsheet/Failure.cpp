#include "Failure.h"

#include "Platform/Windows/Com/ComRef.h"
#include "Platform/Windows/Com/OleText.h"

namespace qor::examples::spreadsheet {

using platform::windows::com::ComRef;
using platform::windows::com::oleFromUtf8;

HRESULT raiseError(Failure const& failure, IID const& source) {
    ComRef<ICreateErrorInfo> creator;
    ComRef<IErrorInfo> error;
    if (FAILED(CreateErrorInfo(creator.put())) ||
        FAILED(creator->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(error.put())))) {
        // The code still tells the caller what went wrong, only in less detail.
        SetErrorInfo(0, nullptr);
        return failure.code;
    }
    creator->SetGUID(source);
    creator->SetSource(const_cast<LPOLESTR>(OLESTR("QorSpreadsheet")));
    auto description = oleFromUtf8(failure.description);
    creator->SetDescription(description.data());
    SetErrorInfo(0, error.get());
    return failure.code;
}

} // namespace qor::examples::spreadsheet
