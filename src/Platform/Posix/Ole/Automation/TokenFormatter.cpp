#include "Platform/Posix/Ole/Automation/TokenFormatter.h"

#include "Platform/Posix/Ole/Automation/Bstr.h"
#include "Platform/Posix/Ole/Automation/DecimalValue.h"
#include "Platform/Posix/Ole/Automation/FormatTokens.h"
#include "Platform/Posix/Ole/Automation/FormattedDate.h"
#include "Platform/Posix/Ole/Automation/FormattedNumber.h"
#include "Platform/Posix/Ole/Automation/FormattedText.h"
#include "Platform/Posix/Ole/Automation/FormattedValue.h"
#include "Platform/Posix/Ole/Automation/VarFormat.h"

namespace qor::platform::posix::ole::format {
namespace {

// A VARIANT that clears itself.
struct OwnedVariant {
    VARIANT v;
    OwnedVariant() { VariantInit(&v); }
    ~OwnedVariant() { VariantClear(&v); }
    OwnedVariant(OwnedVariant const&) = delete;
    OwnedVariant& operator=(OwnedVariant const&) = delete;
};

struct Format {
    FormatHeader header;
    std::span<BYTE const> bytes;
    LCID lcid;
    ULONG flags;
    convert::Locale const& locale;

    bool has(std::size_t section) const { return header.sections[section] != 0; }
};

using Written = std::expected<std::optional<std::u16string>, HRESULT>;

template <class Write>
Written section(Format const& format, std::size_t index, Write write) {
    TokenReader tokens(format.bytes, format.header.sections[index]);
    auto header = tokens.sectionHeader();
    if (!header)
        return std::unexpected(header.error());
    auto text = write(tokens, *header);
    if (!text)
        return std::unexpected(text.error());
    return std::optional(std::move(*text));
}

// Doubles keep the significant digits Windows gives them as text; every
// other number is read exactly, through a DECIMAL when it fits one.
std::expected<convert::ParsedNumber, HRESULT> numberOf(VARIANT const& value, LCID lcid, OwnedVariant& numeric) {
    if (value.vt == VT_R4 || value.vt == VT_R8 || value.vt == VT_DATE) {
        VariantCopy(&numeric.v, &value);
        double const real = value.vt == VT_R4 ? value.fltVal : value.vt == VT_R8 ? value.dblVal : value.date;
        numeric.v.vt = value.vt == VT_R4 ? VT_R4 : VT_R8;
        return convert::significantDigits(real, value.vt == VT_R4 ? 7 : 15);
    }
    // A VARIANT_BOOL counts as the integer it holds: VARIANT_TRUE is -1.
    HRESULT hr = value.vt == VT_BOOL ? VariantChangeTypeEx(&numeric.v, &value, lcid, 0, VT_I2) : S_OK;
    if (SUCCEEDED(hr))
        hr = VariantChangeTypeEx(&numeric.v, value.vt == VT_BOOL ? &numeric.v : &value, lcid, 0, VT_DECIMAL);
    if (hr == DISP_E_OVERFLOW && SUCCEEDED(VariantChangeTypeEx(&numeric.v, &value, lcid, 0, VT_R8)))
        return convert::significantDigits(numeric.v.dblVal, 15);
    if (FAILED(hr))
        return std::unexpected(hr);
    auto decimal = convert::DecimalValue::fromDecimal(numeric.v.decVal);
    if (!decimal)
        return std::unexpected(decimal.error());
    std::string const text = decimal->toText();
    auto number = convert::parseNumber(std::u16string(text.begin(), text.end()), convert::englishLocale(), NUMPRS_STD);
    if (!number)
        return std::unexpected(DISP_E_TYPEMISMATCH);
    return *number;
}

Written writeNumber(Format const& format, VARIANT const& value) {
    OwnedVariant numeric;
    auto number = numberOf(value, format.lcid, numeric);
    if (!number)
        return std::unexpected(number.error());
    bool const zero = number->isZero();
    bool const negative = number->negative() && !zero;
    std::size_t index = 0;
    if (zero && format.has(2))
        index = 2;
    else if (negative && format.has(1))
        index = 1;
    NumberInput const input{*number, negative && index == 0, numeric.v, format.lcid, format.locale};
    return section(format, index, [&](TokenReader& tokens, SectionHeader const& header) {
        return formatNumberSection(tokens, header, input);
    });
}

// A text is read as a number first: "39697.11" is a day and a time.
std::expected<DATE, HRESULT> dateOf(VARIANT const& value, LCID lcid) {
    OwnedVariant date;
    HRESULT hr = E_FAIL;
    if (value.vt == VT_BSTR && SUCCEEDED(VariantChangeTypeEx(&date.v, &value, lcid, 0, VT_R8)))
        hr = VariantChangeTypeEx(&date.v, &date.v, lcid, 0, VT_DATE);
    if (FAILED(hr))
        hr = VariantChangeTypeEx(&date.v, &value, lcid, 0, VT_DATE);
    if (FAILED(hr))
        return std::unexpected(hr);
    return date.v.date;
}

Written writeDate(Format const& format, VARIANT const& value) {
    if (format.flags & VAR_CALENDAR_HIJRI)
        return std::unexpected(E_NOTIMPL);
    auto date = dateOf(value, format.lcid);
    if (!date)
        return std::unexpected(date.error());
    int const firstDay = format.header.firstDay != 0 ? format.header.firstDay : format.locale.firstDayOfWeek;
    DateInput const input{*date, format.locale, firstDay, format.header.firstWeek};
    return section(format, 0, [&](TokenReader& tokens, SectionHeader const& header) {
        return formatDateSection(tokens, header, input);
    });
}

Written writeText(Format const& format, VARIANT const& value) {
    auto text = textOf(value, format.lcid);
    if (!text)
        return std::unexpected(text.error());
    std::size_t const index = text->empty() && format.has(1) ? 1 : 0;
    return section(format, index, [&](TokenReader& tokens, SectionHeader const& header) {
        return formatTextSection(tokens, header, *text);
    });
}

// Null has a section of its own in number formats (the fourth) and in text
// formats (the second, shared with the empty text).
Written writeNull(Format const& format) {
    VARIANT zero;
    VariantInit(&zero);
    if (format.header.kind == FormatKind::Number && format.has(3)) {
        convert::ParsedNumber const none;
        NumberInput const input{none, false, zero, format.lcid, format.locale};
        return section(format, 3, [&](TokenReader& tokens, SectionHeader const& header) {
            return formatNumberSection(tokens, header, input);
        });
    }
    if (format.header.kind == FormatKind::Text && format.has(1))
        return section(format, 1, [&](TokenReader& tokens, SectionHeader const& header) {
            return formatTextSection(tokens, header, u"");
        });
    return std::optional<std::u16string>();
}

Written plain(VARIANT const& value, LCID lcid) {
    auto text = textOf(value, lcid);
    if (!text)
        return std::unexpected(text.error());
    return std::optional(std::move(*text));
}

// A format of literal text alone takes the kind of the value.
FormatKind kindFor(FormatKind kind, VARTYPE vt) {
    if (kind != FormatKind::Literal)
        return kind;
    return vt == VT_DATE ? FormatKind::Date : vt == VT_BSTR ? FormatKind::Text : FormatKind::Number;
}

Written write(Format const& format, VARIANT const& value) {
    if (value.vt == VT_NULL)
        return writeNull(format);
    Written written;
    switch (kindFor(format.header.kind, value.vt)) {
    case FormatKind::Number:
        written = writeNumber(format, value);
        break;
    case FormatKind::Date:
        written = writeDate(format, value);
        break;
    case FormatKind::Text:
        return writeText(format, value);
    default:
        return plain(value, format.lcid);
    }
    // A value the format cannot take is shown as it is.
    bool const unfit = !written && (written.error() == DISP_E_TYPEMISMATCH || written.error() == DISP_E_OVERFLOW);
    if (unfit && !(format.flags & VAR_FORMAT_NOSUBSTITUTE))
        return plain(value, format.lcid);
    return written;
}

} // namespace

std::expected<std::optional<std::u16string>, HRESULT> formatWithTokens(VARIANT const& value, BYTE const* tokens,
                                                                       LCID lcid, ULONG flags) {
    auto read = readFormat(tokens);
    if (!read)
        return std::unexpected(read.error());
    OwnedVariant direct;
    HRESULT hr = VariantCopyInd(&direct.v, &value);
    if (FAILED(hr))
        return std::unexpected(hr);
    Format const format{read->first, read->second, lcid, flags, convert::localeOf(lcid)};
    return write(format, direct.v);
}

} // namespace qor::platform::posix::ole::format

using namespace qor::platform::posix::ole;

HRESULT VarFormatFromTokens(LPVARIANT pvarIn, LPOLESTR, LPBYTE pbTokCur, ULONG dwFlags, BSTR* pbstrOut, LCID lcid) {
    if (pvarIn == nullptr || pbTokCur == nullptr || pbstrOut == nullptr)
        return E_INVALIDARG;
    return format::returnText(format::formatWithTokens(*pvarIn, pbTokCur, lcid, dwFlags), pbstrOut);
}
