#pragma once

#include "Format/Engine/JavaScript/Com/Extraction/ComParameter.h"
#include "Format/Engine/JavaScript/Com/Extraction/TypeName.h"
#include "Platform/Com.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qor::format::engine::javascript {

// One member of a COM type.
struct ComFunction {
    std::string name;
    // A method's named parameters ([out, retval] included); a property get's
    // parameters without its [out, retval] value; for a property put exactly
    // one, named after the property; none otherwise.
    ComParameters parameters;
    MEMBERID memberId = 0;
    // INVOKE_FUNC, INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT or INVOKE_PROPERTYPUTREF.
    std::int32_t invokeKind = 0;
    // For methods only; empty and VT_EMPTY for property accessors.
    TypeName returnType;
    VARTYPE returnVt = VT_EMPTY;
    // What a method or property get gives its caller: the type its
    // [out, retval] parameter points to, else its declared result; the name
    // getTypeName gives it (an interface's own name) and the VARIANT type it
    // arrives in (declaredValueType; VT_VOID for a method that gives nothing).
    // Empty and VT_EMPTY for the other kinds, and where the type is unknown.
    TypeName valueType;
    VARTYPE valueVt = VT_EMPTY;
};

} // namespace qor::format::engine::javascript
