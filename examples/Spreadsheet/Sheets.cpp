#include "Sheets.h"

#include "Sheet.h"
#include "Text.h"
#include "Workbook.h"

#include <fmt/format.h>

namespace qor::examples::spreadsheet {

CSheets::CSheets(CWorkbook* workbook) : workbook(retain(workbook)) {}

HRESULT CSheets::get_Count(LONG* sheetCount) {
    if (sheetCount == nullptr)
        return E_POINTER;
    *sheetCount = workbook->sheetCount();
    return S_OK;
}

HRESULT CSheets::get_Item(VARIANT index, ISheet** found) {
    constexpr char const* notAKey = "A sheet is found by its position or its name";
    _variant_t key;
    if (FAILED(VariantCopyInd(&key, &index)))
        return fail(DISP_E_TYPEMISMATCH, notAKey);
    if (key.vt == VT_BSTR) {
        OleString const name = textOf(key.bstrVal);
        if (CSheet* sheet = workbook->sheetNamed(name))
            return handOut(sheet, found);
        return fail(DISP_E_BADINDEX, "No sheet is named " + quotedName(name));
    }
    // Nothing is not position 0.
    bool const holdsSomething = key.vt != VT_EMPTY && key.vt != VT_NULL && key.vt != VT_ERROR;
    if (!holdsSomething || FAILED(VariantChangeType(&key, &key, 0, VT_I4)))
        return fail(DISP_E_TYPEMISMATCH, notAKey);
    if (CSheet* sheet = workbook->sheetAt(key.lVal))
        return handOut(sheet, found);
    return fail(DISP_E_BADINDEX,
                fmt::format("Sheet {} does not exist: positions run from 0 to {}", key.lVal, itemCount() - 1));
}

HRESULT CSheets::get__NewEnum(IUnknown** enumerator) {
    return CItemEnumerator::handOut(static_cast<ISheets*>(this), *this, enumerator);
}

HRESULT CSheets::Add(BSTR sheetName, ISheet** added) {
    auto sheet = workbook->addSheet(textOf(sheetName));
    if (!sheet)
        return fail(sheet.error());
    return handOut(*sheet, added);
}

LONG CSheets::itemCount() {
    return workbook->sheetCount();
}

HRESULT CSheets::itemAt(LONG index, VARIANT* item) {
    CSheet* sheet = workbook->sheetAt(index);
    if (sheet == nullptr)
        return DISP_E_BADINDEX;
    item->vt = VT_DISPATCH;
    item->pdispVal = sheet;
    sheet->AddRef();
    return S_OK;
}

} // namespace qor::examples::spreadsheet
