// Every object of the sample that scripts reached is released: when its
// wrapper is collected, or at the latest when the engine goes.

#include "Examples/Spreadsheet/SpreadsheetHost.h"

#include <gtest/gtest.h>

namespace qor::test::spreadsheet {
namespace {

class SpreadsheetLifetimeTest : public SpreadsheetTest {
protected:
    void collectGarbage() { engine->getIsolate()->LowMemoryNotification(); }
};

TEST_F(SpreadsheetLifetimeTest, WrappersStillAliveAtTeardownReleaseTheirObjects) {
    // The application, its workbook and the workbook's first sheet.
    EXPECT_EQ(run("Application.Name"), "QorSpreadsheet");
    EXPECT_EQ(liveObjectCount(), 3);
    EXPECT_EQ(run("var book = new Workbook('Plans');"
                  "var sheets = book.Sheets;"
                  "var budget = sheets.Add('Budget');"
                  "var cells = budget.Range(1, 1, 2, 2);"
                  "var point = new Point(1, 2), copy = new Point(point);"
                  "Application.ActiveWorkbook = book;"
                  "[sheets.Count, cells.Count, copy.Text].join()"),
              "2,4,(1, 2)");
    // Book1 went with its sheet; Plans, its two sheets and the collection,
    // the range, two points and the application are left.
    collectGarbage();
    EXPECT_EQ(liveObjectCount(), 8);
    destroyEngine();
    EXPECT_EQ(liveObjectCount(), 0);
}

TEST_F(SpreadsheetLifetimeTest, GarbageCollectionReleasesObjectsScriptsNoLongerReach) {
    run("Application.Name");
    long const base = liveObjectCount();
    EXPECT_EQ(run("let total = 0;"
                  "for (let i = 0; i < 200; ++i) {"
                  "  const p = new Point(i, 0);"
                  "  total += p.DistanceTo(new Point()) + Application.ActiveWorkbook.Sheets.Count;"
                  "}"
                  "total"),
              "20100");
    collectGarbage();
    EXPECT_EQ(liveObjectCount(), base);
}

TEST_F(SpreadsheetLifetimeTest, ObjectsKeptByOtherObjectsOutliveTheirWrappers) {
    run("var sheet = Application.ActiveWorkbook.Sheets.Add('Kept');"
        "sheet.SetCell(1, 1, 42);"
        "var range = sheet.Range(1, 1, 1, 1);"
        "sheet = undefined;");
    collectGarbage();
    // The range holds its sheet, and the sheet its cells.
    EXPECT_EQ(run("range.Item(0) + Application.Sum(range)"), "84");
    run("range = undefined");
    collectGarbage();
    // The workbook still owns the sheet.
    EXPECT_EQ(run("Application.ActiveWorkbook.Sheets.Item('Kept').Cells(1, 1)"), "42");
}

TEST_F(SpreadsheetLifetimeTest, EventListenersHoldNothingPastTheirWrapperOrTheEngine) {
    engine->setOptions(format::engine::javascript::EngineOptions::all());
    run("var sheet = Application.ActiveWorkbook.ActiveSheet, heard = 0, dropped = 0;"
        "sheet.addEventListener('Changed', function () { heard++; });"
        "(() => Application.ActiveWorkbook.Sheets.Add('Dropped').addEventListener('Changed', () => dropped++))();");
    collectGarbage();
    // The workbook keeps the dropped sheet, but its wrapper went, and with it
    // the listener.
    EXPECT_EQ(run("Application.ActiveWorkbook.Sheets.Item('Dropped').SetCell(1, 1, 1);"
                  "sheet.SetCell(1, 1, 1); [heard, dropped].join()"),
              "1,0");
    destroyEngine();
    EXPECT_EQ(liveObjectCount(), 0);
}

TEST_F(SpreadsheetLifetimeTest, FailedCallsAndConstructionsLeakNothing) {
    run("Application.Name");
    long const base = liveObjectCount();
    EXPECT_EQ(thrown("new Point('a')"), "Point: x must be a number");
    EXPECT_EQ(thrown("new Workbook('')"), "A workbook needs a name");
    EXPECT_EQ(thrown("Application.Sum([1, new Point(), 2])"), "Sum: value 2 is not a number");
    EXPECT_EQ(thrown("Application.ActiveWorkbook.Sheets.Add('Sheet1')"), "A sheet named 'Sheet1' already exists");
    EXPECT_EQ(thrown("new Point(1, 2).DistanceTo(null)"), "Point.DistanceTo needs a point");
    collectGarbage();
    EXPECT_EQ(liveObjectCount(), base);
}

} // namespace
} // namespace qor::test::spreadsheet
