// Extraction from type libraries compiled from IDL, read by the runtime's
// own LoadTypeLibEx; and from their types behind a double that fails one
// call, as no compiled library does: each failing call is reported and only
// its part is left out.

#include "Format/Engine/JavaScript/Com/ComExtractor.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/Extraction/TypeName.h"
#include "Platform/TableMemory.h"
#include "Support/TypedDispatch.h"
#include "Support/TypeInfoMock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace qor::format::engine::javascript {
namespace {

std::filesystem::path runtimeFixture(char const* name) {
    return std::filesystem::path(QOR_TYPELIB_FIXTURE_DIR) / name;
}
std::filesystem::path typeModelFixture(char const* name) {
    return std::filesystem::path(QOR_TYPEMODEL_FIXTURE_DIR) / name;
}

Guid const calculatorClsid = *Guid::parse("{5a0c4f1e-7d1b-4c2e-9a53-0f6d2b8e1c07}");
Guid const calcIid = *Guid::parse("{5a0c4f1e-7d1b-4c2e-9a53-0f6d2b8e1c02}");
Guid const shapeIid = *Guid::parse("{5a0c4f1e-7d1b-4c2e-9a53-0f6d2b8e1c03}");
Guid const plainIid = *Guid::parse("{5a0c4f1e-7d1b-4c2e-9a53-0f6d2b8e1c05}");
Guid const colourGuid = *Guid::parse("{5a0c4f1e-7d1b-4c2e-9a53-0f6d2b8e1c10}");
Guid const sharedIid = *Guid::parse("{6b1d2f3a-1111-4c2e-9a53-0f6d2b8e1d20}");

std::vector<std::string> namesOf(ComClass const& comClass) {
    std::vector<std::string> names;
    for (auto const& function : comClass.functions)
        names.push_back(function.name);
    return names;
}

ComFunction const& member(ComClass const& comClass, std::string const& name, std::int32_t invokeKind) {
    auto found = std::find_if(comClass.functions.begin(), comClass.functions.end(),
                              [&](ComFunction const& f) { return f.name == name && f.invokeKind == invokeKind; });
    if (found == comClass.functions.end())
        throw std::runtime_error("no member " + name);
    return *found;
}

class ExtractorFixtureTest : public ::testing::Test {
protected:
    ExtractorFixtureTest() { library.addPath(runtimeFixture("QorFixture.tlb")); }

    ComClass extract(TypeLibrary& library, Guid const& guid) {
        TypeInfoAndAttribute* entry = library.find(guid);
        if (entry == nullptr)
            throw std::runtime_error("type not found");
        return extractComClass(*entry, guid);
    }

