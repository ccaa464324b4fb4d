#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Id/Guid.h"

namespace qor::platform::windows::com {

// Host COM classes may implement this to learn when scripts start and stop.
// The engine reaches it by dynamic_cast from the object's IDispatch.
class QOR_JAVASCRIPT_COM_API IScriptStartStop {
public:
    virtual ~IScriptStartStop() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
};

// What a host object answers QueryInterface with when it implements
// IScriptStartStop; createObject starts such objects.
inline constexpr Guid iidScriptStartStop{0x0AF53544, 0xE0D6, 0x4D69, {0x8E, 0x28, 0x58, 0x4B, 0x25, 0x35, 0xB5, 0x13}};

} // namespace qor::platform::windows::com
