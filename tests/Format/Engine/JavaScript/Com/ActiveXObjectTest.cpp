// `new ActiveXObject(progId)` over classes the process registers.

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/IsolateData.h"
#include "Support/RegisteredClass.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace qor::test::bindings {
namespace {

using assert::AssertInfo;
using assert::ScopedAssertSink;

Guid const clsidPoint{0x7c3e1a00, 0x41d2, 0x4b8e, {0xa0, 0xf1, 0x5e, 0x9b, 0x2c, 0x4d, 0x6f, 0x30}};
Guid const clsidHostItem{0x7c3e1a00, 0x41d2, 0x4b8e, {0xa0, 0xf1, 0x5e, 0x9b, 0x2c, 0x4d, 0x6f, 0x31}};

class ActiveXObjectTest : public BindingTest {
protected:
    ActiveXObjectTest() {
        hostItem.onInvoke([](DISPID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(u"item");
            return S_OK;
        });
        for (TypedDispatch* point : {&first, &second})
            point->onInvoke([point](DISPID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
                result->vt = VT_I4;
                result->lVal = point->refCount();
                return S_OK;
            });
    }
    ~ActiveXObjectTest() override {
        point.reset();
        item.reset();
        expectBalancedAfterTeardown(first, second, hostItem, factory, itemFactory);
    }

    TypedDispatch first{host.typeInfo(iidPoint)};
    TypedDispatch second{host.typeInfo(iidPoint)};
    TypedDispatch hostItem{host.typeInfo(iidItem)};
    int made = 0;
    HRESULT failure = S_OK;
    // Hands out the two points in turn, and the host item for its class.
    CountedClassFactory factory{[this](REFIID riid, void** object) {
        return failure != S_OK ? failure : (made++ % 2 == 0 ? first : second).QueryInterface(riid, object);
    }};
    CountedClassFactory itemFactory{
        [this](REFIID riid, void** object) { return hostItem.QueryInterface(riid, object); }};
    std::optional<RegisteredClass> point{std::in_place, clsidPoint, u"Qor.Test.Point", &factory};
    std::optional<RegisteredClass> item{std::in_place, clsidHostItem, u"Qor.Test.Item", &itemFactory};
};

TEST_F(ActiveXObjectTest, ObjectsOfOneClassShareTheTemplateTheirTypeInformationGave) {
    run("");
    auto& classes = format::engine::javascript::IsolateData::classMap(isolate());
    std::size_t const before = classes.size();
    EXPECT_EQ(run("var a = new ActiveXObject('Qor.Test.Point'), b = new ActiveXObject('qor.test.point');"
                  "[a === b, Object.getPrototypeOf(a) === Object.getPrototypeOf(b), typeof a.X, a.X, b.X].join()"),
              "false,true,number,2,2");
    EXPECT_EQ(classes.size(), before + 1);
    EXPECT_TRUE(format::engine::javascript::IsolateData::objectRegistry(isolate()).activeXClassGuids.contains(iidPoint));
    run("a = b = null");
    collectGarbage();
    EXPECT_TRUE(first.balanced()) << first.refCount();
    // A class of the host's library keeps its own binding.
    EXPECT_EQ(run("var item = new ActiveXObject('Qor.Test.Item'); [typeof item.Activate, typeof item.Name].join()"),
              "function,string");
    EXPECT_FALSE(
        format::engine::javascript::IsolateData::objectRegistry(isolate()).activeXClassGuids.contains(iidItem));
}

TEST_F(ActiveXObjectTest, FailuresNameTheProgIdAndTheReason) {
    EXPECT_EQ(thrown("new ActiveXObject('Qor.Test.Missing')"),
              "ActiveXObject: no COM class is registered as \"Qor.Test.Missing\"");
    failure = E_OUTOFMEMORY;
    EXPECT_EQ(thrown("new ActiveXObject('Qor.Test.Point')"),
              "ActiveXObject: \"Qor.Test.Point\" could not be created: Not enough memory resources are available "
              "to complete this operation.");
    EXPECT_EQ(thrown("new ActiveXObject({ toString() { throw 'no text'; } })"), "no text");
    EXPECT_EQ(thrown("new ActiveXObject('Qor.Test.Point\\0junk')"),
              "ActiveXObject: a ProgID cannot hold the character U+0000");
    // The system's text has a place for what failed, which it does not fill.
    failure = HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT);
    EXPECT_EQ(thrown("new ActiveXObject('Qor.Test.Point')"),
              "ActiveXObject: \"Qor.Test.Point\" could not be created: its server is not a valid Win32 application.");
}

TEST_F(ActiveXObjectTest, AnUnusualCallIsReportedAndStillCreatesTheObject) {
    std::vector<std::string> asserts;
    ScopedAssertSink sink([&](AssertInfo const& info) { asserts.emplace_back(info.message); });
    EXPECT_EQ(run("typeof ActiveXObject('Qor.Test.Point', 2).X"), "number");
    EXPECT_EQ(asserts, (std::vector<std::string>{"IsConstructCall should be true.", "InternalFieldCount should be 1.",
                                                 "Function argument count should be 1."}));
}

} // namespace
} // namespace qor::test::bindings
