#include "Platform/Windows/Com/IConnectionPointImpl.h"

#include "Support/EventfulObject.h"

#include <gtest/gtest.h>

#include <vector>

namespace qor::platform::windows::com {
namespace {

using test::CountedDispatch;

inline constexpr IID IID_ITestEvents = {0x5d1c4a60, 0x2b7e, 0x4f0a, {0x9c, 0x3e, 0x61, 0x7a, 0x0b, 0x42, 0xd8, 0x01}};

// An object that fires events, counted as every test object: the test owns it.
using EventSource = test::EventfulObject<&IID_ITestEvents>;

// A sink of the test's events, which records its calls. The arguments in
// their order are seen through the scripts' listeners.
class Sink : public CountedDispatch {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        return CountedDispatch::QueryInterface(IsEqualIID(riid, IID_ITestEvents) ? IID_IDispatch : riid, ppv);
    }
};

TEST(ConnectionPointTest, EventsReachEachAdvisedSinkWithTheirArgumentsUntilItIsUnadvised) {
    Sink first;
    Sink second;
    CountedDispatch stranger;
    {
        EventSource source{nullptr};
        // A point of its own, so that its destructor alone lets go of the sinks.
        IConnectionPointImpl<&IID_ITestEvents> events{source};
        DWORD firstCookie = 0;
        DWORD secondCookie = 0;
        ASSERT_EQ(events.Advise(first.unknown(), &firstCookie), S_OK);
        ASSERT_EQ(events.Advise(second.unknown(), &secondCookie), S_OK);
        EXPECT_NE(firstCookie, secondCookie);
        EXPECT_EQ(events.fire(7, {_variant_t(LONG{1}), _variant_t(LONG{2})}), 2u);

        ASSERT_EQ(events.Unadvise(firstCookie), S_OK);
        EXPECT_EQ(events.Unadvise(firstCookie), CONNECT_E_NOCONNECTION);
        EXPECT_EQ(events.fire(8, {}), 1u);
        EXPECT_EQ(first.calls().size(), 1u);
        ASSERT_EQ(second.calls().size(), 2u);
        EXPECT_EQ(second.calls()[0].argumentCount, 2u);
        EXPECT_EQ(second.calls()[1].dispid, 8);
        EXPECT_EQ(second.calls()[1].flags, DISPATCH_METHOD);

        // A sink must be of the events' interface.
        DWORD cookie = 1;
        EXPECT_EQ(events.Advise(stranger.unknown(), &cookie), CONNECT_E_CANNOTCONNECT);
        EXPECT_EQ(cookie, 0u);
        EXPECT_TRUE(source.balanced());
        EXPECT_FALSE(second.balanced());
    }
    // The object went with a sink still advised, and let go of it.
    EXPECT_TRUE(first.balanced()) << first.refCount();
    EXPECT_TRUE(second.balanced()) << second.refCount();
    EXPECT_TRUE(stranger.balanced()) << stranger.refCount();
}

TEST(ConnectionPointTest, ASinkMayUnadviseItselfAndOthersWhileItIsCalled) {
    EventSource source{nullptr};
    Sink first;
    Sink second;
    DWORD firstCookie = 0;
    DWORD secondCookie = 0;
    source.point.Advise(first.unknown(), &firstCookie);
    source.point.Advise(second.unknown(), &secondCookie);
    first.onInvoke([&](DISPID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*) {
        EXPECT_EQ(source.point.Unadvise(firstCookie), S_OK);
        EXPECT_EQ(source.point.Unadvise(secondCookie), S_OK);
        // Still held while it runs.
        EXPECT_FALSE(first.balanced());
        return S_OK;
    });
    EXPECT_EQ(source.point.fire(1, {}), 1u);
    EXPECT_TRUE(second.calls().empty());
    EXPECT_EQ(source.point.connectionCount(), 0u);
    EXPECT_TRUE(first.balanced()) << first.refCount();
    EXPECT_TRUE(second.balanced()) << second.refCount();
}

TEST(ConnectionPointTest, TheContainerFindsItsPointAndEachPointListsASnapshotOfItsConnections) {
    EventSource source{nullptr};
    Sink sink;
    DWORD cookie = 0;
    source.point.Advise(sink.unknown(), &cookie);

    IConnectionPoint* point = nullptr;
    ASSERT_EQ(source.FindConnectionPoint(IID_ITestEvents, &point), S_OK);
    EXPECT_EQ(point, &source.point);
    // A client holding the point holds the object.
    EXPECT_EQ(source.refCount(), 2);
    IConnectionPoint* none = &source.point;
    EXPECT_EQ(source.FindConnectionPoint(IID_IDispatch, &none), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(none, nullptr);
    IEnumConnectionPoints* points = nullptr;
    ASSERT_EQ(source.EnumConnectionPoints(&points), S_OK);
    IConnectionPoint* listed[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(points->Next(2, listed, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(listed[0], point);
    listed[0]->Release();
    points->Release();

    IEnumConnections* connections = nullptr;
    ASSERT_EQ(point->EnumConnections(&connections), S_OK);
    // The snapshot holds the sink, and so does each connection handed out.
    Sink other;
    DWORD otherCookie = 0;
    source.point.Advise(other.unknown(), &otherCookie);
    IEnumConnections* clone = nullptr;
    ASSERT_EQ(connections->Clone(&clone), S_OK);
    CONNECTDATA data{};
    ASSERT_EQ(clone->Next(1, &data, nullptr), S_OK);
    EXPECT_EQ(data.dwCookie, cookie);
    EXPECT_EQ(clone->Next(1, &data, nullptr), S_FALSE) << "later connections are not in the snapshot";
    data.pUnk->Release();
    clone->Release();
    connections->Release();

    point->Release();
    source.point.disconnectAll();
    EXPECT_TRUE(source.balanced());
    EXPECT_TRUE(sink.balanced()) << sink.refCount();
    EXPECT_TRUE(other.balanced()) << other.refCount();
}

} // namespace
} // namespace qor::platform::windows::com
