#include "Format/Engine/JavaScript/Com/ComExtractor.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/FakeType.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qor::format::engine::javascript {
namespace {

using test::FakeFunction;
using test::FakeParameter;
using test::FakeType;
using ::testing::_;
using ::testing::AnyNumber;
using ::testing::Return;

std::vector<std::string> namesOf(ComClass const& comClass) {
    std::vector<std::string> names;
    for (auto const& function : comClass.functions)
        names.push_back(function.name);
    return names;
}

// IUnknown, IDispatch and two automation interfaces on them, as type
// libraries describe them.
class ExtractorTest : public ::testing::Test {
protected:
    ExtractorTest() {
        unknown.add({u"QueryInterface", 0x60000000});
        unknown.add({u"AddRef", 0x60000001});
        unknown.add({u"Release", 0x60000002});
        dispatch.implement(unknown);
        dispatch.add({u"GetTypeInfoCount", 0x60010000});
        dispatch.add({u"GetTypeInfo", 0x60010001});
        dispatch.add({u"GetIDsOfNames", 0x60010002});
        dispatch.add({u"Invoke", 0x60010003});
        calc.implement(dispatch);
        calc.add(
            {u"Add", 1, INVOKE_FUNC, {{u"a"}, {u"b"}, {u"result", VT_PTR, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL, VT_I4}}});
        shape.implement(dispatch);
        shape.add({u"Area", 1, INVOKE_PROPERTYGET, {{u"area", VT_PTR, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL, VT_R8}}});
    }

    std::vector<std::string> reported() const { return reports; }

