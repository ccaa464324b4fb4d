#pragma once

// The script numbers of COM's decimal types: the double nearest to the exact
// value, so that every value a double holds exactly arrives exactly.

#include "Platform/Com.h"

#include <optional>

namespace qor::format::engine::javascript {

double numberOfCurrency(CY const& value);
// None for a DECIMAL whose scale is beyond 28.
std::optional<double> numberOfDecimal(DECIMAL const& value);

} // namespace qor::format::engine::javascript
