// The sample model end to end: scripts under Scripts/ run by qorjs --host,
// each printing what its .out file beside it holds.

#include "Tools/qorjs/QorjsProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

namespace qor::test {
namespace {

std::filesystem::path const scripts = std::filesystem::path(QOR_SPREADSHEET_SCRIPTS);

// What qorjs may write to stderr while these scripts run: the library's
// assertion record for a returned DATE, which has no script form.
bool onlyDateAssertions(std::string const& err) {
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);)
        if (line.find("Missing V8 variant implementation (returnVar.vt): 7") == std::string::npos)
            return false;
    return true;
}

// A script and the options qorjs runs it with.
struct Script {
    char const* name;
    char const* options = "";
};

void PrintTo(Script const& script, std::ostream* out) {
    *out << script.name;
}

class SpreadsheetScriptTest : public ::testing::TestWithParam<Script> {};

TEST_P(SpreadsheetScriptTest, PrintsWhatItsOutFileSays) {
    ScriptFiles scratch;
    std::string const name = GetParam().name;
    auto const result = runQorjs(scratch, std::string(GetParam().options) + "--host " +
                                              shellQuote(QOR_SPREADSHEET_LIBRARY) + " " +
                                              shellQuote((scripts / (name + ".js")).string()));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, slurp(scripts / (name + ".out")));
    EXPECT_TRUE(onlyDateAssertions(result.err)) << result.err;
}

// An event handler that throws: the error reaches the host once, from the
// outermost call back into the script, and the script goes on.
TEST(SpreadsheetEventTest, AThrowingHandlerIsReportedOnceAndTheScriptGoesOn) {
    ScriptFiles scratch;
    auto const script = scratch.write("throwing.js", R"(
Sheet.OnChange = function (sheet, row) {
  if (row < 3) sheet.SetCell(row + 1, 1, row);
  else throw new Error('handler failed at ' + row);
};
Application.ActiveWorkbook.ActiveSheet.SetCell(1, 1, 0);
console.log('after the change');
)");
    auto const result = runQorjs(scratch, "--host " + shellQuote(QOR_SPREADSHEET_LIBRARY) + " " +
                                              shellQuote(script.string()));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "after the change\n");
    std::size_t const first = result.err.find("Uncaught Error: handler failed at 3");
    ASSERT_NE(first, std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("Uncaught Error", first + 1), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(Scripts, SpreadsheetScriptTest,
                         ::testing::Values(Script{"members"}, Script{"values"}, Script{"errors"},
                                           Script{"collections"}, Script{"constructors"}, Script{"events"},
                                           Script{"extensions", "--com-extensions "}),
                         [](auto const& info) { return std::string(info.param.name); });

} // namespace
} // namespace qor::test
