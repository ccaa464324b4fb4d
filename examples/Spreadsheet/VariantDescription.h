#pragma once

#include "Platform/Com.h"

#include <string>

namespace qor::examples::spreadsheet {

// What a VARIANT argument holds, as COM received it: its type and value
// ("VT_I4 42", "VT_BSTR \"text\"", "VT_DISPATCH IPoint"), or "missing" for an
// optional argument left out. Scripts call Describe to see how their values
// reach COM.
std::string describeVariant(VARIANT const& value);

} // namespace qor::examples::spreadsheet
