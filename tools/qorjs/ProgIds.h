#pragma once

#include "TypeDeclarations.h"

#include "Format/Engine/JavaScript/Com/Bindings/V8Class.h"

#include <vector>

namespace qor::tools::qorjs {

// The ProgIDs registered for the classes, by which new ActiveXObject makes
// their objects: each class's own and, where that ends in a version number,
// the version-independent one when it names the same class. In the order of
// the ProgIDs.
std::vector<ProgIdClass> registeredProgIds(format::engine::javascript::ClassMap const& classes);

} // namespace qor::tools::qorjs
