#include "Options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qor::tools::qorjs {
namespace {

std::expected<Options, std::string> parse(std::vector<std::string> const& arguments) {
    return parseOptions(arguments);
}

TEST(QorjsOptions, ShortAndLongNamesSetTheSameThing) {
    for (auto const& arguments : {std::vector<std::string>{"-m", "-q", "--verbose", "-e", "1"},
                                  std::vector<std::string>{"--module", "--quiet", "--verbose", "--eval", "1"}}) {
        auto options = parse(arguments);
        ASSERT_TRUE(options) << options.error();
        EXPECT_TRUE(options->module);
        EXPECT_TRUE(options->quiet);
        EXPECT_TRUE(options->verbose);
        EXPECT_EQ(options->code, "1");
        EXPECT_FALSE(options->file);
    }
    auto help = parse({"-h"});
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->help);
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
    EXPECT_FALSE(parse({"a.js"})->inspectPort);
    for (char const* bad : {"--inspect=", "--inspect=0", "--inspect=65536", "--inspect=9x", "--inspector"})
        EXPECT_FALSE(parse({bad, "a.js"})) << bad;
}

TEST(QorjsOptions, CallTakesTheRestOfTheCommandLine) {
    auto options = parse({"script.js", "--call", "add", "1", "-e", "two"});
    ASSERT_TRUE(options) << options.error();
    EXPECT_EQ(options->call, "add");
    EXPECT_EQ(options->callArguments, (std::vector<std::string>{"1", "-e", "two"}));
    EXPECT_FALSE(options->code);
    EXPECT_FALSE(parse({"script.js", "--call"}));
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
}

TEST(QorjsOptions, LimitsTakeSecondsAndMegabytes) {
    auto options = parse({"--timeout", "1.5", "--max-heap", "64", "a.js"});
    ASSERT_TRUE(options) << options.error();
    EXPECT_EQ(options->timeLimit, std::chrono::milliseconds(1500));
    EXPECT_EQ(options->maxHeapMegabytes, 64u);
    auto plain = parse({"a.js"});
    EXPECT_FALSE(plain->timeLimit);
    EXPECT_EQ(plain->maxHeapMegabytes, defaultMaxHeapMegabytes);
    for (char const* bad : {"0", "-1", "x", "1s", "nan", "inf", "1e9"})
        EXPECT_EQ(parse({"--timeout", bad, "a.js"}).error(), "--timeout needs a number of seconds above 0, up to a day")
            << bad;
    for (char const* bad : {"0", "-5", "1.5", "lots", "99999999999"})
        EXPECT_EQ(parse({"--max-heap", bad, "a.js"}).error(), "--max-heap needs a whole number of megabytes above 0")
            << bad;
}

TEST(QorjsOptions, UsageErrorsSayWhatIsWrong) {
    EXPECT_EQ(parse({}).error(), "no script given");
    EXPECT_EQ(parse({"--host"}).error(), "--host needs a host library");
    EXPECT_EQ(parse({"-e"}).error(), "-e needs the script text");
    EXPECT_EQ(parse({"--bogus", "x.js"}).error(), "unknown option --bogus");
    EXPECT_EQ(parse({"a.js", "b.js"}).error(), "only one script file can be run");
    EXPECT_EQ(parse({"a.js", "-e", "1"}).error(), "give a file or -e CODE, not both");
    EXPECT_EQ(parse({"--host", "a.so"}).error(), "no script given");
    EXPECT_EQ(parse({"--call", "f", "a.js"}).error(),
              "no script given: --call takes the rest of the command line, so FILE goes before it");
    // A lone "-" is a file name, not an option.
    EXPECT_EQ(parse({"-"})->file, "-");
}

} // namespace
} // namespace qor::tools::qorjs
