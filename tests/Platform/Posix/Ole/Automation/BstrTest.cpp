#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>

#include "Platform/Com.h"

namespace {

std::u16string_view view(BSTR text)
{
    return {text, SysStringLen(text)};
}

// What a Windows caller reads of a BSTR: its byte length before the text, a
// terminator after it, U+0000 and odd byte counts kept.
TEST(Bstr, CarriesItsByteLengthBeforeAndATerminatorAfter)
{
    BSTR text = SysAllocStringLen(u"a\0b", 3);
    UINT prefix;
    std::memcpy(&prefix, reinterpret_cast<char*>(text) - sizeof(UINT), sizeof(UINT));
    EXPECT_EQ(prefix, 6u);
    EXPECT_EQ(view(text), std::u16string_view(u"a\0b", 3));
    EXPECT_EQ(text[3], u'\0');
    SysFreeString(text);
    BSTR bytes = SysAllocStringByteLen("x\0yz", 3);
    EXPECT_EQ(SysStringByteLen(bytes), 3u);
    EXPECT_EQ(SysStringLen(bytes), 1u);
    EXPECT_EQ(std::memcmp(bytes, "x\0y", 4), 0) << "terminated after the third byte";
    SysFreeString(bytes);
}

TEST(Bstr, NullAndImpossibleLengths)
{
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    BSTR zeroed = SysAllocStringLen(nullptr, 4);
    EXPECT_EQ(view(zeroed), std::u16string_view(u"\0\0\0\0", 4));
    SysFreeString(zeroed);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
    EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xFFFFFFFFu), nullptr);
}

TEST(Bstr, ReallocationMayReadFromTheOldText)
{
    BSTR text = SysAllocString(u"Hello world");
    ASSERT_TRUE(SysReAllocStringLen(&text, text + 6, 5));
    EXPECT_EQ(view(text), u"world");
    ASSERT_TRUE(SysReAllocString(&text, u"x"));
    EXPECT_EQ(view(text), u"x");
    ASSERT_TRUE(SysReAllocStringLen(&text, nullptr, 3));
    EXPECT_EQ(view(text), std::u16string_view(u"x\0\0", 3));
    EXPECT_FALSE(SysReAllocString(nullptr, u"x"));
    SysFreeString(text);
}

// Ported code grows a string from itself: what lies past the old text is
// never read, and the new characters are zero.
TEST(Bstr, GrowingFromTheOldTextReadsNoFurtherThanItsEnd)
{
    BSTR text = SysAllocString(u"Test");
    ASSERT_TRUE(SysReAllocStringLen(&text, text, 1000));
    ASSERT_EQ(SysStringLen(text), 1000u);
    EXPECT_EQ(view(text).substr(0, 4), u"Test");
    EXPECT_EQ(view(text).find_first_not_of(u'\0', 4), std::u16string_view::npos);
    ASSERT_TRUE(SysReAllocStringLen(&text, text + 2, 1000));
    EXPECT_EQ(view(text).substr(0, 4), std::u16string_view(u"st\0\0", 4));
    SysFreeString(text);
}

// Freed strings are kept for the next ones of their size, per thread; what
// a thread kept goes back to the allocator when it ends (a leak checker
// sees it otherwise), and a string freed twice while kept is freed once.
TEST(Bstr, FreedStringsServeTheNextOnesOfTheirThread)
{
    if (std::getenv("OANOCACHE") != nullptr)
        GTEST_SKIP() << "the cache is off";
    std::thread([] {
        BSTR first = SysAllocString(u"kept");
        SysFreeString(first);
        SysFreeString(first);
        BSTR second = SysAllocString(u"next");
        EXPECT_EQ(second, first);
        EXPECT_EQ(view(second), u"next");
        SysFreeString(second);
        SysFreeString(SysAllocStringLen(nullptr, 1000));
    }).join();
}

} // namespace
