// The README's two steps: qorregsvr registers the sample library, then a
// plain qorjs (no --host) creates its objects with new ActiveXObject.

#include "Tools/qorjs/QorjsProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace qor::test {
namespace {

class InprocServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        registry = scratch.dir() / "ole-registry.json";
        setenv("QOR_OLE_REGISTRY", registry.c_str(), 1);
    }
    void TearDown() override { unsetenv("QOR_OLE_REGISTRY"); }

    int qorregsvr(std::string const& arguments) {
        std::string const command = std::string(QORREGSVR_PATH) + " " + arguments + " >/dev/null 2>&1";
        int const raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    ScriptFiles scratch;
    std::filesystem::path registry;
};

TEST_F(InprocServerTest, ARegisteredSampleIsCreatedByProgId) {
    ASSERT_EQ(qorregsvr(shellQuote(QOR_SPREADSHEET_LIBRARY)), 0);
    auto const script = scratch.write("create.js", R"(
var app = new ActiveXObject("QorSpreadsheet.Application");
var book = app.ActiveWorkbook;
book.ActiveSheet.SetCell(1, 1, 42);
console.log(app.Name, book.Name, book.ActiveSheet.Cells(1, 1));
var p = new ActiveXObject("QorSpreadsheet.Point.1");
p.X = 3; p.Y = 4;
console.log(p.DistanceTo(new ActiveXObject("QorSpreadsheet.Point")));
var names = [];
for (var sheet of new ActiveXObject("QorSpreadsheet.Workbook").Sheets) names.push(sheet.Name);
console.log(names.join());
)");
    auto const result = runQorjs(scratch, shellQuote(script.string()));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "QorSpreadsheet Book1 42\n5\nSheet1\n") << result.err;

    ASSERT_EQ(qorregsvr("-u " + shellQuote(QOR_SPREADSHEET_LIBRARY)), 0);
    auto const after = runQorjs(scratch, shellQuote(script.string()));
    EXPECT_EQ(after.status, 1);
    EXPECT_NE(after.err.find("no COM class is registered as \"QorSpreadsheet.Application\""), std::string::npos)
        << after.err;
}

TEST_F(InprocServerTest, FailuresAreClearExceptionsAndExitCodes) {
    EXPECT_EQ(qorregsvr(""), 2);
    EXPECT_EQ(qorregsvr(shellQuote((scratch.dir() / "missing.so").string())), 2);
    EXPECT_EQ(qorregsvr(shellQuote(QOR_OLE_LIBRARY)), 2) << "the runtime has no DllRegisterServer";
    scratch.write("ole-registry.json", "{\"CLSIDs\": {");
    EXPECT_EQ(qorregsvr(shellQuote(QOR_SPREADSHEET_LIBRARY)), 1) << "a damaged registry is left alone";

    auto const script = scratch.write("missing.js", R"(
try { new ActiveXObject("QorSpreadsheet.Application"); } catch (e) { console.log(String(e)); }
)");
    auto const result = runQorjs(scratch, shellQuote(script.string()));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "ActiveXObject: no COM class is registered as \"QorSpreadsheet.Application\"\n");
}

} // namespace
} // namespace qor::test
