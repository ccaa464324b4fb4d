#include "Text.h"

namespace qor::examples::spreadsheet {

using platform::windows::com::oleFromUtf8;
using platform::windows::com::utf8FromOle;

HRESULT textOut(OleStringView text, BSTR* out) {
    if (out == nullptr)
        return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT textOut(std::string_view utf8, BSTR* out) {
    return textOut(OleStringView(oleFromUtf8(utf8)), out);
}

std::string quotedName(OleStringView name) {
    return "'" + utf8FromOle(name) + "'";
}

} // namespace qor::examples::spreadsheet
