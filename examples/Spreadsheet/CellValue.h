#pragma once

#include "Platform/Com.h"
#include "Failure.h"

#include <expected>

namespace qor::examples::spreadsheet {

// What a cell keeps of a value given to it: numbers of every kind as
// doubles; text, booleans, dates and null as they are; VT_EMPTY for a value
// that empties the cell. Objects, arrays and the rest are refused, so that a
// sheet never holds a reference that could keep its own workbook alive.
std::expected<_variant_t, Failure> cellValueOf(VARIANT const& value);

} // namespace qor::examples::spreadsheet
