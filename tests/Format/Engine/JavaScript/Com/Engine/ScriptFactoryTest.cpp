#include "Format/Engine/JavaScript/Com/ScriptFactory.h"

#include "Support/EngineFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

using qor::format::engine::javascript::ScriptFactory;
using ScriptInterface = ScriptFactory::ScriptInterface;

namespace {

using Time = std::filesystem::file_time_type;

// Engines that never run, so never start V8; the test counts those alive.
class ScriptFactoryTest : public qor::test::EngineFixture {
protected:
    ScriptFactoryTest() { ScriptFactory::reset(); }
    ~ScriptFactoryTest() override { ScriptFactory::reset(); }

    std::shared_ptr<ScriptInterface> make() {
        auto made = std::make_shared<ComV8Engine>(classes, typeLibrary, ".");
        madeEngines.push_back(made);
        return made;
    }
    std::shared_ptr<ScriptInterface> get(std::string_view key, std::optional<Time> time = std::nullopt) {
        return factory.getEngine(key, time, [this] {
            ++created;
            return make();
        });
    }
    long alive() const { return std::ranges::count_if(madeEngines, [](auto const& e) { return !e.expired(); }); }

    ScriptFactory& factory = ScriptFactory::instance();
    std::vector<std::weak_ptr<ScriptInterface>> madeEngines;
    int created = 0;
    Time const t1 = Time::clock::now();
    Time const t2 = t1 + std::chrono::seconds(1);
};

TEST_F(ScriptFactoryTest, ASecondRequestForTheSameKeyIsACacheHitWithItsHostContextReset) {
    using namespace std::string_view_literals;
    auto first = get("script");
    first->hostContext = 42;
    ScriptInterface* cached = first.get();
    first.reset();
    EXPECT_EQ(get("script").get(), cached);
    EXPECT_EQ(get("script")->hostContext, 0u);
    EXPECT_EQ(created, 1);
    // Keys are compared byte-wise.
    for (std::string_view other : {"Script"sv, "script\0tail"sv, "scr\xC3\xAFpt"sv})
        EXPECT_NE(get(other).get(), cached);
    EXPECT_EQ(created, 4);
    // A new engine is handed out as created.
    auto fresh = factory.getEngine("other", std::nullopt, [this] {
        auto engine = make();
        engine->hostContext = 7;
        return engine;
    });
    EXPECT_EQ(fresh->hostContext, 7u);
}

TEST_F(ScriptFactoryTest, AnEngineStillHeldIsLentAFreshOneThatIsNeverCachedAndSurvivesAReset) {
    auto held = get("k", t1);
    {
        auto lent = get("k");
        EXPECT_NE(lent, held);
        auto newer = get("k", t2); // a newer time does not replace the engine in use
        EXPECT_NE(newer, held);
        EXPECT_EQ(alive(), 3);
    }
    EXPECT_EQ(alive(), 1);
    ScriptInterface* cached = held.get();
    held.reset();
    EXPECT_EQ(get("k", t1).get(), cached);
    EXPECT_EQ(created, 3);
    // A reset forgets every engine, but one still held stays usable.
    auto kept = get("k");
    get("other");
    ScriptFactory::reset();
    EXPECT_EQ(alive(), 1);
    kept->hostContext = 5;
    EXPECT_NE(get("k").get(), kept.get());
    EXPECT_EQ(created, 5);
}

TEST_F(ScriptFactoryTest, ADifferentFileTimeReplacesTheCachedEngine) {
    // An entry without time goes for the first request with one; a request
    // without time takes whatever the entry carries; older is different too.
    std::optional<Time> const none;
    for (auto const& [time, made] :
         std::vector<std::pair<std::optional<Time>, int>>{{none, 1}, {t1, 2}, {t2, 3}, {t2, 3}, {none, 3}, {t1, 4}}) {
        get("k", time);
        EXPECT_EQ(created, made);
        EXPECT_EQ(alive(), 1); // the replaced engine is gone
    }
}

TEST_F(ScriptFactoryTest, FailingAndEmptyCreators) {
    int calls = 0;
    auto none = [&] {
        ++calls;
        return std::shared_ptr<ScriptInterface>();
    };
    // A null engine is cached and returned again.
    EXPECT_EQ(factory.getEngine("null", std::nullopt, none), nullptr);
    EXPECT_EQ(factory.getEngine("null", std::nullopt, none), nullptr);
    EXPECT_EQ(calls, 1);
    // One that throws leaves no entry.
    auto failing = []() -> std::shared_ptr<ScriptInterface> { throw std::runtime_error("no engine"); };
    EXPECT_THROW(factory.getEngine("k", std::nullopt, failing), std::runtime_error);
    get("k");
    EXPECT_EQ(created, 1);
    get("timed", t1);
    EXPECT_THROW(factory.getEngine("timed", t2, failing), std::runtime_error);
    EXPECT_EQ(alive(), 1); // the out-of-date engine went before the creator ran
    get("timed");
    EXPECT_EQ(created, 3);
    // An empty one throws only when it is needed.
    EXPECT_THROW(factory.getEngine("empty", std::nullopt, {}), std::bad_function_call);
    EXPECT_NE(factory.getEngine("k", std::nullopt, {}), nullptr);
}

// The point of the cache: a script run again finds what its last run left.
TEST_F(ScriptFactoryTest, ACachedEngineKeepsItsGlobals) {
    get("job")->setScript("var runs = (typeof runs === 'number' ? runs : 0) + 1; runs", {});
    EXPECT_EQ(get("job")->runScript(), "1");
    EXPECT_EQ(get("job")->runScript(), "2");
}

} // namespace
