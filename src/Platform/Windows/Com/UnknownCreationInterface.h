#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Platform/Com.h"

#include <cstdint>

namespace qor::platform::windows::com {

// What the library's own COM objects tell their creator: their birth, their
// death, and where unique ids come from.
class QOR_JAVASCRIPT_COM_API UnknownCreationInterface {
public:
    virtual ~UnknownCreationInterface() = default;
    virtual void objectCreated(IUnknown* object) = 0;
    virtual void objectDestroyed(IUnknown* object) = 0;
    virtual std::uint64_t nextUniqueId() = 0;
};

} // namespace qor::platform::windows::com
