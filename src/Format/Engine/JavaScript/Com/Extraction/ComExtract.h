#pragma once

#include "Format/Engine/JavaScript/Com/Extraction/ComClass.h"

#include <vector>

namespace qor::format::engine::javascript {

// Every type of the host's type libraries, in no promised order.
struct ComExtract {
    std::vector<ComClass> classes;
};

} // namespace qor::format::engine::javascript
