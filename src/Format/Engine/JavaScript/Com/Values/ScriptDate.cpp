#include "Format/Engine/JavaScript/Com/Values/ScriptDate.h"

#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Format/Engine/JavaScript/V8Helper.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace qor::format::engine::javascript::ScriptDate {
namespace {

constexpr int firstYear = 100;
constexpr int lastYear = 9999;
constexpr std::int64_t millisecondsPerDay = 86'400'000;
// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t oleEpochDay = -25'569;

// Days from 1970-01-01 of a proleptic Gregorian date, month from 1; and back
// (H. Hinnant's algorithms).
std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    std::int64_t const era = (year >= 0 ? year : year - 399) / 400;
    std::int64_t const yearOfEra = year - era * 400;
    std::int64_t const dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    std::int64_t const dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

Parts civilFromDays(std::int64_t days) {
    days += 719468;
    std::int64_t const era = (days >= 0 ? days : days - 146096) / 146097;
    std::int64_t const dayOfEra = days - era * 146097;
    std::int64_t const yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    std::int64_t const dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    std::int64_t const shiftedMonth = (5 * dayOfYear + 2) / 153;
    Parts parts;
    parts.day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    int const month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    parts.month = month - 1;
    parts.year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    return parts;
}

bool coveredYear(int year) {
    return year >= firstYear && year <= lastYear;
}

// The script's own Date constructor and getters, taken before any script
// could replace them: a maker of local dates and a reader of their parts.
//
// A local date and time is the first moment at which the local clock shows
// it, or a later time: in the hour repeated when the clocks go back, the
// first of its two moments (as Date has it); in the hour skipped when they
// go forward, the moment they go forward, which shows the hour's end (02:30
// becomes 03:00). Date itself reads a skipped time with the offset before
// the change, which lands past it by as much as the time lay in the gap
// (03:30), so that a later local time could become an earlier moment.
constexpr char const* helperSource = R"((() => {
  'use strict';
  const D = Date, P = D.prototype, apply = Reflect.apply, utc = D.UTC;
  const y = P.getFullYear, mo = P.getMonth, d = P.getDate, h = P.getHours, mi = P.getMinutes, s = P.getSeconds,
        ms = P.getMilliseconds, time = P.getTime;
  const parts = (t) => [apply(y, t, []), apply(mo, t, []), apply(d, t, []), apply(h, t, []), apply(mi, t, []),
                        apply(s, t, []), apply(ms, t, [])];
  // What the local clock shows at moment `x`, counted as UTC counts time.
  const shown = (x) => apply(utc, undefined, parts(new D(x)));
  return [
    (a, b, c, e, f, g, k) => {
      const t = new D(a, b, c, e, f, g, k), wanted = utc(a, b, c, e, f, g, k);
      let later = apply(time, t, []);
      if (shown(later) === wanted) return t;
      // A skipped time: the clocks went forward within the day before.
      let earlier = later - 86400000;
      if (!(shown(earlier) < wanted)) return t;
      while (later - earlier > 1) {
        const middle = earlier + ((later - earlier) >>> 1);
        if (shown(middle) >= wanted) later = middle; else earlier = middle;
      }
      return new D(later);
    },
    parts,
  ];
})())";

struct Helpers {
    v8::Local<v8::Function> maker;
    v8::Local<v8::Function> reader;
};

std::optional<Helpers> helpers(v8::Isolate* isolate) {
    ObjectRegistry& registry = IsolateData::objectRegistry(isolate);
    if (registry.dateMaker.IsEmpty()) {
        v8::Local<v8::Context> context = isolate->GetCurrentContext();
        v8::TryCatch tryCatch(isolate);
        v8::ScriptOrigin origin(isolate, V8Helper::v8_string(isolate, "qor:dates"));
        v8::Local<v8::Script> script;
        v8::Local<v8::Value> made;
        v8::Local<v8::Value> maker;
        v8::Local<v8::Value> reader;
        if (!v8::Script::Compile(context, V8Helper::v8_string(isolate, helperSource), &origin).ToLocal(&script) ||
            !script->Run(context).ToLocal(&made) || !made->IsArray() ||
            !made.As<v8::Array>()->Get(context, 0).ToLocal(&maker) ||
            !made.As<v8::Array>()->Get(context, 1).ToLocal(&reader) || !maker->IsFunction() || !reader->IsFunction())
            return std::nullopt;
        registry.dateMaker.Reset(isolate, maker.As<v8::Function>());
        registry.dateReader.Reset(isolate, reader.As<v8::Function>());
    }
    return Helpers{registry.dateMaker.Get(isolate), registry.dateReader.Get(isolate)};
}

} // namespace

