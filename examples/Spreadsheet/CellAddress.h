#pragma once

#include "Platform/Com.h"
#include "Failure.h"

#include <optional>
#include <string>

namespace qor::examples::spreadsheet {

// The cells of a sheet: rows 1 to 65536, columns 1 to 256 (A to IV), the
// classic sheet, so that every range's cell count fits in a LONG.
inline constexpr LONG maxRows = 65536;
inline constexpr LONG maxColumns = 256;

// Why (row, column) is not a cell of a sheet, or nothing when it is.
std::optional<Failure> checkCell(LONG row, LONG column);

// "A1", "IV65536".
std::string cellAddress(LONG row, LONG column);

// A rectangle of cells, first corner top left.
struct CellArea {
    LONG firstRow;
    LONG firstColumn;
    LONG lastRow;
    LONG lastColumn;

    // The area between two cells, whichever corners they are.
    static CellArea between(LONG row1, LONG column1, LONG row2, LONG column2);

    LONG rows() const { return lastRow - firstRow + 1; }
    LONG columns() const { return lastColumn - firstColumn + 1; }
    LONG count() const { return rows() * columns(); }
    // The cell at `index`, counting row by row from 0.
    LONG rowAt(LONG index) const { return firstRow + index / columns(); }
    LONG columnAt(LONG index) const { return firstColumn + index % columns(); }
    // "A1:C3".
    std::string address() const;
};

} // namespace qor::examples::spreadsheet
