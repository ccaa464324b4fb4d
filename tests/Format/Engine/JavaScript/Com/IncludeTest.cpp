#include "Support/EngineFixture.h"
#include "Support/ScriptFiles.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;

namespace {

class IncludeTest : public qor::test::EngineFixture {
protected:
    std::string caught(std::string const& call) {
        return run("(() => { try { " + call + "; return 'no exception'; } catch (e) { return typeof e + ':' + e; } })()");
    }
    qor::test::ScriptFiles files;
};

// qorjs's fault suite shows that a file runs once, and what bad arguments
// and a missing file throw.
TEST_F(IncludeTest, AnIncludedFileThatFailsLeavesItsErrorPendingAndTheCallerGoesOn) {
    files.write("broken.js", "var = 1;");
    EXPECT_EQ(run("Include('" + files.name("broken.js") + "'); 'done'"), "done");
    engine->stopScript();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_THAT(reported[0].message, ::testing::HasSubstr("SyntaxError"));
    EXPECT_EQ(reported[0].resourceName, files.name("broken.js"));

    files.write("bad.js", "var before = 1;\nthrow new Error('inside'); var after = 1;");
    files.write("worse.js", "throw new Error('later');");
    EXPECT_EQ(run("Include('" + files.name("bad.js") + "'); Include('" + files.name("worse.js") +
                  "'); typeof before + ',' + typeof after + ',done'"),
              "number,undefined,done");
    // The run itself succeeded: the first error waits for the stop.
    ASSERT_EQ(reported.size(), 1u);
    engine->stopScript();
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_EQ(reported[1].message, "Uncaught Error: inside");
    EXPECT_EQ(reported[1].resourceName, files.name("bad.js"));
    EXPECT_EQ(reported[1].lineNumber, 2);
}

TEST_F(IncludeTest, GoesThroughTheHostsResolver) {
    std::vector<std::string> asked;
    engine->setImportResolverCallback([&](ComV8Engine&, std::string_view name)
                                          -> std::optional<std::pair<std::string, std::filesystem::path>> {
        asked.emplace_back(name);
        if (name == "virtual")
            return std::pair{std::string("var fromResolver = 'yes';"), std::filesystem::path("virtual.js")};
        return std::nullopt;
    });
    EXPECT_EQ(run("Include('virtual'); fromResolver"), "yes");
    EXPECT_EQ(caught("Include('other')"), "string:Could not find included file: `other`");
    EXPECT_THAT(asked, ElementsAre("virtual", "other"));
    EXPECT_TRUE(reported.empty()); // a resolver that finds nothing records nothing itself
}

} // namespace
