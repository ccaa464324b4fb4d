#include "String/Utf.h"

#include <gtest/gtest.h>

using namespace qor::string;
using namespace std::literals;

TEST(Utf, ValidTextRoundTrips) {
    for (auto text : {""sv, "plain"sv, "caf\xC3\xA9"sv, "\xE2\x82\xAC 5"sv, "\xF0\x9F\x98\x80"sv, "a\0b"sv}) {
        EXPECT_EQ(utf16ToUtf8(utf8ToUtf16(text)), text);
        EXPECT_TRUE(isValidUtf8(text));
    }
    EXPECT_EQ(utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(utf8ToUtf16("a\0b"sv).size(), 3u);
}

TEST(Utf, MalformedUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");      // overlong
    EXPECT_EQ(utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD"); // encoded surrogate
    EXPECT_EQ(utf8ToUtf16("\xE2\x82"), u"\uFFFD");            // truncated, one maximal subpart
    EXPECT_EQ(utf8ToUtf16("\xE2\x82z"), u"\uFFFDz");
    EXPECT_FALSE(isValidUtf8("\xE2\x82"));
    EXPECT_TRUE(isValidUtf8("\xEF\xBF\xBD"));
}

TEST(Utf, PathsRoundTripThroughUtf8) {
    auto const name = "dir/M\xC3\xBCller \xE2\x82\xAC.mjs"sv;
    EXPECT_EQ(pathToUtf8(utf8ToPath(name)), name);
    EXPECT_EQ(pathToUtf8(utf8ToPath(name).filename()), "M\xC3\xBCller \xE2\x82\xAC.mjs");
}

TEST(Utf, UnpairedSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(utf16ToUtf8(u"\xD800"sv), "\xEF\xBF\xBD");
    EXPECT_EQ(utf16ToUtf8(u"x\xDC00y"sv), "x\xEF\xBF\xBDy");
    EXPECT_EQ(utf16ToUtf8(u"\xD83D\xDE00"sv), "\xF0\x9F\x98\x80");
}
