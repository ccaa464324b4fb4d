// The sample's failures as scripts see them under errorObjects: the message
// names the member once, though the sample's descriptions often begin with
// it ("Point: x must be a number").

#include "Examples/Spreadsheet/SpreadsheetHost.h"

#include "Format/Engine/JavaScript/Com/EngineOptions.h"

#include <gtest/gtest.h>

namespace qor::test::spreadsheet {
namespace {

TEST_F(SpreadsheetTest, ErrorMessagesNameTheMemberOnce) {
    engine->setOptions(format::engine::javascript::EngineOptions{.errorObjects = true});
    struct Case {
        char const* script;
        char const* error;
    };
    Case const cases[] = {
        // The description's label is the constructor's, or the method's own name.
        {"new Point('a')", "TypeError: Point: x must be a number"},
        {"Application.Sum([1, new Point(), 2])", "TypeError: Application.Sum: value 2 is not a number"},
        // It begins with the member in words.
        {"new Point(1, 2).DistanceTo(null)", "Error: Point.DistanceTo needs a point"},
        // Nothing to drop.
        {"Application.Add('x', 2)", "TypeError: Application.Add: argument 1: Type mismatch."},
        {"Application.ActiveWorkbook.Sheets.Add('Sheet1')", "Error: ISheets.Add: A sheet named 'Sheet1' already exists"},
    };
    for (Case const& c : cases)
        EXPECT_EQ(thrown(c.script), c.error) << c.script;
    // The description stays the object's own.
    EXPECT_EQ(run("try { new Point('a') } catch (e) { e.description }"), "Point: x must be a number");
}

} // namespace
} // namespace qor::test::spreadsheet
