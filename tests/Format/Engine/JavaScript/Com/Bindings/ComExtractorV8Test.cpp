// A class record reduced to what scripts get: constructors, methods and
// properties; and a parameter's record, which owns its default value.

#include "Format/Engine/JavaScript/Com/Bindings/ComExtractorV8.h"
#include "Format/Engine/JavaScript/Com/Extraction/ComParameter.h"

#include "Assert/Assert.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
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

// What scripts get of a class: each property with its accessors and the
// type its setter converts to, then each method with the flags it calls by.
std::string bindingOf(V8Class const& v8Class) {
    std::string binding;
    for (V8Property const& property : v8Class.properties)
        binding += "property " + std::string(property.name()) + " " + std::to_string(property.dispid()) +
                   (property.hasGetter() ? " get" : "") + (property.hasSetter ? " set" : "") +
                   (property.hasPutParameter() ? " of vt " + std::to_string(property.putParameter->vt) : "") + "; ";
    for (V8Function const& function : v8Class.functions)
        binding += "method " + std::string(function.name()) + " " + std::to_string(function.invokeKind) + "; ";
    return binding;
}

TEST(ConvertComToV8Test, GetsAndPutsBecomePropertiesOrMethodsByTheirArgumentsAndOrder) {
    ComFunction const get = member("Name", INVOKE_PROPERTYGET, 4);
    ComFunction const put = member("Name", INVOKE_PROPERTYPUT, 4, {parameter("Name", VT_BSTR)});
    ComFunction const cellGet = member("Cell", INVOKE_PROPERTYGET, 5, {parameter("row"), parameter("column")});
    ComFunction const cellPut = member("Cell", INVOKE_PROPERTYPUT, 5, {parameter("Cell")});
    // A put without exactly one parameter keeps its setter and is reported.
    ComFunction const rangePut = member("Range", INVOKE_PROPERTYPUT, 6, {parameter("a"), parameter("b")});
    ComFunction const targetPut = member("Target", INVOKE_PROPERTYPUTREF, 7, {parameter("Target", VT_DISPATCH)});
    std::string const name = "property Name 4 get set of vt 8; ";
    for (auto const& [members, binding, reports] : std::vector<std::tuple<std::vector<ComFunction>, std::string, int>>{
             {{get, put}, name, 0},
             {{put, get}, name, 0},
             // A get with arguments is a method, unless its put came first.
             {{cellGet, cellPut}, "method Cell 2; ", 0},
             {{cellPut, cellGet}, "property Cell 5 set of vt 3; ", 0},
             {{rangePut, targetPut}, "property Range 6 set; ", 1}}) {
        std::vector<std::string> asserts;
        ScopedAssertSink sink([&](AssertInfo const& info) { asserts.emplace_back(info.message); });
        EXPECT_EQ(bindingOf(convertComToV8(classOf(members), nullptr)), binding);
        EXPECT_EQ(asserts, std::vector<std::string>(reports, "INVOKE_PROPERTYPUT does not have exact 1 argument."));
    }
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
    EXPECT_EQ(sheet.functions[0].name(), "First");
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
