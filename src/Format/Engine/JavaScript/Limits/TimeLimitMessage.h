#pragma once

#include <fmt/format.h>

#include <chrono>
#include <string>

namespace qor::format::engine::javascript {

// What a run ended by its time limit reports. Inline, so that tools which
// bound more than one run (qorjs's --timeout over timers and tasks) say it in
// the same words without the library exporting it.
inline std::string timeLimitMessage(std::chrono::milliseconds limit) {
    return fmt::format("Script terminated: it ran longer than its time limit of {:g} s",
                       static_cast<double>(limit.count()) / 1000.0);
}

} // namespace qor::format::engine::javascript
