#pragma once

namespace qor::platform {

// A full memory fence that every running thread of the process passes, made
// by the system. `registerProcessFence` once, before the first use: false
// where the system has none, and then `processFence` must not be used.
bool registerProcessFence();
void processFence();

} // namespace qor::platform
