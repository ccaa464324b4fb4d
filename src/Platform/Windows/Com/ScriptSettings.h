#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace qor::platform::windows::com {

struct ScriptSettings {
    std::optional<std::filesystem::path> path; // the script's file; its UTF-8 form names the script
    std::optional<std::string> userText;       // kept for the host, never read
    std::optional<std::uint64_t> userValue1;   // kept for the host, never read
    std::optional<std::uint64_t> userValue2;   // kept for the host, never read
    bool isModule = false;                     // run as an ES module rather than a classic script
};

} // namespace qor::platform::windows::com
