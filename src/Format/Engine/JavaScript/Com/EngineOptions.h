#pragma once

namespace qor::format::engine::javascript {

// What an engine does beyond its standard conversions and globals. Every
// extension is off by default, and the standard behaviour (a thrown "Missing
// V8 variant implementation" for a DATE, a refused script object) holds
// until a host turns one on.
struct EngineOptions {
    // VT_DATE becomes a script Date and a Date becomes VT_DATE, both in local
    // time, as OLE dates are; arrays of dates too. Years 100 to 9999 only.
    bool dates = false;
    // VT_CY and VT_DECIMAL, and arrays of them, become numbers: the double
    // nearest to the exact value.
    bool currencyAndDecimal = false;
    // Script functions and other objects go to COM as automation objects: a
    // function is called through its DISPID_VALUE, an object's properties are
    // its members.
    bool scriptObjects = false;
    // COM events: addEventListener and removeEventListener on COM objects
    // (where the object has no member of that name), and the globals
    // ConnectObject and DisconnectObject.
    bool events = false;
    // Asynchronous scripts: the engine's task queue, which runPendingTasks
    // runs, with setTimeout, setInterval, clearTimeout, clearInterval and
    // queueMicrotask for scripts, and post from other threads.
    bool eventLoop = false;
    // What the bindings throw into a script is an Error (a TypeError or
    // RangeError for a wrong argument) whose message names the member and
    // the argument, with the HRESULT as `number`, the plain text as
    // `description`, and `source`, `helpFile` and `helpContext` where the
    // object gave them. A script's Error with a `number` thrown back into COM
    // is that code, its message the description.
    bool errorObjects = false;

    // Every extension on, as qorjs --com-extensions asks.
    static constexpr EngineOptions all() { return {true, true, true, true, true, true}; }

    friend bool operator==(EngineOptions const&, EngineOptions const&) = default;
};

} // namespace qor::format::engine::javascript
