#include "Platform/Windows/Com/IDispatchExImpl.h"

#include "Assert/Assert.h"
#include "Platform/Windows/Com/ComObjectFixture.h"
#include "Platform/Windows/Com/DispatchArguments.h"
#include "Support/CountedObject.h"
#include "Support/CountingCreator.h"
#include "Support/TypeInfoMock.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace qor::platform::windows::com {
namespace {

using test::CountedDispatch;
using test::CountingCreator;
using test::DispatchArguments;
using ::testing::_;
using ::testing::Invoke;

// A host object whose interface derives from IDispatchEx: only its own
// methods are written here.
class Counter : public IDispatchExImpl<test::ICounter, &test::IID_ICounter> {
public:
    Counter(TypeInfoAndAttribute* record, UnknownCreationInterface* creator) : IDispatchExImpl(record, creator) {}

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
        *count = this->count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Add(LONG amount, LONG* total) override {
        *total = count += amount;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE New(LONG start, LONG* count) override {
        *count = this->count = start;
        return S_OK;
    }

    LONG count = 0;
};

// A BSTR for the duration of a call.
using Name = _bstr_t;

_variant_t number(LONG value) {
    return _variant_t(value);
}

OleString nameOf(IDispatchEx* object, DISPID id) {
    BSTR name = nullptr;
    if (FAILED(object->GetMemberName(id, &name)))
        return OLESTR("<none>");
    OleString text(name, SysStringLen(name));
    SysFreeString(name);
    return text;
}

struct Function {
    MEMBERID memid;
    OLECHAR const* name;
};

// The functions of an interface as a mocked type information hands them out,
// for member tables the fixture library cannot give; reading can be made to
// fail at one function.
class FakeInterface {
public:
    explicit FakeInterface(std::vector<Function> const& functions, UINT failingIndex = UINT_MAX) {
        attributes.cFuncs = static_cast<WORD>(functions.size());
        for (Function const& function : functions) {
            descriptions.push_back(FUNCDESC{.memid = function.memid});
            ON_CALL(type, GetDocumentation(function.memid, _, _, _, _))
                .WillByDefault(Invoke(test::nameOut(function.name)));
        }
        ON_CALL(type, GetFuncDesc(_, _)).WillByDefault(Invoke([this, failingIndex](UINT index, FUNCDESC** out) {
            if (index == failingIndex)
                return E_FAIL;
            *out = &descriptions.at(index);
            ++descriptionsHeld;
            return S_OK;
        }));
        ON_CALL(type, ReleaseFuncDesc(_)).WillByDefault(Invoke([this](FUNCDESC*) { --descriptionsHeld; }));
        ON_CALL(type, ReleaseTypeAttr(&attributes)).WillByDefault(Invoke([this](TYPEATTR*) { --attributesHeld; }));
    }

    // An entry of a type library holding this interface, with a reference of
    // its own.
    TypeInfoAndAttribute record() {
        type.AddRef();
        ++attributesHeld;
        return TypeInfoAndAttribute(0, nullptr, type.pointer(), &attributes);
    }

    bool balanced() const { return type.balanced() && descriptionsHeld == 0 && attributesHeld == 0; }

    ::testing::NiceMock<test::MockTypeInfo> type;
    TYPEATTR attributes{};
    std::vector<FUNCDESC> descriptions;
    int descriptionsHeld = 0;
    int attributesHeld = 0;
};

class IDispatchExImplTest : public ::testing::Test {
protected:
    // Made with the one reference its maker takes.
    test::ICounter* make(TypeInfoAndAttribute* record = nullptr) {
        auto* object = new Counter(record, &creator);
        object->AddRef();
        return object;
    }
    void TearDown() override {
        if (counter != nullptr) {
            EXPECT_EQ(counter->Release(), 0u);
        }
    }

