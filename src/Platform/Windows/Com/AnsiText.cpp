#include "Platform/Windows/Com/AnsiText.h"

namespace qor::platform::windows::com {

std::string ansiFromOle(BSTR text) {
    UINT const length = text == nullptr ? 0 : SysStringLen(text);
    if (length == 0)
        return {};
    int const units = static_cast<int>(length);
    int const size = WideCharToMultiByte(CP_ACP, 0, text, units, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        throw _com_error(HRESULT_FROM_WIN32(GetLastError()));
    std::string narrow(static_cast<std::size_t>(size), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, text, units, narrow.data(), size, nullptr, nullptr) != size)
        throw _com_error(HRESULT_FROM_WIN32(GetLastError()));
    return narrow;
}

} // namespace qor::platform::windows::com
