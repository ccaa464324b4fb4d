#include "Platform/Posix/Ole/Core/TextConversion.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "Platform/Posix/Ole/Core/HResult.h"
#include "String/Utf.h"

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

// Windows-1252 bytes 0x80 to 0x9F; the five that the code page leaves
// undefined map to the C1 controls of the same value, as on Windows.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool isAnsi(UINT codePage)
{
    return codePage == CP_ACP || codePage == CP_THREAD_ACP || codePage == 1252;
}

char16_t fromWindows1252(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char16_t(byte);
}

// The byte for a code unit, or nothing when Windows-1252 lacks it.
int toWindows1252(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return unit;
    auto found = std::find(kHighControls.begin(), kHighControls.end(), unit);
    return found != kHighControls.end() ? 0x80 + static_cast<int>(found - kHighControls.begin()) : -1;
}

bool hasUnpairedSurrogate(std::u16string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            ++i;
        else if (unit >= 0xD800 && unit <= 0xDFFF)
            return true;
    }
    return false;
}

int fail(DWORD error)
{
    lastError = error;
    return 0;
}

// The size of a converted text of `size` units, or 0 after setting the
// error when it does not fit the caller's buffer (capacity 0: only measure).
int checkedSize(std::size_t size, int capacity)
{
    if (size > static_cast<std::size_t>(INT32_MAX))
        return fail(ERROR_ARITHMETIC_OVERFLOW);
    if (capacity > 0 && size > static_cast<std::size_t>(capacity))
        return fail(ERROR_INSUFFICIENT_BUFFER);
    return static_cast<int>(size);
}

// Copies a converted text to the caller's buffer, or only measures it when
// the buffer size is 0.
template <class Char>
int deliver(std::basic_string_view<Char> text, Char* buffer, int capacity)
{
    int const size = checkedSize(text.size(), capacity);
    if (size > 0 && capacity > 0)
        std::ranges::copy(text, buffer);
    return size;
}

} // namespace

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
                        int cchWideChar)
{
    if (lpMultiByteStr == nullptr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (cchWideChar > 0 && lpWideCharStr == nullptr))
        return fail(ERROR_INVALID_PARAMETER);
    // -1: a NUL-terminated text whose terminator is converted too.
    std::size_t length = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : std::size_t(cbMultiByte);
    std::string_view input(lpMultiByteStr, length);
    if (isAnsi(CodePage)) {
        // One code unit per byte: measured and converted in place, as type
        // libraries convert every name they hand out.
        int const size = checkedSize(input.size(), cchWideChar);
        if (size > 0 && cchWideChar > 0)
            std::ranges::transform(input, lpWideCharStr,
                                   [](char c) { return fromWindows1252(static_cast<unsigned char>(c)); });
        return size;
    }
    if (CodePage != CP_UTF8)
        return fail(ERROR_INVALID_PARAMETER);
    if ((dwFlags & MB_ERR_INVALID_CHARS) != 0 && !qor::string::isValidUtf8(input))
        return fail(ERROR_NO_UNICODE_TRANSLATION);
    return deliver<char16_t>(qor::string::utf8ToUtf16(input), lpWideCharStr, cchWideChar);
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCCH lpDefaultChar, LPBOOL lpUsedDefaultChar)
{
    if (lpWideCharStr == nullptr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && lpMultiByteStr == nullptr))
        return fail(ERROR_INVALID_PARAMETER);
    std::size_t length = cchWideChar == -1 ? std::char_traits<char16_t>::length(lpWideCharStr) + 1
                                           : std::size_t(cchWideChar);
    std::u16string_view input(lpWideCharStr, length);
    if (isAnsi(CodePage)) {
        int const size = checkedSize(input.size(), cbMultiByte);
        if (size == 0)
            return 0;
        char const replacement = lpDefaultChar != nullptr ? *lpDefaultChar : '?';
        bool replaced = false;
        // Each UTF-16 unit stands alone, so a surrogate pair gives two
        // replacements. A measuring call still learns whether any was needed.
        for (std::size_t i = 0; i < input.size(); ++i) {
            int const byte = toWindows1252(input[i]);
            replaced |= byte < 0;
            if (cbMultiByte > 0)
                lpMultiByteStr[i] = byte < 0 ? replacement : static_cast<char>(byte);
        }
        if (lpUsedDefaultChar != nullptr)
            *lpUsedDefaultChar = replaced ? TRUE : FALSE;
        return size;
    }
    if (CodePage != CP_UTF8)
        return fail(ERROR_INVALID_PARAMETER);
    if (lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr)
        return fail(ERROR_INVALID_PARAMETER);
    if ((dwFlags & WC_ERR_INVALID_CHARS) != 0 && hasUnpairedSurrogate(input))
        return fail(ERROR_NO_UNICODE_TRANSLATION);
    return deliver<char>(qor::string::utf16ToUtf8(input), lpMultiByteStr, cbMultiByte);
}

DWORD GetLastError(void)
{
    return lastError;
}

void SetLastError(DWORD dwErrCode)
{
    lastError = dwErrCode;
}
