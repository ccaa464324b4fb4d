#include "Sheet.h"

#include "CellValue.h"
#include "ScriptEvent.h"
#include "Range.h"
#include "Workbook.h"

#include <fmt/format.h>

namespace qor::examples::spreadsheet {

CSheet::CSheet(CWorkbook* workbook, OleString name, platform::windows::com::UnknownCreationInterface* engine)
    : SpreadsheetObject(engine), workbook(workbook), name(std::move(name)) {}

CSheet::~CSheet() {
    *alive = false;
    // The jthreads join as they go.
}

HRESULT CSheet::QueryInterface(REFIID riid, void** ppv) {
    if (ppv != nullptr)
        if (void* found = eventInterface(riid)) {
            *ppv = found;
            AddRef();
            return S_OK;
        }
    return SpreadsheetObject::QueryInterface(riid, ppv);
}

HRESULT CSheet::get_Name(BSTR* sheetName) {
    return textOut(name, sheetName);
}

HRESULT CSheet::put_Name(BSTR sheetName) {
    OleString wanted = textOf(sheetName);
    if (wanted.empty())
        return fail(E_INVALIDARG, "A sheet needs a name");
    if (workbook != nullptr)
        if (auto failure = workbook->checkSheetName(wanted, this))
            return fail(*failure);
    name = std::move(wanted);
    return S_OK;
}

HRESULT CSheet::get_Cells(LONG row, LONG column, VARIANT* cellValue) {
    if (auto failure = checkCell(row, column))
        return fail(*failure);
    return copyCell(row, column, cellValue);
}

HRESULT CSheet::SetCell(LONG row, LONG column, VARIANT newValue) {
    if (HRESULT hr = failIfProtected(); FAILED(hr))
        return hr;
    if (auto failure = checkCell(row, column))
        return fail(*failure);
    auto stored = cellValueOf(newValue);
    if (!stored)
        return fail(stored.error());
    store(row, column, std::move(*stored));
    return S_OK;
}

void CSheet::store(LONG row, LONG column, _variant_t value) {
    if (value.vt == VT_EMPTY)
        cells.erase({row, column});
    else
        cells.insert_or_assign({row, column}, std::move(value));
    raiseChange(row, column);
}

void CSheet::raiseChange(LONG row, LONG column) {
    _variant_t value;
    copyCell(row, column, &value);
    // The script may keep the sheet; the event's arguments hold their own
    // references while it runs.
    raiseEvent(getCreator(), CLSID_Sheet, OLESTR("OnChange"),
               {_variant_t(static_cast<IDispatch*>(this)), _variant_t(row), _variant_t(column), value});
    fire(DISPID_SheetChanged, {_variant_t(row), _variant_t(column), value});
}

HRESULT CSheet::Activate(LONG percent, LONG* position) {
    if (position == nullptr)
        return E_POINTER;
    if (workbook == nullptr)
        return fail(E_FAIL, "Sheet " + quotedName(name) + " no longer belongs to a workbook");
    if (percent < minZoom || percent > maxZoom)
        return fail(E_INVALIDARG, fmt::format("Zoom {} is outside {} to {}", percent, minZoom, maxZoom));
    workbook->activate(this);
    zoom = percent;
    *position = workbook->indexOf(this).value_or(-1);
    return S_OK;
}

HRESULT CSheet::get_Zoom(LONG* percent) {
    if (percent == nullptr)
        return E_POINTER;
    *percent = zoom;
    return S_OK;
}

HRESULT CSheet::get_Protected(VARIANT_BOOL* locked) {
    if (locked == nullptr)
        return E_POINTER;
    *locked = this->locked ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CSheet::put_Protected(VARIANT_BOOL locked) {
    this->locked = locked != VARIANT_FALSE;
    return S_OK;
}

HRESULT CSheet::Clear() {
    if (HRESULT hr = failIfProtected(); FAILED(hr))
        return hr;
    cells.clear();
    return S_OK;
}

HRESULT CSheet::Range(LONG firstRow, LONG firstColumn, LONG lastRow, LONG lastColumn, IRange** result) {
    for (auto [row, column] : {std::pair{firstRow, firstColumn}, std::pair{lastRow, lastColumn}})
        if (auto failure = checkCell(row, column))
            return fail(*failure);
    auto area = CellArea::between(firstRow, firstColumn, lastRow, lastColumn);
    return handOut(makeObject<CRange>(this, area).get(), result);
}

HRESULT CSheet::copyCell(LONG row, LONG column, VARIANT* cellValue) const {
    if (cellValue == nullptr)
        return E_POINTER;
    VariantInit(cellValue);
    auto found = cells.find({row, column});
    return found != cells.end() ? VariantCopy(cellValue, &found->second) : S_OK;
}

HRESULT CSheet::failIfProtected() {
    if (!locked)
        return S_OK;
    return fail(E_ACCESSDENIED, "Sheet " + quotedName(name) + " is protected");
}

} // namespace qor::examples::spreadsheet
