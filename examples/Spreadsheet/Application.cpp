#include "Application.h"

#include "OleDate.h"
#include "SumOfValues.h"
#include "Text.h"
#include "VariantDescription.h"
#include "Workbook.h"

#include <climits>
#include <vector>

#include <fmt/format.h>

namespace qor::examples::spreadsheet {
namespace {

// A one-dimensional array from 0 holding copies of `items`.
SAFEARRAY* variantArray(std::vector<_variant_t> const& items) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size()));
    if (array == nullptr)
        return nullptr;
    for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
        if (FAILED(SafeArrayPutElement(array, &i, const_cast<_variant_t*>(&items[std::size_t(i)])))) {
            SafeArrayDestroy(array);
            return nullptr;
        }
    }
    return array;
}

SAFEARRAY* doubleArray(std::vector<double> const& numbers) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(numbers.size()));
    void* data = nullptr;
    if (array == nullptr || FAILED(SafeArrayAccessData(array, &data))) {
        SafeArrayDestroy(array);
        return nullptr;
    }
    std::copy(numbers.begin(), numbers.end(), static_cast<double*>(data));
    SafeArrayUnaccessData(array);
    return array;
}

_variant_t arrayVariant(SAFEARRAY* array, VARTYPE elementType) {
    _variant_t value;
    value.vt = static_cast<VARTYPE>(VT_ARRAY | elementType);
    value.parray = array;
    return value;
}

} // namespace

CApplication::CApplication(platform::windows::com::UnknownCreationInterface* engine)
    : SpreadsheetObject(engine), activeWorkbook(makeObject<CWorkbook>(CWorkbook::defaultName, engine).detach()) {}

HRESULT CApplication::get_Name(BSTR* appName) {
    return textOut(name, appName);
}

HRESULT CApplication::get_Version(BSTR* versionText) {
    return textOut(version, versionText);
}

HRESULT CApplication::get_ActiveWorkbook(IWorkbook** active) {
    return handOut(activeWorkbook.get(), active);
}

HRESULT CApplication::put_ActiveWorkbook(IWorkbook* active) {
    if (active == nullptr)
        return fail(E_POINTER, "ActiveWorkbook needs a workbook");
    activeWorkbook = retain(active);
    return S_OK;
}

HRESULT CApplication::Add(double a, double b, double* total) {
    if (total == nullptr)
        return E_POINTER;
    *total = a + b;
    return S_OK;
}

HRESULT CApplication::Divide(LONG dividend, LONG divisor, LONG* quotient, LONG* remainder) {
    if (quotient == nullptr || remainder == nullptr)
        return E_POINTER;
    if (divisor == 0)
        return fail(DISP_E_DIVBYZERO, "Divide: the divisor is 0");
    if (dividend == LONG_MIN && divisor == -1)
        return fail(DISP_E_OVERFLOW, "Divide: the quotient does not fit in a long");
    *quotient = dividend / divisor;
    *remainder = dividend % divisor;
    return S_OK;
}

HRESULT CApplication::Repeat(BSTR pattern, LONG times, BSTR* repeated) {
    if (times < 0)
        return fail(E_INVALIDARG, "Repeat: times must not be negative");
    OleString const unit = textOf(pattern);
    if (!unit.empty() && std::size_t(times) > maxTextLength / unit.size())
        return fail(E_INVALIDARG, fmt::format("Repeat: the text would be longer than {} characters", maxTextLength));
    OleString text;
    text.reserve(unit.size() * std::size_t(times));
    for (LONG i = 0; i < times; ++i)
        text += unit;
    return textOut(text, repeated);
}

HRESULT CApplication::Greet(BSTR who, BSTR* greeting) {
    return textOut(OLESTR("Hello, ") + textOf(who) + OLESTR("!"), greeting);
}

HRESULT CApplication::Describe(VARIANT value, BSTR* description) {
    return textOut(describeVariant(value), description);
}

HRESULT CApplication::IsEven(LONG number, VARIANT_BOOL* even) {
    if (even == nullptr)
        return E_POINTER;
    *even = number % 2 == 0 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CApplication::Choose(VARIANT_BOOL condition, VARIANT ifTrue, VARIANT ifFalse, VARIANT* chosen) {
    if (chosen == nullptr)
        return E_POINTER;
    VariantInit(chosen);
    return VariantCopyInd(chosen, condition != VARIANT_FALSE ? &ifTrue : &ifFalse);
}

HRESULT CApplication::FormatDate(DATE date, BSTR* formatted) {
    auto text = formatOleDate(date);
    if (!text)
        return fail(DISP_E_OVERFLOW, "FormatDate: the date is outside the years 100 to 9999");
    return textOut(*text, formatted);
}

HRESULT CApplication::DateSerial(LONG year, LONG month, LONG day, DATE* date) {
    if (date == nullptr)
        return E_POINTER;
    auto value = oleDateOf(year, month, day);
    if (!value)
        return fail(E_INVALIDARG,
                    fmt::format("DateSerial: {}-{}-{} is not a day of the years 100 to 9999", year, month, day));
    *date = *value;
    return S_OK;
}

HRESULT CApplication::Factorial(LONG n, LONGLONG* product) {
    if (product == nullptr)
        return E_POINTER;
    if (n < 0)
        return fail(E_INVALIDARG, "Factorial: n must not be negative");
    // 20! is the largest factorial a signed 64-bit integer holds.
    if (n > 20)
        return fail(DISP_E_OVERFLOW, fmt::format("Factorial: {}! does not fit in 64 bits", n));
    LONGLONG result = 1;
    for (LONG i = 2; i <= n; ++i)
        result *= i;
    *product = result;
    return S_OK;
}

HRESULT CApplication::Increment(LONGLONG number, LONGLONG* following) {
    if (following == nullptr)
        return E_POINTER;
    if (number == LLONG_MAX)
        return fail(DISP_E_OVERFLOW, "Increment: the result does not fit in 64 bits");
    *following = number + 1;
    return S_OK;
}

HRESULT CApplication::Squares(LONG howMany, SAFEARRAY** values) {
    if (values == nullptr)
        return E_POINTER;
    if (howMany < 0 || howMany > maxSquares)
        return fail(E_INVALIDARG, fmt::format("Squares: howMany must be from 0 to {}", maxSquares));
    std::vector<double> squares;
    for (LONG i = 1; i <= howMany; ++i)
        squares.push_back(double(i) * double(i));
    *values = doubleArray(squares);
    return *values != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CApplication::Mixed(SAFEARRAY** values) {
    if (values == nullptr)
        return E_POINTER;
    _variant_t null;
    null.vt = VT_NULL;
    SAFEARRAY* pair = doubleArray({1, 2});
    if (pair == nullptr)
        return E_OUTOFMEMORY;
    *values =
        variantArray({_variant_t(name), _variant_t(static_cast<LONG>(42)), _variant_t(2.5), _variant_t(true), null,
                      arrayVariant(pair, VT_R8), _variant_t(static_cast<IDispatch*>(activeWorkbook.get()))});
    return *values != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CApplication::Sum(VARIANT values, double* total) {
    if (total == nullptr)
        return E_POINTER;
    auto sum = sumOf(values);
    if (!sum)
        return fail(sum.error());
    *total = *sum;
    return S_OK;
}

} // namespace qor::examples::spreadsheet
