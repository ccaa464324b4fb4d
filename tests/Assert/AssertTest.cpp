#include "Assert/Assert.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using qor::assert::Assert;
using qor::assert::AssertInfo;
using qor::assert::ScopedAssertSink;

TEST(Assert, ASinkHearsEnabledReportsUntilItGoesThenStderrDoes) {
    std::vector<std::string> seen;
    {
        ScopedAssertSink sink([&](AssertInfo const& info) {
            seen.push_back(std::string(info.message) + "|" + std::string(info.function) + "|" + std::string(info.file) +
                           "|" + std::to_string(info.line));
        });
        Assert::setEnabled(false);
        Assert::report("unheard", "f", "F", 1);
        Assert::setEnabled(true);
        Assert::addAssert({0, "broken", "ns::f", "File", 12});
    }
    EXPECT_EQ(seen, std::vector<std::string>{"broken|ns::f|File|12"});

    testing::internal::CaptureStderr();
    Assert::addAssert({0, "to stderr", "g", "F", 3});
    EXPECT_NE(testing::internal::GetCapturedStderr().find("to stderr"), std::string::npos);
    EXPECT_EQ(seen.size(), 1u);
}
