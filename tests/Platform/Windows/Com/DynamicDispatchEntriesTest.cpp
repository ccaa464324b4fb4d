#include "Platform/Windows/Com/DynamicDispatchEntries.h"

#include "Assert/Assert.h"
#include "Platform/Windows/Com/TypeInfoAndAttribute.h"
#include "Support/TypeInfoMock.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>
#include <vector>

namespace qor::platform::windows::com {
namespace {

using ::testing::_;
using ::testing::Invoke;

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
        for (Function const& function : this->functions)
            descriptions.push_back(FUNCDESC{.memid = function.memid});
        ON_CALL(type, GetFuncDesc(_, _)).WillByDefault(Invoke([this](UINT index, FUNCDESC** out) {
            if (index == failingIndex)
                return E_FAIL;
            *out = &descriptions.at(index);
            ++descriptionsOut;
            return S_OK;
        }));
        ON_CALL(type, ReleaseFuncDesc(_)).WillByDefault(Invoke([this](FUNCDESC*) { ++descriptionsBack; }));
        ON_CALL(type, ReleaseTypeAttr(&attributes)).WillByDefault(Invoke([this](TYPEATTR*) { ++attributesBack; }));
        ON_CALL(type, GetDocumentation(_, _, _, _, _))
            .WillByDefault(Invoke([this](MEMBERID memid, BSTR* name, BSTR*, DWORD*, BSTR*) {
                for (Function const& function : this->functions)
                    if (function.memid == memid) {
                        *name = SysAllocString(function.name);
                        break;
                    }
                return S_OK;
            }));
    }

    // An entry of a type library holding this interface, with a reference of
    // its own.
    TypeInfoAndAttribute record() {
        type.AddRef();
        ++attributesOut;
        return TypeInfoAndAttribute(0, nullptr, type.pointer(), &attributes);
    }

    bool balanced() const {
        return type.balanced() && descriptionsOut == descriptionsBack && attributesOut == attributesBack;
    }

    std::vector<Function> functions;
    ::testing::NiceMock<test::MockTypeInfo> type;
    TYPEATTR attributes{};
    std::vector<FUNCDESC> descriptions;
    UINT failingIndex = UINT_MAX;
    int descriptionsOut = 0;
    int descriptionsBack = 0;
    int attributesOut = 0;
    int attributesBack = 0;
};

// The DISPIDs in the order the table lists them.
std::vector<DISPID> enumerated(DynamicDispatchEntries const& table) {
    std::vector<DISPID> ids;
    for (auto id = table.getFirstDispId(); id && ids.size() < 100; id = table.getNextDispId(*id))
        ids.push_back(*id);
    return ids;
}

TEST(DynamicDispatchEntries, DynamicMembersAreNumberedAfterTheStaticOnesAndEnumeratedAfterThem) {
    // A property's get and put share a DISPID; a negative one does not lower
    // the numbering.
    FakeInterface type({{3, OLESTR("Value")}, {3, OLESTR("Value")}, {-4, OLESTR("_NewEnum")}, {7, OLESTR("New")}});
    TypeInfoAndAttribute record = type.record();
    DynamicDispatchEntries const statics(record);
    DynamicDispatchEntries object(&statics);
    EXPECT_EQ(object.createDynamic(OLESTR("extra")).dispid, 9);
    EXPECT_EQ(object.createDynamic(OLESTR("more")).dispid, 10);
    object.deleteByName(OLESTR("more"));

    std::vector<DISPID> const ids = enumerated(object);
    // A deleted member is still listed.
    ASSERT_EQ(ids.size(), 5u);
    EXPECT_EQ(std::set<DISPID>(ids.begin(), ids.begin() + 3), (std::set<DISPID>{3, -4, 7}));
    EXPECT_EQ(std::set<DISPID>(ids.begin() + 3, ids.end()), (std::set<DISPID>{9, 10}));
    EXPECT_EQ(object.getNextDispId(1234), std::nullopt);
}

TEST(DynamicDispatchEntries, AFunctionThatCannotBeReadEndsTheTable) {
    FakeInterface sheet({{1, OLESTR("A")}, {2, OLESTR("B")}, {3, OLESTR("C")}, {4, OLESTR("D")}});
    sheet.failingIndex = 2;
    {
        TypeInfoAndAttribute record = sheet.record();
        DynamicDispatchEntries const statics(record);
        std::vector<DISPID> const ids = enumerated(statics);
        EXPECT_EQ(std::set<DISPID>(ids.begin(), ids.end()), (std::set<DISPID>{1, 2}));
        EXPECT_EQ(statics.findByName(OLESTR("D")), nullptr);
        EXPECT_EQ(DynamicDispatchEntries(&statics).createDynamic(OLESTR("x")).dispid, 4);
    }
    EXPECT_TRUE(sheet.balanced());
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

// A moved-from record owns nothing: neither the type nor the table, which
// stays where it is for the objects pointing at it.
TEST(DynamicDispatchEntries, TheRecordBuildsItsTableOnceAndKeepsItWhenMoved) {
    FakeInterface sheet({{1, OLESTR("A")}, {2, OLESTR("B")}});
    FakeInterface other({{3, OLESTR("C")}});
    {
        TypeInfoAndAttribute record = sheet.record();
        DynamicDispatchEntries& shared = record.getDynamicEntries();
        EXPECT_EQ(&record.getDynamicEntries(), &shared);
        EXPECT_EQ(sheet.descriptionsOut, 2);

        DynamicDispatchEntries object(&shared);
        TypeInfoAndAttribute moved(std::move(record));
        EXPECT_EQ(record.dynamicEntries, nullptr);
        EXPECT_EQ(record.getTypeInfo(), nullptr);
        EXPECT_EQ(&moved.getDynamicEntries(), &shared);

        TypeInfoAndAttribute assigned = other.record();
        assigned.getDynamicEntries();
        assigned = std::move(moved);
        EXPECT_EQ(moved.dynamicEntries, nullptr);
        EXPECT_TRUE(other.balanced());
        EXPECT_EQ(&assigned.getDynamicEntries(), &shared);
        EXPECT_EQ(object.findByName(OLESTR("B"))->dispid, 2);
        EXPECT_EQ(sheet.type.refCount(), 2);
    }
    EXPECT_TRUE(sheet.balanced());
}

} // namespace
} // namespace qor::platform::windows::com
