// The host and its COM objects calling script functions, and where the
// errors of nested calls are reported.

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Assert/Assert.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace qor::test::bindings {
namespace {

using assert::AssertInfo;
using assert::ScopedAssertSink;

class HostCallTest : public BindingTest {
protected:
    HostCallTest() {
        // Application.Items hands the script the item, whose Invoke calls
        // back into the script as a host object raising an event would.
        application.onInvoke(handingOut(&item));
        item.onInvoke([this](DISPID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) {
            GUID const guid = clsidItem.to<GUID>();
            return engine->invokeComFunction(&guid, u"OnChange", params, result) ? S_OK : DISP_E_MEMBERNOTFOUND;
        });
    }
    ~HostCallTest() override {
        engine.reset();
        EXPECT_TRUE(item.balanced()) << item.refCount();
    }

    bool invoke(GUID const* guid, OLECHAR const* member, std::vector<_variant_t> arguments, VARIANT* result) {
        // COM's order: the last argument first.
        std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        return engine->invokeComFunction(guid, member, &params, result);
    }

    TypedDispatch item{host.typeInfo(iidItem)};
};


TEST_F(HostCallTest, AMissingFunctionIsNotFoundAndLeavesTheResultAlone) {
    run("1");
    VARIANT result;
    VariantInit(&result);
    result.vt = VT_I4;
    result.lVal = 7;
    EXPECT_FALSE(invoke(nullptr, u"Nothing", {}, &result));
    EXPECT_EQ(result.lVal, 7);
    std::vector<_variant_t> none;
    EXPECT_EQ(engine->callJsFunctionGetError("nothing", none).vt, VT_EMPTY);
    EXPECT_FALSE(engine->hasPendingError());
}


TEST_F(HostCallTest, ObjectArgumentsArriveAsWrappersTheScriptMayKeep) {
    run("var kept; function keep(item) { kept = item; return typeof item.Activate; }");
    std::vector<_variant_t> arguments{_variant_t(static_cast<IDispatch*>(&item))};
    _variant_t const answer = engine->callJsFunctionGetError("keep", arguments);
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(answer.bstrVal)), u"function");
    arguments.clear();
    // The script holds the object of its own; collected, it lets go.
    EXPECT_EQ(item.refCount(), 2);
    run("kept = null");
    collectGarbage();
    EXPECT_TRUE(item.balanced()) << item.refCount();
}

TEST_F(HostCallTest, ADirectHostCallLeavesItsErrorPendingAndACallFromComReportsIt) {
    run("function fail() { throw new Error('no'); } Item.OnChange = fail;");
    std::vector<_variant_t> none;
    EXPECT_EQ(engine->callJsFunctionGetError("fail", none).vt, VT_EMPTY);
    EXPECT_TRUE(engine->hasPendingError());
    EXPECT_TRUE(reported.empty());
    engine->stopScript();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].message, "Uncaught Error: no");

    // A function that throws counts as not called.
    GUID const guid = clsidItem.to<GUID>();
    EXPECT_FALSE(invoke(&guid, u"OnChange", {}, nullptr));
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_EQ(reported[1].message, "Uncaught Error: no");
    EXPECT_EQ(reported[1].lineNumber, 1);
    EXPECT_FALSE(engine->hasPendingError());
    // The engine goes on.
    EXPECT_EQ(run("6 * 7"), "42");
}

TEST_F(HostCallTest, AnErrorDeepInNestedCallsIsReportedOnceByTheOutermostCallFromCom) {
    // Each level calls into COM, whose object calls the next level back.
    run("var depth = 0, item = Application.Items;"
        "Item.OnChange = function (level) {"
        "  depth = Math.max(depth, level);"
        "  if (level === 100) throw new Error('deep ' + level);"
        "  return item.Echo(level + 1);"
        "};");
    GUID const guid = clsidItem.to<GUID>();
    VARIANT result;
    VariantInit(&result);
    EXPECT_FALSE(invoke(&guid, u"OnChange", {_variant_t(LONG{1})}, &result));
    EXPECT_EQ(run("depth"), "100");
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].message, "Uncaught Error: deep 100");
    EXPECT_FALSE(engine->hasPendingError());
    VariantClear(&result);

    // Without the error, the value travels back through every level.
    run("Item.OnChange = function (level) { return level === 100 ? 'bottom' : item.Echo(level + 1); }");
    ASSERT_TRUE(invoke(&guid, u"OnChange", {_variant_t(LONG{1})}, &result));
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(result.bstrVal)), u"bottom");
    VariantClear(&result);
    EXPECT_EQ(reported.size(), 1u);
}

