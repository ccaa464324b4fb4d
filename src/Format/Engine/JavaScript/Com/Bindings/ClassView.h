#pragma once

#include "Format/Engine/JavaScript/Com/Bindings/V8Class.h"
#include "Format/Engine/JavaScript/Com/ComObjectView.h"

#include <vector>

namespace qor::format::engine::javascript {

// The members of a class as tools list them: one entry per name that its
// template installs, a method before a property of the same name.
std::vector<ComMemberView> memberViewsOf(V8Class const& v8Class);

} // namespace qor::format::engine::javascript
