#include "Platform/Windows/Com/AnsiText.h"

namespace qor::platform::windows::com {

std::string ansiFromOle(BSTR text) {
    UINT const length = text == nullptr ? 0 : SysStringLen(text);
    if (length == 0)
        return {};
    int const units = static_cast<int>(length);
    // A single-byte code page gives a byte a unit: one call converts. A
    // double-byte one may need more, which a measuring call finds.
    std::string narrow(length, '\0');
    int size = WideCharToMultiByte(CP_ACP, 0, text, units, narrow.data(), units, nullptr, nullptr);
    if (size > 0) {
        narrow.resize(static_cast<std::size_t>(size));
        return narrow;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        throw _com_error(HRESULT_FROM_WIN32(GetLastError()));
    size = WideCharToMultiByte(CP_ACP, 0, text, units, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        throw _com_error(HRESULT_FROM_WIN32(GetLastError()));
    narrow.assign(static_cast<std::size_t>(size), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, text, units, narrow.data(), size, nullptr, nullptr) != size)
        throw _com_error(HRESULT_FROM_WIN32(GetLastError()));
    return narrow;
}

} // namespace qor::platform::windows::com
