#include "Tools/qorjs/QorjsProcess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

using Outcome = qor::test::QorjsOutcome;

std::string quote(std::string const& text) { return qor::test::shellQuote(text); }

class QorjsTest : public ::testing::Test {
protected:
    Outcome qorjs(std::string const& arguments, std::filesystem::path const& workingDirectory = ".") {
        return qor::test::runQorjs(files, arguments, workingDirectory);
    }
    qor::test::ScriptFiles files;
};

TEST_F(QorjsTest, PrintsTheCompletionValue) {
    auto r = qorjs("-e '6*7'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "42\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(qorjs("-e " + quote("'caf\xC3\xA9'")).out, "caf\xC3\xA9\n");
    EXPECT_EQ(qorjs("-e undefined").out, "");
    EXPECT_EQ(qorjs("--quiet -e 1").out, "");
}

TEST_F(QorjsTest, GivesScriptsAConsole) {
    auto r = qorjs("-e " + quote("console.log('a', 1, [2, 3]); console.warn('w'); console.error('e'); "
                                 "console.info({}); undefined"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "a 1 2,3\n[object Object]\n");
    EXPECT_EQ(r.err, "w\ne\n");
}

TEST_F(QorjsTest, ReportsErrorsWithLocationAndExitsWithOne) {
    auto script = files.write("bad.js", "var x = 1;\nnotDefined();\n");
    auto r = qorjs(script.string());
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, StartsWith(script.string() + ":2:1: Uncaught ReferenceError: notDefined is not defined\n"
                                  "notDefined();\n^\n"));
    EXPECT_EQ(r.out, "");
}

TEST_F(QorjsTest, ReportsAMissingIncludeAfterTheRun) {
    auto r = qorjs("-e " + quote("try { Include('nope.js') } catch (e) { console.log(e) }; 'after'"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Could not find included file: `nope.js`\nafter\n");
    EXPECT_EQ(r.err, "Not able to find module: nope.js\n");
}

TEST_F(QorjsTest, ReportsARejectionNobodyHandledAndExitsWithOne) {
    auto r = qorjs("-e " + quote("Promise.reject(new Error('x')); 1"));
    EXPECT_EQ(r.out, "1\n");
    EXPECT_THAT(r.err, StartsWith("1:16: Uncaught Error: x\n"));
    EXPECT_EQ(r.status, 1);

    auto script = files.write("late.js", "async function work() {\n  throw new Error('late');\n}\nwork(); 'ran'\n");
    auto late = qorjs(quote(script.string()));
    EXPECT_EQ(late.out, "ran\n");
    EXPECT_THAT(late.err, StartsWith(script.string() + ":2:9: Uncaught Error: late\n  throw new Error('late');\n"));
    EXPECT_THAT(late.err, HasSubstr("at work (" + script.string() + ":2:9)"));
    EXPECT_EQ(late.status, 1);

    auto handled = qorjs("-e " + quote("Promise.reject(new Error('x')).catch(() => {}); 1"));
    EXPECT_EQ(handled.err, "");
    EXPECT_EQ(handled.status, 0);
}

TEST_F(QorjsTest, RunsAModuleWhoseImportsLieBesideIt) {
    auto main = files.write("app/main.mjs", "import { a } from './a.mjs';\nconsole.log('a =', a);\n");
    files.write("app/a.mjs", "import { b } from './b.mjs';\nimport { y } from '../lib/y.js';\nexport const a = b + y;\n");
    files.write("app/b.mjs", "export const b = 40;\n");
    files.write("lib/y.js", "export const y = 2;\n");
    // Run from elsewhere: the names are found beside main.mjs, not in the current directory.
    auto r = qorjs("--module " + quote(main.string()), "/");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "a = 42\n");
    EXPECT_EQ(r.status, 0);
    // The same with a relative script path.
    EXPECT_EQ(qorjs("-m app/main.mjs", files.dir()).out, "a = 42\n");
}

TEST_F(QorjsTest, ReportsAMissingImportByItsName) {
    auto main = files.write("main.mjs", "import { x } from './x.mjs';\n");
    auto r = qorjs("--module " + quote(main.string()));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Not able to find module: ./x.mjs\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(QorjsTest, ReportsModuleErrorsWithFileLineAndColumn) {
    auto broken = files.write("broken.mjs", "const a = 1;\nexport const = 2;\n");
    auto r = qorjs("--module " + quote(broken.string()));
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, StartsWith(broken.string() + ":2:14: Uncaught SyntaxError: "));

    files.write("bad.mjs", "\nlet = = 1;\n");
    auto importer = files.write("imports-bad.mjs", "import './bad.mjs';\n");
    EXPECT_THAT(qorjs("-m " + quote(importer.string())).err, StartsWith("./bad.mjs:2:1: Uncaught SyntaxError: "));

    auto throws = files.write("throws.mjs", "let x = 1;\nthrow new Error('boom');\n");
    EXPECT_THAT(qorjs("-m " + quote(throws.string())).err,
                StartsWith(throws.string() + ":2:7: Uncaught Error: boom\nthrow new Error('boom');\n      ^\n"));
}

TEST_F(QorjsTest, IncludeFindsAFileBesideTheScript) {
    files.write("lib.js", "var fromLib = 'included';\r\n");
    auto script = files.write("main.js", "Include('lib.js');\r\nfromLib + ' ' + `a\r\nb`.length\r\n");
    auto r = qorjs(quote(script.string()), "/");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "included 3\n");
    auto inModule = files.write("main.mjs", "try { Include('lib.js'); } catch (e) { console.log(e); }\n");
    EXPECT_EQ(qorjs("-m " + quote(inModule.string())).out,
              "Include() is not allowed from javascript modules (mjs files).\n");
}

TEST_F(QorjsTest, CallsAFunctionOfTheScriptAfterItsRun) {
    auto add = qorjs("-e " + quote("function add(a, b) { return a + b; } 'completion'") + " --call add 40 2");
    EXPECT_EQ(add.status, 0);
    EXPECT_EQ(add.out, "42\n");
    auto text = qorjs("-e " + quote("var Sheet = { Greet(n, loud) { return 'hi ' + n + (loud ? '!' : ''); } }") +
                      " --call Sheet.Greet Bob true");
    EXPECT_EQ(text.out, "hi Bob!\n");
    auto missing = qorjs("-e 1 --call nothing");
    EXPECT_EQ(missing.status, 1);
    EXPECT_THAT(missing.err, HasSubstr("no function nothing"));
    auto thrown = qorjs("-e " + quote("function fail() { throw new Error('bad'); }") + " --call fail");
    EXPECT_EQ(thrown.status, 1);
    EXPECT_THAT(thrown.err, HasSubstr("Uncaught Error: bad"));

    auto module = files.write("m.mjs", "export function twice(x) { return 2 * x; }");
    EXPECT_EQ(qorjs("--module " + quote(module.string()) + " --call twice 21").out, "42\n");
    auto notExported = qorjs("--module " + quote(module.string()) + " --call thrice");
    EXPECT_EQ(notExported.status, 1);
    EXPECT_THAT(notExported.err, HasSubstr("Function not found"));
    EXPECT_EQ(qorjs("-e 1 --call").status, 2);
}

TEST_F(QorjsTest, UsageErrorsAndUnreadableFilesExitWithTwo) {
    EXPECT_EQ(qorjs("").status, 2);
    auto bogus = qorjs("--bogus x.js");
    EXPECT_EQ(bogus.status, 2);
    EXPECT_EQ(bogus.err, "qorjs: unknown option --bogus; see qorjs --help\n");
    EXPECT_EQ(qorjs("-e").status, 2);
    auto missing = qorjs((files.dir() / "none.js").string());
    EXPECT_EQ(missing.status, 2);
    EXPECT_THAT(missing.err, HasSubstr("none.js cannot be read"));
    auto help = qorjs("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("--module"));
}

TEST_F(QorjsTest, ShowsTheLibrarysAssertionReportsOnlyWhenVerbose) {
    std::string const script = "-e " + quote("try { new Enumerator(5) } catch (e) { console.log(e) }");
    auto plain = qorjs(script);
    EXPECT_EQ(plain.err, "");
    EXPECT_EQ(plain.status, 0);
    EXPECT_THAT(qorjs("--verbose " + script).err, HasSubstr("assertion in"));
}

} // namespace
