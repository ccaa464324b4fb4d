#include "CellValue.h"

namespace qor::examples::spreadsheet {
namespace {

bool isNumber(VARTYPE vt) {
    switch (vt) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL:
        return true;
    default:
        return false;
    }
}

} // namespace

std::expected<_variant_t, Failure> cellValueOf(VARIANT const& value) {
    _variant_t plain;
    if (HRESULT hr = VariantCopyInd(&plain, &value); FAILED(hr))
        return std::unexpected(Failure{hr, "The value cannot be read"});
    switch (plain.vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_BSTR:
    case VT_BOOL:
    case VT_DATE:
        return plain;
    default:
        break;
    }
    if (isNumber(plain.vt)) {
        if (HRESULT hr = VariantChangeType(&plain, &plain, 0, VT_R8); FAILED(hr))
            return std::unexpected(Failure{hr, "The number does not fit in a cell"});
        return plain;
    }
    return std::unexpected(Failure{DISP_E_TYPEMISMATCH, "A cell holds a number, text, a boolean, a date or null"});
}

} // namespace qor::examples::spreadsheet
