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

// "%1" to "%99": each is the subject, or "the file" ("The file" where it
// starts the text).
std::string fillInserts(std::string text, std::string_view subject) {
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    for (std::size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at)) {
        std::size_t end = at + 1;
        while (end < text.size() && end < at + 3 && isDigit(text[end]))
            ++end;
        if (end == at + 1 || text[at + 1] == '0') {
            ++at;
            continue;
        }
        std::string_view const fill = !subject.empty() ? subject : at == 0 ? "The file" : "the file";
        text.replace(at, end - at, fill);
        at += fill.size();
    }
    return text;
}

std::optional<std::string> wrappedOrOwnMessage(std::uint32_t code) {
    if (auto message = systemMessage(code))
        return message;
    // An HRESULT that wraps a Win32 error has that error's text.
    HRESULT const hr = static_cast<HRESULT>(code);
    if (FAILED(hr) && HRESULT_FACILITY(hr) == FACILITY_WIN32)
        return systemMessage(HRESULT_CODE(hr));
    return std::nullopt;
}

} // namespace

std::optional<std::string> ErrorCode::getMessageFromErrorCode(std::uint32_t code, std::string_view subject) {
    if (auto message = wrappedOrOwnMessage(code))
        return fillInserts(std::move(*message), subject);
    return std::nullopt;
}

std::string ErrorCode::sMessage(std::uint32_t code, std::string_view subject) {
    if (auto message = getMessageFromErrorCode(code, subject))
        return *message;
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "Error 0x%08X", static_cast<unsigned>(code));
    return text.data();
}

} // namespace qor::platform::windows
