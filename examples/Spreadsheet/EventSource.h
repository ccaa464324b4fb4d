#pragma once

#include "Platform/Com.h"
#include "Platform/Windows/Com/IConnectionPointContainerImpl.h"
#include "Platform/Windows/Com/IConnectionPointImpl.h"
#include "SpreadsheetTypes.h"

#include <array>
#include <initializer_list>
#include <span>

namespace qor::examples::spreadsheet {

// What an object of the sample that fires events is besides its interface:
// the container of one connection point, for its event interface `*events`,
// and the class information (IProvideClassInfo, the coclass `*classId`)
// that names that interface to clients without the sample's type library.
// The object answers QueryInterface for both through `eventInterface` and
// counts for them.
template <IID const* events, CLSID const* classId>
class EventSource : public platform::windows::com::IConnectionPointContainerImpl, public IProvideClassInfo {
public:
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** result) override {
        if (result == nullptr)
            return E_POINTER;
        auto const* coclass = SpreadsheetTypes::instance().find(*classId);
        *result = coclass != nullptr ? coclass->getTypeInfo() : nullptr;
        return *result != nullptr ? S_OK : TYPE_E_ELEMENTNOTFOUND;
    }

protected:
    ~EventSource() = default;

    // The object itself as one of the two interfaces, without a reference;
    // null for any other.
    void* eventInterface(REFIID riid) {
        if (IsEqualIID(riid, IID_IConnectionPointContainer))
            return static_cast<IConnectionPointContainer*>(this);
        if (IsEqualIID(riid, IID_IProvideClassInfo))
            return static_cast<IProvideClassInfo*>(this);
        return nullptr;
    }
    // Calls the event `dispid` of every connected sink, arguments in
    // declaration order.
    void fire(DISPID dispid, std::initializer_list<VARIANT> arguments) { point.fire(dispid, arguments); }

private:
    std::span<IConnectionPoint* const> connectionPoints() override { return points; }

    platform::windows::com::IConnectionPointImpl<events> point{*this};
    std::array<IConnectionPoint*, 1> points{&point};
};

} // namespace qor::examples::spreadsheet
