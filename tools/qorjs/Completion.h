#pragma once

#include "LineEditor.h"

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"

#include <v8.h>

#include <string_view>

namespace qor::tools::qorjs {

// The names that may complete the expression before the cursor: for a bare
// word, global names and keywords; after "a.b.", the properties of what that
// path leads to. Nothing is called on the way: a getter or a proxy ends the
// path. A COM object offers the members its type information names, and a
// property of it whose type names a class leads on to that class's members,
// as Application.ActiveWorkbook.Na leads to the workbook's Name, without the
// property being read. The context must be entered.
Completions completeExpression(format::engine::javascript::ComV8Engine& engine, v8::Local<v8::Context> context,
                               std::string_view beforeCursor);

} // namespace qor::tools::qorjs
