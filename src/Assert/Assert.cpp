#include "Assert/Assert.h"

#include <fmt/core.h>

#include <cstdio>

namespace qor::assert {
namespace {

struct State {
    bool enabled = true;
    Assert::Sink sink;
};

State& state() {
    static State s;
    return s;
}

void writeToStderr(AssertInfo const& info) {
    fmt::print(stderr, "{}:{}: assertion in {}: {}\n", info.file, info.line, info.function, info.message);
}

} // namespace

bool Assert::isEnabled() { return state().enabled; }

void Assert::setEnabled(bool enabled) { state().enabled = enabled; }

void Assert::addAssert(AssertInfo const& info) {
    if (state().sink)
        state().sink(info);
    else
        writeToStderr(info);
}

void Assert::report(std::string_view message, std::string_view function, std::string_view file,
                    std::uint32_t line) {
    if (isEnabled())
        addAssert(AssertInfo{0, message, function, file, line});
}

Assert::Sink Assert::setSink(Sink sink) {
    auto previous = std::move(state().sink);
    state().sink = std::move(sink);
    return previous;
}

} // namespace qor::assert
