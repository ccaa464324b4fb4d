#pragma once

// Interim registry: only what the engine needs so far. The complete registry
// (adding entries, name lookups by Guid, object creation) replaces it.

#include "Id/Guid.h"
#include "Platform/Com.h"
#include "Platform/Windows/Com/DispatchCreationInterface.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace qor::platform::windows::com {

struct ComClassEntry {
    std::string name;
    Guid clsid;
    std::function<IUnknown*(DispatchCreationInterface*)> creator;
    std::uint32_t hostValue = 0;
};

class ComClasses {
public:
    std::size_t size() const { return entries_.size(); }
    std::optional<std::size_t> indexOf(std::string_view name) const {
        auto it = entries_.find(name);
        if (it == entries_.end())
            return std::nullopt;
        return static_cast<std::size_t>(std::distance(entries_.begin(), it));
    }
    ComClassEntry const* getFromIndex(std::uint64_t index) const {
        if (index >= entries_.size())
            return nullptr;
        return &std::next(entries_.begin(), static_cast<std::ptrdiff_t>(index))->second;
    }

private:
    std::map<std::string, ComClassEntry, std::less<>> entries_;
};

// A new instance with one reference for the caller, or null.
inline IUnknown* createObject(ComClassEntry const& entry, DispatchCreationInterface* creator) {
    if (!entry.creator)
        return nullptr;
    IUnknown* object = entry.creator(creator);
    if (object)
        object->AddRef();
    return object;
}

} // namespace qor::platform::windows::com
