#pragma once

// A counted host object that fires events through a connection point for
// the dispinterface `*events`. Its IDispatch is a TypedDispatch (the test's
// handler answers its members); given a coclass, it names its class to its
// clients (IProvideClassInfo), as objects met at run time do.

#include "Platform/Windows/Com/IConnectionPointContainerImpl.h"
#include "Platform/Windows/Com/IConnectionPointImpl.h"
#include "Support/TypedDispatch.h"

#include <array>
#include <functional>
#include <initializer_list>
#include <span>

namespace qor::test {

template <IID const* events>
class EventfulObject : public TypedDispatch,
                       public platform::windows::com::IConnectionPointContainerImpl,
                       public IProvideClassInfo {
public:
    // Holds references of its own on both types; `coclass` may be null.
    explicit EventfulObject(ITypeInfo* typeInfo, ITypeInfo* coclass = nullptr)
        : TypedDispatch(typeInfo), coclass_(coclass) {
        if (coclass_ != nullptr)
            coclass_->AddRef();
    }
    ~EventfulObject() override {
        point.disconnectAll();
        if (coclass_ != nullptr)
            coclass_->Release();
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv != nullptr && IsEqualIID(riid, IID_IConnectionPointContainer)) {
            *ppv = static_cast<IConnectionPointContainer*>(this);
            AddRef();
            return S_OK;
        }
        if (ppv != nullptr && coclass_ != nullptr && IsEqualIID(riid, IID_IProvideClassInfo)) {
            *ppv = static_cast<IProvideClassInfo*>(this);
            AddRef();
            return S_OK;
        }
        return TypedDispatch::QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return TypedDispatch::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return TypedDispatch::Release(); }
    STDMETHODIMP GetClassInfo(ITypeInfo** result) override {
        coclass_->AddRef();
        *result = coclass_;
        return S_OK;
    }

    // Fires the event to every connected sink, arguments in declaration
    // order; the number of sinks called.
    std::size_t fire(DISPID dispid, std::initializer_list<VARIANT> arguments) { return point.fire(dispid, arguments); }
    std::size_t connectionCount() const { return point.connectionCount(); }
    // Called as a sink is unadvised, before it is: an object may fire then.
    std::function<void()> whenUnadvised;

    class Point : public platform::windows::com::IConnectionPointImpl<events> {
    public:
        Point(EventfulObject& owner) : platform::windows::com::IConnectionPointImpl<events>(owner), owner(owner) {}
        STDMETHODIMP Unadvise(DWORD cookie) override {
            if (owner.whenUnadvised)
                owner.whenUnadvised();
            return platform::windows::com::IConnectionPointImpl<events>::Unadvise(cookie);
        }

    private:
        EventfulObject& owner;
    };
    Point point{*this};

private:
    std::span<IConnectionPoint* const> connectionPoints() override { return points; }

    ITypeInfo* coclass_;
    std::array<IConnectionPoint*, 1> points{&point};
};

} // namespace qor::test
