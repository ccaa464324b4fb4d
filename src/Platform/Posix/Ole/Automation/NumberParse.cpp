#include "Platform/Posix/Ole/Automation/NumberParse.h"

#include <algorithm>
#include <array>

#include "Platform/Posix/Ole/Automation/Conversion.h"
#include "Platform/Posix/Ole/Automation/UserLocale.h"

namespace {

namespace convert = qor::platform::posix::ole::convert;

constexpr char kDigits[] = "0123456789ABCDEF";

convert::ParsedNumber parsedOf(NUMPARSE const& numprs, BYTE const* rgbDig)
{
    convert::ParsedNumber number;
    for (INT i = 0; i < numprs.cDig; ++i)
        number.digits.push_back(kDigits[rgbDig[i] & 15]);
    if (number.digits.empty())
        number.digits.push_back('0');
    number.exponent = numprs.nPwr10;
    number.baseShift = numprs.nBaseShift;
    number.flags = numprs.dwOutFlags;
    return number;
}

// The types in the order they are chosen: the smaller first, signed before
// unsigned of one size, then float, double, currency and decimal.
constexpr std::array<VARTYPE, 12> kPreferred = {VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4,
                                                VT_I8, VT_UI8, VT_R4, VT_R8,  VT_CY, VT_DECIMAL};

bool isInteger(VARTYPE vt)
{
    return vt != VT_R4 && vt != VT_R8 && vt != VT_CY && vt != VT_DECIMAL;
}

} // namespace

HRESULT VarParseNumFromStr(LPCOLESTR strIn, LCID lcid, ULONG dwFlags, NUMPARSE* pnumprs, BYTE* rgbDig)
{
    if (pnumprs == nullptr || rgbDig == nullptr)
        return E_INVALIDARG;
    if (strIn == nullptr)
        return DISP_E_TYPEMISMATCH;
    auto const& locale = convert::localeOf(lcid, (dwFlags & LOCALE_NOUSEROVERRIDE) == 0);
    std::size_t const room = static_cast<std::size_t>(std::max(pnumprs->cDig, 0));
    // All of the text is asked for here, not of the parser: the digits read
    // are written also when something follows them.
    auto number = convert::parseNumber(strIn, locale, pnumprs->dwInFlags & ~ULONG(NUMPRS_USE_ALL), room);
    if (!number)
        return DISP_E_TYPEMISMATCH;
    for (std::size_t i = 0; i < number->digits.size(); ++i) {
        char const digit = number->digits[i];
        rgbDig[i] = static_cast<BYTE>(digit <= '9' ? digit - '0' : digit - 'A' + 10);
    }
    // The zeros after the digits, which the count leaves out, as Windows
    // writes them.
    std::size_t const zeros = std::min(room - number->digits.size(), std::size_t(number->trailingZeros));
    std::fill_n(rgbDig + number->digits.size(), zeros, BYTE(0));
    bool const usesAll = static_cast<std::size_t>(number->charsUsed) == std::u16string_view(strIn).size();
    if ((pnumprs->dwInFlags & NUMPRS_USE_ALL) != 0 && !usesAll)
        return DISP_E_TYPEMISMATCH;
    pnumprs->cDig = static_cast<INT>(number->digits.size());
    pnumprs->dwOutFlags = number->flags;
    pnumprs->cchUsed = number->charsUsed;
    pnumprs->nBaseShift = number->baseShift;
    pnumprs->nPwr10 = number->exponent;
    return S_OK;
}

HRESULT VarNumFromParseNum(NUMPARSE* pnumprs, BYTE* rgbDig, ULONG dwVtBits, VARIANT* pvar)
{
    if (pnumprs == nullptr || (rgbDig == nullptr && pnumprs->cDig > 0) || pvar == nullptr)
        return E_INVALIDARG;
    convert::ParsedNumber const number = parsedOf(*pnumprs, rgbDig);
    // A fraction goes to a type that keeps it, if one is asked for; the
    // integers round it.
    bool const fraction = number.baseShift == 0 && number.exponent < 0 && !number.isZero();
    bool const keepsFractions = (dwVtBits & (VTBIT_R4 | VTBIT_R8 | VTBIT_CY | VTBIT_DECIMAL)) != 0;
    convert::Request request;
    request.caller = convert::Caller::typedFunction;
    for (VARTYPE vt : kPreferred) {
        if ((dwVtBits & (1u << vt)) == 0 || (fraction && keepsFractions && isInteger(vt)))
            continue;
        VARIANT value;
        VariantInit(&value);
        HRESULT hr = convert::changeNumber(value, number, request, vt);
        if (hr == DISP_E_OVERFLOW)
            continue;
        if (SUCCEEDED(hr))
            *pvar = value;
        return hr;
    }
    return DISP_E_OVERFLOW;
}
