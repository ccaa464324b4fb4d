// VarPow and VarR8Pow: every number is raised as a double.

#include <cmath>

#include "Platform/Posix/Ole/Automation/NumericOperand.h"
#include "Platform/Posix/Ole/Automation/VarArithmetic.h"
#include "Platform/Posix/Ole/Automation/VariantOperand.h"

using namespace qor::platform::posix::ole;

HRESULT VarR8Pow(double dblLeft, double dblRight, double* pdblResult)
{
    if (pdblResult == nullptr)
        return E_INVALIDARG;
    *pdblResult = std::pow(dblLeft, dblRight);
    return S_OK;
}

HRESULT VarPow(LPVARIANT pvarLeft, LPVARIANT pvarRight, LPVARIANT pvarResult)
{
    if (pvarResult == nullptr)
        return E_INVALIDARG;
    arith::Operands operands;
    HRESULT hr = operands.read(pvarLeft, pvarRight, arith::numberRefusal);
    if (FAILED(hr))
        return arith::giveResult(pvarResult, std::unexpected(hr));
    if (operands.isNull())
        return arith::giveResult(pvarResult, arith::nullResult());
    auto pair = arith::bothOf(arith::realOf, operands.left(), operands.right());
    if (!pair)
        return arith::giveResult(pvarResult, std::unexpected(pair.error()));
    double power = 0;
    VarR8Pow(pair->first, pair->second, &power);
    return arith::giveResult(pvarResult, arith::realResult(power, VT_R8));
}
