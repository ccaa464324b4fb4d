#include <gtest/gtest.h>

#include <string>

#include "Platform/Com.h"
#include "RuntimeErrorCodes.h"

namespace {

std::u16string message(DWORD code)
{
    LPWSTR buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    if (n == 0)
        return u"<none>";
    std::u16string text(buffer, n);
    LocalFree(buffer);
    return text;
}

// System texts end with a line break; Win32 codes wrapped in an HRESULT read
// as the code itself.
TEST(ErrorMessages, SystemTextsAndUnknownCodes)
{
    EXPECT_EQ(message(static_cast<DWORD>(DISP_E_MEMBERNOTFOUND)), u"Member not found.\r\n");
    EXPECT_EQ(message(static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND))),
              u"The specified module could not be found.\r\n");
    EXPECT_EQ(message(0x80040200), u"<none>");
    EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
    EXPECT_EQ(message(0), u"The operation completed successfully.\r\n");

    char small[4];
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 5, 0, small, sizeof small, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    char fits[64];
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 5, 0, fits, sizeof fits, nullptr), 19u);
    EXPECT_STREQ(fits, "Access is denied.\r\n");
}

} // namespace

TEST(ErrorMessages, EveryCodeTheRuntimeGivesHasAText)
{
    // Windows has no text for olectl's connection-point codes either.
    auto const connectionPoint = [](HRESULT code) { return code >= CONNECT_E_NOCONNECTION && code <= CONNECT_E_OVERRIDDEN; };
#define QOR_HAS_TEXT(name)                                                                                              \
    if (!connectionPoint(name)) {                                                                                       \
        EXPECT_NE(message(static_cast<DWORD>(name)), u"<none>") << #name;                                               \
    }
    QOR_ABI_ERROR_CODES(QOR_HAS_TEXT)
#undef QOR_HAS_TEXT
}
