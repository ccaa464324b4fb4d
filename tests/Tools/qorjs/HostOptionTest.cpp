// qorjs --host: loading host libraries, and saying clearly why one cannot be.

#include "Format/Engine/JavaScript/Com/Version.h"
#include "Tools/qorjs/QorjsProcess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace qor::test {
namespace {

std::string const sample = QOR_SPREADSHEET_LIBRARY;

class QorjsHostTest : public ::testing::Test {
protected:
    QorjsOutcome qorjs(std::string const& arguments, std::filesystem::path const& workingDirectory = ".") {
        return runQorjs(files, arguments, workingDirectory);
    }
    std::string host(std::string const& library) { return "--host " + shellQuote(library) + " "; }

    ScriptFiles files;
};

TEST_F(QorjsHostTest, AHostLibrarysClassesAreTheScriptsGlobals) {
    auto r = qorjs(host(sample) + "-e " + shellQuote("[typeof Application, typeof Point, typeof Workbook].join()"));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "object,function,function\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(qorjs("-e 'typeof Application'").out, "undefined\n");
}

TEST_F(QorjsHostTest, AFileIsFoundFromTheCurrentDirectory) {
    std::filesystem::path const library(sample);
    auto r = qorjs(host(library.filename().string()) + "-e 'Application.Add(1, 2)'", library.parent_path());
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "3\n");
}

TEST_F(QorjsHostTest, AnUncaughtComErrorIsReportedWithItsLocation) {
    auto script = files.write("fail.js", "const sheet = Application.ActiveWorkbook.ActiveSheet;\nsheet.Activate(1);\n");
    auto r = qorjs(host(sample) + shellQuote(script.string()));
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, StartsWith(script.string() + ":2:7: Uncaught Zoom 1 is outside 10 to 400\n"));
}

TEST_F(QorjsHostTest, LibrariesThatCannotServeAreNamedWithTheReasonAndExitWithTwo) {
    auto missing = qorjs(host("/nonexistent/libNothing.so") + "-e 1");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "qorjs: host library /nonexistent/libNothing.so cannot be loaded: The specified module "
                           "could not be found. (/nonexistent/libNothing.so: no such file)\n");
    EXPECT_EQ(missing.out, "");

    auto text = files.write("notes.txt", "not a library\n");
    auto notLibrary = qorjs(host(text.string()) + "-e 1");
    EXPECT_EQ(notLibrary.status, 2);
    EXPECT_THAT(notLibrary.err, StartsWith("qorjs: host library " + text.string() + " cannot be loaded: " +
                                           text.string() + " is not a valid Win32 application."));

    auto noEntry = qorjs(host(QOR_OLE_LIBRARY) + "-e 1");
    EXPECT_EQ(noEntry.status, 2);
    EXPECT_EQ(noEntry.err,
              "qorjs: host library " + std::string(QOR_OLE_LIBRARY) + " has no entry point QorRegisterHost\n");

    // Without its type library beside it, the sample registers nothing.
    auto alone = files.dir() / "libQorSpreadsheet.so";
    std::filesystem::copy_file(sample, alone);
    auto refused = qorjs(host(alone.string()) + "-e 1");
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err,
              "qorjs: host library " + alone.string() + " registered nothing: Error loading type library/DLL.\n");

    // Built against other headers, or without saying which: refused before
    // the entry point, which would register a class, is called.
    std::string const rebuild =
        ": rebuild it against QorJavaScriptCom " QOR_JAVASCRIPT_COM_VERSION "+" QOR_JAVASCRIPT_COM_HEADERS_DIGEST
        ", the version of this qorjs\n";
    auto unmarked = qorjs(host(QOR_UNMARKED_HOST) + "-e 1");
    EXPECT_EQ(unmarked.status, 2);
    EXPECT_EQ(unmarked.err, "qorjs: host library " QOR_UNMARKED_HOST " has no version mark QorHostLibraryVersion" +
                                rebuild);
    auto otherVersion = qorjs(host(QOR_OTHER_VERSION_HOST) + "-e 1");
    EXPECT_EQ(otherVersion.status, 2);
    EXPECT_EQ(otherVersion.err, "qorjs: host library " QOR_OTHER_VERSION_HOST
                                " was built against QorJavaScriptCom 0.0.1+0123456789abcdef" + rebuild);

    auto twice = qorjs(host(sample) + host(sample) + "-e 1");
    EXPECT_EQ(twice.status, 2);
    EXPECT_EQ(twice.err,
              "qorjs: host library " + sample + " registered nothing: Name already exists in the library.\n");
}

TEST_F(QorjsHostTest, TheOptionNeedsALibrary) {
    auto r = qorjs("-e 1 --host");
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("--host needs a host library"));
}

} // namespace
} // namespace qor::test
