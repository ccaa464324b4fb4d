#pragma once

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Format/Engine/JavaScript/Error.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace qor::test {

// An engine over an empty class registry that collects reported errors.
class EngineFixture : public ::testing::Test {
protected:
    using ComV8Engine = format::engine::javascript::ComV8Engine;
    using Error = format::engine::javascript::Error;

    EngineFixture() { engine->errorHandler = [this](auto&, Error& error) { reported.push_back(error); }; }

    std::string run(std::string_view script, ComV8Engine::ScriptSettings settings = {}) {
        engine->setScript(script, std::move(settings));
        return engine->runScript();
    }

    std::vector<std::string> reportedMessages() const {
        std::vector<std::string> messages;
        for (auto const& error : reported)
            messages.push_back(error.message);
        return messages;
    }

    ComV8Engine::ComClasses classes;
    ComV8Engine::TypeLibrary typeLibrary;
    std::unique_ptr<ComV8Engine> engine = std::make_unique<ComV8Engine>(classes, typeLibrary, ".");
    std::vector<Error> reported;
};

} // namespace qor::test
