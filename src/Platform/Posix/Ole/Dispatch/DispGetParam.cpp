#include "Platform/Posix/Ole/Dispatch/DispInvoke.h"

#include <optional>

#include "Platform/Posix/Ole/Automation/Variant.h"

namespace {

// The index in rgvarg of the argument at `position`: a named one first,
// then the positional ones, which rgvarg holds last to first.
std::optional<UINT> argumentIndex(DISPPARAMS const& params, UINT position)
{
    for (UINT i = 0; i < params.cNamedArgs && params.rgdispidNamedArgs != nullptr; ++i)
        if (params.rgdispidNamedArgs[i] == static_cast<DISPID>(position))
            return i;
    UINT const positional = params.cArgs - params.cNamedArgs;
    if (params.cNamedArgs > params.cArgs || position >= positional)
        return std::nullopt;
    return params.cArgs - 1 - position;
}

} // namespace

HRESULT DispGetParam(DISPPARAMS* pdispparams, UINT position, VARTYPE vtTarg, VARIANT* pvarResult, UINT* puArgErr)
{
    if (pdispparams == nullptr)
        return E_INVALIDARG;
    auto index = argumentIndex(*pdispparams, position);
    if (!index)
        return DISP_E_PARAMNOTFOUND;
    HRESULT hr = E_INVALIDARG;
    if (pdispparams->rgvarg != nullptr && pvarResult != nullptr)
        hr = VariantChangeType(pvarResult, &pdispparams->rgvarg[*index], 0, vtTarg);
    if (FAILED(hr) && puArgErr != nullptr)
        *puArgErr = *index;
    return hr;
}
