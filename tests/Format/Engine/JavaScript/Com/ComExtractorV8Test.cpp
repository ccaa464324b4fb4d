// A class record reduced to what scripts get: constructors, methods and
// properties; and a parameter's record, which owns its default value.

#include "Format/Engine/JavaScript/Com/ComExtractorV8.h"
#include "Format/Engine/JavaScript/Com/ComParameter.h"

#include "Assert/Assert.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace qor::format::engine::javascript;
using qor::assert::AssertInfo;
using qor::assert::ScopedAssertSink;

ComParameter parameter(std::string name, VARTYPE vt = VT_I4) {
    VARIANT none;
    VariantInit(&none);
    return ComParameter("VT_I4", std::move(name), none, PARAMFLAG_FIN, vt);
}

ComFunction member(std::string name, INVOKEKIND kind, DISPID id, std::vector<ComParameter> parameters = {}) {
    ComFunction function;
    function.name = std::move(name);
    function.invokeKind = kind;
    function.memberId = id;
    function.parameters = std::move(parameters);
    return function;
}

ComClass classOf(std::vector<ComFunction> functions) {
    return ComClass{"Sheet", std::move(functions), qor::Guid{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}}};
}

TEST(ConvertComToV8Test, AGetAndPutWithoutArgumentsAreOnePropertyInEitherOrder) {
    for (bool getFirst : {true, false}) {
        ComFunction get = member("Name", INVOKE_PROPERTYGET, 4);
        ComFunction put = member("Name", INVOKE_PROPERTYPUT, 4, {parameter("Name", VT_BSTR)});
        V8Class const v8Class = convertComToV8(classOf(getFirst ? std::vector{get, put} : std::vector{put, get}), nullptr);
        ASSERT_EQ(v8Class.properties.size(), 1u);
        V8Property const& property = v8Class.properties[0];
        EXPECT_TRUE(property.hasGetter);
        EXPECT_TRUE(property.hasSetter);
        EXPECT_TRUE(property.hasPutParameter);
        EXPECT_EQ(property.putParameter->vt, VT_BSTR);
        EXPECT_EQ(property.dispid, 4);
        EXPECT_TRUE(v8Class.functions.empty());
    }
}

TEST(ConvertComToV8Test, AGetWithArgumentsMakesAMethodUnlessItsPutCameFirst) {
    ComFunction get = member("Cell", INVOKE_PROPERTYGET, 5, {parameter("row"), parameter("column")});
    ComFunction put = member("Cell", INVOKE_PROPERTYPUT, 5, {parameter("Cell")});
    V8Class const getFirst = convertComToV8(classOf({get, put}), nullptr);
    ASSERT_EQ(getFirst.functions.size(), 1u);
    EXPECT_EQ(getFirst.functions[0].invokeKind, INVOKE_PROPERTYGET);
    EXPECT_TRUE(getFirst.properties.empty());

    V8Class const putFirst = convertComToV8(classOf({put, get}), nullptr);
    EXPECT_TRUE(putFirst.functions.empty());
    ASSERT_EQ(putFirst.properties.size(), 1u);
    EXPECT_FALSE(putFirst.properties[0].hasGetter);
    EXPECT_TRUE(putFirst.properties[0].hasSetter);
}

TEST(ConvertComToV8Test, APutWithoutExactlyOneParameterKeepsItsSetterAndIsReportedOnce) {
    std::vector<std::string> asserts;
    ScopedAssertSink sink([&](AssertInfo const& info) { asserts.emplace_back(info.message); });
    V8Class const v8Class = convertComToV8(
        classOf({member("Range", INVOKE_PROPERTYPUT, 6, {parameter("a"), parameter("b")}),
                 member("Target", INVOKE_PROPERTYPUTREF, 7, {parameter("Target", VT_DISPATCH)})}),
        nullptr);
    EXPECT_EQ(asserts, std::vector<std::string>{"INVOKE_PROPERTYPUT does not have exact 1 argument."});
    ASSERT_EQ(v8Class.properties.size(), 1u);
    EXPECT_TRUE(v8Class.properties[0].hasSetter);
    EXPECT_FALSE(v8Class.properties[0].hasPutParameter);
}

TEST(ConvertComToV8Test, TheHostsEntryOfTheSameNameIsLinkedAndTheFirstClassOfAGuidWins) {
    ComClasses registry;
    registry.add("Sheet", qor::Guid{9, 9, 9, {}}, nullptr);
    ComClass first = classOf({member("First", INVOKE_FUNC, 1)});
    ComClass second = classOf({member("Second", INVOKE_FUNC, 1)});
    ComClass other = classOf({});
    other.name = "Other";
    other.guid = qor::Guid{2, 0, 0, {}};
    ClassMap const classes = convertComToV8(std::vector{first, second, other}, &registry);
    ASSERT_EQ(classes.size(), 2u);
    V8Class const& sheet = classes.at(first.guid);
    ASSERT_EQ(sheet.functions.size(), 1u);
    EXPECT_EQ(sheet.functions[0].name, "First");
    ASSERT_NE(sheet.hostClass, nullptr);
    EXPECT_EQ(sheet.hostClass->name, "Sheet");
    EXPECT_EQ(classes.at(other.guid).hostClass, nullptr);
}

VARIANT text(OLECHAR const* value) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_BSTR;
    variant.bstrVal = SysAllocString(value);
    return variant;
}

TEST(ComParameter, CopiesOwnTheirDefaultValueAndMovesLeaveTheSourceEmpty) {
    VARIANT value = text(OLESTR("abc"));
    ComParameter original("VT_BSTR", "s", value, PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT, VT_BSTR);
    VariantClear(&value);

    ComParameter assigned;
    assigned = original;
    ComParameter copy(assigned);
    EXPECT_EQ(copy.name, "s");
    EXPECT_EQ(copy.flags, 0x31);
    ASSERT_EQ(copy.defaultValue.vt, VT_BSTR);
    EXPECT_NE(copy.defaultValue.bstrVal, assigned.defaultValue.bstrVal);
    EXPECT_NE(assigned.defaultValue.bstrVal, original.defaultValue.bstrVal);
    EXPECT_EQ(SysStringLen(copy.defaultValue.bstrVal), 3u);

    BSTR const held = original.defaultValue.bstrVal;
    ComParameter moved(std::move(original));
    ComParameter target;
    target = std::move(moved);
    EXPECT_EQ(target.defaultValue.bstrVal, held);
    EXPECT_EQ(original.defaultValue.vt, VT_EMPTY);
    EXPECT_EQ(moved.defaultValue.vt, VT_EMPTY);
}

TEST(ComParameter, AValueThatCannotBeCopiedRaisesTheComError) {
    VARIANT broken;
    VariantInit(&broken);
    broken.vt = 0x7FFF;
    try {
        ComParameter parameter("", "p", broken, 0x20, VT_VARIANT);
        FAIL() << "no error raised";
    } catch (_com_error const& error) {
        EXPECT_TRUE(FAILED(error.Error()));
    }
}

} // namespace
