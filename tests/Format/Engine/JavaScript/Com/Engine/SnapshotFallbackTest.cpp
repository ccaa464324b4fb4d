// A startup snapshot that cannot be made: the engine builds its context the
// plain way, says so once, and no later engine of the process tries again.
// Each case needs a process of its own, as CTest gives it.

#include "Support/EngineFixture.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/Bindings/StartupSnapshot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

namespace StartupSnapshot = qor::format::engine::javascript::StartupSnapshot;

std::size_t occurrences(std::string const& text, std::string const& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class SnapshotFallbackTest : public qor::test::EngineFixture {
protected:
    void SetUp() override {
        if (StartupSnapshot::blob() != nullptr || !StartupSnapshot::isEnabled())
            GTEST_SKIP() << "an earlier engine of this process settled the snapshot; run each case alone";
    }

    // Runs a first engine and a second one; what they printed to the log.
    std::string runTwoEngines() {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(run("Include.length + 6 * 7"), "42");
        ComV8Engine second(classes, typeLibrary, ".");
        second.setScript("typeof Enumerator", {});
        EXPECT_EQ(second.runScript(), "function");
        return ::testing::internal::GetCapturedStderr();
    }

    std::vector<std::string> asserts;
    qor::assert::ScopedAssertSink sink{
        [this](qor::assert::AssertInfo const& info) { asserts.emplace_back(info.message); }};
};

TEST_F(SnapshotFallbackTest, AFailureWhileMakingItFallsBackAndTurnsItOff) {
    StartupSnapshot::failNextAttempt();
    std::string const log = runTwoEngines();
    EXPECT_EQ(occurrences(log, "Initiate from snapshot failed"), 1u) << log;
    EXPECT_EQ(asserts, std::vector<std::string>{"Snapshot failed for some reason, continue without using snapshot"});
    EXPECT_FALSE(StartupSnapshot::isEnabled());
    EXPECT_EQ(StartupSnapshot::blob(), nullptr);
}

TEST_F(SnapshotFallbackTest, ATemplateReferringToAnUnknownAddressFallsBackBeforeV8MeetsIt) {
    // The first reference is Include's callback.
    StartupSnapshot::dropReferenceForTesting(0);
    std::string const log = runTwoEngines();
    EXPECT_EQ(occurrences(log, "Initiate from snapshot failed"), 1u) << log;
    EXPECT_EQ(asserts.size(), 1u);
    EXPECT_FALSE(StartupSnapshot::isEnabled());
}

} // namespace
