#pragma once

// Interim type library: the engine only passes it around so far. The complete
// one (lazy loading from paths and modules, lookup by Guid) replaces it.

namespace qor::platform::windows::com {

class TypeLibrary {};

} // namespace qor::platform::windows::com
