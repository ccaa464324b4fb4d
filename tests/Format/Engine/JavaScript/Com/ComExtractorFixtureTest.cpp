// Extraction from type libraries compiled from IDL, read by the runtime's
// own LoadTypeLibEx.

#include "Format/Engine/JavaScript/Com/ComExtractor.h"

#include "Assert/Assert.h"
#include "Support/CountedObject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
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
Guid const tableIid = *Guid::parse("{6b1d2f3a-1111-4c2e-9a53-0f6d2b8e1d02}");
Guid const sharedIid = *Guid::parse("{6b1d2f3a-1111-4c2e-9a53-0f6d2b8e1d20}");

std::vector<std::string> namesOf(ComClass const& comClass) {
    std::vector<std::string> names;
    for (auto const& function : comClass.functions)
        names.push_back(function.name);
    return names;
}

std::ptrdiff_t positionOf(std::vector<std::string> const& names, std::string const& name) {
    return std::find(names.begin(), names.end(), name) - names.begin();
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
    ComClass extract(TypeLibrary& library, Guid const& guid) {
        TypeInfoAndAttribute* entry = library.find(guid);
        if (entry == nullptr)
            throw std::runtime_error("type not found");
        return extractComClass(*entry, guid);
    }

    std::vector<std::string> reports;
    assert::ScopedAssertSink sink{
        [this](assert::AssertInfo const& info) { reports.push_back(std::string(info.message)); }};
};

TEST_F(ExtractorFixtureTest, ACoclassGetsItsInterfacesLastFirstWithoutSourceAndWithRestricted) {
    TypeLibrary library;
    library.addPath(runtimeFixture("QorFixture.tlb"));
    ComClass const calculator = extract(library, calculatorClsid);

    EXPECT_EQ(calculator.name, "Calculator");
    EXPECT_EQ(calculator.guid, calculatorClsid);
    std::vector<std::string> const names = namesOf(calculator);
    // [restricted] IPlain, last of the four, comes first with its base.
    ASSERT_GE(names.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 5),
              (std::vector<std::string>{"QueryInterface", "AddRef", "Release", "Ping", "Origin"}));
    // Then IShape, then the default ICalc; the [source] DEvents adds nothing.
    EXPECT_LT(positionOf(names, "Area"), positionOf(names, "Add"));
    EXPECT_EQ(names.back(), "Mixed");
    EXPECT_EQ(positionOf(names, "Changed"), static_cast<std::ptrdiff_t>(names.size()));
    EXPECT_EQ(reports, std::vector<std::string>{"The member should not be displayed or programmable by users."});
}

TEST_F(ExtractorFixtureTest, DefaultValuesAndFlagsComeAsDeclared) {
    TypeLibrary library;
    library.addPath(runtimeFixture("QorFixture.tlb"));
    ComClass const calc = extract(library, calcIid);

    ComFunction const& defaults = member(calc, "Defaults", INVOKE_FUNC);
    ASSERT_GE(defaults.parameters.size(), 4u);
    EXPECT_EQ(defaults.parameters[0].flags, PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT);
    EXPECT_EQ(defaults.parameters[0].defaultValue.vt, VT_I4);
    EXPECT_EQ(defaults.parameters[0].defaultValue.lVal, 7);
    ASSERT_EQ(defaults.parameters[1].defaultValue.vt, VT_BSTR);
    EXPECT_EQ(SysStringLen(defaults.parameters[1].defaultValue.bstrVal), 3u);
    EXPECT_EQ(defaults.parameters[2].defaultValue.lVal, -100000);
    EXPECT_EQ(defaults.parameters[3].defaultValue.vt, VT_BOOL);
    EXPECT_EQ(defaults.parameters[3].typeName, "VT_BOOL");

    ComFunction const& optional = member(calc, "Optional", INVOKE_FUNC);
    ASSERT_EQ(optional.parameters.size(), 2u);
    EXPECT_EQ(optional.parameters[1].flags, PARAMFLAG_FIN | PARAMFLAG_FOPT);
    EXPECT_EQ(optional.parameters[1].defaultValue.vt, VT_EMPTY);
}


TEST_F(ExtractorFixtureTest, ACoclassOfAVtableAndADualInterfaceListsTheSecondFirst) {
    TypeLibrary library;
    library.addPath(typeModelFixture("TypeModelA.tlb"));
    ComClass const table = extract(library, *Guid::parse("{6b1d2f3a-1111-4c2e-9a53-0f6d2b8e1d04}"));

    std::vector<std::string> const names = namesOf(table);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "QueryInterface");
    EXPECT_LT(positionOf(names, "Width"), positionOf(names, "Row"));
    EXPECT_EQ(names.back(), "Types");
    // The vtable interface's own base comes right before its members.
    std::ptrdiff_t const row = positionOf(names, "Row");
    ASSERT_GE(row, 3);
    EXPECT_EQ(names[static_cast<std::size_t>(row - 3)], "QueryInterface");
}

