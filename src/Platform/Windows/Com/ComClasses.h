#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Id/Guid.h"
#include "Platform/Com.h"
#include "Platform/Windows/Com/ComClassEntry.h"
#include "Platform/Windows/Com/DispatchCreationInterface.h"
#include "Platform/Windows/Com/OleActivation.h"
#include "Platform/Windows/Com/TypeInfoAndAttribute.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace qor::platform::windows::com {

// The host's registry of the COM classes it creates itself, ordered byte-wise
// by name. Engines keep pointers to entries and caches by index, so entries
// are only ever added, and only before the first engine is built on it.
class QOR_JAVASCRIPT_COM_API ComClasses {
public:
    // False, and the existing entry left as it is, when the name is taken.
    bool add(std::string_view name, Guid const& clsid, ComClassEntry::Creator creator, std::uint32_t hostValue = 0);

    std::size_t size() const { return entries.size(); }
    // Null, with an assertion report, when the index is out of range.
    ComClassEntry const* getFromIndex(std::uint64_t index) const;
    std::optional<std::size_t> indexOf(std::string_view name) const;
    // The first name, in name order, registered with this identifier.
    std::optional<std::string> nameOf(Guid const& clsid) const;

private:
    std::map<std::string, ComClassEntry, std::less<>> entries;
};

// A new instance with one reference for the caller, or null.
QOR_JAVASCRIPT_COM_API IUnknown* createObject(ComClassEntry const& entry, DispatchCreationInterface* creatorInterface);

// The type of `guid` in the creator's type library, or null.
QOR_JAVASCRIPT_COM_API TypeInfoAndAttribute* findTypeInfoAndAttribute(DispatchCreationInterface* creatorInterface, Guid const& guid);

} // namespace qor::platform::windows::com