std::optional<Parts> partsOf(DATE date) {
    // Wider than the covered years, so that the day count fits; the years
    // are checked once the date is known.
    if (!(date > -700'000.0 && date < 3'000'000.0))
        return std::nullopt;
    std::int64_t day = static_cast<std::int64_t>(date);
    std::int64_t time = std::llround(std::fabs(date - static_cast<double>(day)) * millisecondsPerDay);
    if (time == millisecondsPerDay) {
        ++day;
        time = 0;
    }
    Parts parts = civilFromDays(day + oleEpochDay);
    if (!coveredYear(parts.year))
        return std::nullopt;
    parts.hour = static_cast<int>(time / 3'600'000);
    parts.minute = static_cast<int>(time / 60'000 % 60);
    parts.second = static_cast<int>(time / 1000 % 60);
    parts.millisecond = static_cast<int>(time % 1000);
    return parts;
}

std::optional<DATE> oleDateOf(Parts const& parts) {
    if (!coveredYear(parts.year))
        return std::nullopt;
    std::int64_t const day = daysFromCivil(parts.year, parts.month + 1, parts.day) - oleEpochDay;
    std::int64_t const time =
        ((std::int64_t{parts.hour} * 60 + parts.minute) * 60 + parts.second) * 1000 + parts.millisecond;
    double const fraction = static_cast<double>(time) / millisecondsPerDay;
    return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

v8::MaybeLocal<v8::Date> toScript(v8::Isolate* isolate, DATE date) {
    auto const parts = partsOf(date);
    auto const functions = helpers(isolate);
    if (!parts || !functions)
        return {};
    std::array<v8::Local<v8::Value>, 7> arguments{
        v8::Integer::New(isolate, parts->year),   v8::Integer::New(isolate, parts->month),
        v8::Integer::New(isolate, parts->day),    v8::Integer::New(isolate, parts->hour),
        v8::Integer::New(isolate, parts->minute), v8::Integer::New(isolate, parts->second),
        v8::Integer::New(isolate, parts->millisecond)};
    v8::Local<v8::Value> made;
    if (!functions->maker
             ->Call(isolate->GetCurrentContext(), v8::Undefined(isolate), static_cast<int>(arguments.size()),
                    arguments.data())
             .ToLocal(&made) ||
        !made->IsDate())
        return {};
    return made.As<v8::Date>();
}

std::optional<DATE> toOle(v8::Isolate* isolate, v8::Local<v8::Date> date) {
    if (std::isnan(date->ValueOf()))
        return std::nullopt;
    auto const functions = helpers(isolate);
    if (!functions)
        return std::nullopt;
    v8::Local<v8::Context> context = isolate->GetCurrentContext();
    v8::Local<v8::Value> argument = date;
    v8::Local<v8::Value> read;
    if (!functions->reader->Call(context, v8::Undefined(isolate), 1, &argument).ToLocal(&read) || !read->IsArray())
        return std::nullopt;
    std::array<int, 7> values{};
    for (std::uint32_t i = 0; i < values.size(); ++i) {
        v8::Local<v8::Value> value;
        if (!read.As<v8::Array>()->Get(context, i).ToLocal(&value) || !value->IsInt32())
            return std::nullopt;
        values[i] = value.As<v8::Int32>()->Value();
    }
    return oleDateOf(Parts{values[0], values[1], values[2], values[3], values[4], values[5], values[6]});
}

void prepare(v8::Isolate* isolate) {
    helpers(isolate);
}

} // namespace qor::format::engine::javascript::ScriptDate
