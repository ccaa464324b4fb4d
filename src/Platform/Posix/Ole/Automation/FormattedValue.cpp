#include "Platform/Posix/Ole/Automation/FormattedValue.h"

#include <array>
#include <vector>

#include "Platform/Posix/Ole/Automation/Bstr.h"
#include "Platform/Posix/Ole/Automation/TokenFormatter.h"

namespace qor::platform::posix::ole::format {

Formatted formatValue(VARIANT const& value, std::u16string_view format, TokenizeOptions const& options, LCID lcid,
                      ULONG flags) {
    convert::Locale const& locale = convert::localeOf(lcid);
    // The tokens of most formats fit here; a longer one gets room of its own.
    std::array<BYTE, 512> near;
    auto size = tokenizeFormat(format, options, locale, near);
    if (!size)
        return std::unexpected(size.error());
    if (*size <= near.size())
        return formatWithTokens(value, near.data(), lcid, flags);
    std::vector<BYTE> far(*size);
    size = tokenizeFormat(format, options, locale, far);
    if (!size)
        return std::unexpected(size.error());
    return formatWithTokens(value, far.data(), lcid, flags);
}

HRESULT returnText(Formatted const& text, BSTR* out) {
    if (!text)
        return text.error();
    if (!*text) {
        *out = nullptr;
        return S_OK;
    }
    BSTR result = SysAllocStringLen((*text)->data(), static_cast<UINT>((*text)->size()));
    if (result == nullptr)
        return E_OUTOFMEMORY;
    *out = result;
    return S_OK;
}

} // namespace qor::platform::posix::ole::format