TEST_F(ExtractorFixtureTest, OfTwoLibrariesDefiningATypeTheOneAddedLastWins) {
    TypeLibrary aLast;
    aLast.addPath(typeModelFixture("TypeModelB.tlb")).addPath(typeModelFixture("TypeModelA.tlb"));
    EXPECT_EQ(namesOf(extract(aLast, sharedIid)).back(), "FromA");

    TypeLibrary bLast;
    bLast.addPath(typeModelFixture("TypeModelA.tlb")).addPath(typeModelFixture("TypeModelB.tlb"));
    ComExtract const all = extractRegisteredComComponents(bLast);
    auto shared =
        std::count_if(all.classes.begin(), all.classes.end(), [](ComClass const& c) { return c.guid == sharedIid; });
    EXPECT_EQ(shared, 1);
    for (auto const& comClass : all.classes)
        if (comClass.guid == sharedIid) {
            EXPECT_EQ(namesOf(comClass).back(), "FromB");
        }
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

void expectSameRecords(ComMembers const& shared, std::vector<ComFunction> const& unshared, std::string const& name) {
    ASSERT_EQ(shared.size(), unshared.size()) << name;
    for (std::size_t i = 0; i < unshared.size(); ++i) {
        ComFunction const& a = shared[i];
        ComFunction const& b = unshared[i];
        EXPECT_EQ(std::tie(a.name, a.memberId, a.invokeKind, a.returnType, a.returnVt),
                  std::tie(b.name, b.memberId, b.invokeKind, b.returnType, b.returnVt))
            << name << " member " << i;
        ASSERT_EQ(a.parameters.size(), b.parameters.size()) << name << "." << a.name;
        for (std::size_t j = 0; j < a.parameters.size(); ++j) {
            ComParameter const& p = a.parameters[j];
            ComParameter const& q = b.parameters[j];
            EXPECT_EQ(std::tie(p.name, p.typeName, p.flags, p.vt), std::tie(q.name, q.typeName, q.flags, q.vt))
                << name << "." << a.name;
            EXPECT_EQ(_variant_t(p.defaultValue), _variant_t(q.defaultValue)) << name << "." << a.name;
        }
    }
}

TEST_F(ExtractorFixtureTest, TypesExtractedTogetherShareTheRecordsOfTheirCommonInterfacesInTheSameOrder) {
    TypeLibrary library;
    library.addPath(runtimeFixture("QorFixture.tlb"));
    ComExtract const all = extractRegisteredComComponents(library);
    EXPECT_EQ(all.classes.size(), library.getEntries().size()); // enumerations and records too

    std::vector<ComMembers::Run> firstRuns;
    for (ComClass const& comClass : all.classes) {
        TypeInfoAndAttribute* entry = library.find(comClass.guid);
        ASSERT_NE(entry, nullptr);
        std::vector<ComFunction> unshared;
        appendUnshared(*entry->typeInfo, unshared);
        expectSameRecords(comClass.functions, unshared, comClass.name);
        if (!comClass.functions.empty())
            firstRuns.push_back(comClass.functions.runs().front().members);
    }
    // IUnknown's members lead most types: one record of them for all.
    EXPECT_GT(std::ranges::count(firstRuns, firstRuns.front()), 2);
}

// An object reporting a type of the fixture as its own.
class FixtureObject : public test::CountedDispatch {
public:
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        *info = type;
        if (type != nullptr)
            type->AddRef();
        return type != nullptr ? S_OK : E_NOTIMPL;
    }
    ITypeInfo* type = nullptr;
};

TEST_F(ExtractorFixtureTest, AnObjectIsDescribedByItsDispatchInterface) {
    TypeLibrary library;
    library.addPath(runtimeFixture("QorFixture.tlb"));
    FixtureObject object;
    ASSERT_TRUE(library.getTypeInfo(calcIid, &object.type));

    std::optional<ComClass> const described = extractComClassFromDispatch(object);
    ASSERT_TRUE(described.has_value());
    EXPECT_EQ(described->name, "ICalc");
    EXPECT_EQ(described->guid, calcIid);
    std::vector<std::string> const names = namesOf(*described);
    ASSERT_GE(names.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 3),
              (std::vector<std::string>{"QueryInterface", "AddRef", "Release"}));
    EXPECT_TRUE(object.balanced());
    object.type->Release();
}

} // namespace
} // namespace qor::format::engine::javascript
