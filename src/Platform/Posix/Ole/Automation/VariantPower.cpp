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
    return arith::nullPropagating(
        pvarLeft, pvarRight, pvarResult, arith::numberRefusal,
        [](VARIANT const& left, VARIANT const& right) -> std::expected<VARIANT, HRESULT> {
            auto pair = arith::bothOf(arith::realOf, left, right);
            if (!pair)
                return std::unexpected(pair.error());
            double power = 0;
            VarR8Pow(pair->first, pair->second, &power);
            return arith::realResult(power, VT_R8);
        });
}
