// The VarCy* functions: CY is a count of ten-thousandths in 64 bits, so
// its arithmetic is integer arithmetic, checked for overflow, with
// products rounded half to even to four places.

#include <cmath>
#include <limits>

#include "Platform/Posix/Ole/Automation/DecimalValue.h"
#include "Platform/Posix/Ole/Automation/VarArithmetic.h"
#include "Platform/Posix/Ole/Automation/VarConversions.h"

using namespace qor::platform::posix::ole;
using convert::Int128;

namespace {

constexpr LONGLONG kUnit = 10000;

HRESULT give(Int128 units, LPCY result)
{
    if (result == nullptr)
        return E_INVALIDARG;
    if (units < std::numeric_limits<LONGLONG>::min() || units > std::numeric_limits<LONGLONG>::max())
        return DISP_E_OVERFLOW;
    result->int64 = static_cast<LONGLONG>(units);
    return S_OK;
}

// value / divisor rounded half to even.
Int128 roundedQuotient(Int128 value, Int128 divisor)
{
    bool const negative = (value < 0) != (divisor < 0);
    auto const magnitude = static_cast<convert::UInt128>(value < 0 ? -value : value);
    auto const by = static_cast<convert::UInt128>(divisor < 0 ? -divisor : divisor);
    convert::UInt128 quotient = magnitude / by;
    convert::UInt128 const remainder = magnitude % by;
    if (remainder * 2 > by || (remainder * 2 == by && (quotient & 1) != 0))
        ++quotient;
    return negative ? -static_cast<Int128>(quotient) : static_cast<Int128>(quotient);
}

Int128 floorQuotient(Int128 value, Int128 divisor)
{
    Int128 quotient = value / divisor;
    if (value % divisor != 0 && value < 0)
        --quotient;
    return quotient;
}

} // namespace

HRESULT VarCyAdd(CY cyLeft, CY cyRight, LPCY pcyResult)
{
    return give(Int128(cyLeft.int64) + cyRight.int64, pcyResult);
}

HRESULT VarCySub(CY cyLeft, CY cyRight, LPCY pcyResult)
{
    return give(Int128(cyLeft.int64) - cyRight.int64, pcyResult);
}

HRESULT VarCyMul(CY cyLeft, CY cyRight, LPCY pcyResult)
{
    return give(roundedQuotient(Int128(cyLeft.int64) * cyRight.int64, kUnit), pcyResult);
}

HRESULT VarCyMulI4(CY cyLeft, LONG lRight, LPCY pcyResult)
{
    return give(Int128(cyLeft.int64) * lRight, pcyResult);
}

HRESULT VarCyMulI8(CY cyLeft, LONG64 lRight, LPCY pcyResult)
{
    return give(Int128(cyLeft.int64) * lRight, pcyResult);
}

HRESULT VarCyAbs(CY cyIn, LPCY pcyResult)
{
    return give(cyIn.int64 < 0 ? -Int128(cyIn.int64) : Int128(cyIn.int64), pcyResult);
}

HRESULT VarCyFix(CY cyIn, LPCY pcyResult)
{
    return give(Int128(cyIn.int64) / kUnit * kUnit, pcyResult);
}

HRESULT VarCyInt(CY cyIn, LPCY pcyResult)
{
    return give(floorQuotient(cyIn.int64, kUnit) * kUnit, pcyResult);
}

HRESULT VarCyNeg(CY cyIn, LPCY pcyResult)
{
    return give(-Int128(cyIn.int64), pcyResult);
}

HRESULT VarCyRound(CY cyIn, int cDecimals, LPCY pcyResult)
{
    if (cDecimals < 0)
        return E_INVALIDARG;
    if (cDecimals >= 4)
        return give(cyIn.int64, pcyResult);
    Int128 const step = convert::powerOfTen(4 - cDecimals);
    return give(roundedQuotient(cyIn.int64, step) * step, pcyResult);
}

HRESULT VarCyCmp(CY cyLeft, CY cyRight)
{
    return cyLeft.int64 < cyRight.int64 ? VARCMP_LT : cyLeft.int64 > cyRight.int64 ? VARCMP_GT : VARCMP_EQ;
}

HRESULT VarCyCmpR8(CY cyLeft, double dblRight)
{
    CY right;
    HRESULT hr = VarCyFromR8(dblRight, &right);
    if (FAILED(hr))
        return hr;
    return VarCyCmp(cyLeft, right);
}
