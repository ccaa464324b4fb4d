#include "String/Utf.h"

#include <gtest/gtest.h>

using namespace qor::string;
using namespace std::literals;

TEST(Utf, MalformedTextBecomesReplacementCharacters) {
    struct Case {
        std::string_view utf8;
        std::u16string_view utf16;
    };
    for (auto [utf8, utf16] : {Case{"b\xFF", u"b\uFFFD"}, Case{"\xC0\xAF", u"\uFFFD\uFFFD"}, // overlong
                               Case{"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},                  // surrogate
                               Case{"\xE2\x82z", u"\uFFFDz"}}) {                             // truncated
        EXPECT_EQ(utf8ToUtf16(utf8), utf16);
        EXPECT_FALSE(isValidUtf8(utf8));
    }
    EXPECT_EQ(utf16ToUtf8(u"x\xDC00y"sv), "x\xEF\xBF\xBDy");
    EXPECT_EQ(utf16ToUtf8(u"\xD800"sv), "\xEF\xBF\xBD");
    EXPECT_EQ(utf16ToUtf8(u"\xD83D\xDE00"sv), "\xF0\x9F\x98\x80");
}
