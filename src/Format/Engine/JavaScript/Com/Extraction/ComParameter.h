#pragma once

#include "Format/Engine/JavaScript/Com/Export.h"
#include "Format/Engine/JavaScript/Com/Extraction/SharedList.h"
#include "Format/Engine/JavaScript/Com/Extraction/TypeName.h"
#include "Platform/Com.h"

#include <cstdint>
#include <string>

namespace qor::format::engine::javascript {

// One parameter of a COM member, as its type information declares it. Owns
// its default value.
struct QOR_JAVASCRIPT_COM_API ComParameter {
    ComParameter();
    // Copies `defaultValue`; raises _com_error when that fails.
    ComParameter(TypeName typeName, std::string name, VARIANT const& defaultValue, std::uint16_t flags, VARTYPE vt,
                 VARTYPE elementVt = VT_EMPTY);
    ComParameter(ComParameter const& other);
    ComParameter(ComParameter&& other) noexcept;
    ComParameter& operator=(ComParameter const& other);
    ComParameter& operator=(ComParameter&& other) noexcept;
    ~ComParameter();

    TypeName typeName;
    std::string name;
    // VT_EMPTY unless flags has PARAMFLAG_FHASDEFAULT.
    VARIANT defaultValue;
    // PARAMFLAG_* bits as declared.
    std::uint16_t flags = 0;
    // As declared: VT_PTR for a by-reference parameter.
    VARTYPE vt = VT_EMPTY;
    // For a SAFEARRAY parameter (vt VT_SAFEARRAY), the VARIANT type of its
    // elements (safeArrayElementType); VT_EMPTY otherwise.
    VARTYPE elementVt = VT_EMPTY;
};

// The parameters of one member. The member's binding records share them with
// its type-information record instead of copying each name and default value.
using ComParameters = SharedList<ComParameter>;

} // namespace qor::format::engine::javascript
