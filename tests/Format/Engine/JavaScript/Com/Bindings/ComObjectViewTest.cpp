// What tools (qorjs's console and completion) see of script values that
// stand for COM objects: the class and members the bindings give them, read
// without a call into the object or the making of a global object's object.

#include "Format/Engine/JavaScript/Com/BindingHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace qor::test::bindings {
namespace {

using format::engine::javascript::ComMemberView;
using format::engine::javascript::ComObjectView;

class ComObjectViewTest : public BindingTest {
protected:
    ComObjectViewTest() { application.onInvoke(handingOut(&item)); }
    ~ComObjectViewTest() override { expectBalancedAfterTeardown(item, application); }

    // The view of what `script` gives.
    std::optional<ComObjectView> viewOf(std::string_view script) {
        std::optional<ComObjectView> view;
        engine->setScript(script, {});
        engine->runScript([&](ComV8Engine::RunResult& result, v8::Local<v8::Context>&) {
            ASSERT_TRUE(result) << result.error().message;
            view = engine->viewComObject(*result);
        });
        return view;
    }

    TypedDispatch item{host.typeInfo(iidItem)};
};

ComMemberView const* member(ComObjectView const& view, std::string_view name) {
    auto const found = std::ranges::find(view.members, name, &ComMemberView::name);
    return found == view.members.end() ? nullptr : &*found;
}

TEST_F(ComObjectViewTest, AGlobalObjectIsSeenFromItsClassWithoutItsObjectBeingMade) {
    auto view = viewOf("Application");
    ASSERT_TRUE(view);
    EXPECT_EQ(view->kind, ComObjectView::Kind::object);
    EXPECT_EQ(view->className, "Application");
    ASSERT_TRUE(member(*view, "Create") && member(*view, "Items") && member(*view, "Title"));
    EXPECT_TRUE(member(*view, "Create")->callable);
    EXPECT_FALSE(member(*view, "Items")->callable);
    // Where completion goes on from a property: the class its get gives.
    EXPECT_EQ(member(*view, "Items")->valueClass, "IItems");
    EXPECT_EQ(member(*view, "Title")->valueClass, "");
    EXPECT_EQ(application.addRefs(), 0);
}

TEST_F(ComObjectViewTest, AWrapperIsSeenAsTheClassOfItsTemplateWithNoCallIntoTheObject) {
    run("var item = Application.Items; var walk = new Enumerator(item)");
    std::size_t const callsBefore = item.calls().size();
    auto view = viewOf("item");
    ASSERT_TRUE(view);
    EXPECT_EQ(view->className, "IItem");
    ASSERT_TRUE(member(*view, "Name") && member(*view, "Cell") && member(*view, "Parent"));
    // A get with arguments is called like a method.
    EXPECT_TRUE(member(*view, "Cell")->callable);
    EXPECT_EQ(member(*view, "Parent")->valueClass, "IItems");
    EXPECT_EQ(item.calls().size(), callsBefore);

    auto walk = viewOf("walk");
    ASSERT_TRUE(walk);
    EXPECT_EQ(walk->kind, ComObjectView::Kind::enumerator);
    EXPECT_EQ(walk->className, "Enumerator");
    ASSERT_TRUE(member(*walk, "moveNext"));
    EXPECT_TRUE(member(*walk, "moveNext")->callable);

    // Other values, objects with internal fields of other kinds among them.
    for (char const* other : {"({})", "42", "item.Activate", "Object.create(item)", "[][Symbol.iterator]()"})
        EXPECT_FALSE(viewOf(other)) << other;
}

TEST_F(ComObjectViewTest, AClassIsSeenByItsNameOnceTheEngineRan) {
    EXPECT_FALSE(engine->viewComClass("IItems"));
    run("");
    auto items = engine->viewComClass("IItems");
    ASSERT_TRUE(items);
    EXPECT_EQ(items->className, "IItems");
    EXPECT_TRUE(member(*items, "Count") && member(*items, "Item"));
    EXPECT_FALSE(engine->viewComClass("NoSuchClass"));
}

} // namespace
} // namespace qor::test::bindings
