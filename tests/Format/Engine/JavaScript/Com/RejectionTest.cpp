#include "Support/EngineFixture.h"

#include <gmock/gmock.h>

#include <map>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

using Found = std::optional<std::pair<std::string, std::filesystem::path>>;

// Scripts named main.js, and files for import served from memory.
class RejectionTest : public qor::test::EngineFixture {
protected:
    RejectionTest() {
        engine->setImportResolverCallback([this](ComV8Engine&, std::string_view name) -> Found {
            auto text = files.find(std::string(name));
            if (text == files.end())
                return std::nullopt;
            return std::pair{text->second, std::filesystem::path(std::string(name))};
        });
    }

    std::string runClassic(std::string_view text) {
        ComV8Engine::ScriptSettings settings;
        settings.path = "main.js";
        return run(text, settings);
    }
    // What the host hears once it stops the engine.
    std::vector<std::string> stopped() {
        engine->stopScript();
        return reportedMessages();
    }

    std::map<std::string, std::string> files;
};

// qorjs's fault suite shows which rejections a run reports and where; these
// are what only a host running several scripts sees.
TEST_F(RejectionTest, AHandlerAttachedInALaterRunComesTooLate) {
    runClassic("globalThis.p = Promise.reject(new Error('too late'));");
    EXPECT_EQ(runClassic("p.catch(() => {}); 'handled'"), "handled");
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: too late"));
}

TEST_F(RejectionTest, AnUnhandledRejectionIsPendingAfterASuccessfulRunWithItsStack) {
    EXPECT_EQ(runClassic("function fail() {\n  return Promise.reject(new Error('x'));\n}\nfail(); 1"), "1");
    EXPECT_THAT(reported, IsEmpty());
    EXPECT_TRUE(engine->hasPendingError());
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: x"));
    EXPECT_EQ(reported[0].type, Error::Type::Exception);
    ASSERT_TRUE(reported[0].stackTrace);
    EXPECT_THAT(*reported[0].stackTrace, HasSubstr("at fail (main.js:2:"));
    // Each run reports its own.
    runClassic("Promise.reject(new Error('two'))");
    EXPECT_THAT(stopped(), ElementsAre("Uncaught Error: x", "Uncaught Error: two"));
}

TEST_F(RejectionTest, AnErrorAlreadyPendingIsKeptAndAnImportNotAwaitedIsReported) {
    engine->setErrorMessage("from the host", false);
    runClassic("Promise.reject(new Error('dropped'))");
    EXPECT_THAT(stopped(), ElementsAre("from the host"));
    files["./bad.mjs"] = "export let = 1;";
    runClassic("import('./bad.mjs');");
    ASSERT_EQ(stopped().size(), 2u);
    EXPECT_THAT(reported[1].message, HasSubstr("SyntaxError"));
}

} // namespace
