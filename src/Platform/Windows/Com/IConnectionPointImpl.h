#pragma once

#include "Platform/Com.h"
#include "Platform/Windows/Com/ComRef.h"
#include "Platform/Windows/Com/IEnumImpl.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace qor::platform::windows::com {

// One outgoing dispinterface of an object, `*sourceIid`: the sinks clients
// advise on it, and the calls through which the object fires its events to
// them.
//
// The point lives inside its object, the container, and counts with it: a
// client holding the point holds the object. Sinks are held until they are
// unadvised or the object goes. Firing calls each sink's IDispatch::Invoke;
// a sink may advise or unadvise sinks, itself included, while it is called.
template <IID const* sourceIid>
class IConnectionPointImpl : public IConnectionPoint {
public:
    explicit IConnectionPointImpl(IConnectionPointContainer& container) : container(container) {}
    IConnectionPointImpl(IConnectionPointImpl const&) = delete;
    IConnectionPointImpl& operator=(IConnectionPointImpl const&) = delete;
    virtual ~IConnectionPointImpl() { disconnectAll(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IConnectionPoint)) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return container.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return container.Release(); }

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        if (iid == nullptr)
            return E_POINTER;
        *iid = *sourceIid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** result) override {
        if (result == nullptr)
            return E_POINTER;
        container.AddRef();
        *result = &container;
        return S_OK;
    }
    // The sink must be the source interface: a sink that is not cannot take
    // the events.
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        if (cookie == nullptr)
            return E_POINTER;
        *cookie = 0;
        if (sink == nullptr)
            return E_POINTER;
        ComRef<IDispatch> events;
        if (FAILED(sink->QueryInterface(*sourceIid, reinterpret_cast<void**>(events.put()))) || !events)
            return CONNECT_E_CANNOTCONNECT;
        // Zero is no cookie; after four billion connections the count wraps
        // past it.
        if (++lastCookie == 0)
            ++lastCookie;
        connections.push_back({lastCookie, std::move(events)});
        *cookie = lastCookie;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        auto const found = std::ranges::find(connections, cookie, &Connection::cookie);
        if (found == connections.end())
            return CONNECT_E_NOCONNECTION;
        // Released once it has left the list: its release may call back.
        ComRef<IDispatch> const sink = std::move(found->sink);
        connections.erase(found);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** result) override {
        if (result == nullptr)
            return E_POINTER;
        std::vector<CONNECTDATA> data;
        data.reserve(connections.size());
        for (Connection const& connection : connections)
            data.push_back({connection.sink.get(), connection.cookie});
        *result = EnumConnections::make(std::move(data));
        return S_OK;
    }

    // Calls the event `dispid` of every sink advised when the firing starts
    // and still advised when its turn comes, with `arguments` in COM's order
    // (the last argument first). What the sinks answer does not concern the
    // object; the result is the number of sinks called.
    std::size_t fire(DISPID dispid, DISPPARAMS& arguments) {
        std::vector<DWORD> cookies;
        cookies.reserve(connections.size());
        for (Connection const& connection : connections)
            cookies.push_back(connection.cookie);
        std::size_t called = 0;
        for (DWORD cookie : cookies) {
            auto const found = std::ranges::find(connections, cookie, &Connection::cookie);
            if (found == connections.end())
                continue;
            // Held while it runs: it may unadvise itself.
            found->sink->AddRef();
            ComRef<IDispatch> const sink(found->sink.get());
            VARIANT ignored;
            VariantInit(&ignored);
            sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &arguments, &ignored, nullptr, nullptr);
            VariantClear(&ignored);
            ++called;
        }
        return called;
    }
    // The same with the arguments in declaration order.
    std::size_t fire(DISPID dispid, std::initializer_list<VARIANT> arguments) {
        std::vector<VARIANT> reversed(arguments.size());
        std::ranges::reverse_copy(arguments, reversed.begin());
        DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        return fire(dispid, parameters);
    }

    std::size_t connectionCount() const { return connections.size(); }
    // Lets go of every sink, as the object does when it goes.
    void disconnectAll() {
        std::vector<Connection> const released = std::exchange(connections, {});
    }

private:
    struct Connection {
        DWORD cookie;
        ComRef<IDispatch> sink;
    };

    IConnectionPointContainer& container;
    std::vector<Connection> connections;
    DWORD lastCookie = 0;
};

} // namespace qor::platform::windows::com
