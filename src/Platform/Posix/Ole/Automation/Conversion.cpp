// The conversion matrix of the automation scalar types, VT_BSTR, VT_EMPTY,
// VT_NULL and objects; between the scalar types through ScalarConversion.h.
// Texts of numbers, dates and booleans are read and written in the locale of
// the LCID (NumberText.h, DateText.h).
//
// Left out, with DISP_E_TYPEMISMATCH: VT_RECORD, arrays other than to their
// own type and bytes to and from text, and VT_ERROR to or from anything but
// VT_ERROR (VariantChangeType.cpp turns those away).

#include "Platform/Posix/Ole/Automation/Conversion.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <variant>

#include "Platform/Posix/Ole/Automation/Bstr.h"
#include "Platform/Posix/Ole/Automation/BstrVector.h"
#include "Platform/Posix/Ole/Automation/DecimalValue.h"
#include "Platform/Posix/Ole/Automation/Dispatch.h"
#include "Platform/Posix/Ole/Automation/ScalarConversion.h"
#include "Platform/Posix/Ole/Automation/VarType.h"

namespace qor::platform::posix::ole::convert {

using namespace scalar;

namespace {

std::u16string_view textOf(BSTR text)
{
    return {text != nullptr ? text : u"", SysStringLen(text)};
}

std::string integerText(Int128 value)
{
    if (value < 0)
        return "-" + integerText(-value);
    char digits[40];
    char* end = digits + sizeof digits;
    char* first = end;
    do {
        *--first = static_cast<char>('0' + static_cast<int>(value % 10));
        value /= 10;
    } while (value != 0);
    return std::string(first, end);
}

HRESULT writeString(std::u16string_view text, VARIANT& out)
{
    out.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (out.bstrVal == nullptr)
        return E_OUTOFMEMORY;
    out.vt = VT_BSTR;
    return S_OK;
}

HRESULT writeString(std::string_view ascii, VARIANT& out)
{
    out.bstrVal = SysAllocStringLen(nullptr, static_cast<UINT>(ascii.size()));
    if (out.bstrVal == nullptr)
        return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < ascii.size(); ++i)
        out.bstrVal[i] = static_cast<OLECHAR>(ascii[i]);
    out.vt = VT_BSTR;
    return S_OK;
}

std::u16string_view booleanWord(bool value, Request const& request)
{
    if (request.booleanText == BooleanText::local) {
        Locale const& locale = request.locale();
        return value ? locale.trueWord : locale.falseWord;
    }
    return value ? u"True" : u"False";
}

} // namespace

HRESULT scalar::writeText(Number const& number, VARTYPE source, Request const& request, VARIANT& out)
{
    if (source == VT_EMPTY)
        return writeString(std::u16string_view(), out);
    if (source == VT_DATE) {
        auto text = formatDate(std::get<double>(number), request.locale(), request.dateParts);
        return text ? writeString(std::u16string_view(*text), out) : text.error();
    }
    if (auto* integer = std::get_if<Int128>(&number)) {
        if (source == VT_BOOL && request.booleanText != BooleanText::number)
            return writeString(booleanWord(*integer != 0, request), out);
        return writeString(integerText(*integer), out);
    }
    std::string text = std::holds_alternative<double>(number)
                           ? formatReal(std::get<double>(number), source == VT_R4 ? 7 : 15)
                           : std::get<DecimalValue>(number).toText();
    Locale const& locale = request.locale();
    if (locale.decimalSeparator == u".")
        return writeString(text, out);
    return writeString(std::u16string_view(localNumber(text, locale)), out);
}

namespace {

// The value of the digits of a &H or &O number, or none beyond 64 bits.
std::optional<std::uint64_t> radixValue(ParsedNumber const& number)
{
    std::uint64_t value = 0;
    for (char digit : number.digits) {
        if (value >> (64 - number.baseShift) != 0)
            return std::nullopt;
        unsigned const bits = digit <= '9' ? unsigned(digit - '0') : unsigned(digit - 'A' + 10);
        value = value << number.baseShift | bits;
    }
    return value;
}

// Digits as a double, rounded once: too small for a double is zero, too
// large overflows.
std::expected<double, HRESULT> realOf(ParsedNumber const& number)
{
    std::string const written = number.digits + "e" + std::to_string(number.exponent);
    double value = 0;
    auto [end, error] = std::from_chars(written.data(), written.data() + written.size(), value);
    if (error == std::errc::result_out_of_range) {
        bool tiny = number.exponent + static_cast<int>(number.digits.size()) < 0;
        if (!tiny)
            return std::unexpected(DISP_E_OVERFLOW);
        value = 0;
    }
    return number.negative() ? -value : value;
}

// A number read from a text, in the form its target needs: a double keeps
// every digit the text has, the exact types go through the exact decimal.
std::expected<Number, HRESULT> readNumber(ParsedNumber const& number, VARTYPE target)
{
    if (number.baseShift != 0) {
        auto value = radixValue(number);
        if (!value)
            return std::unexpected(DISP_E_OVERFLOW);
        return Int128(*value);
    }
    if (target == VT_R4 || target == VT_R8 || target == VT_DATE || target == VT_BOOL) {
        auto real = realOf(number);
        // What is too large for a double is still true.
        if (!real && target == VT_BOOL)
            return Int128(1);
        return asNumber(real);
    }
    return asNumber(DecimalValue::fromDigits(number.digits, number.exponent, number.negative()));
}

HRESULT changeObject(VARIANT& out, const VARIANT& in, Request const& request, VARTYPE target);

} // namespace

