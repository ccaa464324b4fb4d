#include "Format/Engine/JavaScript/Com/Bindings/ClassView.h"

#include <string_view>
#include <unordered_set>

namespace qor::format::engine::javascript {

std::vector<ComMemberView> memberViewsOf(V8Class const& v8Class) {
    std::vector<ComMemberView> views;
    // As the template installs them: the first of a name wins, methods first.
    std::unordered_set<std::string_view> named;
    for (V8Function const& function : v8Class.functions)
        if (named.insert(function.name()).second)
            views.push_back({std::string(function.name()), true, {}});
    for (V8Property const& property : v8Class.properties) {
        if (!named.insert(property.name()).second)
            continue;
        bool const givesObject = property.valueVt() == VT_DISPATCH && !property.valueType().empty();
        views.push_back({std::string(property.name()), false,
                         givesObject ? std::string(property.valueType()) : std::string()});
    }
    return views;
}

} // namespace qor::format::engine::javascript
