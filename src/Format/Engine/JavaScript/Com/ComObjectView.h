#pragma once

#include <string>
#include <vector>

namespace qor::format::engine::javascript {

// A member of a COM class as a tool lists it, for completion.
struct ComMemberView {
    std::string name;
    // Called as a function: a method, or a property get that takes
    // arguments. Otherwise a property.
    bool callable = false;
    // For a property whose get gives a COM object: the class its type
    // information names for it (an interface's name). Empty otherwise.
    std::string valueClass;
};

// What a tool may show of a script value that stands for a COM object. It is
// read from the engine's bindings, never from the object: a member may have
// side effects, and a global object's COM object is not made for it.
struct ComObjectView {
    enum class Kind { object, enumerator };
    Kind kind = Kind::object;
    // The name the bindings give the object's class, as constructor.name
    // does: a class the object was made as, or the type its type
    // information names ("Enumerator" for a script Enumerator).
    std::string className;
    // The members of that class, in the order the bindings install them (an
    // Enumerator's methods); none for an object without type information.
    std::vector<ComMemberView> members;
};

} // namespace qor::format::engine::javascript
