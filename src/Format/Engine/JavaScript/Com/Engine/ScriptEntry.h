#pragma once

#include <v8.h>

namespace qor::format::engine::javascript {

// One entry into script that COM makes through the library's own objects
// (script functions, objects and arrays handed to COM), for as long as it
// lasts. While no run is in progress the entry is a run, as a call from the
// host is: the limits bound it and terminateScript ends it. When the
// outermost one ends, its errors are reported as those of the outermost call
// from COM are: a stop that ended it, and any error left pending.
// Made on the isolate's thread with the isolate and a context entered.
class ScriptEntry {
public:
    explicit ScriptEntry(v8::Isolate* isolate);
    ~ScriptEntry();
    ScriptEntry(ScriptEntry const&) = delete;
    ScriptEntry& operator=(ScriptEntry const&) = delete;

private:
    v8::Isolate* isolate;
};

} // namespace qor::format::engine::javascript
