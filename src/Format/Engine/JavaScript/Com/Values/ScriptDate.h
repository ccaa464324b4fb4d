#pragma once

// OLE dates and script Dates. An OLE date counts days from 1899-12-30 in the
// local time of whoever reads it, the time of day as the fraction; before
// that day the integer part is negative and the fraction still counts
// forward (-1.25 is 1899-12-29 06:00). A script Date is a moment, which its
// local-time getters show in the zone the engine runs in: the conversion
// keeps the local calendar date and time of day, to the millisecond. Where
// the clocks change, an OLE date is the first moment the local clock shows
// it or a later time: the first of a repeated hour's two moments, and for a
// time the clocks skip, the moment they go forward.

#include "Platform/Com.h"

#include <v8.h>

#include <optional>

namespace qor::format::engine::javascript::ScriptDate {

// A local date and time as script Dates count it: months from 0.
struct Parts {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    friend bool operator==(Parts const&, Parts const&) = default;
};

// Only the years 100 to 9999 have OLE dates; outside them, and for NaN and
// the infinities, there are none.
std::optional<Parts> partsOf(DATE date);
std::optional<DATE> oleDateOf(Parts const& parts);

// The script Date of an OLE date, made in the current context; empty
// outside the years OLE dates cover.
v8::MaybeLocal<v8::Date> toScript(v8::Isolate* isolate, DATE date);
// The OLE date of a script Date; none for an invalid Date and one outside
// the years OLE dates cover.
std::optional<DATE> toOle(v8::Isolate* isolate, v8::Local<v8::Date> date);

// Takes the script's own Date functions for the conversions before any
// script can replace them; otherwise the first conversion does.
void prepare(v8::Isolate* isolate);

} // namespace qor::format::engine::javascript::ScriptDate
