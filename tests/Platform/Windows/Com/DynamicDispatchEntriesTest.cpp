#include "Platform/Windows/Com/DynamicDispatchEntries.h"

#include "Assert/Assert.h"
#include "Platform/Windows/Com/TypeInfoAndAttribute.h"
#include "Support/CountedObject.h"
#include "Support/TypeInfoMock.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>
#include <vector>

namespace qor::platform::windows::com {
namespace {

using test::CountedDispatch;
using test::MockTypeInfo;
using ::testing::_;
using ::testing::Invoke;
using ::testing::NiceMock;

struct Function {
    MEMBERID memid;
    OLECHAR const* name;
};

// The functions of an interface as a mocked type information hands them out;
// reading can be made to fail at one function.
class FakeInterface {
public:
    explicit FakeInterface(std::vector<Function> functions) : functions(std::move(functions)) {
        attributes.cFuncs = static_cast<WORD>(this->functions.size());
        for (Function const& function : this->functions) {
            FUNCDESC description{};
            description.memid = function.memid;
            descriptions.push_back(description);
        }
        ON_CALL(type, GetFuncDesc(_, _)).WillByDefault(Invoke([this](UINT index, FUNCDESC** out) {
            if (index == failingIndex || index >= descriptions.size())
                return E_FAIL;
            *out = &descriptions[index];
            ++descriptionsOut;
            return S_OK;
        }));
        ON_CALL(type, ReleaseFuncDesc(_)).WillByDefault(Invoke([this](FUNCDESC*) { ++descriptionsBack; }));
        ON_CALL(type, GetDocumentation(_, _, _, _, _))
            .WillByDefault(Invoke([this](MEMBERID memid, BSTR* name, BSTR*, DWORD*, BSTR*) {
                if (memid == failingDocumentation)
                    return E_FAIL;
                for (Function const& function : this->functions)
                    if (function.memid == memid && name != nullptr) {
                        *name = SysAllocString(function.name);
                        break;
                    }
                return S_OK;
            }));
    }

    // An entry of a type library holding this interface; it takes a
    // reference of its own.
    TypeInfoAndAttribute record() {
        type.AddRef();
        return TypeInfoAndAttribute(0, nullptr, type.pointer(), &attributes);
    }

    bool balanced() const { return type.balanced() && descriptionsOut == descriptionsBack; }

    std::vector<Function> functions;
    NiceMock<MockTypeInfo> type;
    TYPEATTR attributes{};
    std::vector<FUNCDESC> descriptions;
    UINT failingIndex = UINT_MAX;
    MEMBERID failingDocumentation = MEMBERID_NIL;
    int descriptionsOut = 0;
    int descriptionsBack = 0;
};

// One object's table over the static members of an interface.
struct ObjectTable {
    explicit ObjectTable(std::vector<Function> functions) : type(std::move(functions)) {}

