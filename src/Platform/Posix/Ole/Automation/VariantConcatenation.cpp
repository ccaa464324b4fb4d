#include "Platform/Posix/Ole/Automation/VariantConcatenation.h"

#include <cstring>
#include <string>

#include "Platform/Posix/Ole/Automation/Bstr.h"
#include "Platform/Posix/Ole/Automation/Conversion.h"
#include "Platform/Posix/Ole/Automation/VarArithmetic.h"
#include "Platform/Posix/Ole/Automation/VariantOperand.h"

namespace qor::platform::posix::ole::arith {

namespace {

std::expected<std::u16string, HRESULT> textOf(VARIANT const& value)
{
    if (value.vt == VT_NULL || value.vt == VT_EMPTY)
        return std::u16string();
    if (value.vt == VT_BSTR)
        return std::u16string(value.bstrVal != nullptr ? value.bstrVal : u"", SysStringLen(value.bstrVal));
    convert::Request request;
    request.booleanText = convert::BooleanText::local;
    OwnedVariant text;
    HRESULT hr = convert::changeType(text.v, value, request, VT_BSTR);
    if (FAILED(hr))
        return std::unexpected(hr);
    return std::u16string(text.v.bstrVal, SysStringLen(text.v.bstrVal));
}

} // namespace

std::expected<VARIANT, HRESULT> concatenation(VARIANT const& left, VARIANT const& right)
{
    auto a = textOf(left);
    if (!a)
        return std::unexpected(a.error());
    auto b = textOf(right);
    if (!b)
        return std::unexpected(b.error());
    *a += *b;
    VARIANT result{};
    result.bstrVal = SysAllocStringLen(a->data(), static_cast<UINT>(a->size()));
    if (result.bstrVal == nullptr)
        return std::unexpected(E_OUTOFMEMORY);
    result.vt = VT_BSTR;
    return result;
}

} // namespace qor::platform::posix::ole::arith

using namespace qor::platform::posix::ole;

namespace {

bool joinable(VARTYPE vt)
{
    switch (vt) {
    case VT_EMPTY: case VT_NULL: case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_CY: case VT_DATE:
    case VT_BSTR: case VT_DISPATCH: case VT_BOOL: case VT_DECIMAL: case VT_I1: case VT_UI1: case VT_UI2:
    case VT_UI4: case VT_I8: case VT_UI8: case VT_INT: case VT_UINT:
        return true;
    default:
        return false;
    }
}

bool dateOrDecimalOrError(VARTYPE vt)
{
    return vt == VT_DATE || vt == VT_DECIMAL || vt == VT_ERROR;
}

// Windows' answers for what has no text, which depend on the pair.
HRESULT refusal(VARTYPE left, VARTYPE right)
{
    if (left == VT_VARIANT && dateOrDecimalOrError(right))
        return DISP_E_TYPEMISMATCH;
    if (joinable(left) && joinable(right))
        return S_OK;
    if (left == VT_UNKNOWN || right == VT_UNKNOWN || left == VT_RECORD || right == VT_RECORD)
        return DISP_E_TYPEMISMATCH;
    if (right == VT_ERROR && left < VT_VOID)
        return DISP_E_TYPEMISMATCH;
    if (left == VT_ERROR && dateOrDecimalOrError(right))
        return DISP_E_TYPEMISMATCH;
    if (dateOrDecimalOrError(right))
        return DISP_E_BADVARTYPE;
    if (left == VT_ERROR || right == VT_ERROR || left == VT_VARIANT || (right == VT_VARIANT && joinable(left)))
        return DISP_E_TYPEMISMATCH;
    return DISP_E_BADVARTYPE;
}

} // namespace

HRESULT VarCat(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult)
{
    if (pvarResult == nullptr)
        return E_INVALIDARG;
    arith::Operands operands;
    HRESULT hr = operands.read(pvarLeft, pvarRight, refusal);
    if (FAILED(hr))
        return arith::giveResult(pvarResult, std::unexpected(hr));
    if (operands.left().vt == VT_NULL && operands.right().vt == VT_NULL)
        return arith::giveResult(pvarResult, arith::nullResult());
    return arith::giveResult(pvarResult, arith::concatenation(operands.left(), operands.right()));
}

HRESULT VarBstrCat(BSTR bstrLeft, BSTR bstrRight, LPBSTR pbstrResult)
{
    if (pbstrResult == nullptr)
        return E_INVALIDARG;
    UINT const leftLength = SysStringByteLen(bstrLeft);
    UINT const rightLength = SysStringByteLen(bstrRight);
    BSTR result = SysAllocStringByteLen(nullptr, leftLength + rightLength);
    if (result == nullptr)
        return E_OUTOFMEMORY;
    auto* bytes = reinterpret_cast<BYTE*>(result);
    if (leftLength != 0)
        std::memcpy(bytes, bstrLeft, leftLength);
    if (rightLength != 0)
        std::memcpy(bytes + leftLength, bstrRight, rightLength);
    *pbstrResult = result;
    return S_OK;
}