    std::vector<std::string> reports;
    assert::ScopedAssertSink sink{[this](assert::AssertInfo const& info) {
        reports.push_back(std::string(info.function) + ": " + std::string(info.message));
        EXPECT_EQ(info.file, "Format/Engine/JavaScript/Com/ComExtractor");
    }};
    FakeType unknown{u"IUnknown"};
    FakeType dispatch{u"IDispatch"};
    FakeType calc{u"ICalc", GUID{0xCA1C, 0, 0, {1}}};
    FakeType shape{u"IShape", GUID{0x5BA9E, 0, 0, {1}}};
};

std::vector<std::string> const unknownAndDispatch{"QueryInterface", "AddRef",        "Release", "GetTypeInfoCount",
                                                  "GetTypeInfo",    "GetIDsOfNames", "Invoke"};

std::vector<std::string> operator+(std::vector<std::string> a, std::vector<std::string> const& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

ComClass build(FakeType& type, std::string name = "T", Guid guid = Guid{}) {
    TYPEATTR* attributes = nullptr;
    type.GetTypeAttr(&attributes);
    ComClass result = buildComClass(type, *attributes, std::move(name), guid);
    type.ReleaseTypeAttr(attributes);
    return result;
}

// The fixtures cover methods, gets and puts with parameters; these shapes
// they cannot give.
TEST_F(ExtractorTest, AccessorsWithoutParametersHaveNone) {
    FakeType type(u"IItems");
    type.add({u"Count", 3, INVOKE_PROPERTYGET, {}});
    type.add({u"Target", 4, INVOKE_PROPERTYPUTREF, {{u"target", VT_DISPATCH}}});
    type.add({u"Bare", 5, INVOKE_PROPERTYPUT, {}});

    ComClass const result = build(type);
    ASSERT_EQ(result.functions.size(), 3u);
    for (ComFunction const& function : result.functions) {
        EXPECT_TRUE(function.parameters.empty()) << function.name;
        EXPECT_EQ(function.returnType, "") << function.name;
        EXPECT_EQ(function.returnVt, VT_EMPTY) << function.name;
    }
    EXPECT_TRUE(type.returnedEverything());
}

TEST_F(ExtractorTest, AMemberWhoseDescriptionCannotBeReadIsReportedAndLeftOut) {
    FakeType type(u"IBroken");
    type.add({u"First", 1});
    type.add({u"Second", 2});
    type.add({u"Third", 3});
    EXPECT_CALL(type, GetFuncDesc(_, _)).Times(AnyNumber());
    EXPECT_CALL(type, GetFuncDesc(1u, _)).WillRepeatedly(Return(E_OUTOFMEMORY));
    EXPECT_CALL(type, GetDocumentation(_, _, _, _, _)).Times(AnyNumber());
    EXPECT_CALL(type, GetDocumentation(3, _, _, _, _)).WillOnce(Return(TYPE_E_ELEMENTNOTFOUND));

    ComClass const result = build(type);
    EXPECT_EQ(namesOf(result), (std::vector<std::string>{"First"}));
    EXPECT_EQ(reported(), (std::vector<std::string>{"extractComFunction: GetFuncDesc() failed.",
                                                    "extractComFunction: GetDocumentation() failed."}));
    EXPECT_TRUE(type.returnedEverything());
    EXPECT_EQ(extractComFunction(type, 1).error(), E_OUTOFMEMORY);
}

TEST_F(ExtractorTest, MissingNamesLeaveAMethodWithoutParametersAndAGetOrPutUnnamed) {
    FakeType partly(u"INames");
    FakeFunction method{u"Unnamed", 1, INVOKE_FUNC, {{u"a"}, {u"b"}}};
    method.namesGiven = 1;
    partly.add(method);
    FakeFunction get{u"Prop", 2, INVOKE_PROPERTYGET, {{u"index"}}};
    get.namesGiven = 1;
    partly.add(get);
    FakeType failing(u"INoNames");
    failing.add({u"Method", 1, INVOKE_FUNC, {{u"a"}}});
    failing.add({u"Prop", 2, INVOKE_PROPERTYPUT, {{u"value"}}});
    EXPECT_CALL(failing, GetNames(_, _, _, _)).WillRepeatedly(Return(E_FAIL));

    for (FakeType* type : {&partly, &failing}) {
        ComClass const result = build(*type);
        ASSERT_EQ(result.functions.size(), 2u);
        EXPECT_TRUE(result.functions[0].parameters.empty());
        ASSERT_EQ(result.functions[1].parameters.size(), 1u);
        EXPECT_EQ(result.functions[1].parameters[0].name, "");
    }
    EXPECT_EQ(reported(), std::vector<std::string>(2, "extractComFunction: GetNames() failed."));
}

TEST_F(ExtractorTest, AnInterfaceThatCannotBeReachedIsReportedAndLeftOut) {
    FakeType coclass(u"Calculator", GUID{}, TKIND_COCLASS);
    coclass.implement(calc);
    coclass.implement(shape);
    coclass.implement(calc);
    coclass.implement(shape);
    EXPECT_CALL(coclass, GetRefTypeOfImplType(_, _)).Times(AnyNumber());
    EXPECT_CALL(coclass, GetRefTypeOfImplType(3u, _)).WillOnce(Return(E_FAIL));
    EXPECT_CALL(coclass, GetRefTypeInfo(_, _)).Times(AnyNumber());
    EXPECT_CALL(coclass, GetRefTypeInfo(1002u, _)).WillOnce(Return(E_FAIL));
    EXPECT_CALL(shape, GetTypeAttr(_)).WillOnce(Return(E_OUTOFMEMORY)).WillRepeatedly(::testing::DoDefault());
    EXPECT_CALL(coclass, GetImplTypeFlags(_, _)).Times(AnyNumber());
    EXPECT_CALL(coclass, GetImplTypeFlags(0u, _)).WillOnce(Return(E_FAIL));

    ComClass const result = build(coclass);
    // Positions 3 and 2 fail, 1 has no attributes; 0 is read without flags.
    EXPECT_EQ(namesOf(result), unknownAndDispatch + std::vector<std::string>{"Add"});
    EXPECT_EQ(reported(), (std::vector<std::string>{"addInterfacesRecursiv: GetRefTypeOfImplType() failed",
                                                    "addInterfacesRecursiv: GetRefTypeInfo() failed",
                                                    "addInterfacesRecursiv: GetTypeAttr() failed",
                                                    "addInterfacesRecursiv: GetImplTypeFlags() failed"}));
    for (FakeType* type : {&coclass, &calc, &shape, &dispatch, &unknown})
        EXPECT_TRUE(type->returnedEverything());
}

TEST_F(ExtractorTest, AnInterfaceThatIsItsOwnBaseDoesNotLoop) {
    FakeType looping(u"ILoop", GUID{0x100B, 0, 0, {1}});
    looping.implement(looping);
    looping.add({u"Spin", 1});

    ComClass const result = build(looping, "ILoop", Guid(GUID{0x100B, 0, 0, {1}}));
    EXPECT_EQ(namesOf(result), (std::vector<std::string>{"Spin"}));
    EXPECT_TRUE(looping.returnedEverything());
}

TEST_F(ExtractorTest, MemberNamesGoThroughTheAnsiCodePage) {
    FakeType type(u"IText");
    type.add({u"Price\u20AC\u03A9", 1, INVOKE_FUNC, {{u"caf\u00E9"}}});

    ComClass const result = build(type);
    // Windows-1252 has the euro sign (0x80) and e acute, but no omega.
    EXPECT_EQ(result.functions[0].name, "Price\x80?");
    EXPECT_EQ(result.functions[0].parameters[0].name, "caf\xE9");
}

// An object that reports a type info, or fails to.
class TypedDispatch : public test::CountedDispatch {
public:
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        *info = nullptr;
        if (type == nullptr || index != 0)
            return TYPE_E_ELEMENTNOTFOUND;
        type->AddRef();
        *info = type;
        return S_OK;
    }
    ITypeInfo* type = nullptr;
};

TEST_F(ExtractorTest, AnObjectWithoutUsableTypeInformationGivesNothing) {
    TypedDispatch object;
    EXPECT_FALSE(extractComClassFromDispatch(object).has_value());

    object.type = &calc;
    EXPECT_CALL(calc, GetTypeAttr(_)).WillOnce(Return(E_OUTOFMEMORY));
    EXPECT_FALSE(extractComClassFromDispatch(object).has_value());
    EXPECT_TRUE(object.balanced());
    EXPECT_TRUE(calc.returnedEverything());
}


} // namespace
} // namespace qor::format::engine::javascript
