// COM events handled by scripts: listeners on a COM object, global
// functions bound by ConnectObject, and the connections' lifetime.

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Format/Engine/JavaScript/Com/IsolateData.h"
#include "Support/EventfulObject.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace qor::test::bindings {
namespace {

using format::engine::javascript::EngineOptions;
namespace IsolateData = format::engine::javascript::IsolateData;

// Each script that reads Application.Items gets the object handed out.
class ScriptEventsTest : public BindingTest {
protected:
    ScriptEventsTest() {
        engine->setOptions(EngineOptions::all());
        application.onInvoke([this](DISPID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
            return handOut(result, handedOut);
        });
    }
    ~ScriptEventsTest() override {
        expectBalancedAfterTeardown(item, gauge);
        EXPECT_EQ(item.connectionCount(), 0u);
    }

    std::size_t libraryObjects() { return IsolateData::objectRegistry(isolate()).libraryObjects.size(); }

    // An Item, whose events the host's type library names.
    EventfulObject<&diidItemEvents> item{host.typeInfo(iidItem)};
    // A Gauge, which names its class itself.
    EventfulObject<&diidGaugeEvents> gauge{host.typeInfo(iidPoint), host.typeInfo(clsidGauge)};
    IDispatch* handedOut = &item;
};

// The sample's extensions script adds and removes listeners and binds
// functions with ConnectObject.
TEST_F(ScriptEventsTest, AListenerIsAddedOnceWhateverTheCaseOfTheEventAndBadOnesAreRefused) {
    run("var item = Application.Items, heard = [];"
        "function first(row, value) { heard.push(`${row} ${value} ${this === item}`); }"
        "item.addEventListener('Changed', first);"
        "item.addEventListener('changed', first);");
    EXPECT_EQ(item.fire(1, {_variant_t(LONG{3}), _variant_t(OLESTR("x"))}), 1u);
    EXPECT_EQ(item.fire(2, {}), 1u);
    EXPECT_EQ(run("heard.join()"), "3 x true");
    run("item.removeEventListener('Changed', first)");
    EXPECT_EQ(item.connectionCount(), 0u);

    EXPECT_EQ(thrown("item.addEventListener('Nope', () => {})"), "addEventListener: ItemEvents has no event \"Nope\"");
    EXPECT_EQ(thrown("item.addEventListener('Changed', 5)"), "addEventListener: the listener is not a function");
    EXPECT_EQ(thrown("ConnectObject(5, 'x_')"), "ConnectObject: the first argument is not a COM object");
    EXPECT_EQ(item.connectionCount(), 0u);
    EXPECT_TRUE(reported.empty());
}

TEST_F(ScriptEventsTest, ObjectsMetAtRunTimeNameTheirEventsAndAMemberOfTheSameNameWins) {
    handedOut = &gauge;
    run("var gauge = Application.Items, moved = [];"
        "gauge.addEventListener('Moved', x => moved.push(x));");
    gauge.fire(5, {_variant_t(LONG{7})});
    EXPECT_EQ(run("moved.join()"), "7");

    TypedDispatch rows(host.typeInfo(iidRows));
    handedOut = &rows;
    EXPECT_EQ(thrown("Application.Items.addEventListener('Moved', () => {})"),
              "addEventListener: the object has no events");

    TypedDispatch listened(host.typeInfo(iidListened));
    listened.onInvoke([](DISPID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
        result->vt = VT_I4;
        result->lVal = 42;
        return S_OK;
    });
    handedOut = &listened;
    EXPECT_EQ(run("Application.Items.addEventListener('Moved')"), "42");
    expectBalancedAfterTeardown(rows, listened);
}

TEST_F(ScriptEventsTest, AThrowingListenerIsReportedAndTheNextOneStillHears) {
    run("var item = Application.Items, heard = [];"
        "item.addEventListener('Changed', () => { throw new Error('listener failed'); });"
        "item.addEventListener('Changed', row => heard.push(row));");
    item.fire(1, {_variant_t(LONG{1}), _variant_t()});
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].message.find("listener failed"), std::string::npos) << reported[0].message;
    EXPECT_EQ(run("heard.join()"), "1");
}

TEST_F(ScriptEventsTest, AListenerMayRemoveItselfAndOthersWhileTheEventIsDelivered) {
    run("var item = Application.Items, heard = [];"
        "function a() { heard.push('a'); item.removeEventListener('Changed', a); item.removeEventListener('Changed', b); }"
        "function b() { heard.push('b'); }"
        "item.addEventListener('Changed', a);"
        "item.addEventListener('Changed', b);");
    item.fire(1, {_variant_t(LONG{1}), _variant_t()});
    EXPECT_EQ(run("heard.join()"), "a");
    EXPECT_EQ(item.connectionCount(), 0u);
    EXPECT_TRUE(reported.empty());
}

TEST_F(ScriptEventsTest, ACollectedWrapperDisconnectsItsEvents) {
    run("1");
    std::size_t const before = libraryObjects();
    run("(() => { Application.Items.addEventListener('Changed', () => { globalThis.late = true; }); })()");
    EXPECT_EQ(item.connectionCount(), 1u);
    collectGarbage();
    EXPECT_EQ(item.connectionCount(), 0u);
    EXPECT_EQ(item.fire(1, {_variant_t(LONG{1}), _variant_t()}), 0u);
    EXPECT_EQ(run("typeof late"), "undefined");
    // The sink is gone as well.
    EXPECT_EQ(libraryObjects(), before);
}

TEST_F(ScriptEventsTest, AnObjectFiringAsTheEngineGoesReachesNoScript) {
    run("var item = Application.Items;"
        "item.addEventListener('Changed', () => { throw new Error('too late'); });");
    item.whenUnadvised = [this] { item.fire(1, {_variant_t(LONG{1}), _variant_t()}); };
    engine.reset();
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(item.connectionCount(), 0u);
}

TEST_F(ScriptEventsTest, ASinkCalledFromAnotherThreadRefuses) {
    run("Application.Items.addEventListener('Changed', () => {})");
    IEnumConnections* connections = nullptr;
    ASSERT_EQ(item.point.EnumConnections(&connections), S_OK);
    CONNECTDATA connection{};
    ASSERT_EQ(connections->Next(1, &connection, nullptr), S_OK);
    connections->Release();
    IDispatch* sink = nullptr;
    ASSERT_EQ(connection.pUnk->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink)), S_OK);
    connection.pUnk->Release();
    DISPPARAMS none{};
    HRESULT answer = S_OK;
    std::thread([&] { answer = sink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr); })
        .join();
    EXPECT_EQ(answer, RPC_E_WRONG_THREAD);
    sink->Release();
}

TEST_F(BindingTest, WithoutTheOptionCOMObjectsHaveNoEventFunctions) {
    EXPECT_EQ(run("typeof Application.addEventListener + ' ' + typeof ConnectObject"), "undefined undefined");
}

} // namespace
} // namespace qor::test::bindings
