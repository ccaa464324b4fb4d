#include "Options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qor::tools::qorjs {
namespace {

std::expected<Options, std::string> parse(std::vector<std::string> const& arguments) {
    return parseOptions(arguments);
}

// Whole-process runs (tests/Faults/*.sh) use most options, --call with the
// rest of the line and the limits among them; here what only the parsed
// result shows.
TEST(QorjsOptions, ShortAndLongNamesSetTheSameThing) {
    for (auto const& arguments : {std::vector<std::string>{"-m", "-q", "--verbose", "-e", "1"},
                                  std::vector<std::string>{"--module", "--quiet", "--verbose", "--eval", "1"}}) {
        auto options = parse(arguments);
        ASSERT_TRUE(options) << options.error();
        EXPECT_TRUE(options->module && options->quiet && options->verbose);
        EXPECT_EQ(options->code, "1");
        EXPECT_FALSE(options->file);
    }
}

TEST(QorjsOptions, InspectTakesAnOptionalPortAndBrkWaits) {
    auto plain = parse({"--inspect", "a.js"});
    ASSERT_TRUE(plain) << plain.error();
    EXPECT_EQ(plain->inspectPort, 9229);
    EXPECT_FALSE(plain->inspectBreak);
    auto brk = parse({"--inspect-brk=9005", "a.js"});
    ASSERT_TRUE(brk) << brk.error();
    EXPECT_EQ(brk->inspectPort, 9005);
    EXPECT_TRUE(brk->inspectBreak);
}

TEST(QorjsOptions, HostLibrariesAreKeptInTheOrderGiven) {
    auto options = parse({"--host", "a.so", "script.js", "--host", "b.so"});
    ASSERT_TRUE(options) << options.error();
    EXPECT_EQ(options->hostLibraries, (std::vector<std::string>{"a.so", "b.so"}));
    EXPECT_EQ(options->file, "script.js");
    // An option's value is taken as it is, even when it looks like an option.
    auto odd = parse({"--host", "-e", "x.js"});
    ASSERT_TRUE(odd) << odd.error();
    EXPECT_EQ(odd->hostLibraries, (std::vector<std::string>{"-e"}));
    // A lone "-" is a file name, not an option.
    EXPECT_EQ(parse({"-"})->file, "-");
}

} // namespace
} // namespace qor::tools::qorjs
