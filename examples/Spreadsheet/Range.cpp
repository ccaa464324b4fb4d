#include "Range.h"

#include "Sheet.h"
#include "Text.h"

#include <fmt/format.h>

namespace qor::examples::spreadsheet {

CRange::CRange(CSheet* sheet, CellArea area) : sheet(retain(sheet)), area(area) {}

HRESULT CRange::get_Count(LONG* cellCount) {
    if (cellCount == nullptr)
        return E_POINTER;
    *cellCount = area.count();
    return S_OK;
}

HRESULT CRange::get_Item(LONG index, VARIANT* cellValue) {
    if (index < 0 || index >= area.count())
        return fail(DISP_E_BADINDEX, fmt::format("Cell {} of {} does not exist: positions run from 0 to {}", index,
                                                 area.address(), area.count() - 1));
    return itemAt(index, cellValue);
}

HRESULT CRange::get__NewEnum(IUnknown** enumerator) {
    return CItemEnumerator::handOut(static_cast<IRange*>(this), *this, enumerator);
}

HRESULT CRange::get_Address(BSTR* reference) {
    return textOut(area.address(), reference);
}

LONG CRange::itemCount() {
    return area.count();
}

HRESULT CRange::itemAt(LONG index, VARIANT* item) {
    return sheet->copyCell(area.rowAt(index), area.columnAt(index), item);
}

} // namespace qor::examples::spreadsheet
