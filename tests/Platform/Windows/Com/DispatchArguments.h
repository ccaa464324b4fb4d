#pragma once

// The arguments of one IDispatch call, in the reversed order COM passes them,
// with the result's place beside them.

#include "Platform/Com.h"

#include <initializer_list>
#include <vector>

namespace qor::test {

class DispatchArguments {
public:
    // Written in call order: DispatchArguments{first, second}.
    DispatchArguments(std::initializer_list<_variant_t> arguments) {
        for (auto argument = arguments.end(); argument != arguments.begin();) {
            --argument;
            VARIANT copy;
            VariantInit(&copy);
            VariantCopy(&copy, &*argument);
            values.push_back(copy);
        }
        VariantInit(&result);
    }
    DispatchArguments(DispatchArguments const&) = delete;
    DispatchArguments& operator=(DispatchArguments const&) = delete;
    ~DispatchArguments() {
        for (VARIANT& value : values)
            VariantClear(&value);
        VariantClear(&result);
    }

    DISPPARAMS* params() {
        parameters.rgvarg = values.empty() ? nullptr : values.data();
        parameters.cArgs = static_cast<UINT>(values.size());
        return &parameters;
    }
    // The last argument as the value of a property put.
    DISPPARAMS* forPut() {
        params();
        parameters.rgdispidNamedArgs = &putId;
        parameters.cNamedArgs = 1;
        return &parameters;
    }

    VARIANT result;

private:
    std::vector<VARIANT> values;
    DISPPARAMS parameters{};
    DISPID putId = DISPID_PROPERTYPUT;
};

} // namespace qor::test
