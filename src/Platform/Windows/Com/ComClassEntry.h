#pragma once

#include "Id/Guid.h"
#include "Platform/Com.h"
#include "Platform/Windows/Com/DispatchCreationInterface.h"
#include "Platform/Windows/Com/OleText.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace qor::platform::windows::com {

// One COM class whose objects the host creates itself.
struct ComClassEntry {
    // Returns a new object without a reference for the caller, or null.
    using Creator = std::function<IUnknown*(DispatchCreationInterface*)>;

    // Bit 0 of hostValue: scripts get one global object of the class instead
    // of a constructor. The other bits are the host's own.
    static constexpr std::uint32_t globalObject = 1;

    ComClassEntry(std::string name, Guid clsid, Creator creator, std::uint32_t hostValue)
        : name(std::move(name)), clsid(clsid), creator(std::move(creator)), hostValue(hostValue) {}

    // Converted on first use and kept.
    OleString const& getWideName() const {
        if (!wideName)
            wideName = oleFromUtf8(name);
        return *wideName;
    }
    bool isGlobalObject() const { return (hostValue & globalObject) != 0; }

    std::string name;
    mutable std::optional<OleString> wideName;
    Guid clsid;
    Creator creator;
    std::uint32_t hostValue = 0;
};

} // namespace qor::platform::windows::com
