#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qor::platform::windows {

// Texts of Windows error codes: Win32 error codes and HRESULTs alike.
//
// Some texts name what failed through an insert ("%1 is not a valid Win32
// application."), which the system leaves in place when it is not given one.
// Here every insert is filled: with `subject` when the caller knows what
// failed ("its server"), else with "the file", which is what the inserts of
// the system's texts name.
class QOR_JAVASCRIPT_COM_API ErrorCode {
public:
    // The system's message for the code in UTF-8, without the line break
    // Windows ends it with; nothing when the system has none.
    static std::optional<std::string> getMessageFromErrorCode(std::uint32_t code, std::string_view subject = {});
    // Always something to show: the system's message, or the code itself in
    // hexadecimal when there is none.
    static std::string sMessage(std::uint32_t code, std::string_view subject = {});
};

} // namespace qor::platform::windows
