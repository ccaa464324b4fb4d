#include "Options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qor::tools::qorjs {
namespace {

std::expected<Options, std::string> parse(std::vector<std::string> const& arguments) {
    return parseOptions(arguments);
}

// Whole-process runs (tests/Faults/qorjs.sh) use most options; here what
// only the parsed result shows.
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

TEST(QorjsOptions, CallTakesTheRestOfTheCommandLine) {
    auto options = parse({"script.js", "--call", "add", "1", "-e", "two"});
    ASSERT_TRUE(options) << options.error();
    EXPECT_EQ(options->call, "add");
    EXPECT_EQ(options->callArguments, (std::vector<std::string>{"1", "-e", "two"}));
    EXPECT_FALSE(options->code);
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

TEST(QorjsOptions, LimitsTakeSecondsAndMegabytes) {
    auto options = parse({"--timeout", "1.5", "--max-heap", "64", "a.js"});
    ASSERT_TRUE(options) << options.error();
    EXPECT_EQ(options->timeLimit, std::chrono::milliseconds(1500));
    EXPECT_EQ(options->maxHeapMegabytes, 64u);
    auto plain = parse({"a.js"});
    EXPECT_FALSE(plain->timeLimit || plain->inspectPort);
    EXPECT_EQ(plain->maxHeapMegabytes, defaultMaxHeapMegabytes);
}

} // namespace
} // namespace qor::tools::qorjs
