#include "Workbook.h"

#include "Sheet.h"
#include "Sheets.h"

#include <algorithm>
#include <utility>

namespace qor::examples::spreadsheet {

std::optional<Failure> checkWorkbookName(OleStringView name) {
    if (name.empty())
        return Failure{E_INVALIDARG, "A workbook needs a name"};
    return std::nullopt;
}

CWorkbook::CWorkbook(OleString name, platform::windows::com::UnknownCreationInterface* engine)
    : SpreadsheetObject(engine), name(std::move(name)) {
    if (auto first = addSheet(OLESTR("Sheet1")))
        active = *first;
}

CWorkbook::~CWorkbook() {
    for (auto const& sheet : sheets)
        sheet->leaveWorkbook();
}

HRESULT CWorkbook::get_Name(BSTR* bookName) {
    return textOut(name, bookName);
}

HRESULT CWorkbook::put_Name(BSTR bookName) {
    OleString wanted = textOf(bookName);
    if (auto failure = checkWorkbookName(wanted))
        return fail(*failure);
    name = std::move(wanted);
    return S_OK;
}

HRESULT CWorkbook::get_Sheets(ISheets** collection) {
    return handOut(makeObject<CSheets>(this).get(), collection);
}

HRESULT CWorkbook::get_ActiveSheet(ISheet** active) {
    return handOut(this->active, active);
}

HRESULT CWorkbook::New(BSTR bookName, IWorkbook** created) {
    OleString wanted = textOf(bookName);
    if (auto failure = checkWorkbookName(wanted))
        return fail(*failure);
    return handOut(makeObject<CWorkbook>(std::move(wanted), getCreator()).get(), created);
}

CSheet* CWorkbook::sheetAt(LONG index) const {
    if (index < 0 || index >= sheetCount())
        return nullptr;
    return sheets[static_cast<std::size_t>(index)].get();
}

CSheet* CWorkbook::sheetNamed(OleStringView name) const {
    auto found = std::ranges::find_if(sheets, [&](auto const& sheet) { return sheet->sheetName() == name; });
    return found != sheets.end() ? found->get() : nullptr;
}

std::optional<LONG> CWorkbook::indexOf(CSheet const* sheet) const {
    auto found = std::ranges::find_if(sheets, [&](auto const& held) { return held.get() == sheet; });
    if (found == sheets.end())
        return std::nullopt;
    return static_cast<LONG>(found - sheets.begin());
}

std::expected<CSheet*, Failure> CWorkbook::addSheet(OleString name) {
    if (auto failure = checkSheetName(name, nullptr))
        return std::unexpected(*failure);
    sheets.push_back(makeObject<CSheet>(this, std::move(name), getCreator()));
    return sheets.back().get();
}

std::optional<Failure> CWorkbook::checkSheetName(OleStringView name, CSheet const* sheet) const {
    if (name.empty())
        return Failure{E_INVALIDARG, "A sheet needs a name"};
    CSheet const* holder = sheetNamed(name);
    if (holder != nullptr && holder != sheet)
        return Failure{E_INVALIDARG, "A sheet named " + quotedName(name) + " already exists"};
    return std::nullopt;
}

} // namespace qor::examples::spreadsheet
