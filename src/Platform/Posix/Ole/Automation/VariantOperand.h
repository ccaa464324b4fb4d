#pragma once

// The operands of VarAdd and its kin: a VARIANT read through VT_BYREF and
// its type checked as Windows checks it, before any operation looks at it;
// and a value made of the type the operation computes in, through the one
// conversion core.

#include <expected>

#include "Platform/Posix/Ole/Automation/OwnedVariant.h"
#include "Platform/Posix/Ole/Automation/Variant.h"

namespace qor::platform::posix::ole::arith {

// How an operation takes an operand of a type it has no arithmetic for.
enum class Acceptance { accepted, mismatch, badType };

// The value an operand stands for, borrowed from it. Windows' operations
// take values only: an array is DISP_E_TYPEMISMATCH; a reference,
// VT_VECTOR, a reserved bit or a type no VARIANT holds DISP_E_BADVARTYPE.
std::expected<VARIANT, HRESULT> operandValue(VARIANT const* operand);

// Whether a VARTYPE names a value a VARIANT holds by itself.
bool isValueType(VARTYPE vt);

// The operand as a value of `target`, converted as VariantChangeType
// converts it in the user's locale. An IDispatch gives its default value.
HRESULT coerce(OwnedVariant& out, VARIANT const& in, VARTYPE target);

// A refusal of a pair of operand types by an operation, S_OK for none.
using Refusal = HRESULT (*)(VARTYPE left, VARTYPE right);

// Left, then right: a type no VARIANT holds is DISP_E_BADVARTYPE, an
// error, a bare VT_VARIANT, an IUnknown or a record DISP_E_TYPEMISMATCH.
// The refusal of the operations that take every number type.
HRESULT numberRefusal(VARTYPE left, VARTYPE right);
// numberRefusal, and VT_I8 against VT_INT, whose common integer type
// Windows does not settle, a mismatch.
HRESULT integerRefusal(VARTYPE left, VARTYPE right);

// The two operands of a binary operation, read in order: each through
// operandValue, then the pair through the operation's refusal; with a VT_NULL the pair is null and
// nothing more is read; an object stands for its default value.
class Operands {
public:
    Operands() = default;
    Operands(Operands const&) = delete;
    Operands& operator=(Operands const&) = delete;

    HRESULT read(VARIANT const* left, VARIANT const* right, Refusal refusal);
    VARIANT const& left() const { return left_; }
    VARIANT const& right() const { return right_; }
    bool isNull() const { return left_.vt == VT_NULL || right_.vt == VT_NULL; }

private:
    VARIANT left_{};
    VARIANT right_{};
    OwnedVariant leftValue_;
    OwnedVariant rightValue_;
};

// An object's default value (DISPID_VALUE) in `storage`, or the operand
// itself when it is no object: DISP_E_TYPEMISMATCH for a null object or
// one without a value; the failure of the object's Invoke.
HRESULT valueOfObject(VARIANT& operand, OwnedVariant& storage);

VARIANT nullResult();

// The VARIANT a result is written to: whatever it held is overwritten, as
// Windows does; on failure it is left VT_EMPTY.
HRESULT giveResult(VARIANT* result, std::expected<VARIANT, HRESULT> const& value);

// The course of the operations for which a VT_NULL operand makes the result
// VT_NULL (VarAdd and its kin, VarIdiv, VarMod, VarPow): the operands read
// through `refusal`, then `compute(left, right)` of their values.
template <typename Compute>
HRESULT nullPropagating(VARIANT const* left, VARIANT const* right, VARIANT* result, Refusal refusal,
                        Compute&& compute)
{
    if (result == nullptr)
        return E_INVALIDARG;
    Operands operands;
    HRESULT const hr = operands.read(left, right, refusal);
    if (FAILED(hr))
        return giveResult(result, std::unexpected(hr));
    if (operands.isNull())
        return giveResult(result, nullResult());
    return giveResult(result, compute(operands.left(), operands.right()));
}

} // namespace qor::platform::posix::ole::arith
