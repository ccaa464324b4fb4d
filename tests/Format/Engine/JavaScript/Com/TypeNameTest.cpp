#include "Format/Engine/JavaScript/Com/TypeName.h"

#include "Format/Engine/JavaScript/Com/FakeType.h"

#include <gtest/gtest.h>

namespace qor::format::engine::javascript {
namespace {

using test::FakeType;
using ::testing::_;
using ::testing::Return;

TYPEDESC described(VARTYPE vt) {
    TYPEDESC typeDesc{};
    typeDesc.vt = vt;
    return typeDesc;
}

TYPEDESC pointerTo(TYPEDESC& target) {
    TYPEDESC typeDesc{};
    typeDesc.vt = VT_PTR;
    typeDesc.lptdesc = &target;
    return typeDesc;
}

TEST(TypeName, BaseTypesAreNamedAfterTheirConstantsAndOthersGiveNothing) {
    FakeType owner(u"IOwner");
    for (auto const& [vt, name] : std::vector<std::pair<VARTYPE, std::string>>{
             {VT_EMPTY, "VT_EMPT"}, {VT_I4, "VT_I4"}, {73, "VT_VERSIONED_STREAM"}, {0x0FFF, "VT_BSTR_BLOB"},
             {VT_ARRAY, "VT_ARRAY"}, {0xFFFF, "VT_ILLEGAL"}, {15, ""}, {32, ""}, {35, ""}, {39, ""}, {63, ""},
             {74, ""}, {4094, ""}, {VT_ARRAY | VT_I4, ""}, {VT_BYREF | VT_BSTR, ""}})
        EXPECT_EQ(getTypeName(owner, described(vt)), name) << vt;
    TYPEDESC odd = described(15);
    EXPECT_EQ(getTypeName(owner, pointerTo(odd)), "*");
}

TEST(TypeName, OneLevelOfPointerIsLookedThrough) {
    FakeType owner(u"IOwner");
    TYPEDESC text = described(VT_BSTR);
    EXPECT_EQ(getTypeName(owner, pointerTo(text)), "*VT_BSTR");
    TYPEDESC inner = pointerTo(text);
    EXPECT_EQ(getTypeName(owner, pointerTo(inner)), "*VT_PTR");
    TYPEDESC dangling = described(VT_PTR);
    EXPECT_EQ(getTypeName(owner, dangling), "*");
}

TEST(TypeName, UserDefinedTypesGoByTheirOwnName) {
    FakeType owner(u"IOwner");
    FakeType colour(u"Colour", GUID{}, TKIND_ENUM);
    FakeType shape(u"IShape");
    TYPEDESC enumeration = described(VT_USERDEFINED);
    enumeration.hreftype = owner.reference(colour);
    TYPEDESC object = described(VT_USERDEFINED);
    object.hreftype = owner.reference(shape);

    EXPECT_EQ(getTypeName(owner, enumeration), "Colour");
    EXPECT_EQ(getTypeName(owner, pointerTo(object)), "IShape");
    EXPECT_TRUE(colour.balanced());
    EXPECT_TRUE(shape.balanced());
}

TEST(TypeName, AnUnreachableUserDefinedTypeKeepsTheConstantName) {
    FakeType owner(u"IOwner");
    FakeType shape(u"IShape");
    TYPEDESC missing = described(VT_USERDEFINED);
    missing.hreftype = 4711;
    EXPECT_EQ(getTypeName(owner, pointerTo(missing)), "*VT_USERDEFINED");

    TYPEDESC nameless = described(VT_USERDEFINED);
    nameless.hreftype = owner.reference(shape);
    EXPECT_CALL(shape, GetDocumentation(_, _, _, _, _)).WillOnce(Return(E_FAIL));
    EXPECT_EQ(getTypeName(owner, nameless), "VT_USERDEFINED");
    EXPECT_TRUE(shape.balanced());
}

} // namespace
} // namespace qor::format::engine::javascript
