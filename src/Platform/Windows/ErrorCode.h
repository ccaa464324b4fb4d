#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qor::platform::windows {

// Texts of Windows error codes: Win32 error codes and HRESULTs alike.
class QOR_JAVASCRIPT_COM_API ErrorCode {
public:
    // The system's message for the code in UTF-8, without the line break
    // Windows ends it with; nothing when the system has none.
    static std::optional<std::string> getMessageFromErrorCode(std::uint32_t code);
    // Always something to show: the system's message, or the code itself in
    // hexadecimal when there is none.
    static std::string sMessage(std::uint32_t code);
};

} // namespace qor::platform::windows
