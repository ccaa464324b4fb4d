#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Id/Guid.h"
#include "Platform/Com.h"
#include "Platform/Windows/Com/ComRef.h"
#include "Platform/Windows/Com/TypeLibrary.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qor::format::engine::javascript {

// The outgoing dispinterface of an object's class, the [source] interface
// through which it fires its events: its identifier, its name and its type
// information, which names the events.
class EventInterface {
public:
    // What has been found for the interfaces objects report: the event
    // interface of their class, or null for none.
    using Cache = std::unordered_map<Guid, std::shared_ptr<EventInterface const>, Guid::hash>;

    // The event interface of `object`'s class: from its own class
    // information (IProvideClassInfo), else from the coclass of `library`
    // whose interface the object reports. Null when the class has none that
    // is a dispatch interface.
    static std::shared_ptr<EventInterface const> of(IDispatch* object, platform::windows::com::TypeLibrary& library,
                                                    Cache& cache);
    // The default source of a coclass, or null.
    static std::shared_ptr<EventInterface const> ofClass(ITypeInfo& coclass);
    // The event interface of the library's coclass that implements the
    // interface `iid`; a coclass named by `iid` answers for itself. Null when
    // there is none.
    QOR_JAVASCRIPT_COM_API static std::shared_ptr<EventInterface const>
    ofType(Guid const& iid, platform::windows::com::TypeLibrary& library);

    EventInterface(IID const& iid, std::string name, platform::windows::com::ComRef<ITypeInfo> typeInfo)
        : iid(iid), name(std::move(name)), typeInfo(std::move(typeInfo)) {}

    // The DISPID of an event named in any case, as type information matches
    // names.
    std::optional<DISPID> dispidOf(std::string_view event) const;
    // The name of an event; empty for a DISPID the interface lacks.
    std::string nameOf(DISPID dispid) const;

    IID const iid;
    std::string const name;
    platform::windows::com::ComRef<ITypeInfo> const typeInfo;
};

} // namespace qor::format::engine::javascript
