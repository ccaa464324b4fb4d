#include "Format/Engine/JavaScript/Com/Bindings/V8Class.h"

namespace qor::format::engine::javascript {

V8Class::V8Class(V8Class const& other)
    : name(other.name), guid(other.guid), source(other.source), constructors(other.constructors), hostClass(other.hostClass), functions(other.functions),
      properties(other.properties), constants(other.constants), registered(other.registered) {}

V8Class& V8Class::operator=(V8Class const& other) {
    if (this != &other) {
        V8Class copy(other);
        *this = std::move(copy);
    }
    return *this;
}

} // namespace qor::format::engine::javascript
