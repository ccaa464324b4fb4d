#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Platform/Com.h"

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

namespace qor::format::engine::javascript {

// The name of a declared type, as getTypeName gives it, held once for the
// whole process: the members and parameters of a large library name a few
// hundred types tens of thousands of times, and a copy in each record cost
// more than the record itself. Reads as the text; names are never freed.
class QOR_JAVASCRIPT_COM_API TypeName {
public:
    TypeName() = default;
    TypeName(std::string_view text);
    TypeName(char const* text) : TypeName(std::string_view(text)) {}
    TypeName(std::string const& text) : TypeName(std::string_view(text)) {}

    std::string_view view() const { return text_ != nullptr ? std::string_view(*text_) : std::string_view(); }
    operator std::string_view() const { return view(); }
    bool empty() const { return text_ == nullptr; }
    std::size_t size() const { return view().size(); }
    bool starts_with(char first) const { return view().starts_with(first); }

    friend bool operator==(TypeName const& name, std::string_view text) { return name.view() == text; }
    friend std::ostream& operator<<(std::ostream& out, TypeName const& name) { return out << name.view(); }

private:
    std::string const* text_ = nullptr;
};

// A readable name for a declared type: the VARENUM constant name ("VT_I4"),
// "*" before it for one level of pointer, or the referenced type's own name
// for a user-defined type. Empty for values without a name of their own
// (combinations with VT_ARRAY, VT_BYREF, VT_VECTOR among them).
TypeName getTypeName(ITypeInfo& typeInfo, TYPEDESC const& typeDesc);

} // namespace qor::format::engine::javascript
