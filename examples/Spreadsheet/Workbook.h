#pragma once

#include "Interfaces.h"
#include "SpreadsheetObject.h"
#include "Text.h"

#include <expected>
#include <optional>
#include <vector>

namespace qor::examples::spreadsheet {

class CSheet;

// A workbook: named sheets in order, one of them active. It owns its sheets;
// a sheet that outlives it no longer belongs to any workbook.
class CWorkbook : public SpreadsheetObject<IWorkbook, &IID_IWorkbook> {
public:
    // Starts with one sheet, "Sheet1", which is active. Its sheets raise
    // their events through `engine`, when given.
    explicit CWorkbook(OleString name, platform::windows::com::UnknownCreationInterface* engine = nullptr);
    ~CWorkbook() override;

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* bookName) override;
    HRESULT STDMETHODCALLTYPE put_Name(BSTR bookName) override;
    HRESULT STDMETHODCALLTYPE get_Sheets(ISheets** collection) override;
    HRESULT STDMETHODCALLTYPE get_ActiveSheet(ISheet** active) override;
    HRESULT STDMETHODCALLTYPE New(BSTR bookName, IWorkbook** created) override;

    // What the sheets and their collection ask of the workbook.
    LONG sheetCount() const { return static_cast<LONG>(sheets.size()); }
    // Null out of range.
    CSheet* sheetAt(LONG index) const;
    CSheet* sheetNamed(OleStringView name) const;
    std::optional<LONG> indexOf(CSheet const* sheet) const;
    std::expected<CSheet*, Failure> addSheet(OleString name);
    // Why `sheet` cannot be called `name` here (a new sheet when null).
    std::optional<Failure> checkSheetName(OleStringView name, CSheet const* sheet) const;
    void activate(CSheet* sheet) { active = sheet; }

    // The name a workbook made without one gets.
    static constexpr OLECHAR const* defaultName = OLESTR("Book1");

private:
    OleString name;
    std::vector<ComRef<CSheet>> sheets;
    CSheet* active = nullptr;
};

// Why `name` cannot name a workbook, or nothing.
std::optional<Failure> checkWorkbookName(OleStringView name);

} // namespace qor::examples::spreadsheet
