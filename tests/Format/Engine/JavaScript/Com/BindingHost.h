#pragma once

// The host object model that the script bindings' tests drive (the fixture
// library Bindings.tlb): one registry and one type library for the whole test
// program, because a process binds the classes its first engine finds.

#include "Assert/Assert.h"
#include "Support/EngineFixture.h"
#include "Support/TypedDispatch.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace qor::test::bindings {

inline Guid fixtureGuid(std::uint8_t last) {
    return Guid{0x7c3e1a00, 0x41d2, 0x4b8e, {0xa0, 0xf1, 0x5e, 0x9b, 0x2c, 0x4d, 0x6f, last}};
}

inline Guid const iidItem = fixtureGuid(0x02);
inline Guid const iidApplication = fixtureGuid(0x04);
inline Guid const clsidItem = fixtureGuid(0x10);
inline Guid const clsidApplication = fixtureGuid(0x12);
inline Guid const iidRows = fixtureGuid(0x21);
inline Guid const iidPoint = fixtureGuid(0x22);
inline Guid const clsidGauge = fixtureGuid(0x24);
inline Guid const iidListened = fixtureGuid(0x25);
// The event interfaces of Item and Gauge.
inline constexpr IID diidItemEvents = {0x7c3e1a00, 0x41d2, 0x4b8e, {0xa0, 0xf1, 0x5e, 0x9b, 0x2c, 0x4d, 0x6f, 0x06}};
inline constexpr IID diidGaugeEvents = {0x7c3e1a00, 0x41d2, 0x4b8e, {0xa0, 0xf1, 0x5e, 0x9b, 0x2c, 0x4d, 0x6f, 0x23}};

// The user's model (UserModel.tlb).
inline Guid userModelGuid(std::uint8_t last) {
    return Guid{0x5d2c8e40, 0x7a13, 0x4c6b, {0x9e, 0x05, 0x3f, 0x1a, 0x2b, 0x4c, 0x6d, last}};
}

inline Guid const iidCells = userModelGuid(0x04);
inline Guid const iidSheet = userModelGuid(0x05);
inline Guid const iidSheetLayout = userModelGuid(0x06);
inline Guid const clsidSheet = userModelGuid(0x10);
inline Guid const clsidCells = userModelGuid(0x11);

// DISPIDs of the fixture's members that tests look for.
enum ItemMember : DISPID {
    itemName = 1,
    itemActivate = 3,
    itemAdd = 4,
    itemCell = 5,
    itemEcho = 6,
    itemFail = 9,
    itemNew = 10,
    itemNew2 = 11,
    itemMany = 13,
};

class BindingHost {
public:
    static BindingHost& instance() {
        static BindingHost host;
        return host;
    }

    // The type of `guid` from the host's library or, for the types only
    // objects met at run time report, from the runtime library. Borrowed.
    ITypeInfo* typeInfo(Guid const& guid);

    platform::windows::com::ComClasses classes;
    platform::windows::com::TypeLibrary typeLibrary;
    // What the registry's creators hand out; set by each test.
    IDispatch* itemCreator = nullptr;
    IDispatch* application = nullptr;
    IDispatch* sheetCreator = nullptr;
    IDispatch* cellsCreator = nullptr;

private:
    BindingHost();
    ~BindingHost();

    ITypeLib* runtimeLibrary = nullptr;
};

// Puts `object` into `result` with a reference for the caller.
inline HRESULT handOut(VARIANT* result, IDispatch* object) {
    object->AddRef();
    result->vt = VT_DISPATCH;
    result->pdispVal = object;
    return S_OK;
}

// A handler that answers every call with `object`.
inline CountedDispatch::Handler handingOut(IDispatch* object) {
    return [object](DISPID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) { return handOut(result, object); };
}

// A handler that answers every call with a copy of `value`.
inline CountedDispatch::Handler answering(_variant_t value) {
    return [value](DISPID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*) { return VariantCopy(result, &value); };
}

// An engine over the fixture model that collects reported errors.
class BindingTest : public EngineFixture {
protected:
    BindingTest();
    ~BindingTest() override;

    // Runs `script` and gives the text of what it threw.
    std::string thrown(std::string_view script);
    // A full collection, after which unreachable wrappers have let go.
    void collectGarbage();
    v8::Isolate* isolate() const { return engine->getIsolate(); }
    std::size_t liveWrappers() const;
    // Ends the engine; then each counted object must have got back every
    // reference it gave.
    template <class... Counted>
    void expectBalancedAfterTeardown(Counted const&... objects) {
        engine.reset();
        int position = 0;
        auto check = [&position](auto const& object) {
            EXPECT_TRUE(object.balanced()) << "object " << position << " holds " << object.refCount();
            ++position;
        };
        (check(objects), ...);
    }

    BindingHost& host = BindingHost::instance();
    TypedDispatch application{host.typeInfo(iidApplication)};
    TypedDispatch itemCreator{host.typeInfo(iidItem)};
    // What the library asserted while the test ran.
    std::vector<std::string> asserts;
    assert::ScopedAssertSink assertSink{[this](assert::AssertInfo const& info) { asserts.emplace_back(info.message); }};
};

} // namespace qor::test::bindings
