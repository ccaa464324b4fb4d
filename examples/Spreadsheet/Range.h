#pragma once

#include "CellAddress.h"
#include "Interfaces.h"
#include "ItemEnumerator.h"
#include "SpreadsheetObject.h"

namespace qor::examples::spreadsheet {

class CSheet;

// A rectangle of a sheet's cells, read row by row: Item(0) is the top left
// cell. It shows the cells as they are when read, not as they were when the
// range was made.
class CRange : public SpreadsheetObject<IRange, &IID_IRange>, public ItemSource {
public:
    CRange(CSheet* sheet, CellArea area);

    HRESULT STDMETHODCALLTYPE get_Count(LONG* cellCount) override;
    HRESULT STDMETHODCALLTYPE get_Item(LONG index, VARIANT* cellValue) override;
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** enumerator) override;
    HRESULT STDMETHODCALLTYPE get_Address(BSTR* reference) override;

    LONG itemCount() override;
    HRESULT itemAt(LONG index, VARIANT* item) override;

private:
    ComRef<CSheet> sheet;
    CellArea area;
};

} // namespace qor::examples::spreadsheet
