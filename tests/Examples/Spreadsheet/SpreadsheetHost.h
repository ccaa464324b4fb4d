#pragma once

// The sample spreadsheet model registered into one registry and one type
// library for the whole test program, because a process binds the classes
// its first engine finds.

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Format/Engine/JavaScript/Error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// What the sample library exports: its entry point, and the count of its
// objects alive.
extern "C" HRESULT QorRegisterHost(qor::platform::windows::com::ComClasses& classes,
                                   qor::platform::windows::com::TypeLibrary& typeLibrary,
                                   std::filesystem::path const& libraryPath);
extern "C" long QorSpreadsheetLiveObjects();

namespace qor::test::spreadsheet {

inline long liveObjectCount() { return QorSpreadsheetLiveObjects(); }

class SpreadsheetHost {
public:
    static SpreadsheetHost& instance();

    platform::windows::com::ComClasses classes;
    platform::windows::com::TypeLibrary typeLibrary;
    HRESULT registration = E_FAIL;

private:
    SpreadsheetHost();
};

// An engine over the sample model. Every test ends with the engine gone and
// every object of the sample released.
class SpreadsheetTest : public ::testing::Test {
protected:
    using ComV8Engine = format::engine::javascript::ComV8Engine;
    using Error = format::engine::javascript::Error;

    SpreadsheetTest();
    void TearDown() override;

    // Runs `script` and gives its completion value as text.
    std::string run(std::string_view script);
    // Runs `script` and gives the text of what it threw.
    std::string thrown(std::string_view script);
    void destroyEngine() { engine.reset(); }

    SpreadsheetHost& host = SpreadsheetHost::instance();
    std::unique_ptr<ComV8Engine> engine;
    std::vector<Error> reported;
};

} // namespace qor::test::spreadsheet
