// VarAdd, VarSub, VarMul and VarDiv: the result type Windows gives each
// pair of operand types, then the arithmetic of that type.

#include "Platform/Posix/Ole/Automation/DecimalArithmetic.h"
#include "Platform/Posix/Ole/Automation/NumericOperand.h"
#include "Platform/Posix/Ole/Automation/VarArithmetic.h"
#include "Platform/Posix/Ole/Automation/VariantConcatenation.h"
#include "Platform/Posix/Ole/Automation/VariantOperand.h"

using namespace qor::platform::posix::ole;
using arith::Operands;

namespace {

enum class Operation { add, subtract, multiply, divide };

// Windows has no arithmetic for these four but VT_I2, VT_I4, VT_I8 and
// VT_UI1 as integers: the narrow signed and unsigned others, and the
// machine ones, are refused, as are objects without a value.
bool refusedType(VARTYPE vt)
{
    switch (vt) {
    case VT_I1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_INT: case VT_UINT: case VT_UNKNOWN:
        return true;
    default:
        return false;
    }
}

// A record is no number; against a type that is refused as well, the
// refusal of that type wins when the record is the left operand.
HRESULT refusal(VARTYPE left, VARTYPE right)
{
    if (right == VT_RECORD)
        return DISP_E_TYPEMISMATCH;
    if (left == VT_RECORD)
        return right <= VT_UI1 || right == VT_I8 ? DISP_E_TYPEMISMATCH : DISP_E_BADVARTYPE;
    if (refusedType(left) || refusedType(right))
        return DISP_E_BADVARTYPE;
    // An error value is no number, unless the other type is no value at all.
    if (left == VT_ERROR)
        return arith::isValueType(right) ? DISP_E_TYPEMISMATCH : DISP_E_BADVARTYPE;
    if (right == VT_ERROR)
        return arith::isValueType(left) ? DISP_E_TYPEMISMATCH : DISP_E_BADVARTYPE;
    return S_OK;
}

struct Types {
    VARTYPE left;
    VARTYPE right;
    bool has(VARTYPE vt) const { return left == vt || right == vt; }
    bool both(VARTYPE vt) const { return left == vt && right == vt; }
};

// What is left after the decimal, date, currency and real types: the
// integers, narrowest last.
VARTYPE integerType(Types types)
{
    if (types.has(VT_I8))
        return VT_I8;
    if (types.has(VT_I4))
        return VT_I4;
    if (types.has(VT_I2) || types.has(VT_BOOL) || types.both(VT_EMPTY))
        return VT_I2;
    return VT_UI1;
}

// VT_R4 stays single only with operands a float holds exactly.
VARTYPE singleOrDouble(Types types, bool currencyWidens)
{
    return types.has(VT_I4) || types.has(VT_I8) || (currencyWidens && types.has(VT_CY)) ? VT_R8 : VT_R4;
}

VARTYPE sumType(Types types, Operation operation)
{
    bool const subtract = operation == Operation::subtract;
    if (subtract && (types.both(VT_DATE) || types.both(VT_BSTR) ||
                     (types.has(VT_BSTR) && types.has(VT_EMPTY))))
        return VT_R8;
    if (types.has(VT_DECIMAL))
        return VT_DECIMAL;
    if (types.has(VT_DATE))
        return VT_DATE;
    if (types.has(VT_CY))
        return VT_CY;
    if (types.has(VT_R8))
        return VT_R8;
    if (types.has(VT_BSTR))
        return !subtract && (types.both(VT_BSTR) || types.has(VT_EMPTY)) ? VT_BSTR : VT_R8;
    if (types.has(VT_R4))
        return singleOrDouble(types, false);
    return integerType(types);
}

VARTYPE productType(Types types)
{
    if (types.has(VT_DECIMAL))
        return VT_DECIMAL;
    if (types.has(VT_R8) || types.has(VT_BSTR) || types.has(VT_DATE))
        return VT_R8;
    if (types.has(VT_R4))
        return singleOrDouble(types, true);
    if (types.has(VT_CY))
        return VT_CY;
    return integerType(types);
}

VARTYPE quotientType(Types types)
{
    if (types.has(VT_DECIMAL))
        return VT_DECIMAL;
    auto const single = [](VARTYPE vt) {
        return vt == VT_R4 || vt == VT_UI1 || vt == VT_BOOL || vt == VT_I2 || vt == VT_EMPTY;
    };
    return types.has(VT_R4) && single(types.left) && single(types.right) ? VT_R4 : VT_R8;
}

VARTYPE resultType(Operation operation, Types types)
{
    switch (operation) {
    case Operation::add:
    case Operation::subtract: return sumType(types, operation);
    case Operation::multiply: return productType(types);
    default: return quotientType(types);
    }
}

std::expected<VARIANT, HRESULT> decimalResult(Operation operation, VARIANT const& left, VARIANT const& right)
{
    auto pair = arith::bothOf(arith::decimalOf, left, right);
    if (!pair)
        return std::unexpected(pair.error());
    auto const& [x, y] = *pair;
    std::expected<convert::DecimalValue, HRESULT> value;
    switch (operation) {
    case Operation::add: value = arith::add(x, y); break;
    case Operation::subtract: value = arith::add(x, arith::negated(y)); break;
    case Operation::multiply: value = arith::multiply(x, y); break;
    default: value = arith::divide(x, y); break;
    }
    if (!value)
        return std::unexpected(value.error());
    VARIANT result{};
    result.decVal = value->toDecimal();
    result.vt = VT_DECIMAL;
    return result;
}

std::expected<VARIANT, HRESULT> currencyResult(Operation operation, VARIANT const& left, VARIANT const& right)
{
    auto pair = arith::bothOf(arith::currencyOf, left, right);
    if (!pair)
        return std::unexpected(pair.error());
    auto const& [x, y] = *pair;
    VARIANT result{};
    HRESULT hr = operation == Operation::add        ? VarCyAdd(x, y, &result.cyVal)
                 : operation == Operation::subtract ? VarCySub(x, y, &result.cyVal)
                                                    : VarCyMul(x, y, &result.cyVal);
    if (FAILED(hr))
        return std::unexpected(hr);
    result.vt = VT_CY;
    return result;
}

std::expected<VARIANT, HRESULT> realArithmetic(Operation operation, VARIANT const& left, VARIANT const& right,
                                               VARTYPE type)
{
    auto pair = arith::bothOf(arith::realOf, left, right);
    if (!pair)
        return std::unexpected(pair.error());
    auto const& [x, y] = *pair;
    switch (operation) {
    case Operation::add: return arith::realResult(x + y, type);
    case Operation::subtract: return arith::realResult(x - y, type);
    case Operation::multiply: return arith::realResult(x * y, type);
    default:
        if (y == 0)
            return std::unexpected(x == 0 ? DISP_E_OVERFLOW : DISP_E_DIVBYZERO);
        return arith::realResult(x / y, type);
    }
}

std::expected<VARIANT, HRESULT> integerArithmetic(Operation operation, VARIANT const& left, VARIANT const& right,
                                                  VARTYPE type)
{
    auto pair = arith::bothOf(arith::integerOf, left, right);
    if (!pair)
        return std::unexpected(pair.error());
    auto const& [x, y] = *pair;
    convert::Int128 const wideX = x;
    convert::Int128 const wideY = y;
    switch (operation) {
    case Operation::add: return arith::promotedInteger(wideX + wideY, type);
    case Operation::subtract: return arith::promotedInteger(wideX - wideY, type);
    default: return arith::promotedInteger(wideX * wideY, type);
    }
}

std::expected<VARIANT, HRESULT> compute(Operation operation, VARIANT const& left, VARIANT const& right)
{
    Types const types{left.vt, right.vt};
    if (operation == Operation::divide && right.vt == VT_EMPTY)
        return std::unexpected(left.vt == VT_EMPTY ? DISP_E_OVERFLOW : DISP_E_DIVBYZERO);
    VARTYPE const type = resultType(operation, types);
    switch (type) {
    case VT_BSTR: return arith::concatenation(left, right);
    case VT_DECIMAL: return decimalResult(operation, left, right);
    case VT_CY: return currencyResult(operation, left, right);
    case VT_R4:
    case VT_R8:
    case VT_DATE: return realArithmetic(operation, left, right, type);
    default: return integerArithmetic(operation, left, right, type);
    }
}

HRESULT arithmetic(Operation operation, LPVARIANT left, LPVARIANT right, LPVARIANT result)
{
    return arith::nullPropagating(left, right, result, refusal, [operation](VARIANT const& l, VARIANT const& r) {
        return compute(operation, l, r);
    });
}

} // namespace

HRESULT VarAdd(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult)
{
    return arithmetic(Operation::add, pvarLeft, pvarRight, pvarResult);
}

HRESULT VarSub(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult)
{
    return arithmetic(Operation::subtract, pvarLeft, pvarRight, pvarResult);
}

HRESULT VarMul(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult)
{
    return arithmetic(Operation::multiply, pvarLeft, pvarRight, pvarResult);
}

HRESULT VarDiv(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult)
{
    return arithmetic(Operation::divide, pvarLeft, pvarRight, pvarResult);
}