HRESULT changeNumber(VARIANT& out, ParsedNumber const& number, Request const& request, VARTYPE target)
{
    // As VB reads &HFFFF as the Integer -1, a hexadecimal or octal number
    // keeps its bits in an integer that has room for them.
    if (number.baseShift != 0 && integerRange(target)) {
        auto value = radixValue(number);
        std::size_t const bits = 8 * vartype::sizeOf(target);
        if (!value || (bits < 64 && *value >> bits != 0))
            return DISP_E_OVERFLOW;
        return writeBits(*value, target, out);
    }
    auto value = readNumber(number, target);
    return value ? writeNumber(*value, VT_BSTR, target, request, out) : value.error();
}

HRESULT changeText(VARIANT& out, std::u16string_view text, Request const& request, VARTYPE target)
{
    Locale const& locale = request.locale();
    if (target == VT_BOOL) {
        auto words = request.localBooleanWords ? BooleanWords::EnglishAndLocal : BooleanWords::English;
        if (auto word = parseBoolean(text, locale, words)) {
            out.boolVal = *word ? VARIANT_TRUE : VARIANT_FALSE;
            out.vt = VT_BOOL;
            return S_OK;
        }
    }
    if (target == VT_DATE) {
        auto date = parseDate(text, locale);
        if (!date)
            return date.error();
        out.date = *date;
        out.vt = VT_DATE;
        return S_OK;
    }
    auto number = parseNumber(text, locale, NUMPRS_STD);
    return number ? changeNumber(out, *number, request, target) : DISP_E_TYPEMISMATCH;
}

namespace {

// An IDispatch converts through its default member, DISPID_VALUE; a bare
// IUnknown only to another interface, without a call on the object.
HRESULT changeObject(VARIANT& out, const VARIANT& in, Request const& request, VARTYPE target)
{
    if (target == VT_DISPATCH || target == VT_UNKNOWN) {
        out.vt = target;
        if (in.punkVal == nullptr) {
            out.punkVal = nullptr;
            return S_OK;
        }
        IID const& iid = target == VT_DISPATCH ? IID_IDispatch : IID_IUnknown;
        HRESULT hr = in.punkVal->QueryInterface(iid, reinterpret_cast<void**>(&out.punkVal));
        if (FAILED(hr)) {
            out.vt = VT_EMPTY;
            return hr == E_NOINTERFACE ? DISP_E_TYPEMISMATCH : hr;
        }
        return S_OK;
    }
    if (in.vt != VT_DISPATCH || request.noValueProperty || in.pdispVal == nullptr)
        return DISP_E_TYPEMISMATCH;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT value;
    VariantInit(&value);
    HRESULT hr =
        in.pdispVal->Invoke(DISPID_VALUE, IID_NULL, request.lcid, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr);
    // An object without a readable value is no value of the type asked for.
    if (FAILED(hr))
        return DISP_E_TYPEMISMATCH;
    // One level only: a default value that is itself an object is not
    // followed further.
    Request once = request;
    once.noValueProperty = true;
    hr = changeType(out, value, once, target);
    VariantClear(&value);
    return hr;
}

// Of arrays, only bytes convert: to the string they spell and back.
HRESULT changeBytes(VARIANT& out, const VARIANT& in, VARTYPE target)
{
    HRESULT hr = DISP_E_TYPEMISMATCH;
    if (in.vt == (VT_ARRAY | VT_UI1) && target == VT_BSTR)
        hr = BstrFromVector(in.parray, &out.bstrVal);
    else if (in.vt == VT_BSTR && target == (VT_ARRAY | VT_UI1))
        hr = VectorFromBstr(in.bstrVal, &out.parray);
    if (SUCCEEDED(hr))
        out.vt = target;
    return hr;
}

} // namespace

HRESULT changeType(VARIANT& out, VARIANT const& in, Request const& request, VARTYPE target)
{
    if (in.vt == target)
        return VariantCopy(&out, &in);
    if ((in.vt & VT_ARRAY) != 0 || (target & VT_ARRAY) != 0)
        return changeBytes(out, in, target);
    // Any value but null may become empty, any value at all null; nothing is
    // asked of an object for that.
    if (target == VT_NULL || (target == VT_EMPTY && in.vt != VT_NULL)) {
        out.vt = target;
        return S_OK;
    }
    if (in.vt == VT_DISPATCH || in.vt == VT_UNKNOWN)
        return changeObject(out, in, request, target);
    if (in.vt == VT_NULL || target == VT_DISPATCH || target == VT_UNKNOWN)
        return DISP_E_TYPEMISMATCH;
    if (in.vt == VT_BSTR)
        return changeText(out, textOf(in.bstrVal), request, target);
    return changeScalar(out, in, request, target);
}

} // namespace qor::platform::posix::ole::convert
