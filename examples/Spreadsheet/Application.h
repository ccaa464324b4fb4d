#pragma once

#include "Interfaces.h"
#include "SpreadsheetObject.h"

namespace qor::examples::spreadsheet {

// The application: scripts see it as the global object Application. It has
// one active workbook, and methods that show how each kind of value goes
// between scripts and COM.
class CApplication : public SpreadsheetObject<IApplication, &IID_IApplication> {
public:
    // Starts with a workbook "Book1" of one sheet "Sheet1"; `engine`, when
    // given, hears of the changes of its cells.
    explicit CApplication(platform::windows::com::UnknownCreationInterface* engine = nullptr);

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* appName) override;
    HRESULT STDMETHODCALLTYPE get_Version(BSTR* versionText) override;
    HRESULT STDMETHODCALLTYPE get_ActiveWorkbook(IWorkbook** active) override;
    HRESULT STDMETHODCALLTYPE put_ActiveWorkbook(IWorkbook* active) override;
    HRESULT STDMETHODCALLTYPE Add(double a, double b, double* total) override;
    HRESULT STDMETHODCALLTYPE Divide(LONG dividend, LONG divisor, LONG* quotient, LONG* remainder) override;
    HRESULT STDMETHODCALLTYPE Repeat(BSTR pattern, LONG times, BSTR* repeated) override;
    HRESULT STDMETHODCALLTYPE Greet(BSTR who, BSTR* greeting) override;
    HRESULT STDMETHODCALLTYPE Describe(VARIANT value, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE IsEven(LONG number, VARIANT_BOOL* even) override;
    HRESULT STDMETHODCALLTYPE Choose(VARIANT_BOOL condition, VARIANT ifTrue, VARIANT ifFalse, VARIANT* chosen) override;
    HRESULT STDMETHODCALLTYPE FormatDate(DATE date, BSTR* formatted) override;
    HRESULT STDMETHODCALLTYPE DateSerial(LONG year, LONG month, LONG day, DATE* date) override;
    HRESULT STDMETHODCALLTYPE Factorial(LONG n, LONGLONG* product) override;
    HRESULT STDMETHODCALLTYPE Increment(LONGLONG number, LONGLONG* following) override;
    HRESULT STDMETHODCALLTYPE Squares(LONG howMany, SAFEARRAY** values) override;
    HRESULT STDMETHODCALLTYPE Mixed(SAFEARRAY** values) override;
    HRESULT STDMETHODCALLTYPE Sum(VARIANT values, double* total) override;

    static constexpr char const* name = "QorSpreadsheet";
    static constexpr char const* version = "1.0";
    // Repeat makes no text longer than this.
    static constexpr std::size_t maxTextLength = 1 << 20;
    static constexpr LONG maxSquares = 65536;

private:
    ComRef<IWorkbook> activeWorkbook;
};

} // namespace qor::examples::spreadsheet
