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
    auto options = parse({"--host", "a.so", "--host", "b.so", "script.js"});
    ASSERT_TRUE(options) << options.error();
    EXPECT_EQ(options->hostLibraries, (std::vector<std::string>{"a.so", "b.so"}));
    EXPECT_EQ(options->file, "script.js");
    // An option's value is taken as it is, even when it looks like an option.
    auto odd = parse({"--host", "-e", "x.js"});
    ASSERT_TRUE(odd) << odd.error();
    EXPECT_EQ(odd->hostLibraries, (std::vector<std::string>{"-e"}));
    // A lone "-" is standard input, not an option, and its words follow it.
    auto piped = parse({"-", "a"});
    ASSERT_TRUE(piped) << piped.error();
    EXPECT_TRUE(piped->standardInput && !piped->file);
    EXPECT_EQ(piped->scriptArguments, (std::vector<std::string>{"a"}));
}

// Options end at the script's first word: what follows is the script's, as
// in node, but for --call, which takes the rest as it always did.
TEST(QorjsOptions, TheWordsAfterTheScriptAreItsArguments) {
    auto file = parse({"-q", "script.js", "-q", "--host", "x", "-e"});
    ASSERT_TRUE(file) << file.error();
    EXPECT_EQ(file->file, "script.js");
    EXPECT_EQ(file->scriptArguments, (std::vector<std::string>{"-q", "--host", "x", "-e"}));
    EXPECT_TRUE(file->hostLibraries.empty());
    auto code = parse({"-e", "1", "-m", "a", "b"});
    ASSERT_TRUE(code) << code.error();
    EXPECT_TRUE(code->module);
    EXPECT_FALSE(code->file);
    EXPECT_EQ(code->scriptArguments, (std::vector<std::string>{"a", "b"}));
    auto call = parse({"script.js", "a", "--call", "f", "1"});
    ASSERT_TRUE(call) << call.error();
    EXPECT_EQ(call->scriptArguments, (std::vector<std::string>{"a"}));
    EXPECT_EQ(call->call, "f");
    EXPECT_EQ(call->callArguments, (std::vector<std::string>{"1"}));
    // After "--", an option's name is a word like any other.
    auto ended = parse({"-e", "1", "--", "-q", "--call", "f"});
    ASSERT_TRUE(ended) << ended.error();
    EXPECT_FALSE(ended->quiet || ended->call);
    EXPECT_EQ(ended->scriptArguments, (std::vector<std::string>{"-q", "--call", "f"}));
    EXPECT_EQ(parse({"--", "-file.js"})->file, "-file.js");
}

TEST(QorjsOptions, WithoutAScriptATerminalGetsTheInteractiveSessionAndAPipeIsTheScript) {
    auto none = parse({"--host", "a.so"});
    ASSERT_TRUE(none) << none.error();
    ASSERT_TRUE(requireScript(*none, true));
    EXPECT_TRUE(none->interactive && !none->standardInput);
    auto fed = parse({"--host", "a.so"});
    ASSERT_TRUE(fed && requireScript(*fed, false));
    EXPECT_TRUE(fed->standardInput && !fed->interactive);
    auto piped = parse({"-i"});
    ASSERT_TRUE(piped && requireScript(*piped, false));
    EXPECT_TRUE(piped->interactive);
}

} // namespace
} // namespace qor::tools::qorjs
