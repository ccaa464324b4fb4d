#pragma once

#include "Platform/Com.h"
#include "Failure.h"

#include <expected>

namespace qor::examples::spreadsheet {

// The sum of the numbers in `values`: a number; a SAFEARRAY of numbers or of
// VARIANTs (all its dimensions); or an object that enumerates its items
// through IEnumVARIANT, itself or from its _NewEnum (DISPID_NEWENUM), as
// collections and script arrays do. Items may nest. Empty and null items
// count as nothing, as empty cells do in a spreadsheet.
std::expected<double, Failure> sumOf(VARIANT const& values);

} // namespace qor::examples::spreadsheet
