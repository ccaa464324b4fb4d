#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Assert/AssertInfo.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace qor::assert {

// Invariant checks report here and execution always continues. By default
// every assertion is written to stderr; a host or a test may install a sink
// of its own.
class QOR_JAVASCRIPT_COM_API Assert {
public:
    using Sink = std::function<void(AssertInfo const&)>;

    static bool isEnabled();
    static void setEnabled(bool enabled);
    static void addAssert(AssertInfo const& info);
    // What a failed invariant does: adds a record, when assertions are enabled.
    static void report(std::string_view message, std::string_view function, std::string_view file,
                       std::uint32_t line);

    // Installs `sink` (an empty one restores the stderr default) and returns
    // the one it replaces.
    static Sink setSink(Sink sink);
};

// Installs a sink for its lifetime and restores the previous one after.
class ScopedAssertSink {
public:
    explicit ScopedAssertSink(Assert::Sink sink) : previous_(Assert::setSink(std::move(sink))) {}
    ~ScopedAssertSink() { Assert::setSink(std::move(previous_)); }
    ScopedAssertSink(ScopedAssertSink const&) = delete;
    ScopedAssertSink& operator=(ScopedAssertSink const&) = delete;

private:
    Assert::Sink previous_;
};

} // namespace qor::assert