    TypeLibrary library;
    std::vector<std::string> reports;
    assert::ScopedAssertSink sink{
        [this](assert::AssertInfo const& info) { reports.push_back(std::string(info.message)); }};
};

TEST_F(ExtractorFixtureTest, ACoclassIsNamedAfterItselfAndItsRestrictedInterfaceIsReported) {
    ComClass const calculator = extract(library, calculatorClsid);
    EXPECT_EQ(calculator.name, "Calculator");
    EXPECT_EQ(calculator.guid, calculatorClsid);
    // [restricted] IPlain, last of the four, comes first, after its base.
    EXPECT_EQ(namesOf(calculator).at(3), "Ping");
    EXPECT_EQ(reports, std::vector<std::string>{"The member should not be displayed or programmable by users."});
}

TEST_F(ExtractorFixtureTest, OfTwoLibrariesDefiningATypeTheOneAddedLastWins) {
    TypeLibrary aLast;
    aLast.addPath(typeModelFixture("TypeModelB.tlb")).addPath(typeModelFixture("TypeModelA.tlb"));
    EXPECT_EQ(namesOf(extract(aLast, sharedIid)).back(), "FromA");

    TypeLibrary bLast;
    bLast.addPath(typeModelFixture("TypeModelA.tlb")).addPath(typeModelFixture("TypeModelB.tlb"));
    std::vector<std::string> lastNames;
    for (auto const& comClass : extractRegisteredComComponents(bLast).classes)
        if (comClass.guid == sharedIid)
            lastNames.push_back(namesOf(comClass).back());
    EXPECT_EQ(lastNames, std::vector<std::string>{"FromB"});
}

// The members of a type walked member by member, nothing shared: the
// implemented types last first, each after its bases, then its own.
void appendUnshared(ITypeInfo& type, std::vector<ComFunction>& members) {
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(type.GetTypeAttr(&attributes), S_OK);
    for (UINT position = attributes->cImplTypes; position-- > 0;) {
        HREFTYPE reference = 0;
        INT flags = 0;
        ITypeInfo* implemented = nullptr;
        ASSERT_EQ(type.GetRefTypeOfImplType(position, &reference), S_OK);
        ASSERT_EQ(type.GetImplTypeFlags(position, &flags), S_OK);
        ASSERT_EQ(type.GetRefTypeInfo(reference, &implemented), S_OK);
        if ((flags & IMPLTYPEFLAG_FSOURCE) == 0)
            appendUnshared(*implemented, members);
        implemented->Release();
    }
    for (UINT index = 0; index < attributes->cFuncs; ++index)
        members.push_back(*extractComFunction(type, index));
    type.ReleaseTypeAttr(attributes);
}

// Everything a record holds, parameters and their defaults included.
auto fieldsOf(ComFunction const& function) {
    std::vector<std::tuple<std::string, std::string, std::uint16_t, VARTYPE, _variant_t>> parameters;
    for (ComParameter const& p : function.parameters)
        parameters.emplace_back(p.name, p.typeName, p.flags, p.vt, _variant_t(p.defaultValue));
    return std::tuple(function.name, function.memberId, function.invokeKind, function.returnType, function.returnVt,
                      parameters);
}

void expectSameRecords(ComMembers const& shared, std::vector<ComFunction> const& unshared, std::string const& name) {
    ASSERT_EQ(shared.size(), unshared.size()) << name;
    for (std::size_t i = 0; i < unshared.size(); ++i)
        EXPECT_EQ(fieldsOf(shared[i]), fieldsOf(unshared[i])) << name << " member " << i;
}

// Calculator: ICalc, IShape, the [source] DEvents and the [restricted] IPlain;
// TypeModelA's Table: a vtable interface and a dual one.
TEST_F(ExtractorFixtureTest, TypesExtractedTogetherShareTheRecordsOfTheirCommonInterfacesInTheSameOrder) {
    TypeLibrary typeModel;
    typeModel.addPath(typeModelFixture("TypeModelA.tlb"));
    // Once with lists on the heap, once in table memory.
    platform::TableMemory tables(4096);
    for (auto [types, memory] : {std::pair<TypeLibrary*, std::pmr::memory_resource*>{&library, nullptr},
                                 {&typeModel, nullptr},
                                 {&typeModel, &tables}}) {
        ComExtract const all = extractRegisteredComComponents(*types, memory);
        EXPECT_EQ(all.classes.size(), types->getEntries().size()); // enumerations and records too

        std::vector<ComFunction const*> firstRuns;
        for (ComClass const& comClass : all.classes) {
            TypeInfoAndAttribute* entry = types->find(comClass.guid);
            ASSERT_NE(entry, nullptr);
            std::vector<ComFunction> unshared;
            appendUnshared(*entry->typeInfo, unshared);
            expectSameRecords(comClass.functions, unshared, comClass.name);
            if (!comClass.functions.empty())
                firstRuns.push_back(comClass.functions.runs().front().members.begin());
        }
        // IUnknown's members lead most types: one record of them for all.
        EXPECT_GT(std::ranges::count(firstRuns, firstRuns.front()), 2);
    }
}

TEST_F(ExtractorFixtureTest, AnObjectIsDescribedByItsDispatchInterface) {
    test::TypedDispatch object(library.find(calcIid)->typeInfo);

    std::optional<ComClass> const described = extractComClassFromDispatch(object);
    ASSERT_TRUE(described.has_value());
    EXPECT_EQ(described->name, "ICalc");
    EXPECT_EQ(described->guid, calcIid);
    EXPECT_EQ(namesOf(*described).front(), "QueryInterface");
    EXPECT_TRUE(object.balanced());
}

// --- a type whose calls fail -------------------------------------------------

using ::testing::_;
using ::testing::AnyNumber;
using ::testing::Return;

// A fixture type behind a double that forwards every call, so that a case can
// make one of them fail; it counts the descriptions it hands out.
class FailingType : public ::testing::NiceMock<test::MockTypeInfo> {
public:
    explicit FailingType(ITypeInfo* real) {
        using ::testing::Invoke;
        ON_CALL(*this, GetTypeAttr(_)).WillByDefault([this, real](TYPEATTR** out) { return lent(real->GetTypeAttr(out)); });
        ON_CALL(*this, ReleaseTypeAttr(_)).WillByDefault([this, real](TYPEATTR* attributes) {
            --outstanding;
            real->ReleaseTypeAttr(attributes);
        });
        ON_CALL(*this, GetFuncDesc(_, _)).WillByDefault([this, real](UINT index, FUNCDESC** out) {
            return lent(real->GetFuncDesc(index, out));
        });
        ON_CALL(*this, ReleaseFuncDesc(_)).WillByDefault([this, real](FUNCDESC* description) {
            --outstanding;
            real->ReleaseFuncDesc(description);
        });
        ON_CALL(*this, GetVarDesc(_, _)).WillByDefault(Invoke(real, &ITypeInfo::GetVarDesc));
        ON_CALL(*this, ReleaseVarDesc(_)).WillByDefault(Invoke(real, &ITypeInfo::ReleaseVarDesc));
        ON_CALL(*this, GetDocumentation(_, _, _, _, _)).WillByDefault(Invoke(real, &ITypeInfo::GetDocumentation));
        ON_CALL(*this, GetNames(_, _, _, _)).WillByDefault(Invoke(real, &ITypeInfo::GetNames));
        ON_CALL(*this, GetRefTypeOfImplType(_, _)).WillByDefault(Invoke(real, &ITypeInfo::GetRefTypeOfImplType));
        ON_CALL(*this, GetImplTypeFlags(_, _)).WillByDefault(Invoke(real, &ITypeInfo::GetImplTypeFlags));
        ON_CALL(*this, GetRefTypeInfo(_, _)).WillByDefault(Invoke(real, &ITypeInfo::GetRefTypeInfo));
    }

