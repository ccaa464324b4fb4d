// The conversion matrix of VariantChangeType(Ex) for the automation scalar
// types, VT_BSTR, VT_EMPTY, VT_NULL and objects.
//
// Every source value is read into one of three forms (an integer, a double or
// an exact decimal) and every target is written from them, so there is one
// path per pair of form and target instead of one function per pair of types.
// Texts of numbers, dates and booleans are read and written in the locale of
// the LCID (NumberText.h, DateText.h).
//
// Left out, with DISP_E_TYPEMISMATCH: VT_RECORD, arrays other than to their
// own type and bytes to and from text, and VT_ERROR to or from anything but
// VT_ERROR.

#include <cfloat>
#include <cmath>
#include <charconv>
#include <limits>
#include <variant>

#include "Platform/Posix/Ole/Automation/Bstr.h"
#include "Platform/Posix/Ole/Automation/BstrVector.h"
#include "Platform/Posix/Ole/Automation/DateText.h"
#include "Platform/Posix/Ole/Automation/DecimalValue.h"
#include "Platform/Posix/Ole/Automation/Dispatch.h"
#include "Platform/Posix/Ole/Automation/NumberText.h"
#include "Platform/Posix/Ole/Automation/Variant.h"
#include "Platform/Posix/Ole/Automation/VarType.h"

namespace {

using namespace qor::platform::posix::ole::convert;
namespace vartype = qor::platform::posix::ole::vartype;

using Number = std::variant<Int128, double, DecimalValue>;

// What a conversion was asked for besides the types.
struct Request {
    LCID lcid;
    USHORT flags;

    bool has(USHORT flag) const { return (flags & flag) != 0; }
};

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

// Windows copies the bits between integers of one width (-1 as VT_I2 is
// 65535 as VT_UI2) and keeps those of a VARIANT_BOOL in any integer.
bool keepsBits(VARTYPE source, VARTYPE target)
{
    return integerRange(target) &&
           (source == VT_BOOL || (integerRange(source) && vartype::sizeOf(source) == vartype::sizeOf(target)));
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
        return DecimalValue::fromDecimal(v.decVal);
    default:
        return std::unexpected(DISP_E_TYPEMISMATCH);
    }
}

