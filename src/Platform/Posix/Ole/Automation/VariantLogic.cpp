// VarAnd, VarOr, VarXor, VarEqv and VarImp: bitwise on the integer type of
// the pair, a text taken for the boolean it spells, and VT_NULL as the
// unknown of three-valued logic: NULL Or a nonzero value is that value,
// NULL And zero is zero, every other NULL operand makes NULL.

#include <optional>

#include "Platform/Posix/Ole/Automation/NumericOperand.h"
#include "Platform/Posix/Ole/Automation/VarArithmetic.h"
#include "Platform/Posix/Ole/Automation/VariantOperand.h"

using namespace qor::platform::posix::ole;

namespace {

enum class Logic { conjunction, disjunction, exclusion, equivalence, implication };

// The logic operations take a text as the VT_BOOL it spells.
VARTYPE logicClass(VARTYPE vt)
{
    return vt == VT_BSTR ? VARTYPE(VT_BOOL) : vt;
}

bool widensToLong(VARTYPE vt)
{
    switch (vt) {
    case VT_I4: case VT_INT: case VT_UINT: case VT_UI4: case VT_UI8: case VT_UI2: case VT_DECIMAL: case VT_DATE:
    case VT_CY: case VT_R8: case VT_R4: case VT_I1:
        return true;
    default:
        return false;
    }
}

VARTYPE logicType(VARTYPE left, VARTYPE right)
{
    left = logicClass(left);
    right = logicClass(right);
    auto const has = [&](VARTYPE vt) { return left == vt || right == vt; };
    if (has(VT_I8))
        return VT_I8;
    if (widensToLong(left) || widensToLong(right))
        return VT_I4;
    if (left == VT_UI1 && right == VT_UI1)
        return VT_UI1;
    if (has(VT_EMPTY) || has(VT_I2) || has(VT_UI1))
        return VT_I2;
    return VT_BOOL;
}

// The operand as the bits of `type`: an integer keeps its bits (VT_UI4
// 0xFFFFFFFF is the VT_I4 -1), any other number outside the type overflows.
std::expected<LONGLONG, HRESULT> bitsOf(VARIANT const& value, VARTYPE type)
{
    OwnedVariant boolean;
    VARIANT const* read = &value;
    if (value.vt == VT_BSTR) {
        HRESULT hr = arith::coerce(boolean, value, VT_BOOL);
        if (FAILED(hr))
            return std::unexpected(hr);
        read = &boolean.v;
    }
    auto integer = arith::integerOf(*read);
    if (!integer)
        return integer;
    bool const integral = read->vt == VT_BOOL || read->vt == VT_EMPTY || (read->vt >= VT_I1 && read->vt <= VT_UINT) ||
                          read->vt == VT_I2 || read->vt == VT_I4;
    if (!integral && !arith::exactInteger(*integer, type == VT_BOOL ? VARTYPE(VT_I2) : type))
        return std::unexpected(DISP_E_OVERFLOW);
    return integer;
}

std::expected<VARIANT, HRESULT> typed(LONGLONG bits, VARTYPE type)
{
    VARIANT result{};
    result.vt = type;
    switch (type) {
    case VT_UI1: result.bVal = static_cast<BYTE>(bits); break;
    case VT_I2:
    case VT_BOOL: result.iVal = static_cast<SHORT>(bits); break;
    case VT_I4: result.lVal = static_cast<LONG>(bits); break;
    default: result.llVal = bits; break;
    }
    return result;
}

LONGLONG combined(Logic logic, LONGLONG a, LONGLONG b)
{
    switch (logic) {
    case Logic::conjunction: return a & b;
    case Logic::disjunction: return a | b;
    case Logic::exclusion: return a ^ b;
    case Logic::equivalence: return ~(a ^ b);
    default: return ~a | b;
    }
}

// One operand known, the other VT_NULL: `bits` is the known one as the
// operation uses it (negated for the left operand of Imp).
std::expected<VARIANT, HRESULT> withUnknown(Logic logic, LONGLONG bits, VARTYPE type)
{
    bool const decided = logic == Logic::conjunction ? bits == 0 : bits != 0;
    if (!decided || logic == Logic::exclusion || logic == Logic::equivalence)
        return arith::nullResult();
    return typed(bits, type);
}

std::expected<VARIANT, HRESULT> logicResult(Logic logic, VARIANT const& left, VARIANT const& right)
{
    bool const leftNull = left.vt == VT_NULL;
    bool const rightNull = right.vt == VT_NULL;
    if (leftNull && rightNull)
        return arith::nullResult();
    if (leftNull || rightNull) {
        if (logic == Logic::exclusion || logic == Logic::equivalence)
            return arith::nullResult();
        VARIANT const& known = leftNull ? right : left;
        VARTYPE const type = logicType(known.vt, known.vt);
        auto bits = bitsOf(known, type);
        if (!bits)
            return std::unexpected(bits.error());
        // x Imp NULL is (Not x) Or NULL.
        bool const negate = logic == Logic::implication && !leftNull;
        Logic const as = logic == Logic::implication ? Logic::disjunction : logic;
        return withUnknown(as, negate ? ~*bits : *bits, type);
    }
    VARTYPE const type = logicType(left.vt, right.vt);
    auto a = bitsOf(left, type);
    if (!a)
        return std::unexpected(a.error());
    auto b = bitsOf(right, type);
    if (!b)
        return std::unexpected(b.error());
    return typed(combined(logic, *a, *b), type);
}

// Imp settles VT_INT against VT_I8, though not VT_I8 against VT_INT.
HRESULT implicationRefusal(VARTYPE left, VARTYPE right)
{
    return left == VT_INT && right == VT_I8 ? arith::numberRefusal(left, right) : arith::integerRefusal(left, right);
}

HRESULT logicOperation(Logic logic, LPVARIANT left, LPVARIANT right, LPVARIANT result)
{
    if (result == nullptr)
        return E_INVALIDARG;
    arith::Operands operands;
    HRESULT hr = operands.read(left, right, logic == Logic::implication ? implicationRefusal : arith::integerRefusal);
    if (FAILED(hr))
        return arith::giveResult(result, std::unexpected(hr));
    return arith::giveResult(result, logicResult(logic, operands.left(), operands.right()));
}

} // namespace

HRESULT VarAnd(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult)
{
    return logicOperation(Logic::conjunction, pvarLeft, pvarRight, pvarResult);
}

HRESULT VarOr(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult)
{
    return logicOperation(Logic::disjunction, pvarLeft, pvarRight, pvarResult);
}

HRESULT VarXor(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult)
{
    return logicOperation(Logic::exclusion, pvarLeft, pvarRight, pvarResult);
}

HRESULT VarEqv(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult)
{
    return logicOperation(Logic::equivalence, pvarLeft, pvarRight, pvarResult);
}

HRESULT VarImp(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult)
{
    return logicOperation(Logic::implication, pvarLeft, pvarRight, pvarResult);
}
