#include "Examples/Spreadsheet/SpreadsheetHost.h"

#include "Format/Engine/JavaScript/Com/HostLibrary.h"

#include <filesystem>
#include <type_traits>

static_assert(std::is_same_v<decltype(QorRegisterHost), qor::format::engine::javascript::RegisterHostFunction>);

namespace qor::test::spreadsheet {

SpreadsheetHost& SpreadsheetHost::instance() {
    static SpreadsheetHost host;
    return host;
}

SpreadsheetHost::SpreadsheetHost() {
    registration = QorRegisterHost(classes, typeLibrary, QOR_SPREADSHEET_LIBRARY);
    // The engine's own library, so that script arrays have type information.
    typeLibrary.addPath(std::filesystem::path(QOR_ENGINE_TLB_DIR) / "QorJavaScriptCom.tlb");
}

SpreadsheetTest::SpreadsheetTest() {
    EXPECT_EQ(host.registration, S_OK);
    engine = std::make_unique<ComV8Engine>(host.classes, host.typeLibrary, ".");
    engine->errorHandler = [this](auto&, Error& error) { reported.push_back(error); };
}

void SpreadsheetTest::TearDown() {
    engine.reset();
    EXPECT_EQ(liveObjectCount(), 0) << "sample objects still alive after the engine went";
}

std::string SpreadsheetTest::run(std::string_view script) {
    engine->setScript(script, {});
    return engine->runScript();
}

std::string SpreadsheetTest::thrown(std::string_view script) {
    return run("(() => { try { " + std::string(script) +
               "; return 'nothing thrown'; } catch (e) { return String(e); } })()");
}

} // namespace qor::test::spreadsheet
