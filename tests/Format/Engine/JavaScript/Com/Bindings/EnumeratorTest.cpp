// Scripts walking COM collections with Enumerator and for...of.

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Format/Engine/JavaScript/Com/Bindings/Enumerator.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Support/CountedEnumVariant.h"
#include "Support/HostCollection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qor::test::bindings {
namespace {

// A collection that answers DISPID_NEWENUM with an IEnumVARIANT.
class EnumerableCollection : public TypedDispatch {
public:
    EnumerableCollection(ITypeInfo* typeInfo, std::vector<_variant_t> items, VARTYPE answer = VT_UNKNOWN)
        : TypedDispatch(typeInfo), enumVariant(std::move(items)) {
        onInvoke([this, answer](DISPID dispid, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
            if (dispid != DISPID_NEWENUM)
                return DISP_E_MEMBERNOTFOUND;
            // Each walk starts at the first item, as with a new enumerator.
            enumVariant.Reset();
            result->vt = answer;
            result->punkVal = enumVariant.unknown();
            enumVariant.AddRef();
            return S_OK;
        });
    }
    CountedEnumVariant enumVariant;
};

class EnumeratorTest : public BindingTest {
protected:
    EnumeratorTest() {
        application.onInvoke([this](DISPID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
            return handOut(result, handedOut);
        });
    }
    // The collection `Application.Items` gives the script.
    void give(IDispatch* collection) { handedOut = collection; }

    IDispatch* handedOut = nullptr;
};


TEST_F(EnumeratorTest, AHostCollectionIsWalkedByIndexThroughItsOwnInterface) {
    HostCollection collection({u"a", u"b", u"c"});
    give(static_cast<TypedDispatch*>(&collection));
    EXPECT_EQ(run("var seen = []; for (var e = new Enumerator(Application.Items); !e.atEnd(); e.moveNext())"
                  " seen.push(e.item()); seen.join()"),
              "a,b,c");
    EXPECT_EQ(collection.indices, (std::vector<LONG>{0, 1, 2}));
    // Past the end, and after moving back to the first item.
    EXPECT_EQ(run("[String(e.item()), (e.moveFirst(), e.item()), e.atEnd()].join()"), "undefined,a,false");
    HostCollection empty({});
    give(static_cast<TypedDispatch*>(&empty));
    EXPECT_EQ(run("e = new Enumerator(Application.Items); [e.atEnd(), String(e.item())].join()"), "true,undefined");
    expectBalancedAfterTeardown(collection, empty);
}


TEST_F(EnumeratorTest, OtherCollectionsAreWalkedThroughTheirIEnumVariant) {
    for (VARTYPE answer : {VT_UNKNOWN, VT_DISPATCH}) {
        EnumerableCollection collection(host.typeInfo(iidRows), {_variant_t(LONG{1}), _variant_t(u"two")}, answer);
        give(&collection);
        EXPECT_EQ(run("var e = new Enumerator(Application.Items);"
                      "var once = e.item(), twice = e.item(); e.moveNext(); var second = e.item(); e.moveNext();"
                      "var end = e.atEnd(); e.moveFirst();"
                      "[once, twice, second, end, e.item(), e.atEnd()].join()"),
                  "1,1,two,true,1,false");
        run("e = null");
        collectGarbage();
        EXPECT_TRUE(collection.enumVariant.balanced()) << collection.enumVariant.refCount();
        expectBalancedAfterTeardown(collection);
        engine = std::make_unique<ComV8Engine>(host.classes, host.typeLibrary, ".");
    }
}

TEST_F(EnumeratorTest, AWalkEndsWhereNextStopsOrFails) {
    EnumerableCollection collection(host.typeInfo(iidRows), {_variant_t(LONG{1}), _variant_t(LONG{2})});
    give(&collection);
    EXPECT_EQ(run("var e = new Enumerator(Application.Items); e.moveNext(); e.moveNext(); e.atEnd()"), "true");
    collection.enumVariant.failNext(E_FAIL);
    EXPECT_EQ(run("e.moveFirst(); e.atEnd()"), "true");
    // Without a new-enumerator member or the host's interface there is
    // nothing to walk.
    TypedDispatch plain(host.typeInfo(iidPoint));
    give(&plain);
    EXPECT_EQ(run("new Enumerator(Application.Items).atEnd()"), "true");
    // Only a COM object can be walked.
    for (char const* argument : {"{}", "", "e"})
        EXPECT_EQ(thrown("new Enumerator(" + std::string(argument) + ")"), "Enumerator: the argument is not a COM object");
    EXPECT_EQ(thrown("e.atEnd.call({})"), "TypeError: Illegal invocation");
    expectBalancedAfterTeardown(plain, collection.enumVariant);
}

// The sample's collections script walks a collection with for...of; an
// enumerator walked so goes on from where it stands.
TEST_F(EnumeratorTest, EnumeratorsAreReleasedWhenCollectedOrWithTheEngineAndForOfGoesOnFromWhereTheyStand) {
    EnumerableCollection collection(host.typeInfo(iidRows), {_variant_t(u"x"), _variant_t(u"y"), _variant_t(u"z")});
    give(&collection);
    run("var e = new Enumerator(Application.Items); (function () { new Enumerator(Application.Items); })()");
    auto& registry = format::engine::javascript::IsolateData::objectRegistry(isolate());
    EXPECT_EQ(registry.enumeratorObjectList.size(), 2u);
    collectGarbage();
    EXPECT_EQ(registry.enumeratorObjectList.size(), 1u);
    EXPECT_EQ(run("e.moveNext(); var rest = []; for (const x of e) rest.push(x); [rest.join(), e.atEnd()].join()"),
              "y,z,true");
    expectBalancedAfterTeardown(collection.enumVariant, collection);
}

} // namespace
} // namespace qor::test::bindings
