// Wrapped COM objects are given back once: when their wrapper is collected,
// or when the engine goes.

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Platform/Windows/Com/IScriptStartStop.h"

#include <gtest/gtest.h>

#include <utility>

namespace qor::test::bindings {
namespace {

using platform::windows::com::IScriptStartStop;

// A host object that deletes itself with its last reference, as real ones
// do; the counters tell how many are alive.
class Disposable : public TypedDispatch {
public:
    static inline long alive = 0;
    static inline long made = 0;

    // With one reference, for the caller.
    explicit Disposable(ITypeInfo* typeInfo) : TypedDispatch(typeInfo) {
        ++alive;
        ++made;
        onInvoke(answering(LONG{7}));
    }
    ~Disposable() override { --alive; }

    STDMETHODIMP_(ULONG) Release() override {
        ULONG const left = TypedDispatch::Release();
        if (left == 0)
            delete this;
        return left;
    }
};

// A host object that hears when scripts stop.
class Stoppable : public TypedDispatch, public IScriptStartStop {
public:
    using TypedDispatch::TypedDispatch;
    void start() override {}
    void stop() override { ++stops; }
    int stops = 0;
};

class ObjectLifetimeTest : public BindingTest {
protected:
    ObjectLifetimeTest() {
        // Application.Create(name) makes a new object each time.
        application.onInvoke([this](DISPID dispid, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
            if (dispid != 3)
                return DISP_E_MEMBERNOTFOUND;
            result->vt = VT_DISPATCH;
            result->pdispVal = new Disposable(host.typeInfo(iidItem));
            return S_OK;
        });
        Disposable::alive = 0;
        Disposable::made = 0;
    }
    ~ObjectLifetimeTest() override {
        engine.reset();
        EXPECT_EQ(Disposable::alive, 0);
    }

    // What V8 has been told lives outside its heap.
    std::int64_t externalMemory() { return isolate()->AdjustAmountOfExternalAllocatedMemory(0); }
};

TEST_F(ObjectLifetimeTest, AWrapperIsReleasedOnceByTheCollectorOrWithTheEngine) {
    run("var kept = Application.Create('a');");
    std::int64_t const before = externalMemory();
    run("(function () { Application.Create('b').Activate(1); })()");
    EXPECT_EQ(Disposable::alive, 2);
    EXPECT_EQ(liveWrappers(), 2u);
    EXPECT_EQ(externalMemory() - before, 10240);
    collectGarbage();
    EXPECT_EQ(Disposable::alive, 1);
    EXPECT_EQ(liveWrappers(), 1u);
    EXPECT_EQ(externalMemory(), before);
    EXPECT_EQ(run("kept.Activate(1)"), "7");
    // The engine releases the wrappers still alive when it goes.
    run("var all = []; for (let i = 0; i < 50; ++i) all.push(Application.Create(String(i)));");
    EXPECT_EQ(Disposable::alive, 51);
    expectBalancedAfterTeardown(application);
    EXPECT_EQ(Disposable::alive, 0);
}

TEST_F(ObjectLifetimeTest, AMillionDroppedWrappersAreAllGivenBack) {
    run("for (let i = 0; i < 1000000; ++i) Application.Create('x');");
    EXPECT_EQ(Disposable::made, 1000000);
    // The collector has run on its own meanwhile, told what the objects cost.
    EXPECT_LT(Disposable::alive, 100000);
    collectGarbage();
    EXPECT_EQ(Disposable::alive, 0);
    EXPECT_EQ(liveWrappers(), 0u);
}

TEST_F(ObjectLifetimeTest, StoppingAScriptStopsTheHostsOwnWrappedObjectsOnly) {
    Stoppable hostObject(host.typeInfo(iidItem));
    Stoppable runtimeObject(host.typeInfo(iidPoint));
    application.onInvoke([&](DISPID dispid, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
        return handOut(result, dispid == 2 ? static_cast<IDispatch*>(&hostObject) : &runtimeObject);
    });
    run("var a = Application.Items, b = Application.Create('point');");
    engine->stopScript();
    EXPECT_EQ(hostObject.stops, 1);
    EXPECT_EQ(runtimeObject.stops, 0);
    expectBalancedAfterTeardown(hostObject, runtimeObject);
}

TEST_F(ObjectLifetimeTest, ObjectsOfClassesMetAtRunTimeGetTheirOwnTemplateOnce) {
    TypedDispatch rows(host.typeInfo(iidRows));
    TypedDispatch otherRows(host.typeInfo(iidRows));
    std::vector<LONG> indices;
    for (TypedDispatch* object : {&rows, &otherRows})
        object->onInvoke([&](DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) {
            if (dispid != DISPID_VALUE || flags != DISPATCH_PROPERTYGET || params->cArgs != 1 ||
                params->rgvarg[0].vt != VT_I4)
                return DISP_E_MEMBERNOTFOUND;
            indices.push_back(params->rgvarg[0].lVal);
            if (params->rgvarg[0].lVal > 10)
                return DISP_E_BADINDEX;
            result->vt = VT_I4;
            result->lVal = params->rgvarg[0].lVal > 0 ? params->rgvarg[0].lVal * 2 : -1;
            return S_OK;
        });
    bool first = true;
    application.onInvoke([&](DISPID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
        return handOut(result, std::exchange(first, false) ? &rows : &otherRows);
    });
    run("");
    auto& classes = format::engine::javascript::IsolateData::classMap(isolate());
    std::size_t const known = classes.size();
    EXPECT_EQ(run("var rows = Application.Create('r'), other = Application.Create('s');"
                  "[typeof rows.Item, Object.getPrototypeOf(rows) === Object.getPrototypeOf(other), rows[3],"
                  " other[2147483648]].join()"),
              "function,true,6,-1");
    EXPECT_EQ(thrown("rows[11]"), "Invalid index.");
    EXPECT_EQ(indices, (std::vector<LONG>{3, -2147483647 - 1, 11}));
    EXPECT_EQ(classes.size(), known + 1);
    auto const& registry = format::engine::javascript::IsolateData::objectRegistry(isolate());
    EXPECT_TRUE(registry.activeXClassGuids.contains(iidRows));
    expectBalancedAfterTeardown(rows, otherRows);
}

} // namespace
} // namespace qor::test::bindings
