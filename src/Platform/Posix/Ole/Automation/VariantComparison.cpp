// VarCmp: numbers by value, in the widest type of the pair; texts as the
// locale sorts them; a text is greater than any number, unless one side
// carries VT_RESERVED: a text so marked is compared with the number's
// text, a number so marked with the text's value.

#include <cmath>
#include <string>

#include "Platform/Posix/Ole/Automation/Bstr.h"
#include "Platform/Posix/Ole/Automation/Conversion.h"
#include "Platform/Posix/Ole/Automation/DecimalArithmetic.h"
#include "Platform/Posix/Ole/Automation/NumericOperand.h"
#include "Platform/Posix/Ole/Automation/TextComparison.h"
#include "Platform/Posix/Ole/Automation/VarArithmetic.h"
#include "Platform/Posix/Ole/Automation/VariantOperand.h"

using namespace qor::platform::posix::ole;

namespace {

// Windows compares none of the unsigned or narrow signed types, and
// VT_INT only on the left.
bool isValueTypeOrVariant(VARTYPE vt)
{
    return arith::isValueType(vt) || vt == VT_VARIANT;
}

HRESULT refusal(VARTYPE left, VARTYPE right)
{
    auto const refused = [](VARTYPE vt) {
        return vt == VT_I1 || vt == VT_UI2 || vt == VT_UI4 || vt == VT_UI8 || vt == VT_UINT || vt == VT_RECORD ||
               vt == VT_UNKNOWN || vt == VT_VARIANT || vt == VT_DISPATCH;
    };
    if (left == VT_ERROR && right == VT_ERROR)
        return S_OK;
    if (refused(left) || refused(right) || right == VT_INT || left == VT_ERROR || right == VT_ERROR)
        return isValueTypeOrVariant(left) && isValueTypeOrVariant(right) ? DISP_E_TYPEMISMATCH
                                                                         : DISP_E_BADVARTYPE;
    return S_OK;
}

std::u16string textOf(VARIANT const& value)
{
    if (value.vt == VT_EMPTY || value.bstrVal == nullptr)
        return {};
    return std::u16string(value.bstrVal, SysStringLen(value.bstrVal));
}

int ordered(double a, double b)
{
    return a < b ? VARCMP_LT : a > b ? VARCMP_GT : VARCMP_EQ;
}

std::expected<int, HRESULT> compareReals(VARIANT const& left, VARIANT const& right)
{
    auto pair = arith::bothOf(arith::realOf, left, right);
    if (!pair)
        return std::unexpected(pair.error());
    auto const& [x, y] = *pair;
    // A float has only a float's precision to compare with.
    if (left.vt == VT_R4 || right.vt == VT_R4)
        return ordered(static_cast<float>(x), static_cast<float>(y));
    return ordered(x, y);
}

std::expected<int, HRESULT> compareNumbers(VARIANT const& left, VARIANT const& right)
{
    auto const has = [&](VARTYPE vt) { return left.vt == vt || right.vt == vt; };
    bool const real = has(VT_R4) || has(VT_R8) || has(VT_DATE);
    // A currency against a double is compared as doubles, which hold it.
    if (has(VT_DECIMAL) || (has(VT_CY) && !real)) {
        // A double beyond a decimal's range is compared as a double.
        auto decimals = arith::bothOf(arith::decimalOf, left, right);
        return decimals ? arith::compare(decimals->first, decimals->second) : compareReals(left, right);
    }
    if (real)
        return compareReals(left, right);
    auto pair = arith::bothOf(arith::integerOf, left, right);
    if (!pair)
        return std::unexpected(pair.error());
    auto const& [x, y] = *pair;
    return x < y ? VARCMP_LT : x > y ? VARCMP_GT : VARCMP_EQ;
}

// A text against a number. `textMarked` and `numberMarked`: which carries
// VT_RESERVED. The result is the text's order against the number.
std::expected<int, HRESULT> compareTextWithNumber(VARIANT const& text, VARIANT const& number, bool textMarked,
                                                  bool numberMarked, LCID lcid, ULONG flags)
{
    if (textMarked && !numberMarked) {
        OwnedVariant written;
        HRESULT hr = arith::coerce(written, number, VT_BSTR);
        if (FAILED(hr))
            return std::unexpected(hr);
        return arith::compareTexts(textOf(text), textOf(written.v), lcid, flags);
    }
    if (!numberMarked)
        return VARCMP_GT;
    OwnedVariant value;
    if (FAILED(arith::coerce(value, text, VT_R8)))
        return VARCMP_GT;
    // Both marked, Windows orders a text by its sign alone.
    if (textMarked)
        return value.v.dblVal < 0 ? VARCMP_LT : VARCMP_GT;
    // The text's value has a double's precision, which a float is widened to.
    VARIANT numeric = number;
    if (numeric.vt == VT_R4) {
        numeric.vt = VT_R8;
        numeric.dblVal = number.fltVal;
    }
    return compareNumbers(value.v, numeric);
}

int reversed(int order)
{
    return order == VARCMP_LT ? VARCMP_GT : order == VARCMP_GT ? VARCMP_LT : order;
}

std::expected<int, HRESULT> compare(VARIANT const& left, VARIANT const& right, bool leftMarked, bool rightMarked,
                                    LCID lcid, ULONG flags)
{
    if (left.vt == VT_NULL || right.vt == VT_NULL)
        return VARCMP_NULL;
    if (left.vt == VT_ERROR)
        return ordered(left.scode, right.scode);
    bool const leftText = left.vt == VT_BSTR;
    bool const rightText = right.vt == VT_BSTR;
    // An empty value is the empty text against a text.
    if ((leftText || left.vt == VT_EMPTY) && (rightText || right.vt == VT_EMPTY) && (leftText || rightText))
        return arith::compareTexts(textOf(left), textOf(right), lcid, flags);
    if (leftText)
        return compareTextWithNumber(left, right, leftMarked, rightMarked, lcid, flags);
    if (rightText) {
        auto order = compareTextWithNumber(right, left, rightMarked, leftMarked, lcid, flags);
        return order ? std::expected<int, HRESULT>(reversed(*order)) : order;
    }
    return compareNumbers(left, right);
}

// Plain numbers Windows compares with a text: the text is greater.
bool plainNumber(VARTYPE vt)
{
    switch (vt) {
    case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_CY: case VT_DATE: case VT_BOOL: case VT_DECIMAL:
    case VT_UI1: case VT_I8:
        return true;
    default:
        return false;
    }
}

} // namespace