    // Every description handed out came back, and every reference.
    bool returnedEverything() const { return outstanding == 0 && balanced(); }

private:
    HRESULT lent(HRESULT result) {
        outstanding += SUCCEEDED(result) ? 1 : 0;
        return result;
    }
    int outstanding = 0;
};

class FailingTypeTest : public ExtractorFixtureTest {
protected:
    ITypeInfo* real(Guid const& guid) { return library.find(guid)->typeInfo; }
    HREFTYPE implemented(Guid const& guid, UINT position) {
        HREFTYPE reference = 0;
        EXPECT_EQ(real(guid)->GetRefTypeOfImplType(position, &reference), S_OK);
        return reference;
    }
    ComClass build(FailingType& type, Guid const& guid) {
        TYPEATTR* attributes = nullptr;
        EXPECT_EQ(real(guid)->GetTypeAttr(&attributes), S_OK);
        ComClass result = buildComClass(type, *attributes, "T", guid);
        real(guid)->ReleaseTypeAttr(attributes);
        return result;
    }
    // The reports of failed calls, without those of restricted members.
    std::vector<std::string> failures() const {
        std::vector<std::string> failed;
        std::ranges::copy_if(reports, std::back_inserter(failed),
                             [](std::string const& report) { return report.find("failed") != std::string::npos; });
        return failed;
    }
};

std::vector<std::string> const unknownAndDispatch{"QueryInterface", "AddRef",        "Release", "GetTypeInfoCount",
                                                  "GetTypeInfo",    "GetIDsOfNames", "Invoke"};

TEST_F(FailingTypeTest, AMemberWhoseDescriptionCannotBeReadIsReportedAndLeftOut) {
    // Area, IShape's last member, has no description; Name (DISPID 0) no name.
    std::vector<std::string> expected = namesOf(extract(library, shapeIid));
    UINT const area =
        static_cast<UINT>(std::ranges::find(expected, "Area") - expected.begin() - std::ssize(unknownAndDispatch));
    std::erase(expected, "Name");
    std::erase(expected, "Area");
    FailingType shape(real(shapeIid));
    EXPECT_CALL(shape, GetFuncDesc(_, _)).Times(AnyNumber());
    EXPECT_CALL(shape, GetFuncDesc(area, _)).WillRepeatedly(Return(E_OUTOFMEMORY));
    // A member's name comes with its parameters' names; its documentation is
    // asked only when they hold none.
    EXPECT_CALL(shape, GetNames(_, _, _, _)).Times(AnyNumber());
    EXPECT_CALL(shape, GetNames(0, _, _, _)).WillOnce(Return(TYPE_E_ELEMENTNOTFOUND));
    EXPECT_CALL(shape, GetDocumentation(_, _, _, _, _)).Times(0);
    EXPECT_CALL(shape, GetDocumentation(0, _, _, _, _)).WillOnce(Return(TYPE_E_ELEMENTNOTFOUND));

    EXPECT_EQ(namesOf(build(shape, shapeIid)), expected);
    EXPECT_EQ(failures(), (std::vector<std::string>{"GetNames() failed.", "GetDocumentation() failed.",
                                                 "GetFuncDesc() failed."}));
    EXPECT_TRUE(shape.returnedEverything());
    EXPECT_EQ(extractComFunction(shape, area).error(), E_OUTOFMEMORY);
}

TEST_F(FailingTypeTest, MissingNamesLeaveAMethodWithoutParametersAndAGetOrPutUnnamed) {
    for (bool partly : {false, true}) {
        reports.clear();
        FailingType calc(real(calcIid));
        if (partly) // the member's own name only
            ON_CALL(calc, GetNames(_, _, _, _)).WillByDefault([this](MEMBERID id, BSTR* names, UINT, UINT* count) {
                return real(calcIid)->GetNames(id, names, 1, count);
            });
        else
            ON_CALL(calc, GetNames(_, _, _, _)).WillByDefault(Return(E_FAIL));
        ComClass const result = build(calc, calcIid);
        EXPECT_TRUE(member(result, "Add", INVOKE_FUNC).parameters.empty()) << partly;
        ComFunction const& get = member(result, "Item", INVOKE_PROPERTYGET);
        ASSERT_EQ(get.parameters.size(), 1u) << partly;
        EXPECT_EQ(get.parameters[0].name, "") << partly;
        EXPECT_EQ(failures().empty(), partly);
        EXPECT_EQ(std::ranges::count(failures(), "GetNames() failed."), std::ssize(failures()));
        EXPECT_TRUE(calc.returnedEverything()) << partly;
    }
}

TEST_F(FailingTypeTest, AnInterfaceThatCannotBeReachedIsReportedAndLeftOut) {
    // Calculator: ICalc, IShape, the source DEvents and the restricted IPlain.
    FailingType calculator(real(calculatorClsid));
    FailingType plain(real(plainIid));
    EXPECT_CALL(calculator, GetRefTypeOfImplType(_, _)).Times(AnyNumber());
    EXPECT_CALL(calculator, GetRefTypeOfImplType(2u, _)).WillOnce(Return(E_FAIL));
    EXPECT_CALL(calculator, GetRefTypeInfo(_, _)).Times(AnyNumber());
    EXPECT_CALL(calculator, GetRefTypeInfo(implemented(calculatorClsid, 1), _)).WillOnce(Return(E_FAIL));
    EXPECT_CALL(calculator, GetRefTypeInfo(implemented(calculatorClsid, 3), _))
        .WillOnce(test::handOut<ITypeInfo>(&plain));
    EXPECT_CALL(plain, GetTypeAttr(_)).WillOnce(Return(E_OUTOFMEMORY));
    EXPECT_CALL(calculator, GetImplTypeFlags(_, _)).Times(AnyNumber());
    EXPECT_CALL(calculator, GetImplTypeFlags(0u, _)).WillOnce(Return(E_FAIL));

    // Position 3 has no attributes, 2 and 1 fail; 0 is read without flags.
    EXPECT_EQ(namesOf(build(calculator, calculatorClsid)), namesOf(extract(library, calcIid)));
    EXPECT_EQ(failures(), (std::vector<std::string>{"GetTypeAttr() failed", "GetRefTypeOfImplType() failed",
                                                 "GetRefTypeInfo() failed", "GetImplTypeFlags() failed"}));
    EXPECT_TRUE(calculator.returnedEverything());
    EXPECT_TRUE(plain.returnedEverything());
}

TEST_F(FailingTypeTest, AnInterfaceThatIsItsOwnBaseDoesNotLoopAndNamesGoThroughTheAnsiCodePage) {
    FailingType looping(real(shapeIid));
    ON_CALL(looping, GetRefTypeInfo(_, _)).WillByDefault(test::handOut<ITypeInfo>(&looping));
    // Windows-1252 has the euro sign (0x80) and e acute, but no omega.
    ON_CALL(looping, GetNames(1, _, _, _)).WillByDefault([](MEMBERID, BSTR* names, UINT size, UINT* count) {
        *names = SysAllocString(u"Caf\u00e9\u20AC\u03A9");
        *count = 1;
        return size > 0 ? S_OK : E_INVALIDARG;
    });
    // Its own members only: its base is itself.
    std::vector<std::string> own = namesOf(extract(library, shapeIid));
    own.erase(own.begin(), own.begin() + std::ssize(unknownAndDispatch));
    own.back() = "Caf\xE9\x80?";
    EXPECT_EQ(namesOf(build(looping, shapeIid)), own);
    EXPECT_TRUE(looping.returnedEverything());
}

TEST_F(FailingTypeTest, AnObjectWithoutUsableTypeInformationGivesNothing) {
    test::TypedDispatch untyped;
    EXPECT_FALSE(extractComClassFromDispatch(untyped).has_value());
    FailingType shape(real(shapeIid));
    {
        test::TypedDispatch object(&shape);
        EXPECT_CALL(shape, GetTypeAttr(_)).WillOnce(Return(E_OUTOFMEMORY));
        EXPECT_FALSE(extractComClassFromDispatch(object).has_value());
        EXPECT_TRUE(object.balanced());
    }
    EXPECT_TRUE(shape.returnedEverything());
}

TYPEDESC described(VARTYPE vt, TYPEDESC* target = nullptr, HREFTYPE reference = 0) {
    TYPEDESC typeDesc{};
    typeDesc.vt = vt;
    if (vt == VT_USERDEFINED)
        typeDesc.hreftype = reference;
    else
        typeDesc.lptdesc = target;
    return typeDesc;
}

TEST_F(FailingTypeTest, TypeNamesAreTheConstantsNamesThroughOnePointerOrTheUserDefinedTypesOwn) {
    ::testing::NiceMock<test::MockTypeInfo> owner;
    for (auto const& [vt, name] : std::vector<std::pair<VARTYPE, std::string>>{
             {VT_EMPTY, "VT_EMPT"}, {VT_I4, "VT_I4"}, {73, "VT_VERSIONED_STREAM"}, {0x0FFF, "VT_BSTR_BLOB"},
             {VT_ARRAY, "VT_ARRAY"}, {0xFFFF, "VT_ILLEGAL"}, {15, ""}, {32, ""}, {35, ""}, {39, ""}, {63, ""},
             {74, ""}, {4094, ""}, {VT_ARRAY | VT_I4, ""}, {VT_BYREF | VT_BSTR, ""}})
        EXPECT_EQ(getTypeName(owner, described(vt)), name) << vt;
    TYPEDESC odd = described(15);
    EXPECT_EQ(getTypeName(owner, described(VT_PTR, &odd)), "*");
    TYPEDESC text = described(VT_BSTR);
    EXPECT_EQ(getTypeName(owner, described(VT_PTR, &text)), "*VT_BSTR");
    TYPEDESC inner = described(VT_PTR, &text);
    EXPECT_EQ(getTypeName(owner, described(VT_PTR, &inner)), "*VT_PTR");
    EXPECT_EQ(getTypeName(owner, described(VT_PTR)), "*");

    FailingType nameless(real(shapeIid));
    EXPECT_CALL(nameless, GetDocumentation(_, _, _, _, _)).WillOnce(Return(E_FAIL));
    ON_CALL(owner, GetRefTypeInfo(_, _)).WillByDefault(Return(TYPE_E_ELEMENTNOTFOUND));
    ON_CALL(owner, GetRefTypeInfo(1, _)).WillByDefault(test::handOut(real(colourGuid)));
    ON_CALL(owner, GetRefTypeInfo(2, _)).WillByDefault(test::handOut(real(shapeIid)));
    ON_CALL(owner, GetRefTypeInfo(3, _)).WillByDefault(test::handOut<ITypeInfo>(&nameless));
    TYPEDESC shape = described(VT_USERDEFINED, nullptr, 2);
    TYPEDESC missing = described(VT_USERDEFINED, nullptr, 4711);
    EXPECT_EQ(getTypeName(owner, described(VT_USERDEFINED, nullptr, 1)), "Colour");
    EXPECT_EQ(getTypeName(owner, described(VT_PTR, &shape)), "IShape");
    EXPECT_EQ(getTypeName(owner, described(VT_PTR, &missing)), "*VT_USERDEFINED");
    EXPECT_EQ(getTypeName(owner, described(VT_USERDEFINED, nullptr, 3)), "VT_USERDEFINED");
    EXPECT_TRUE(nameless.returnedEverything());
    EXPECT_TRUE(owner.balanced());
}

} // namespace
} // namespace qor::format::engine::javascript