    FakeInterface type;
    TypeInfoAndAttribute record = type.record();
    DynamicDispatchEntries statics{record};
    DynamicDispatchEntries object{&statics};
};

// Every DISPID the table enumerates, in order.
std::vector<DISPID> enumerate(DynamicDispatchEntries const& table) {
    std::vector<DISPID> ids;
    for (auto id = table.getFirstDispId(); id && ids.size() < 100; id = table.getNextDispId(*id))
        ids.push_back(*id);
    return ids;
}

std::set<DISPID> setOf(std::vector<DISPID> const& ids) {
    return {ids.begin(), ids.end()};
}

_variant_t text(OLECHAR const* value) {
    return _variant_t(value);
}

TEST(DynamicDispatchEntries, StaticMembersComeFromTheInterfaceAndDynamicOnesFollowThem) {
    FakeInterface sheet({{1, OLESTR("Name")}, {2, OLESTR("Add")}, {7, OLESTR("New")}});
    {
        TypeInfoAndAttribute record = sheet.record();
        DynamicDispatchEntries const statics(record);
        ASSERT_NE(statics.findByName(OLESTR("New")), nullptr);
        EXPECT_EQ(statics.findByName(OLESTR("New"))->dispid, 7);
        EXPECT_FALSE(statics.findByName(OLESTR("New"))->dynamic.has_value());
        EXPECT_EQ(statics.findById(2)->name, OleString(OLESTR("Add")));

        DynamicDispatchEntries object(&statics);
        EXPECT_EQ(object.createDynamic(OLESTR("extra")).dispid, 9);
        EXPECT_EQ(object.createDynamic(OLESTR("more")).dispid, 10);
        EXPECT_EQ(object.findById(1)->name, OleString(OLESTR("Name")));
        EXPECT_EQ(object.findByName(OLESTR("more"))->dispid, 10);
    }
    EXPECT_TRUE(sheet.balanced());
}

TEST(DynamicDispatchEntries, AChildOfTheEmptyRootNumbersFromOne) {
    DynamicDispatchEntries object(&DynamicDispatchEntries::emptyRoot());
    EXPECT_EQ(object.createDynamic(OLESTR("a")).dispid, 1);
    EXPECT_EQ(object.createDynamic(OLESTR("b")).dispid, 2);
    EXPECT_EQ(DynamicDispatchEntries::emptyRoot().findByName(OLESTR("a")), nullptr);
}

TEST(DynamicDispatchEntries, TheFirstFunctionOfADispidNamesTheEntry) {
    // A property's get and put, as type information lists them.
    FakeInterface sheet({{3, OLESTR("Value")}, {3, OLESTR("Value")}, {-4, OLESTR("_NewEnum")}, {5, OLESTR("Go")}});
    TypeInfoAndAttribute record = sheet.record();
    DynamicDispatchEntries const statics(record);
    EXPECT_EQ(setOf(enumerate(statics)), (std::set<DISPID>{3, -4, 5}));
    EXPECT_EQ(enumerate(statics).size(), 3u);
    // Negative DISPIDs do not lower the numbering.
    EXPECT_EQ(DynamicDispatchEntries(&statics).createDynamic(OLESTR("x")).dispid, 7);
}

TEST(DynamicDispatchEntries, AFunctionThatCannotBeReadEndsTheTable) {
    FakeInterface sheet({{1, OLESTR("A")}, {2, OLESTR("B")}, {3, OLESTR("C")}, {4, OLESTR("D")}});
    sheet.failingIndex = 2;
    {
        TypeInfoAndAttribute record = sheet.record();
        DynamicDispatchEntries const statics(record);
        EXPECT_EQ(setOf(enumerate(statics)), (std::set<DISPID>{1, 2}));
        EXPECT_EQ(statics.findByName(OLESTR("D")), nullptr);
        EXPECT_EQ(DynamicDispatchEntries(&statics).createDynamic(OLESTR("x")).dispid, 4);
    }
    EXPECT_TRUE(sheet.balanced());

    FakeInterface unnamed({{1, OLESTR("A")}, {2, OLESTR("B")}, {3, OLESTR("C")}});
    unnamed.failingDocumentation = 2;
    {
        TypeInfoAndAttribute record = unnamed.record();
        EXPECT_EQ(enumerate(DynamicDispatchEntries(record)), (std::vector<DISPID>{1}));
    }
    EXPECT_TRUE(unnamed.balanced());
}

TEST(DynamicDispatchEntries, NamesMatchExactlyAndStaticMembersWin) {
    ObjectTable table({{1, OLESTR("Item")}});
    DynamicDispatchEntries& object = table.object;
    DISPID const lower = object.createDynamic(OLESTR("item")).dispid;
    DISPID const shadow = object.createDynamic(OLESTR("Item")).dispid;

    EXPECT_EQ(object.findByName(OLESTR("item"))->dispid, lower);
    EXPECT_EQ(object.findByName(OLESTR("Item"))->dispid, 1);
    EXPECT_EQ(object.findByName(OLESTR("ITEM")), nullptr);
    EXPECT_EQ(object.findByName(OLESTR("Item2")), nullptr);
    EXPECT_NE(shadow, 1);
    EXPECT_EQ(object.findById(shadow)->name, OleString(OLESTR("Item")));
}

TEST(DynamicDispatchEntries, ValuesArePutGotAndDeleted) {
    ObjectTable table({{1, OLESTR("Name")}});
    DynamicDispatchEntries& object = table.object;
    DISPID const id = object.createDynamic(OLESTR("colour")).dispid;

    _variant_t out(OLESTR("stale"));
    EXPECT_EQ(object.getValue(id, &out), S_OK);
    EXPECT_EQ(out.vt, VT_EMPTY);

    _variant_t const red = text(OLESTR("red"));
    EXPECT_EQ(object.putValue(id, &red), S_OK);
    EXPECT_EQ(object.getValue(id, &out), S_OK);
    EXPECT_TRUE(out == red);

    EXPECT_EQ(object.deleteById(id), S_OK);
    EXPECT_TRUE(object.findById(id)->isDeleted());
    EXPECT_EQ(object.findByName(OLESTR("colour"))->dispid, id);
    EXPECT_EQ(object.getValue(id, &out), S_OK);
    EXPECT_EQ(out.vt, VT_EMPTY);

    _variant_t const blue = text(OLESTR("blue"));
    EXPECT_EQ(object.putValue(id, &blue), S_OK);
    EXPECT_FALSE(object.findById(id)->isDeleted());
    EXPECT_EQ(object.deleteByName(OLESTR("colour")), S_OK);
    EXPECT_TRUE(object.findById(id)->isDeleted());
}

TEST(DynamicDispatchEntries, StaticAndUnknownMembersAreAnsweredApart) {
    ObjectTable table({{1, OLESTR("Name")}});
    DynamicDispatchEntries& object = table.object;
    DynamicDispatchEntries& statics = table.statics;

    _variant_t out(OLESTR("stale"));
    EXPECT_EQ(object.getValue(1, &out), S_FALSE);
    EXPECT_EQ(out.vt, VT_EMPTY);
    out = OLESTR("stale");
    EXPECT_EQ(object.getValue(42, &out), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(out.vt, VT_EMPTY);

    _variant_t const value(5L);
    EXPECT_EQ(object.putValue(1, &value), S_FALSE);
    EXPECT_EQ(object.putValue(42, &value), DISP_E_MEMBERNOTFOUND);

    // A static member's name is not this table's to delete.
    EXPECT_EQ(object.deleteByName(OLESTR("Name")), S_OK);
    EXPECT_EQ(object.deleteById(1), S_OK);
    EXPECT_FALSE(object.findById(1)->isDeleted());
    EXPECT_EQ(object.deleteByName(OLESTR("nothing")), S_OK);
    // The interface's own table cannot lose them either.
    EXPECT_EQ(statics.deleteByName(OLESTR("Name")), S_FALSE);
    EXPECT_EQ(statics.getValue(1, &out), S_FALSE);
    EXPECT_EQ(statics.putValue(1, &value), S_FALSE);
}

TEST(DynamicDispatchEntries, EnumerationGivesStaticMembersThenDynamicOnes) {
    ObjectTable table({{1, OLESTR("A")}, {2, OLESTR("B")}, {7, OLESTR("C")}});
    DynamicDispatchEntries& object = table.object;
    EXPECT_EQ(setOf(enumerate(object)), (std::set<DISPID>{1, 2, 7}));

    object.createDynamic(OLESTR("x"));
    object.createDynamic(OLESTR("y"));
    object.deleteByName(OLESTR("y"));
    std::vector<DISPID> const ids = enumerate(object);
    ASSERT_EQ(ids.size(), 5u);
    EXPECT_EQ(setOf({ids.begin(), ids.begin() + 3}), (std::set<DISPID>{1, 2, 7}));
    EXPECT_EQ(setOf({ids.begin() + 3, ids.end()}), (std::set<DISPID>{9, 10}));
    EXPECT_EQ(object.getNextDispId(1234), std::nullopt);
}

TEST(DynamicDispatchEntries, AnObjectWithoutStaticMembersEnumeratesItsDynamicOnes) {
    DynamicDispatchEntries object(&DynamicDispatchEntries::emptyRoot());
    EXPECT_EQ(object.getFirstDispId(), std::nullopt);
    object.createDynamic(OLESTR("x"));
    object.createDynamic(OLESTR("y"));
    EXPECT_EQ(setOf(enumerate(object)), (std::set<DISPID>{1, 2}));
    EXPECT_EQ(enumerate(object).size(), 2u);
}

TEST(DynamicDispatchEntries, ATakenDispidIsReportedAndKeepsItsMember) {
    std::vector<std::string> reports;
    assert::ScopedAssertSink sink([&](assert::AssertInfo const& info) {
        reports.push_back(std::string(info.file) + " " + std::string(info.function) + ": " + std::string(info.message));
    });
    // The numbering wraps after the largest DISPID and meets the static 0.
    FakeInterface sheet({{INT_MAX - 1, OLESTR("Last")}, {0, OLESTR("Value")}});
    TypeInfoAndAttribute record = sheet.record();
    DynamicDispatchEntries table(record);
    EXPECT_EQ(table.createDynamic(OLESTR("a")).dispid, INT_MAX);
    EXPECT_EQ(table.createDynamic(OLESTR("b")).dispid, INT_MIN);
    EXPECT_TRUE(reports.empty());

    DispatchEntry const& clash = table.createDynamic(OLESTR("c"));
    EXPECT_EQ(clash.name, OleString(OLESTR("Value")));
    EXPECT_FALSE(clash.dynamic.has_value());
    EXPECT_EQ(reports, (std::vector<std::string>{"Platform/Windows/com/DynamicDispatchEntries "
                                                 "qor::platform::windows::com::DynamicDispatchEntries::createDynamic: "
                                                 "Function with same name registered twice"}));
    EXPECT_EQ(table.createDynamic(OLESTR("d")).dispid, 1);
}

TEST(DynamicDispatchEntries, StoredValuesAreReleasedWithTheTable) {
    CountedDispatch target;
    {
        DynamicDispatchEntries object(&DynamicDispatchEntries::emptyRoot());
        _variant_t const held(static_cast<IDispatch*>(&target));
        object.putValue(object.createDynamic(OLESTR("a")).dispid, &held);
        object.putValue(object.createDynamic(OLESTR("b")).dispid, &held);
        EXPECT_EQ(target.refCount(), 4);
    }
    EXPECT_TRUE(target.balanced());
}

TEST(TypeInfoAndAttributeEntries, TheRecordBuildsItsTableOnceAndKeepsItWhenMoved) {
    FakeInterface sheet({{1, OLESTR("A")}, {2, OLESTR("B")}});
    FakeInterface other({{3, OLESTR("C")}});
    {
        TypeInfoAndAttribute record = sheet.record();
        EXPECT_EQ(record.dynamicEntries, nullptr);
        DynamicDispatchEntries& table = record.getDynamicEntries();
        EXPECT_EQ(&record.getDynamicEntries(), &table);
        EXPECT_EQ(sheet.descriptionsOut, 2);

        DynamicDispatchEntries object(&table);
        TypeInfoAndAttribute moved(std::move(record));
        EXPECT_EQ(record.dynamicEntries, nullptr);
        EXPECT_EQ(record.typeInfo, nullptr);
        EXPECT_EQ(&moved.getDynamicEntries(), &table);
        EXPECT_EQ(object.findByName(OLESTR("B"))->dispid, 2);

        TypeInfoAndAttribute assigned = other.record();
        assigned.getDynamicEntries();
        assigned = std::move(moved);
        EXPECT_EQ(moved.dynamicEntries, nullptr);
        EXPECT_EQ(&assigned.getDynamicEntries(), &table);
    }
    EXPECT_TRUE(sheet.balanced());
    EXPECT_TRUE(other.balanced());
}

} // namespace
} // namespace qor::platform::windows::com
