#pragma once

#include "Platform/Com.h"

#include <string>

namespace qor::examples::spreadsheet {

// Why a call failed: the code it returns and the description the caller
// reads from the error object.
struct Failure {
    HRESULT code;
    std::string description;
};

// Hands `failure` to the caller the COM way: an error object describing it
// for the calling thread, and its code as the result. `source` is the
// interface whose method failed.
HRESULT raiseError(Failure const& failure, IID const& source);

} // namespace qor::examples::spreadsheet