    DISPID ensure(OLECHAR const* name) {
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(counter->GetDispID(Name(name), fdexNameCaseSensitive | fdexNameEnsure, &id), S_OK);
        return id;
    }
    HRESULT invoke(DISPID id, WORD flags, DispatchArguments& call) {
        return counter->InvokeEx(id, 0, flags, call.params(), &call.result, nullptr, nullptr);
    }
    HRESULT put(DISPID id, _variant_t const& value) {
        DispatchArguments call{value};
        return counter->InvokeEx(id, 0, DISPATCH_PROPERTYPUT, call.params(), nullptr, nullptr, nullptr);
    }
    _variant_t get(DISPID id) {
        DispatchArguments call{};
        EXPECT_EQ(invoke(id, DISPATCH_PROPERTYGET, call), S_OK);
        return _variant_t(call.result);
    }
    // The DISPIDs in the order GetNextDispID lists them.
    std::vector<DISPID> enumerated() {
        std::vector<DISPID> ids;
        for (DISPID id = DISPID_STARTENUM; ids.size() < 100 && counter->GetNextDispID(fdexEnumAll, id, &id) == S_OK;)
            ids.push_back(id);
        return ids;
    }
    // Makes the object anew over a mocked interface of these functions.
    void overFunctions(std::vector<Function> functions, UINT failingIndex) {
        fake.emplace(std::move(functions), failingIndex);
        fakeRecord.emplace(fake->record());
        counter->Release();
        counter = make(&*fakeRecord);
    }

