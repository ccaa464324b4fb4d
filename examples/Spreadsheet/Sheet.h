#pragma once

#include "CellAddress.h"
#include "EventSource.h"
#include "Interfaces.h"
#include "SpreadsheetObject.h"
#include "Text.h"

#include <map>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace qor::examples::spreadsheet {

class CWorkbook;

// A sheet of cells. Cells hold numbers (as doubles), text, booleans, dates
// or null; an empty cell holds nothing. A protected sheet refuses changes to
// its cells with an error its callers can read. Every change of a cell fires
// the event Changed(row, column, value) of SheetEvents to the sinks
// connected to the sheet.
class CSheet : public SpreadsheetObject<ISheet, &IID_ISheet>, public EventSource<&DIID_SheetEvents, &CLSID_Sheet> {
public:
    // `workbook` owns the sheet and tells it when it goes. Changes of its
    // cells call the scripts' Sheet.OnChange(sheet, row, column, value)
    // through `engine`, when given.
    CSheet(CWorkbook* workbook, OleString name, platform::windows::com::UnknownCreationInterface* engine = nullptr);
    // Waits for the sums still being worked out.
    ~CSheet() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return SpreadsheetObject::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return SpreadsheetObject::Release(); }

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* sheetName) override;
    HRESULT STDMETHODCALLTYPE put_Name(BSTR sheetName) override;
    HRESULT STDMETHODCALLTYPE get_Cells(LONG row, LONG column, VARIANT* cellValue) override;
    HRESULT STDMETHODCALLTYPE SetCell(LONG row, LONG column, VARIANT newValue) override;
    HRESULT STDMETHODCALLTYPE Activate(LONG percent, LONG* position) override;
    HRESULT STDMETHODCALLTYPE get_Zoom(LONG* percent) override;
    HRESULT STDMETHODCALLTYPE get_Protected(VARIANT_BOOL* locked) override;
    HRESULT STDMETHODCALLTYPE put_Protected(VARIANT_BOOL locked) override;
    HRESULT STDMETHODCALLTYPE Clear() override;
    HRESULT STDMETHODCALLTYPE Range(LONG firstRow, LONG firstColumn, LONG lastRow, LONG lastColumn,
                                    IRange** result) override;
    HRESULT STDMETHODCALLTYPE SumInBackground(LONG column, LONG firstRow, LONG lastRow, LONG intoRow) override;

    OleString const& sheetName() const { return name; }
    // A copy of the cell's value, for a caller that checked the address.
    HRESULT copyCell(LONG row, LONG column, VARIANT* cellValue) const;
    void leaveWorkbook() { workbook = nullptr; }

    static constexpr LONG minZoom = 10;
    static constexpr LONG maxZoom = 400;

private:
    HRESULT failIfProtected();
    void raiseChange(LONG row, LONG column);
    // The sheet's cell, changed as by SetCell.
    void store(LONG row, LONG column, _variant_t value);

    CWorkbook* workbook;
    OleString name;
    std::map<std::pair<LONG, LONG>, _variant_t> cells;
    LONG zoom = 100;
    bool locked = false;
    // The threads of SumInBackground. A worker touches neither the sheet nor
    // its reference count: it posts its total, and the engine's thread writes
    // it, if the sheet still lives (`alive`, read and cleared on that thread).
    std::vector<std::jthread> workers;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

} // namespace qor::examples::spreadsheet
