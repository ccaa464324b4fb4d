#include "Platform/Windows/Com/IConnectionPointContainerImpl.h"
#include "Platform/Windows/Com/IConnectionPointImpl.h"

#include "Support/CountedObject.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <vector>

namespace qor::platform::windows::com {
namespace {

using test::CountedDispatch;

inline constexpr IID IID_ITestEvents = {0x5d1c4a60, 0x2b7e, 0x4f0a, {0x9c, 0x3e, 0x61, 0x7a, 0x0b, 0x42, 0xd8, 0x01}};

// An object that fires events, counting its references as the test objects
// do: the test owns it.
class EventSource : public IConnectionPointContainerImpl {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IConnectionPointContainer)) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IConnectionPointContainer*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refCount; }
    ULONG STDMETHODCALLTYPE Release() override { return --refCount; }

    IConnectionPointImpl<&IID_ITestEvents> events{*this};
    ULONG refCount = 1;

private:
    std::span<IConnectionPoint* const> connectionPoints() override { return points; }
    std::array<IConnectionPoint*, 1> points{&events};
};

// A sink of the test's events that records what it was told.
class Sink : public CountedDispatch {
public:
    Sink() {
        onInvoke([this](DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*) {
            EXPECT_EQ(flags, DISPATCH_METHOD);
            std::vector<LONG> arguments;
            for (UINT i = params->cArgs; i > 0; --i)
                arguments.push_back(params->rgvarg[i - 1].lVal);
            events.push_back({dispid, arguments});
            if (whenCalled)
                whenCalled();
            return S_OK;
        });
    }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_ITestEvents))
            return CountedDispatch::QueryInterface(IID_IDispatch, ppv);
        return CountedDispatch::QueryInterface(riid, ppv);
    }

    struct Event {
        DISPID dispid;
        std::vector<LONG> arguments;
        bool operator==(Event const&) const = default;
    };
    std::vector<Event> events;
    std::function<void()> whenCalled;
};

TEST(ConnectionPointTest, EventsReachEachAdvisedSinkWithTheirArgumentsUntilItIsUnadvised) {
    Sink first;
    Sink second;
    CountedDispatch stranger;
    {
        EventSource source;
        DWORD firstCookie = 0;
        DWORD secondCookie = 0;
        ASSERT_EQ(source.events.Advise(first.unknown(), &firstCookie), S_OK);
        ASSERT_EQ(source.events.Advise(second.unknown(), &secondCookie), S_OK);
        EXPECT_NE(firstCookie, secondCookie);
        EXPECT_EQ(source.events.fire(7, {_variant_t(LONG{1}), _variant_t(LONG{2})}), 2u);

        ASSERT_EQ(source.events.Unadvise(firstCookie), S_OK);
        EXPECT_EQ(source.events.Unadvise(firstCookie), CONNECT_E_NOCONNECTION);
        EXPECT_EQ(source.events.fire(8, {}), 1u);
        EXPECT_EQ(first.events, (std::vector<Sink::Event>{{7, {1, 2}}}));
        EXPECT_EQ(second.events, (std::vector<Sink::Event>{{7, {1, 2}}, {8, {}}}));

        // A sink must be of the events' interface.
        DWORD cookie = 1;
        EXPECT_EQ(source.events.Advise(stranger.unknown(), &cookie), CONNECT_E_CANNOTCONNECT);
        EXPECT_EQ(cookie, 0u);
        EXPECT_EQ(source.refCount, 1u);
        EXPECT_FALSE(second.balanced());
    }
    // The object went with a sink still advised, and let go of it.
    EXPECT_TRUE(first.balanced()) << first.refCount();
    EXPECT_TRUE(second.balanced()) << second.refCount();
    EXPECT_TRUE(stranger.balanced()) << stranger.refCount();
}

TEST(ConnectionPointTest, ASinkMayUnadviseItselfAndOthersWhileItIsCalled) {
    EventSource source;
    Sink first;
    Sink second;
    DWORD firstCookie = 0;
    DWORD secondCookie = 0;
    source.events.Advise(first.unknown(), &firstCookie);
    source.events.Advise(second.unknown(), &secondCookie);
    first.whenCalled = [&] {
        EXPECT_EQ(source.events.Unadvise(firstCookie), S_OK);
        EXPECT_EQ(source.events.Unadvise(secondCookie), S_OK);
        // Still held while it runs.
        EXPECT_FALSE(first.balanced());
    };
    EXPECT_EQ(source.events.fire(1, {}), 1u);
    EXPECT_TRUE(second.events.empty());
    EXPECT_EQ(source.events.connectionCount(), 0u);
    EXPECT_TRUE(first.balanced()) << first.refCount();
    EXPECT_TRUE(second.balanced()) << second.refCount();
}

TEST(ConnectionPointTest, TheContainerFindsItsPointAndEachPointListsASnapshotOfItsConnections) {
    EventSource source;
    Sink sink;
    DWORD cookie = 0;
    source.events.Advise(sink.unknown(), &cookie);

    IConnectionPoint* point = nullptr;
    ASSERT_EQ(source.FindConnectionPoint(IID_ITestEvents, &point), S_OK);
    EXPECT_EQ(point, &source.events);
    // A client holding the point holds the object.
    EXPECT_EQ(source.refCount, 2u);
    IConnectionPoint* none = &source.events;
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
    source.events.Advise(other.unknown(), &otherCookie);
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
    source.events.disconnectAll();
    EXPECT_EQ(source.refCount, 1u);
    EXPECT_TRUE(sink.balanced()) << sink.refCount();
    EXPECT_TRUE(other.balanced()) << other.refCount();
}

} // namespace
} // namespace qor::platform::windows::com