    std::optional<FakeInterface> fake;
    std::optional<TypeInfoAndAttribute> fakeRecord;
    std::vector<std::string> reports;
    assert::ScopedAssertSink sink{[this](assert::AssertInfo const& info) {
        reports.push_back(std::string(info.function) + ": " + std::string(info.message));
    }};
    CountingCreator creator;
    test::ICounter* counter = make();
};

std::string const notImplemented(std::string const& method) {
    return "qor::platform::windows::com::IDispatchExImpl<...>::" + method + ": Not implemented";
}

TEST_F(IDispatchExImplTest, EnsuringANameMakesOneMemberOnlyWhenMatchedExactly) {
    EXPECT_EQ((std::vector{ensure(OLESTR("total")), ensure(OLESTR("total")), ensure(OLESTR("Total"))}),
              (std::vector<DISPID>{1, 1, 2}));
    DISPID id = 0;
    EXPECT_EQ(counter->GetDispID(Name(OLESTR("missing")), fdexNameCaseSensitive, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    EXPECT_EQ(counter->GetDispID(Name(OLESTR("total")), fdexNameCaseSensitive, nullptr), E_INVALIDARG);
    // The name ends at its first NUL.
    OLECHAR const withNul[] = {'a', 'b', 0, 'c'};
    ASSERT_EQ(
        counter->GetDispID(Name(SysAllocStringLen(withNul, 4), false), fdexNameCaseSensitive | fdexNameEnsure, &id),
        S_OK);
    EXPECT_EQ(nameOf(counter, id), OLESTR("ab"));
    EXPECT_TRUE(reports.empty());

    // Without exact matching no lookup is made, so each call adds a member;
    // GetIDsOfNames asks for any case and finds nothing.
    EXPECT_EQ(counter->GetDispID(Name(OLESTR("total")), fdexNameEnsure, &id), S_OK);
    EXPECT_EQ(id, 4);
    LPOLESTR names[] = {const_cast<LPOLESTR>(OLESTR("total"))};
    EXPECT_EQ(counter->GetIDsOfNames(IID_IDispatch, names, 1, 0, &id), E_INVALIDARG);
    EXPECT_EQ(counter->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    EXPECT_EQ(reports, (std::vector<std::string>(2, notImplemented("GetEntryByName"))));
}

TEST_F(IDispatchExImplTest, ADynamicMemberIsPutGotAndDeleted) {
    DISPID const id = ensure(OLESTR("colour"));
    EXPECT_EQ(get(id).vt, VT_EMPTY);
    ASSERT_EQ(put(id, _variant_t(OLESTR("red"))), S_OK);
    EXPECT_TRUE(get(id) == _variant_t(OLESTR("red")));

    ASSERT_EQ(counter->DeleteMemberByDispID(id), S_OK);
    DISPID found = 0;
    EXPECT_EQ(counter->GetDispID(Name(OLESTR("colour")), fdexNameCaseSensitive, &found), DISP_E_UNKNOWNNAME);
    BSTR name = nullptr;
    EXPECT_EQ(counter->GetMemberName(id, &name), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(name, nullptr);
    // It keeps its DISPID and comes back with the next put.
    EXPECT_EQ(ensure(OLESTR("colour")), id);
    EXPECT_EQ(get(id).vt, VT_EMPTY);
    ASSERT_EQ(put(id, number(7)), S_OK);
    EXPECT_EQ(nameOf(counter, id), OLESTR("colour"));
    EXPECT_TRUE(get(id) == number(7));
    EXPECT_TRUE(reports.empty());

    // Deleting by name matches exactly whatever is asked.
    EXPECT_EQ(counter->DeleteMemberByName(Name(OLESTR("Colour")), fdexNameCaseInsensitive), S_OK);
    EXPECT_EQ(nameOf(counter, id), OLESTR("colour"));
    EXPECT_EQ(counter->DeleteMemberByName(Name(OLESTR("colour")), 0), S_OK);
    EXPECT_EQ(nameOf(counter, id), OLESTR("<none>"));
    EXPECT_EQ(reports, (std::vector<std::string>(2, notImplemented("DeleteMemberByName"))));
}

TEST_F(IDispatchExImplTest, AMemberHoldingAValueTakesOnePutAndCannotBeCalled) {
    DISPID const id = ensure(OLESTR("size"));
    DispatchArguments named{number(3)};
    EXPECT_EQ(counter->InvokeEx(id, 0, DISPATCH_PROPERTYPUTREF, named.forPut(), nullptr, nullptr, nullptr), S_OK);
    DispatchArguments two{number(1), number(2)};
    EXPECT_EQ(counter->InvokeEx(id, 0, DISPATCH_PROPERTYPUT, two.params(), nullptr, nullptr, nullptr),
              DISP_E_PARAMNOTOPTIONAL);
    EXPECT_EQ(counter->InvokeEx(id, 0, DISPATCH_PROPERTYPUT, nullptr, nullptr, nullptr, nullptr),
              DISP_E_PARAMNOTOPTIONAL);
    EXPECT_EQ(put(99, number(1)), DISP_E_MEMBERNOTFOUND);

    DispatchArguments call{};
    EXPECT_EQ(counter->InvokeEx(id, 0, DISPATCH_PROPERTYGET, call.params(), nullptr, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(invoke(id, 0, call), E_FAIL);
    // Invoke is InvokeEx whatever interface it is asked for.
    UINT argErr = 9;
    ASSERT_EQ(counter->Invoke(id, IID_IUnknown, 0, DISPATCH_PROPERTYGET, call.params(), &call.result, nullptr, &argErr),
              S_OK);
    EXPECT_EQ(argErr, 0u);
    EXPECT_EQ(call.result.lVal, 3);

    DispatchArguments method{};
    EXPECT_EQ(invoke(id, DISPATCH_METHOD, method), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(invoke(99, DISPATCH_METHOD, method), DISP_E_MEMBERNOTFOUND);
    // A caller that also asked for the property gets its value.
    ASSERT_EQ(invoke(id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, method), S_OK);
    EXPECT_EQ(method.result.lVal, 3);
    // Constructing without type information calls no New, even a dynamic one.
    EXPECT_EQ(invoke(DISPID_VALUE, DISPATCH_CONSTRUCT, method), DISP_E_UNKNOWNNAME);
    ensure(OLESTR("New"));
    EXPECT_EQ(invoke(DISPID_VALUE, DISPATCH_CONSTRUCT, method), S_FALSE);
}

TEST_F(IDispatchExImplTest, AMemberHoldingAnObjectIsCalledThroughItsDefaultMember) {
    CountedDispatch target;
    target.onInvoke([](DISPID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) {
        result->vt = VT_I4;
        result->lVal = static_cast<LONG>(params->cArgs) * 10;
        return S_OK;
    });
    DISPID const id = ensure(OLESTR("callback"));
    ASSERT_EQ(put(id, _variant_t(static_cast<IDispatch*>(&target))), S_OK);
    EXPECT_EQ(target.refCount(), 2);

    DispatchArguments call{number(1), number(2)};
    ASSERT_EQ(invoke(id, DISPATCH_METHOD, call), S_OK);
    EXPECT_EQ(call.result.lVal, 20);
    // Asked as a method and a property at once it is still called, and the
    // copy of the member that the get left is released.
    DispatchArguments both{};
    ASSERT_EQ(invoke(id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, both), S_OK);
    EXPECT_EQ(both.result.vt, VT_I4);
    EXPECT_EQ(target.calls().size(), 2u);
    EXPECT_EQ(target.calls()[0].dispid, DISPID_VALUE);
    // The call may delete the member it came through.
    target.onInvoke(
        [this, id](DISPID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*) { return counter->DeleteMemberByDispID(id); });
    EXPECT_EQ(invoke(id, DISPATCH_METHOD, call), S_OK);
    EXPECT_TRUE(target.balanced());
    EXPECT_EQ(invoke(id, DISPATCH_METHOD, call), DISP_E_MEMBERNOTFOUND);
    ASSERT_EQ(put(id, _variant_t(target.unknown())), S_OK);
    // The last release frees the object and the values it holds.
    IUnknown* const identity = counter;
    EXPECT_EQ(counter->Release(), 0u);
    counter = nullptr;
    EXPECT_TRUE(target.balanced());
    EXPECT_EQ(creator.created, (std::vector<IUnknown*>{identity}));
    EXPECT_EQ(creator.destroyed, (std::vector<IUnknown*>{identity}));
}

// Dynamic members are numbered after the largest static DISPID and listed
// after every static member, deleted ones included.
TEST_F(IDispatchExImplTest, DynamicMembersFollowTheStaticOnesOfTheInterface) {
    struct Case {
        std::vector<Function> functions;
        UINT failingIndex;
        std::set<DISPID> statics;
        DISPID firstDynamic;
    };
    for (Case const& c : {
             // A property's get and put share a DISPID; a negative one does
             // not lower the numbering.
             Case{{{3, OLESTR("Value")}, {3, OLESTR("Value")}, {-4, OLESTR("_NewEnum")}, {7, OLESTR("New")}},
                  UINT_MAX,
                  {3, -4, 7},
                  9},
             // A function that cannot be read ends the table.
             Case{{{1, OLESTR("A")}, {2, OLESTR("B")}, {3, OLESTR("C")}, {4, OLESTR("D")}}, 2, {1, 2}, 4},
         }) {
        overFunctions(c.functions, c.failingIndex);
        EXPECT_EQ(ensure(OLESTR("extra")), c.firstDynamic);
        EXPECT_EQ(ensure(OLESTR("more")), c.firstDynamic + 1);
        EXPECT_EQ(counter->DeleteMemberByName(Name(OLESTR("more")), fdexNameCaseSensitive), S_OK);
        std::vector<DISPID> const ids = enumerated();
        ASSERT_EQ(ids.size(), c.statics.size() + 2);
        EXPECT_EQ(std::set<DISPID>(ids.begin(), ids.end() - 2), c.statics);
        EXPECT_EQ(std::set<DISPID>(ids.end() - 2, ids.end()), (std::set<DISPID>{c.firstDynamic, c.firstDynamic + 1}));
        DISPID next = 0;
        EXPECT_EQ(counter->GetNextDispID(fdexEnumAll, 1234, &next), S_FALSE);

        EXPECT_EQ(std::exchange(counter, make())->Release(), 0u);
        fakeRecord.reset();
        EXPECT_TRUE(fake->balanced());
    }
}

// Only a table's own numbering can meet a DISPID it gave: past the largest it
// wraps and here meets the static 0.
TEST(DynamicDispatchEntries, ATakenDispidIsReportedAndKeepsItsMember) {
    std::vector<std::string> reports;
    assert::ScopedAssertSink sink([&](assert::AssertInfo const& info) { reports.emplace_back(info.message); });
    FakeInterface sheet({{INT_MAX - 1, OLESTR("Last")}, {0, OLESTR("Value")}});
    TypeInfoAndAttribute record = sheet.record();
    DynamicDispatchEntries table(record);
    EXPECT_EQ(table.createDynamic(OLESTR("a")).dispid, INT_MAX);
    EXPECT_EQ(table.createDynamic(OLESTR("b")).dispid, INT_MIN);
    EXPECT_TRUE(reports.empty());

    DispatchEntry const& clash = table.createDynamic(OLESTR("c"));
    EXPECT_EQ(clash.name, OleString(OLESTR("Value")));
    EXPECT_FALSE(clash.dynamic.has_value());
    EXPECT_EQ(reports, (std::vector<std::string>{"Function with same name registered twice"}));
    EXPECT_EQ(table.createDynamic(OLESTR("d")).dispid, 1);
}

// A moved-from record owns nothing: neither the type nor the table, which
// stays where it is for the objects pointing at it.
TEST(TypeInfoAndAttribute, TheRecordBuildsItsTableOnceAndKeepsItWhenMoved) {
    FakeInterface sheet({{1, OLESTR("A")}, {2, OLESTR("B")}});
    FakeInterface other({{3, OLESTR("C")}});
    {
        TypeInfoAndAttribute record = sheet.record();
        DynamicDispatchEntries& shared = record.getDynamicEntries();
        EXPECT_EQ(&record.getDynamicEntries(), &shared);

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

#ifdef QOR_COMOBJECT_FIXTURE_DIR
namespace qor::platform::windows::com {
namespace {

// A Counter over the fixture library's ICounter, whose own members are Count
// (1), Add (2) and New (7).
class IDispatchExImplTypeInfoTest : public IDispatchExImplTest {
protected:
    void SetUp() override {
        test::addComObjectFixture(library);
        record = library.find(test::IID_ICounter);
        ASSERT_NE(record, nullptr);
        counter->Release();
        counter = make(record);
    }

    LONG countOf() const { return static_cast<Counter*>(counter)->count; }

    TypeLibrary library;
    TypeInfoAndAttribute* record = nullptr;
};

TEST_F(IDispatchExImplTypeInfoTest, StaticMembersAreFoundByExactNameOnly) {
    DISPID id = 0;
    ASSERT_EQ(counter->GetDispID(Name(OLESTR("New")), fdexNameCaseSensitive, &id), S_OK);
    EXPECT_EQ(id, 7);
    EXPECT_EQ(ensure(OLESTR("Count")), 1);
    EXPECT_EQ(nameOf(counter, 2), OLESTR("Add"));

    // The interface's table is shared; the object's own follows it.
    DISPID const dynamic = ensure(OLESTR("count"));
    EXPECT_EQ(record->getDynamicEntries().findById(dynamic), nullptr);
    DWORD properties = 0;
    EXPECT_EQ(counter->GetMemberProperties(dynamic, grfdexPropAll, &properties), S_OK);
    EXPECT_EQ(counter->GetMemberProperties(dynamic, grfdexPropAll, nullptr), E_INVALIDARG);

    // A static member is the type's: a delete leaves it, a put goes to the
    // type information, which has no put of Count.
    EXPECT_EQ(counter->DeleteMemberByName(Name(OLESTR("Count")), fdexNameCaseSensitive), S_OK);
    EXPECT_EQ(nameOf(counter, 1), OLESTR("Count"));
    EXPECT_EQ(put(1, number(3)), DISP_E_MEMBERNOTFOUND);
}

// The references an interface pointer holds, without changing them.
template <class Interface>
ULONG referencesOf(Interface* object) {
    object->AddRef();
    return object->Release();
}

TEST_F(IDispatchExImplTypeInfoTest, TypeInformationAndLibraryAreHeldAndHandedOutWithAReference) {
    UINT count = 0;
    EXPECT_EQ(counter->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    // The runtime's type informations share their library's count.
    ULONG const references = referencesOf(record->typeLib);
    ITypeInfo* info = nullptr;
    ASSERT_EQ(counter->GetTypeInfo(5, 1033, &info), S_OK);
    EXPECT_EQ(info, record->typeInfo);
    EXPECT_EQ(referencesOf(record->typeInfo), references + 1);
    info->Release();
    EXPECT_EQ(counter->QueryInterface(IID_IDispatchEx, nullptr), E_POINTER);
    void* typeLib = nullptr;
    ASSERT_EQ(counter->QueryInterface(IID_ITypeLib, &typeLib), S_OK);
    EXPECT_EQ(typeLib, static_cast<void*>(record->typeLib));
    static_cast<ITypeLib*>(typeLib)->Release();

    EXPECT_EQ(std::exchange(counter, nullptr)->Release(), 0u);
    EXPECT_EQ(referencesOf(record->typeLib), references - 2);
}

TEST_F(IDispatchExImplTypeInfoTest, StaticMembersAreCalledThroughTheTypeInformation) {
    DispatchArguments add{number(5)};
    ASSERT_EQ(invoke(2, DISPATCH_METHOD, add), S_OK);
    EXPECT_TRUE(number(5) == add.result && get(1) == number(5));

    // A get with arguments is not the table's to answer.
    DispatchArguments both{number(2)};
    ASSERT_EQ(invoke(2, DISPATCH_METHOD | DISPATCH_PROPERTYGET, both), S_OK);
    EXPECT_EQ(countOf(), 7);
    // Constructing calls New.
    DispatchArguments construct{number(41)};
    ASSERT_EQ(invoke(DISPID_VALUE, DISPATCH_CONSTRUCT, construct), S_OK);
    EXPECT_TRUE(number(41) == construct.result && countOf() == 41);
}

} // namespace
} // namespace qor::platform::windows::com
#endif
