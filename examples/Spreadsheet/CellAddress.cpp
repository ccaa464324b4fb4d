#include "CellAddress.h"

#include <algorithm>

#include <fmt/format.h>

namespace qor::examples::spreadsheet {

std::optional<Failure> checkCell(LONG row, LONG column) {
    if (row >= 1 && row <= maxRows && column >= 1 && column <= maxColumns)
        return std::nullopt;
    return Failure{DISP_E_BADINDEX, fmt::format("Cell ({}, {}) is outside the sheet: rows run from 1 to {}, columns "
                                                "from 1 to {}",
                                                row, column, maxRows, maxColumns)};
}

std::string cellAddress(LONG row, LONG column) {
    std::string letters;
    for (LONG rest = column; rest > 0; rest = (rest - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (rest - 1) % 26));
    return letters + std::to_string(row);
}

CellArea CellArea::between(LONG row1, LONG column1, LONG row2, LONG column2) {
    return {std::min(row1, row2), std::min(column1, column2), std::max(row1, row2), std::max(column1, column2)};
}

std::string CellArea::address() const {
    return cellAddress(firstRow, firstColumn) + ":" + cellAddress(lastRow, lastColumn);
}

} // namespace qor::examples::spreadsheet