HRESULT VarCmp(LPVARIANT pvarLeft, LPVARIANT pvarRight, LCID lcid, ULONG dwFlags)
{
    if (pvarLeft == nullptr || pvarRight == nullptr)
        return E_INVALIDARG;
    // VT_RESERVED marks how a text and a number compare and is otherwise
    // no part of the type.
    VARIANT left = *pvarLeft;
    VARIANT right = *pvarRight;
    bool const leftMarked = (left.vt & VT_RESERVED) != 0;
    bool const rightMarked = (right.vt & VT_RESERVED) != 0;
    left.vt &= ~VT_RESERVED;
    right.vt &= ~VT_RESERVED;
    // The commonest answer first: an unmarked text against a plain number.
    if (!leftMarked && !rightMarked) {
        if (left.vt == VT_BSTR && plainNumber(right.vt))
            return VARCMP_GT;
        if (right.vt == VT_BSTR && (plainNumber(left.vt) || left.vt == VT_INT))
            return VARCMP_LT;
    }
    arith::Operands operands;
    HRESULT hr = operands.read(&left, &right, refusal);
    if (FAILED(hr))
        return hr;
    auto order = compare(operands.left(), operands.right(), leftMarked, rightMarked, lcid, dwFlags);
    return order ? *order : order.error();
}

HRESULT VarR4CmpR8(float fltLeft, double dblRight)
{
    return ordered(fltLeft, dblRight);
}
