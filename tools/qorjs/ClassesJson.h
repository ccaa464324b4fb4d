#pragma once

#include "Format/Engine/JavaScript/Com/Extraction/ComExtract.h"

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <string_view>

namespace qor::tools::qorjs {

// Writes the classes as scripts get them, by name, as indented JSON while it
// goes: an array of objects with name, guid, functions (name, memberId,
// invokeKind, returnType, returnVt, parameters (name, typeName, vt, flags,
// defaultValue unless VT_EMPTY, elementVt for a SAFEARRAY), interface for a
// member of a coclass's other interface than its default one), and constants
// (name, value) where the type has any. A large library lists tens of
// thousands of members; no document of them all is built.
void writeClassesJson(std::ostream& out, format::engine::javascript::ComExtract const& extract);

// Member and parameter names come in the ANSI code page; JSON is UTF-8.
std::string utf8FromAnsi(std::string_view text);

// A default value as JSON: a number, a string, a boolean or null.
nlohmann::ordered_json variantToJson(VARIANT const& value);

} // namespace qor::tools::qorjs
