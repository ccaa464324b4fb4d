#include "Platform/Posix/Ole/Automation/FormattedText.h"

#include <unicode/ustring.h>

#include "Platform/Posix/Ole/Automation/Bstr.h"

namespace qor::platform::posix::ole::format {
namespace {

using CaseMapping = int32_t (*)(UChar*, int32_t, UChar const*, int32_t, char const*, UErrorCode*);

std::u16string mapped(std::u16string_view text, CaseMapping map) {
    std::u16string result(text.size(), u'\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = map(result.data(), static_cast<int32_t>(result.size()), text.data(),
                         static_cast<int32_t>(text.size()), "", &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        result.resize(static_cast<std::size_t>(length));
        status = U_ZERO_ERROR;
        length = map(result.data(), length, text.data(), static_cast<int32_t>(text.size()), "", &status);
    }
    if (U_FAILURE(status))
        return std::u16string(text);
    result.resize(static_cast<std::size_t>(length));
    return result;
}

} // namespace

std::expected<std::u16string, HRESULT> formatTextSection(TokenReader& tokens, SectionHeader const& section,
                                                         std::u16string_view original) {
    std::u16string const text = section.has(section::kUpper)   ? mapped(original, u_strToUpper)
                                : section.has(section::kLower) ? mapped(original, u_strToLower)
                                                               : std::u16string(original);
    std::size_t const places = section.characterPlaces;
    // Placeholders the text leaves empty: the first ones, or the last ones
    // when it fills from the left.
    std::size_t const empty = text.size() < places ? places - text.size() : 0;
    bool const fromLeft = section.has(section::kLeftToRight);
    std::u16string out;
    std::size_t place = 0;
    HRESULT hr = writeTokens(tokens, out, [&](Token token) {
        if (token != Token::Character && token != Token::OptionalCharacter)
            return E_INVALIDARG;
        bool const filled = fromLeft ? place < text.size() : place >= empty;
        if (filled)
            out.push_back(text[fromLeft ? place : place - empty]);
        else if (token == Token::Character)
            out.push_back(u' ');
        ++place;
        return S_OK;
    });
    if (FAILED(hr))
        return std::unexpected(hr);
    // More characters than placeholders: the rest follows.
    if (text.size() > places)
        out.append(text, places);
    return out;
}

std::expected<std::u16string, HRESULT> textOf(VARIANT const& value, LCID lcid) {
    if (value.vt == VT_BSTR)
        return std::u16string(value.bstrVal != nullptr ? value.bstrVal : u"", SysStringLen(value.bstrVal));
    VARIANT text;
    VariantInit(&text);
    HRESULT hr = VariantChangeTypeEx(&text, &value, lcid, VARIANT_LOCALBOOL, VT_BSTR);
    if (FAILED(hr))
        return std::unexpected(hr);
    std::u16string result(text.bstrVal != nullptr ? text.bstrVal : u"", SysStringLen(text.bstrVal));
    VariantClear(&text);
    return result;
}

} // namespace qor::platform::posix::ole::format
