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
    auto base = arith::realOf(operands.left());
    if (!base)
        return arith::giveResult(pvarResult, std::unexpected(base.error()));
    auto exponent = arith::realOf(operands.right());
    if (!exponent)
        return arith::giveResult(pvarResult, std::unexpected(exponent.error()));
    double power = 0;
    VarR8Pow(*base, *exponent, &power);
    return arith::giveResult(pvarResult, arith::realResult(power, VT_R8));
}
