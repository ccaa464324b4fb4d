#include "Platform/Windows/ErrorCode.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "Platform/Com.h"
#include "String/Utf.h"

namespace qor::platform::windows {

namespace {

static_assert(sizeof(WCHAR) == sizeof(char16_t));

std::optional<std::string> systemMessage(DWORD code) {
    std::array<WCHAR, 2048> buffer{};
    DWORD const length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        buffer.data(), static_cast<DWORD>(buffer.size()), nullptr);
    if (length == 0)
        return std::nullopt;
    std::u16string_view text(reinterpret_cast<char16_t const*>(buffer.data()), length);
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' '))
        text.remove_suffix(1);
    return qor::string::utf16ToUtf8(text);
}

} // namespace

std::optional<std::string> ErrorCode::getMessageFromErrorCode(std::uint32_t code) {
    if (auto message = systemMessage(code))
        return message;
    // An HRESULT that wraps a Win32 error has that error's text.
    HRESULT const hr = static_cast<HRESULT>(code);
    if (FAILED(hr) && HRESULT_FACILITY(hr) == FACILITY_WIN32)
        return systemMessage(HRESULT_CODE(hr));
    return std::nullopt;
}

std::string ErrorCode::sMessage(std::uint32_t code) {
    if (auto message = getMessageFromErrorCode(code))
        return *message;
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "Error 0x%08X", static_cast<unsigned>(code));
    return text.data();
}

} // namespace qor::platform::windows