// A number text read as the form its target needs: doubles keep every digit
// the text has, the others go through the exact decimal.
std::expected<Number, HRESULT> readText(std::optional<ParsedNumber> const& parsed, VARTYPE target)
{
    if (!parsed)
        return std::unexpected(DISP_E_TYPEMISMATCH);
    if (target == VT_R4 || target == VT_R8) {
        std::string normal = (parsed->negative ? "-" : "") + parsed->digits + "e" + std::to_string(parsed->exponent);
        double value = 0;
        auto [end, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
        if (ec == std::errc::result_out_of_range) {
            // Too small for a double is zero, too large overflows.
            bool tiny = parsed->exponent + static_cast<int>(parsed->digits.size()) < 0;
            if (!tiny)
                return std::unexpected(DISP_E_OVERFLOW);
            value = parsed->negative ? -0.0 : 0.0;
        }
        return value;
    }
    return DecimalValue::fromDigits(parsed->digits, parsed->exponent, parsed->negative);
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

std::expected<DecimalValue, HRESULT> toDecimal(const Number& number)
{
    if (auto* integer = std::get_if<Int128>(&number))
        return DecimalValue::fromInteger(*integer);
    if (auto* real = std::get_if<double>(&number))
        return DecimalValue::fromDouble(*real);
    return std::get<DecimalValue>(number);
}

std::expected<LONGLONG, HRESULT> toCurrencyUnits(const Number& number)
{
    if (auto* real = std::get_if<double>(&number)) {
        double units = std::rint(*real * 10000.0);
        if (!std::isfinite(units) || units < -0x1p63 || units >= 0x1p63)
            return std::unexpected(DISP_E_OVERFLOW);
        return static_cast<LONGLONG>(units);
    }
    auto decimal = toDecimal(number);
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
    std::string text;
    do {
        text.insert(text.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    } while (value != 0);
    return text;
}

HRESULT writeString(std::u16string const& text, VARIANT& out)
{
    out.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (out.bstrVal == nullptr)
        return E_OUTOFMEMORY;
    out.vt = VT_BSTR;
    return S_OK;
}

// A VARIANT_BOOL is written as the number it is unless the words are asked
// for: English ones with VARIANT_ALPHABOOL, the locale's with
// VARIANT_LOCALBOOL.
std::optional<std::u16string> booleanWord(Int128 value, Request const& request)
{
    if (request.has(VARIANT_LOCALBOOL)) {
        Locale const& locale = localeOf(request.lcid);
        return value != 0 ? locale.trueWord : locale.falseWord;
    }
    if (request.has(VARIANT_ALPHABOOL))
        return value != 0 ? u"True" : u"False";
    return std::nullopt;
}

HRESULT writeText(Number const& number, VARTYPE source, Request const& request, VARIANT& out)
{
    if (source == VT_EMPTY)
        return writeString({}, out);
    if (source == VT_DATE) {
        auto parts = request.has(VARIANT_USE_NLS) ? DateParts::DateAndTime : DateParts::AsNeeded;
        auto text = formatDate(std::get<double>(number), localeOf(request.lcid), parts);
        return text ? writeString(*text, out) : text.error();
    }
    if (auto* integer = std::get_if<Int128>(&number)) {
        auto word = source == VT_BOOL ? booleanWord(*integer, request) : std::nullopt;
        std::string digits = integerText(*integer);
        return writeString(word.value_or(std::u16string(digits.begin(), digits.end())), out);
    }
    std::string text = std::holds_alternative<double>(number)
                           ? formatReal(std::get<double>(number), source == VT_R4 ? 7 : 15)
                           : std::get<DecimalValue>(number).toText();
    return writeString(localNumber(text, localeOf(request.lcid)), out);
}

HRESULT writeNumber(Number const& number, VARTYPE source, VARTYPE target, Request const& request, VARIANT& out)
{
    if (keepsBits(source, target))
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
    case VT_DECIMAL: {
        // Windows makes every true VARIANT_BOOL a decimal -1.
        auto decimal = source == VT_BOOL ? DecimalValue::fromInteger(isNonZero(number) ? -1 : 0) : toDecimal(number);
        if (!decimal)
            return decimal.error();
        out.decVal = decimal->toDecimal();
        out.vt = VT_DECIMAL;
        return S_OK;
    }
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

// A text as a boolean, a date or a number.
HRESULT convertText(VARIANT& out, std::u16string_view text, VARTYPE target, Request const& request)
{
    Locale const& locale = localeOf(request.lcid);
    if (target == VT_BOOL) {
        auto words = request.has(VARIANT_LOCALBOOL) ? BooleanWords::EnglishAndLocal : BooleanWords::English;
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
    auto parsed = parseNumber(text, locale);
    // As VB reads &HFFFF as the Integer -1, a hexadecimal or octal number
    // keeps its bits in an integer that has room for them.
    if (parsed && parsed->bits && integerRange(target) &&
        (vartype::sizeOf(target) == 8 || *parsed->bits >> (8 * vartype::sizeOf(target)) == 0))
        return writeBits(*parsed->bits, target, out);
    auto number = readText(parsed, target);
    return number ? writeNumber(*number, VT_BSTR, target, request, out) : number.error();
}

HRESULT convert(VARIANT& out, const VARIANT& in, Request const& request, VARTYPE target);

// An IDispatch converts through its default member, DISPID_VALUE; a bare
// IUnknown only to another interface, without a call on the object.
HRESULT convertObject(VARIANT& out, const VARIANT& in, Request const& request, VARTYPE target)
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
    if (in.vt != VT_DISPATCH || request.has(VARIANT_NOVALUEPROP) || in.pdispVal == nullptr)
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
    hr = convert(out, value, {request.lcid, static_cast<USHORT>(request.flags | VARIANT_NOVALUEPROP)}, target);
    VariantClear(&value);
    return hr;
}

// Of arrays, only bytes convert: to the string they spell and back.
HRESULT convertBytes(VARIANT& out, const VARIANT& in, VARTYPE target)
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

HRESULT convert(VARIANT& out, const VARIANT& in, Request const& request, VARTYPE target)
{
    if (in.vt == target)
        return VariantCopy(&out, &in);
    if ((in.vt & VT_ARRAY) != 0 || (target & VT_ARRAY) != 0)
        return convertBytes(out, in, target);
    // Any value but null may become empty, any value at all null; nothing is
    // asked of an object for that.
    if (target == VT_NULL || (target == VT_EMPTY && in.vt != VT_NULL)) {
        out.vt = target;
        return S_OK;
    }
    if (in.vt == VT_DISPATCH || in.vt == VT_UNKNOWN)
        return convertObject(out, in, request, target);
    if (in.vt == VT_NULL)
        return DISP_E_TYPEMISMATCH;
    if (target == VT_DISPATCH || target == VT_UNKNOWN)
        return DISP_E_TYPEMISMATCH;
    if (in.vt == VT_BSTR)
        return convertText(out, textOf(in.bstrVal), target, request);
    auto number = readScalar(in);
    return number ? writeNumber(*number, in.vt, target, request, out) : number.error();
}

} // namespace

HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags, VARTYPE vt)
{
    if (pvargDest == nullptr || pvarSrc == nullptr)
        return E_INVALIDARG;
    // A code no VARIANT holds a value of is a bad type; one it may hold but
    // no conversion makes (a reference, VT_VARIANT, VT_RECORD) a mismatch.
    if (!vartype::isValidForVariant(pvarSrc->vt) || !vartype::isCopyable(vt))
        return DISP_E_BADVARTYPE;
    if ((vt & VT_BYREF) != 0)
        return DISP_E_TYPEMISMATCH;
    if (vt == VT_VARIANT || vt == VT_RECORD || vt == VT_ERROR || pvarSrc->vt == VT_ERROR ||
        pvarSrc->vt == VT_RECORD || pvarSrc->vt == VT_VARIANT) {
        if (pvarSrc->vt != vt)
            return DISP_E_TYPEMISMATCH;
    }
    // Built aside: the destination may be the source, and fails untouched.
    VARIANT source;
    VariantInit(&source);
    HRESULT hr = VariantCopyInd(&source, pvarSrc);
    // A reference to nothing has no value to convert.
    if (hr == E_INVALIDARG)
        return DISP_E_TYPEMISMATCH;
    if (FAILED(hr))
        return hr;
    VARIANT result;
    VariantInit(&result);
    hr = convert(result, source, {lcid, wFlags}, vt);
    VariantClear(&source);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    hr = VariantClear(pvargDest);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    *pvargDest = result;
    return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt)
{
    return VariantChangeTypeEx(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags, vt);
}
