// VarIdiv and VarMod: both operands rounded to the integer type of the
// pair, then divided with the quotient toward zero and the remainder of
// the dividend's sign.

#include "Platform/Posix/Ole/Automation/NumericOperand.h"
#include "Platform/Posix/Ole/Automation/VarArithmetic.h"
#include "Platform/Posix/Ole/Automation/VarType.h"
#include "Platform/Posix/Ole/Automation/VariantOperand.h"

using namespace qor::platform::posix::ole;

namespace {

bool widensToLong(VARTYPE vt)
{
    switch (vt) {
    case VT_I4: case VT_INT: case VT_UINT: case VT_UI8: case VT_UI4: case VT_UI2: case VT_I1: case VT_BSTR:
    case VT_DATE: case VT_CY: case VT_DECIMAL: case VT_R8: case VT_R4:
        return true;
    default:
        return false;
    }
}

VARTYPE integerDivisionType(VARTYPE left, VARTYPE right)
{
    if (left == VT_I8 || right == VT_I8)
        return VT_I8;
    if (widensToLong(left) || widensToLong(right))
        return VT_I4;
    if (left == VT_I2 || right == VT_I2 || left == VT_BOOL || right == VT_BOOL || left == VT_EMPTY)
        return VT_I2;
    return VT_UI1;
}

std::expected<VARIANT, HRESULT> divided(VARIANT const& left, VARIANT const& right, bool remainder)
{
    if (right.vt == VT_EMPTY)
        return std::unexpected(DISP_E_DIVBYZERO);
    VARTYPE const type = integerDivisionType(left.vt, right.vt);
    auto pair = arith::bothOf(arith::integerOf, left, right);
    if (!pair)
        return std::unexpected(pair.error());
    auto const& [x, y] = *pair;
    // Each operand is first a value of the result's type.
    if (!arith::exactInteger(x, type) || !arith::exactInteger(y, type))
        return std::unexpected(DISP_E_OVERFLOW);
    if (y == 0)
        return std::unexpected(DISP_E_DIVBYZERO);
    convert::Int128 const wideX = x;
    convert::Int128 const wideY = y;
    return arith::exactInteger(remainder ? wideX % wideY : wideX / wideY, type);
}

HRESULT integerDivision(LPVARIANT left, LPVARIANT right, LPVARIANT result, bool remainder)
{
    return arith::nullPropagating(left, right, result, arith::integerRefusal,
                                  [remainder](VARIANT const& l, VARIANT const& r) { return divided(l, r, remainder); });
}

} // namespace

HRESULT VarIdiv(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult)
{
    return integerDivision(pvarLeft, pvarRight, pvarResult, false);
}

HRESULT VarMod(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult)
{
    // Windows' VarMod asks of an array whether a VARIANT may hold its type at
    // all, so an array of nothing (VT_ARRAY | VT_EMPTY) is a bad type here,
    // where the other operations refuse any array as a mismatch.
    auto const badArray = [](VARIANT const* operand) {
        return operand != nullptr && (operand->vt & VT_ARRAY) != 0 &&
               !qor::platform::posix::ole::vartype::isValidForVariant(operand->vt);
    };
    if (badArray(pvarLeft) || badArray(pvarRight))
        return DISP_E_BADVARTYPE;
    return integerDivision(pvarLeft, pvarRight, pvarResult, true);
}
