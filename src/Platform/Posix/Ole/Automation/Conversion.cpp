// The conversion matrix of the automation scalar types, VT_BSTR, VT_EMPTY,
// VT_NULL and objects.
//
// Every source value is read into one of three forms (an integer, a double or
// an exact decimal) and every target is written from them, so there is one
// path per pair of form and target instead of one function per pair of types.
// Texts of numbers, dates and booleans are read and written in the locale of
// the LCID (NumberText.h, DateText.h).
//
// Left out, with DISP_E_TYPEMISMATCH: VT_RECORD, arrays other than to their
// own type and bytes to and from text, and VT_ERROR to or from anything but
// VT_ERROR (VariantChangeType.cpp turns those away).

#include "Platform/Posix/Ole/Automation/Conversion.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <variant>

#include "Platform/Posix/Ole/Automation/Bstr.h"
#include "Platform/Posix/Ole/Automation/BstrVector.h"
#include "Platform/Posix/Ole/Automation/DecimalValue.h"
#include "Platform/Posix/Ole/Automation/Dispatch.h"
#include "Platform/Posix/Ole/Automation/VarType.h"

namespace qor::platform::posix::ole::convert {
namespace {

using Number = std::variant<Int128, double, DecimalValue>;

template <class T>
std::expected<Number, HRESULT> asNumber(std::expected<T, HRESULT> const& value)
{
    if (!value)
        return std::unexpected(value.error());
    return Number(*value);
}

struct IntegerRange {
    Int128 min;
    Int128 max;
};

std::optional<IntegerRange> integerRange(VARTYPE vt)
{
    switch (vt) {
    case VT_I1:
        return IntegerRange{INT8_MIN, INT8_MAX};
    case VT_UI1:
        return IntegerRange{0, UINT8_MAX};
    case VT_I2:
        return IntegerRange{INT16_MIN, INT16_MAX};
    case VT_UI2:
        return IntegerRange{0, UINT16_MAX};
    case VT_I4:
    case VT_INT:
        return IntegerRange{INT32_MIN, INT32_MAX};
    case VT_UI4:
    case VT_UINT:
        return IntegerRange{0, UINT32_MAX};
    case VT_I8:
        return IntegerRange{INT64_MIN, INT64_MAX};
    case VT_UI8:
        return IntegerRange{0, UINT64_MAX};
    default:
        return std::nullopt;
    }
}

// The bits of a VARIANT_BOOL go into any integer as they are; VariantChangeType
// also copies them between integers of one width (-1 as VT_I2 is 65535 as
// VT_UI2), where the typed functions check the range.
bool keepsBits(VARTYPE source, VARTYPE target, Caller caller)
{
    if (!integerRange(target))
        return false;
    return source == VT_BOOL || (caller == Caller::changeType && integerRange(source) &&
                                 vartype::sizeOf(source) == vartype::sizeOf(target));
}

std::u16string_view textOf(BSTR text)
{
    return {text != nullptr ? text : u"", SysStringLen(text)};
}

std::expected<Number, HRESULT> readScalar(const VARIANT& v)
{
    switch (v.vt) {
    case VT_EMPTY:
        return Int128(0);
    case VT_I1:
        return Int128(static_cast<signed char>(v.cVal));
    case VT_UI1:
        return Int128(v.bVal);
    case VT_I2:
        return Int128(v.iVal);
    case VT_UI2:
        return Int128(v.uiVal);
    case VT_I4:
    case VT_INT:
        return Int128(v.lVal);
    case VT_UI4:
    case VT_UINT:
        return Int128(v.ulVal);
    case VT_I8:
        return Int128(v.llVal);
    case VT_UI8:
        return Int128(v.ullVal);
    case VT_BOOL:
        return Int128(v.boolVal);
    case VT_R4:
        return double(v.fltVal);
    case VT_R8:
        return v.dblVal;
    case VT_DATE:
        return v.date;
    case VT_CY:
        return DecimalValue::fromCurrency(v.cyVal);
    case VT_DECIMAL:
        return asNumber(DecimalValue::fromDecimal(v.decVal));
    default:
        return std::unexpected(DISP_E_TYPEMISMATCH);
    }
}

std::expected<Int128, HRESULT> toInteger(const Number& number)
{
    if (auto* integer = std::get_if<Int128>(&number))
        return *integer;
    if (auto* real = std::get_if<double>(&number)) {
        // rint rounds half to even in the default rounding mode.
        double rounded = std::rint(*real);
        if (!std::isfinite(rounded) || std::fabs(rounded) > 0x1p100)
            return std::unexpected(DISP_E_OVERFLOW);
        // Through 64 bits where they hold it: the 128-bit conversion is a
        // library call that costs more than the rest of the conversion.
        if (std::fabs(rounded) < 0x1p62)
            return static_cast<Int128>(static_cast<std::int64_t>(rounded));
        return static_cast<Int128>(rounded);
    }
    return std::get<DecimalValue>(number).toInteger();
}

double toDouble(const Number& number)
{
    if (auto* integer = std::get_if<Int128>(&number))
        return static_cast<double>(*integer);
    if (auto* real = std::get_if<double>(&number))
        return *real;
    return std::get<DecimalValue>(number).toDouble();
}

// A float keeps the digits it has, fewer than a double.
std::expected<DecimalValue, HRESULT> toDecimal(const Number& number, VARTYPE source)
{
    if (auto* integer = std::get_if<Int128>(&number))
        return DecimalValue::fromInteger(*integer);
    if (auto* real = std::get_if<double>(&number))
        return DecimalValue::fromDouble(*real, source == VT_R4 ? 7 : 15);
    return std::get<DecimalValue>(number);
}

// A double in units of 1/10,000, rounded half to even from the exact
// product: the product taken in doubles would round first, and near the
// ends of the range, where a double no longer holds every unit, lose units
// (922337203685476 would be 448 units more than it is).
std::expected<LONGLONG, HRESULT> currencyUnitsOf(double value)
{
    auto const bits = std::bit_cast<std::uint64_t>(value);
    int const biased = static_cast<int>(bits >> 52 & 0x7FF);
    // value = significand * 2^-shift, exactly.
    std::uint64_t significand = bits & ((std::uint64_t(1) << 52) - 1);
    if (biased != 0)
        significand |= std::uint64_t(1) << 52;
    int const shift = 1075 - std::max(biased, 1);
    // From 2^52 on (and infinities and NaN) far beyond the range of a CY.
    if (shift <= 0)
        return std::unexpected(DISP_E_OVERFLOW);
    // The product is below 2^67: beyond 67 places it is less than half a unit.
    if (shift > 68)
        return 0;
    UInt128 const product = UInt128(significand) * 10000;
    UInt128 units = product >> shift;
    UInt128 const rest = product - (units << shift);
    UInt128 const half = UInt128(1) << (shift - 1);
    if (rest > half || (rest == half && (units & 1) != 0))
        ++units;
    bool const negative = (bits >> 63) != 0;
    if (units > (UInt128(1) << 63) - (negative ? 0 : 1))
        return std::unexpected(DISP_E_OVERFLOW);
    return static_cast<LONGLONG>(negative ? -static_cast<Int128>(units) : static_cast<Int128>(units));
}

std::expected<LONGLONG, HRESULT> toCurrencyUnits(const Number& number)
{
    if (auto* real = std::get_if<double>(&number))
        return currencyUnitsOf(*real);
    auto decimal = toDecimal(number, VT_R8);
    if (!decimal)
        return std::unexpected(decimal.error());
    return decimal->toCurrencyUnits();
}

bool isNonZero(const Number& number)
{
    if (auto* integer = std::get_if<Int128>(&number))
        return *integer != 0;
    if (auto* real = std::get_if<double>(&number))
        return *real != 0;
    return !std::get<DecimalValue>(number).isZero();
}

// The low bits of `value` that fit the target, as they are.
HRESULT writeBits(Int128 value, VARTYPE target, VARIANT& out)
{
    out.llVal = 0;
    switch (vartype::sizeOf(target)) {
    case 1:
        out.bVal = static_cast<BYTE>(value);
        break;
    case 2:
        out.iVal = static_cast<SHORT>(value);
        break;
    case 4:
        out.lVal = static_cast<LONG>(value);
        break;
    default:
        out.llVal = static_cast<LONGLONG>(value);
        break;
    }
    out.vt = target;
    return S_OK;
}

HRESULT writeInteger(Int128 value, VARTYPE target, VARIANT& out)
{
    auto range = integerRange(target);
    if (value < range->min || value > range->max)
        return DISP_E_OVERFLOW;
    return writeBits(value, target, out);
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

HRESULT writeText(Number const& number, VARTYPE source, Request const& request, VARIANT& out)
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

HRESULT writeDecimal(Number const& number, VARTYPE source, Caller caller, VARIANT& out)
{
    std::expected<DecimalValue, HRESULT> decimal;
    if (source == VT_BOOL) {
        // VarDecFromBool makes true -1, as every integer has it; the
        // decimal VariantChangeType makes of it is 1.
        int const truth = caller == Caller::typedFunction ? -1 : 1;
        decimal = DecimalValue::fromInteger(isNonZero(number) ? truth : 0);
    } else {
        decimal = toDecimal(number, source);
    }
    if (!decimal)
        return decimal.error();
    out.decVal = decimal->toDecimal();
    out.vt = VT_DECIMAL;
    return S_OK;
}

HRESULT writeNumber(Number const& number, VARTYPE source, VARTYPE target, Request const& request, VARIANT& out)
{
    if (keepsBits(source, target, request.caller))
        return writeBits(std::get<Int128>(number), target, out);
    if (integerRange(target)) {
        auto value = toInteger(number);
        return value ? writeInteger(*value, target, out) : value.error();
    }
    switch (target) {
    case VT_R8:
        out.dblVal = toDouble(number);
        out.vt = VT_R8;
        return S_OK;
    case VT_R4: {
        double value = toDouble(number);
        if (std::isinf(value) || std::fabs(value) > FLT_MAX)
            return DISP_E_OVERFLOW;
        out.fltVal = static_cast<float>(value);
        out.vt = VT_R4;
        return S_OK;
    }
    case VT_DATE: {
        double value = toDouble(number);
        if (!isDate(value))
            return DISP_E_OVERFLOW;
        out.date = value;
        out.vt = VT_DATE;
        return S_OK;
    }
    case VT_CY: {
        auto units = toCurrencyUnits(number);
        if (!units)
            return units.error();
        out.cyVal.int64 = *units;
        out.vt = VT_CY;
        return S_OK;
    }
    case VT_DECIMAL:
        return writeDecimal(number, source, request.caller, out);
    case VT_BOOL:
        out.boolVal = isNonZero(number) ? VARIANT_TRUE : VARIANT_FALSE;
        out.vt = VT_BOOL;
        return S_OK;
    case VT_BSTR:
        return writeText(number, source, request, out);
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

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
    auto number = readScalar(in);
    return number ? writeNumber(*number, in.vt, target, request, out) : number.error();
}

} // namespace qor::platform::posix::ole::convert
