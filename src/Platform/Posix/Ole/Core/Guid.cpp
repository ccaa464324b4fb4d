#include "Platform/Posix/Ole/Core/Guid.h"

#include <optional>
#include <string>

#include "Id/Guid.h"

namespace {

constexpr int kBracedLength = 38;

// The registry form with braces, ASCII only, or nothing.
std::optional<qor::Guid> parseBraced(LPCOLESTR text)
{
    std::string ascii;
    for (LPCOLESTR p = text; *p != 0; ++p) {
        if (*p > 0x7F || ascii.size() > kBracedLength)
            return std::nullopt;
        ascii.push_back(static_cast<char>(*p));
    }
    if (ascii.size() != kBracedLength || ascii.front() != '{' || ascii.back() != '}')
        return std::nullopt;
    return qor::Guid::parse(ascii);
}

HRESULT guidFromString(LPCOLESTR text, GUID* out, HRESULT failure)
{
    if (out == nullptr)
        return E_INVALIDARG;
    if (text == nullptr) {
        *out = GUID_NULL;
        return S_OK;
    }
    auto guid = parseBraced(text);
    if (!guid)
        return failure;
    *out = guid->to<GUID>();
    return S_OK;
}

} // namespace

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax)
{
    if (lpsz == nullptr || cchMax < kBracedLength + 1)
        return 0;
    std::string text = qor::Guid(rguid).toString();
    for (std::size_t i = 0; i < text.size(); ++i)
        lpsz[i] = static_cast<OLECHAR>(text[i]);
    lpsz[text.size()] = 0;
    return static_cast<int>(text.size() + 1);
}

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid)
{
    return guidFromString(lpsz, pclsid, CO_E_CLASSSTRING);
}

HRESULT IIDFromString(LPCOLESTR lpsz, LPIID lpiid)
{
    return guidFromString(lpsz, lpiid, E_INVALIDARG);
}
