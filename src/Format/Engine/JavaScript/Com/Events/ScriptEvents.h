#pragma once

// COM events as scripts handle them. A COM object whose class has an event
// interface ([source] of its coclass) takes listeners:
//     sheet.addEventListener("Changed", (row, column, value) => { ... });
//     sheet.removeEventListener("Changed", listener);
// and, for scripts written for classic hosts, global functions bound by
// name: ConnectObject(sheet, "sheet_") calls sheet_Changed(...) for the
// event Changed, until DisconnectObject(sheet).
//
// The two methods sit on the prototype of the COM objects' wrappers, so a
// member of the object of the same name wins. The first listener connects
// the object's events, the last one removed disconnects them, and so does
// the collection of the object's wrapper.

#include <v8.h>

namespace qor::format::engine::javascript::ScriptEvents {

// Gives the prototype of a COM object's wrapper the two methods, once.
void equip(v8::Isolate* isolate, v8::Local<v8::Object> wrapper);
// ConnectObject and DisconnectObject on the global object, and the methods
// on the wrappers there are.
void install(v8::Isolate* isolate, v8::Local<v8::Context> context);

} // namespace qor::format::engine::javascript::ScriptEvents
