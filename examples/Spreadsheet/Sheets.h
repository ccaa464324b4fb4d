#pragma once

#include "Interfaces.h"
#include "ItemEnumerator.h"
#include "SpreadsheetObject.h"

namespace qor::examples::spreadsheet {

class CWorkbook;

// The sheets of a workbook, as a collection: by position from 0 or by name.
// It holds the workbook, which holds the sheets.
class CSheets : public SpreadsheetObject<ISheets, &IID_ISheets>, public ItemSource {
public:
    explicit CSheets(CWorkbook* workbook);

    HRESULT STDMETHODCALLTYPE get_Count(LONG* sheetCount) override;
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, ISheet** found) override;
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** enumerator) override;
    HRESULT STDMETHODCALLTYPE Add(BSTR sheetName, ISheet** added) override;

    LONG itemCount() override;
    HRESULT itemAt(LONG index, VARIANT* item) override;

private:
    ComRef<CWorkbook> workbook;
};

} // namespace qor::examples::spreadsheet
