#include <gtest/gtest.h>

#include <string>

#include "Platform/Com.h"

namespace {

std::string toAnsi(std::u16string const& text, BOOL* usedDefault = nullptr)
{
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        usedDefault);
    return out;
}

TEST(TextConversion, AnsiIsWindows1252WithQuestionMarks)
{
    BOOL used = TRUE;
    EXPECT_EQ(toAnsi(u"Gr\u00FC\u00DFe \u20AC", &used), "Gr\xFC\xDF" "e \x80");
    EXPECT_FALSE(used);
    EXPECT_EQ(toAnsi(u"\u0100\u4E2D", &used), "??");
    EXPECT_TRUE(used);
    EXPECT_EQ(toAnsi(u"\U0001F600"), "??");

    char16_t wide[8] = {};
    int n = MultiByteToWideChar(CP_ACP, 0, "\x80\x81\xE9", 3, wide, 8);
    ASSERT_EQ(n, 3);
    EXPECT_EQ(std::u16string(wide, 3), u"\u20AC\u0081\u00E9");
}

TEST(TextConversion, Utf8RoundTripsAndCountsTheTerminator)
{
    const char* text = "a\xC3\xA9\xF0\x9F\x98\x80";
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0), 5);
    char16_t wide[5];
    ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, 5), 5);
    EXPECT_EQ(std::u16string(wide), u"a\u00E9\U0001F600");
    char back[16];
    ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide, -1, back, sizeof back, nullptr, nullptr), 8);
    EXPECT_STREQ(back, text);
}

TEST(TextConversion, BadCallsFailWithLastError)
{
    char16_t small[2];
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 3, small, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, nullptr, 3, small, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xFF", 1, small, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xFF", 1, small, 2), 1);
    EXPECT_EQ(small[0], u'\uFFFD');
    const char16_t lone[] = {0xD800, 0};
    char out[8];
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, 1, out, 8, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
    BOOL used;
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, lone, 1, out, 8, nullptr, &used), 0);
    EXPECT_EQ(WideCharToMultiByte(932, 0, lone, 1, out, 8, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

} // namespace
