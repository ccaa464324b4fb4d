// Script functions resolved once and called through a handle, and the scope
// a host holds around many calls: what the handle calls, what becomes of its
// errors, references and runs, and what it does once its engine is gone.

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Format/Engine/JavaScript/Com/HostCallScope.h"
#include "Format/Engine/JavaScript/Com/ScriptFunction.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qor::test::bindings {
namespace {

using format::engine::javascript::HostCallScope;
using format::engine::javascript::ScriptCallFailure;
using format::engine::javascript::ScriptFunction;

class ScriptFunctionTest : public BindingTest {
protected:
    ScriptFunctionTest() { application.onInvoke(handingOut(&item)); }
    ~ScriptFunctionTest() override { expectBalancedAfterTeardown(item, application); }

    ScriptFunction resolved(std::string_view name) {
        auto function = engine->resolveFunction(name);
        EXPECT_TRUE(function.has_value()) << (function ? "" : function.error().message);
        return function.value_or(ScriptFunction());
    }
    ScriptFunction onChange() {
        GUID const guid = clsidItem.to<GUID>();
        auto function = engine->resolveComFunction(&guid, u"OnChange");
        EXPECT_TRUE(function.has_value());
        return function.value_or(ScriptFunction());
    }

    TypedDispatch item{host.typeInfo(iidItem)};
};

TEST_F(ScriptFunctionTest, AThousandCallsWithCountedObjectsBalanceEveryReference) {
    run("var kept = []; function pick(object, n) { if (n % 100 === 0) kept.push(object);"
        " return n === 999 ? object : n + 1; }");
    ScriptFunction const pick = resolved("pick");
    HostCallScope const scope(*engine);
    for (LONG n = 0; n < 1000; ++n) {
        auto result = pick.call({_variant_t(static_cast<IDispatch*>(&item)), _variant_t(n)});
        ASSERT_TRUE(result.has_value()) << n;
        if (n == 999)
            EXPECT_EQ(result->vt, VT_DISPATCH);
        else
            EXPECT_EQ(*result, _variant_t(LONG{n + 1}));
    }
    EXPECT_EQ(run("kept.length"), "10");
    run("kept = null");
    collectGarbage();
    EXPECT_TRUE(item.balanced()) << item.refCount();
}

TEST_F(ScriptFunctionTest, AHandleKeepsTheFunctionItResolvedAndANewResolutionFindsTheReplacement) {
    run("function version() { return 1; } Item.OnChange = function () { return 'first'; };");
    ScriptFunction const first = resolved("version");
    ScriptFunction const copy = first;
    ScriptFunction const firstHandler = onChange();
    run("function version() { return 2; } Item.OnChange = function () { return 'second'; };");
    EXPECT_EQ(first.call({}), _variant_t(LONG{1}));
    EXPECT_EQ(copy.call({}), _variant_t(LONG{1}));
    EXPECT_EQ(firstHandler.call({}), _variant_t(u"first"));
    EXPECT_EQ(resolved("version").call({}), _variant_t(LONG{2}));
    EXPECT_EQ(onChange().call({}), _variant_t(u"second"));
    std::vector<_variant_t> none;
    EXPECT_EQ(engine->callJsFunctionGetError("version", none), _variant_t(LONG{2}));
    EXPECT_EQ(first.name(), "version");
    EXPECT_EQ(firstHandler.name(), "Item.OnChange");
}

TEST_F(ScriptFunctionTest, WhatCannotBeResolvedSaysWhyAndRecordsNothing) {
    auto early = engine->resolveFunction("add");
    ASSERT_FALSE(early.has_value());
    EXPECT_EQ(early.error().message, "Cannot resolve add: no script has run on this engine yet");
    run("var notAFunction = 1; Object.defineProperty(globalThis, 'trap', { get() { throw new Error('trapped'); } });");
    for (char const* name : {"missing", "notAFunction", "Item.Missing"}) {
        auto missing = engine->resolveFunction(name);
        ASSERT_FALSE(missing.has_value()) << name;
        EXPECT_EQ(missing.error().message, "Function not found") << name;
    }
    auto trapped = engine->resolveFunction("trap");
    ASSERT_FALSE(trapped.has_value());
    EXPECT_EQ(trapped.error().message, "Uncaught Error: trapped");
    auto noModule = engine->resolveModuleFunction("twice");
    ASSERT_FALSE(noModule.has_value());
    EXPECT_EQ(noModule.error().message, "Cannot resolve twice: no module has run on this engine");
    EXPECT_FALSE(engine->hasPendingError());
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(ScriptFunction().call({}), std::unexpected(ScriptCallFailure::empty));
}

TEST_F(ScriptFunctionTest, AHandleOutlivingItsEngineFailsAndAScopeLetsGo) {
    run("function add(a, b) { return a + b; }");
    std::optional<ScriptFunction> add = resolved("add");
    ScriptFunction const copy = *add;
    std::optional<HostCallScope> scope(std::in_place, *engine);
    EXPECT_EQ(add->call({_variant_t(LONG{40}), _variant_t(LONG{2})}), _variant_t(LONG{42}));
    engine.reset();
    EXPECT_FALSE(copy.callable());
    EXPECT_EQ(copy.call({_variant_t(LONG{1})}), std::unexpected(ScriptCallFailure::engineGone));
    DISPPARAMS none{};
    EXPECT_EQ(add->invoke(none), std::unexpected(ScriptCallFailure::engineGone));
    add.reset();
    scope.reset();
}

TEST_F(ScriptFunctionTest, UnderAScopeACallMadeWhileTheHostHasEnteredAnotherIsolateRunsInItsOwn) {
    // What COM's objects find current while a call runs, as a host object
    // using V8 itself would.
    run("var item = Application.Items; function poke() { return item.Echo(1); }"
        " function fail() { throw new Error('no'); }");
    std::vector<v8::Isolate*> current;
    item.onInvoke([&](DISPID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*) {
        current.push_back(v8::Isolate::GetCurrent());
        return S_OK;
    });
    ScriptFunction const poke = resolved("poke");
    ScriptFunction const fail = resolved("fail");
    HostCallScope const scope(*engine);
    std::unique_ptr<v8::ArrayBuffer::Allocator> const buffers(v8::ArrayBuffer::Allocator::NewDefaultAllocator());
    v8::Isolate::CreateParams parameters;
    parameters.array_buffer_allocator = buffers.get();
    v8::Isolate* const other = v8::Isolate::New(parameters);
    {
        v8::Isolate::Scope entered(other);
        EXPECT_TRUE(poke.call({}).has_value());
        EXPECT_EQ(fail.call({}), std::unexpected(ScriptCallFailure::failed));
        EXPECT_EQ(v8::Isolate::GetCurrent(), other);
    }
    other->Dispose();
    EXPECT_TRUE(poke.call({}).has_value());
    EXPECT_EQ(current, (std::vector<v8::Isolate*>{isolate(), isolate()}));
    engine->stopScript();
    EXPECT_EQ(reportedMessages(), std::vector<std::string>{"Uncaught Error: no"});

    // A host's own catcher made under the scope catches first: the call
    // still fails, and says where its exception went.
    {
        v8::TryCatch hosts(isolate());
        EXPECT_EQ(fail.call({}), std::unexpected(ScriptCallFailure::failed));
        EXPECT_TRUE(hosts.HasCaught());
    }
    EXPECT_TRUE(poke.call({}).has_value());
    engine->stopScript();
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_EQ(reported[1].message, "The call threw, and a v8::TryCatch of the host's caught it");
}

// Under a HostCallScope, which holds what catches the calls' errors, as
// without one.
class ScriptFunctionRunTest : public ScriptFunctionTest, public testing::WithParamInterface<bool> {};

TEST_P(ScriptFunctionRunTest, EachCallIsARunThatLimitsEndAndWhoseErrorIsReportedAsAHostCall) {
    run("function spin() { for (;;) {} } function fail() { throw new Error('no'); }"
        " function caught() { try { fail(); } catch (e) { return 'caught'; } }"
        " Item.OnChange = fail;");
    ScriptFunction const spin = resolved("spin");
    ScriptFunction const fail = resolved("fail");
    std::optional<HostCallScope> scope;
    if (GetParam())
        scope.emplace(*engine);
    EXPECT_EQ(resolved("caught").call({}), _variant_t(u"caught"));
    engine->setTimeLimit(std::chrono::milliseconds(50));
    EXPECT_EQ(spin.call({}), std::unexpected(ScriptCallFailure::failed));
    engine->setTimeLimit(std::nullopt);
    // A direct host call leaves its error pending, the first one kept.
    EXPECT_EQ(fail.call({}), std::unexpected(ScriptCallFailure::failed));
    EXPECT_TRUE(reported.empty());
    engine->stopScript();
    EXPECT_EQ(reportedMessages(),
              std::vector<std::string>{"Script terminated: it ran longer than its time limit of 0.05 s"});
    // As a call from COM, it is reported before the call returns.
    DISPPARAMS none{};
    EXPECT_EQ(onChange().invoke(none), std::unexpected(ScriptCallFailure::failed));
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_EQ(reported[1].message, "Uncaught Error: no");
    EXPECT_FALSE(engine->hasPendingError());
    // Nothing of the failures stays behind for the next call.
    EXPECT_EQ(resolved("caught").call({}), _variant_t(u"caught"));
    EXPECT_FALSE(engine->hasPendingError());
    EXPECT_EQ(run("6 * 7"), "42");
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutScope, ScriptFunctionRunTest, testing::Bool(),
                         [](testing::TestParamInfo<bool> const& info) {
                             return info.param ? "InScope" : "WithoutScope";
                         });

TEST_F(ScriptFunctionTest, NestedHandleCallsKeepTheDepthAndReportEachErrorOnce) {
    // Each level calls into COM, whose object calls the next level back
    // through the handle, as a host object raising an event would.
    run("var depth = 0, item = Application.Items;"
        "Item.OnChange = function (level) {"
        "  depth = Math.max(depth, level);"
        "  if (level === 50) throw new Error('deep ' + level);"
        "  return item.Echo(level + 1);"
        "};");
    ScriptFunction const handler = onChange();
    item.onInvoke([&](DISPID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) {
        // A script's exception rises through the method to the scripts
        // between: the method itself did not fail.
        auto called = handler.invoke(*params);
        return called ? VariantCopy(result, &*called) : S_OK;
    });
    HostCallScope const scope(*engine);
    VARIANT first;
    first.vt = VT_I4;
    first.lVal = 1;
    DISPPARAMS params{&first, nullptr, 1, 0};
    EXPECT_EQ(handler.invoke(params), std::unexpected(ScriptCallFailure::failed));
    EXPECT_EQ(run("depth"), "50");
    EXPECT_EQ(reportedMessages(), std::vector<std::string>{"Uncaught Error: deep 50"});
    EXPECT_FALSE(engine->hasPendingError());

    // Without the error, the value travels back through every level; a host
    // call from inside nests as callJsFunctionGetError does.
    run("Item.OnChange = function (level) { return level === 50 ? 'bottom' : item.Echo(level + 1); }");
    ScriptFunction const bottom = onChange();
    item.onInvoke([&](DISPID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) {
        auto called = bottom.call({params->rgvarg[0]});
        return called ? VariantCopy(result, &*called) : DISP_E_EXCEPTION;
    });
    EXPECT_EQ(bottom.call({_variant_t(LONG{1})}), _variant_t(u"bottom"));
    EXPECT_EQ(reported.size(), 1u);
}

} // namespace
} // namespace qor::test::bindings