TEST_F(HostCallTest, ATerminatedRunEndsOnceThroughNestedCallsAndLetsGoOfItsObjects) {
    // Each level calls into COM, whose object calls the next level back.
    run("var item = Application.Items;"
        "Item.OnChange = function (level) { if (level === 3) for (;;) {} return item.Echo(level + 1); };");
    std::atomic<bool> done{false};
    std::thread host([&] {
        while (!done) {
            engine->terminateScript();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    EXPECT_EQ(run("try { item.Echo(1); } catch (e) {} 'went on'"), "");
    done = true;
    host.join();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].message, "Script terminated by the host");

    // A call that blocks while the host terminates the run: the script ends
    // once it returns.
    application.onInvoke([this](DISPID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
        std::thread([this] { engine->terminateScript(); }).join();
        return handOut(result, &item);
    });
    EXPECT_EQ(run("var again = Application.Items; for (;;) {}"), "");
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_EQ(reported[1].message, "Script terminated by the host");
    EXPECT_EQ(run("6 * 7"), "42");
}

TEST_F(HostCallTest, ValuesThatCannotCrossGiveTheHostAClearError) {
    run("function symbol() { return Symbol('s'); } function echo(x) { return x; }");
    std::vector<_variant_t> none;
    EXPECT_EQ(engine->callJsFunctionGetError("symbol", none).vt, VT_EMPTY);
    engine->stopScript();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].message, "symbol returned a value that cannot be passed to COM: symbol values have no COM form");
    _variant_t date;
    date.vt = VT_DATE;
    std::vector<_variant_t> arguments{_variant_t(LONG{1}), date};
    EXPECT_EQ(engine->callJsFunctionGetError("echo", arguments).vt, VT_EMPTY);
    engine->stopScript();
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_EQ(reported[1].message,
              "echo: argument 2 cannot be passed to the script: Missing V8 variant implementation (returnVar.vt): 7");
}

TEST_F(HostCallTest, CallsBeforeAnyRunAreRefusedAndCallsAfterAStopStillWork) {
    std::vector<_variant_t> none;
    EXPECT_EQ(engine->callJsFunctionGetError("f", none).vt, VT_EMPTY);
    EXPECT_FALSE(invoke(nullptr, u"f", {}, nullptr));
    EXPECT_EQ(engine->getIsolate(), nullptr);
    run("function f() { return 5; }");
    ASSERT_EQ(reported.size(), 0u); // the first refusal stays pending until a report point
    engine->stopScript();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].message, "Cannot call f: no script has run on this engine yet");
    EXPECT_EQ(engine->callJsFunctionGetError("f", none).lVal, 5);
}

TEST_F(HostCallTest, ModuleFunctionsAreCalledThroughTheModulesExports) {
    std::vector<std::string> asserts;
    ScopedAssertSink sink([&](AssertInfo const& info) { asserts.emplace_back(info.message); });
    run("1");
    {
        v8::HandleScope scope(isolate());
        auto none = engine->callModuleFunction("f", {});
        ASSERT_TRUE(none.has_value());
        EXPECT_TRUE(none->IsEmpty());
        EXPECT_EQ(asserts, std::vector<std::string>{"No top level module"});
    }
    ComV8Engine::ScriptSettings settings;
    settings.isModule = true;
    engine->setScript("export function twice(x) { return 2 * x; } export const value = 1;", settings);
    engine->runScript();
    v8::Isolate::Scope isolateScope(isolate());
    v8::HandleScope scope(isolate());
    auto twice = engine->callModuleFunction("twice", {v8::Integer::New(isolate(), 21)});
    ASSERT_TRUE(twice.has_value());
    ASSERT_TRUE((*twice)->IsInt32());
    EXPECT_EQ(twice->As<v8::Int32>()->Value(), 42);
    auto missing = engine->callModuleFunction("thrice", {});
    ASSERT_FALSE(missing.has_value());
    EXPECT_EQ(missing.error().message, "Function not found");
    EXPECT_EQ(missing.error().type, Error::Type::Message);
    EXPECT_FALSE(engine->callModuleFunction("value", {}).has_value());
}

} // namespace
} // namespace qor::test::bindings
