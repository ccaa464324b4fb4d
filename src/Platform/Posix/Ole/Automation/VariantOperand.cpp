#include "Platform/Posix/Ole/Automation/VariantOperand.h"

#include "Platform/Posix/Ole/Automation/Conversion.h"
#include "Platform/Posix/Ole/Automation/Dispatch.h"

namespace qor::platform::posix::ole::arith {

bool isValueType(VARTYPE vt)
{
    switch (vt) {
    case VT_EMPTY: case VT_NULL: case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_CY: case VT_DATE:
    case VT_BSTR: case VT_DISPATCH: case VT_ERROR: case VT_BOOL: case VT_UNKNOWN: case VT_DECIMAL: case VT_I1:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_I8: case VT_UI8: case VT_INT: case VT_UINT: case VT_RECORD:
        return true;
    default:
        return false;
    }
}


std::expected<VARIANT, HRESULT> operandValue(VARIANT const* operand)
{
    if (operand == nullptr)
        return std::unexpected(E_INVALIDARG);
    if ((operand->vt & VT_ARRAY) != 0)
        return std::unexpected(DISP_E_TYPEMISMATCH);
    if ((operand->vt & ~VT_TYPEMASK) != 0 || !isValueType(operand->vt))
        return std::unexpected(DISP_E_BADVARTYPE);
    return *operand;
}

HRESULT valueOfObject(VARIANT& operand, OwnedVariant& storage)
{
    if (operand.vt != VT_DISPATCH)
        return S_OK;
    if (operand.pdispVal == nullptr)
        return DISP_E_TYPEMISMATCH;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    HRESULT hr = operand.pdispVal->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                          &storage.v, nullptr, nullptr);
    if (FAILED(hr))
        return hr;
    // One level only: a value that is an object again is no operand.
    auto value = operandValue(&storage.v);
    if (!value || value->vt == VT_DISPATCH)
        return DISP_E_TYPEMISMATCH;
    operand = *value;
    return S_OK;
}

HRESULT Operands::read(VARIANT const* left, VARIANT const* right, Refusal refusal)
{
    if (left == nullptr || right == nullptr)
        return E_INVALIDARG;
    // Windows judges a pair of plain types before it reads either: a type
    // no VARIANT holds may lose to the other operand's refusal.
    bool const plain = (left->vt & ~VT_TYPEMASK) == 0 && (right->vt & ~VT_TYPEMASK) == 0;
    if (plain) {
        HRESULT hr = refusal(left->vt, right->vt);
        if (FAILED(hr))
            return hr;
    }
    auto leftOperand = operandValue(left);
    if (!leftOperand)
        return leftOperand.error();
    auto rightOperand = operandValue(right);
    if (!rightOperand)
        return rightOperand.error();
    left_ = *leftOperand;
    right_ = *rightOperand;
    HRESULT hr = plain ? S_OK : refusal(left_.vt, right_.vt);
    if (FAILED(hr))
        return hr;
    if (isNull())
        return S_OK;
    hr = valueOfObject(left_, leftValue_);
    if (SUCCEEDED(hr))
        hr = valueOfObject(right_, rightValue_);
    return hr;
}

namespace {

HRESULT refusalOf(VARTYPE vt)
{
    if (vt == VT_ERROR || vt == VT_VARIANT || vt == VT_UNKNOWN || vt == VT_RECORD)
        return DISP_E_TYPEMISMATCH;
    return isValueType(vt) ? S_OK : DISP_E_BADVARTYPE;
}

} // namespace

HRESULT numberRefusal(VARTYPE left, VARTYPE right)
{
    HRESULT hr = refusalOf(left);
    return FAILED(hr) ? hr : refusalOf(right);
}

HRESULT integerRefusal(VARTYPE left, VARTYPE right)
{
    if ((left == VT_I8 && right == VT_INT) || (left == VT_INT && right == VT_I8))
        return DISP_E_TYPEMISMATCH;
    return numberRefusal(left, right);
}

VARIANT nullResult()
{
    VARIANT result{};
    result.vt = VT_NULL;
    return result;
}

HRESULT coerce(OwnedVariant& out, VARIANT const& in, VARTYPE target)
{
    VariantClear(&out.v);
    if (in.vt == target)
        return VariantCopy(&out.v, &in);
    // Windows reads a text operand up to its terminator, as VarR8FromStr
    // reads one: callers pass plain strings for BSTRs.
    if (in.vt == VT_BSTR) {
        std::u16string_view const text = in.bstrVal != nullptr ? std::u16string_view(in.bstrVal) : u"";
        return convert::changeText(out.v, text, convert::Request{}, target);
    }
    return convert::changeType(out.v, in, convert::Request{}, target);
}

HRESULT giveResult(VARIANT* result, std::expected<VARIANT, HRESULT> const& value)
{
    if (!value) {
        result->vt = VT_EMPTY;
        return value.error();
    }
    *result = *value;
    return S_OK;
}

} // namespace qor::platform::posix::ole::arith
