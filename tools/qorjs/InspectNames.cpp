// What an object is called, as Node's util.inspect names it: its
// constructor's name, its tag, a function's or a boxed primitive's text.

#include "Inspector.h"

#include "QuotedString.h"

#include <fmt/format.h>

#include <cmath>
#include <cstdint>
#include <utility>

namespace qor::tools::qorjs::inspection {

// A date as Date.prototype.toISOString writes it; years beyond four digits
// get six and a sign.
std::string isoDate(double time) {
    auto const millisecondsOfDay = static_cast<std::int64_t>(86'400'000);
    auto const total = static_cast<std::int64_t>(time);
    std::int64_t days = total / millisecondsOfDay;
    std::int64_t rest = total % millisecondsOfDay;
    if (rest < 0) {
        rest += millisecondsOfDay;
        --days;
    }
    // Civil date from days since 1970-01-01 (Howard Hinnant's algorithm).
    std::int64_t const z = days + 719468;
    std::int64_t const era = (z >= 0 ? z : z - 146096) / 146097;
    std::int64_t const dayOfEra = z - era * 146097;
    std::int64_t const yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    std::int64_t const dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    std::int64_t const monthIndex = (5 * dayOfYear + 2) / 153;
    std::int64_t const day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    std::int64_t const month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    std::int64_t const year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    std::string const yearText = year >= 0 && year <= 9999 ? fmt::format("{:04}", year)
                                                           : fmt::format("{}{:06}", year < 0 ? '-' : '+', std::abs(year));
    return fmt::format("{}-{:02}-{:02}T{:02}:{:02}:{:02}.{:03}Z", yearText, month, day, rest / 3'600'000,
                       rest / 60'000 % 60, rest / 1000 % 60, rest % 1000);
}


// The name of the nearest constructor up the prototype chain whose prototype
// the object inherits, as Node finds it; nothing for an object without a
// prototype. Proxies on the chain end the walk: their traps are not run.
std::optional<std::string> Inspector::constructorName(v8::Local<v8::Object> object, int depth) {
    v8::Local<v8::Value> current = object;
    v8::Local<v8::Value> firstPrototype;
    while (current->IsObject() && !current->IsProxy()) {
        v8::Local<v8::Object> holder = current.As<v8::Object>();
        v8::Local<v8::Value> descriptor;
        if (holder->GetOwnPropertyDescriptor(context_, name("constructor")).ToLocal(&descriptor) &&
            descriptor->IsObject() && descriptor.As<v8::Object>()->HasOwnProperty(context_, name("value")).FromMaybe(false)) {
            v8::Local<v8::Value> function = read(descriptor.As<v8::Object>(), "value");
            if (!function.IsEmpty() && function->IsFunction()) {
                v8::Local<v8::Value> functionName = read(function.As<v8::Object>(), "name");
                if (!functionName.IsEmpty() && functionName->IsString() && functionName.As<v8::String>()->Length() > 0 &&
                    inherits(object, function.As<v8::Function>()))
                    return utf8Of(isolate_, functionName.As<v8::String>());
            }
        } else if (tryCatch_.HasCaught() || stopped_) {
            noteThrow();
        }
        current = holder->GetPrototype();
        if (firstPrototype.IsEmpty())
            firstPrototype = current;
    }
    if (firstPrototype.IsEmpty() || firstPrototype->IsNull())
        return std::nullopt;
    std::string const internal = utf8Of(isolate_, object->GetConstructorName());
    if (beyondDepth(depth) || !firstPrototype->IsObject() || firstPrototype->IsProxy())
        return internal + " <Complex prototype>";
    std::optional<std::string> const above = constructorName(firstPrototype.As<v8::Object>(), depth + 1);
    return internal + " <" + above.value_or("[Object: null prototype] {}") + ">";
}

bool Inspector::inherits(v8::Local<v8::Object> object, v8::Local<v8::Function> constructor) {
    v8::Local<v8::Value> prototype = read(constructor, "prototype");
    if (prototype.IsEmpty() || !prototype->IsObject())
        return false;
    for (v8::Local<v8::Value> current = object->GetPrototype(); current->IsObject() && !current->IsProxy();
         current = current.As<v8::Object>()->GetPrototype())
        if (current == prototype)
            return true;
    return false;
}

std::string Inspector::tagOf(v8::Local<v8::Object> object) {
    v8::Local<v8::Value> tag = read(object, v8::Symbol::GetToStringTag(isolate_));
    return !tag.IsEmpty() && tag->IsString() ? utf8Of(isolate_, tag.As<v8::String>()) : std::string();
}

std::string prefix(std::optional<std::string> const& constructor, std::string const& tag, std::string_view fallback,
                   std::string const& size) {
    if (!constructor) {
        if (!tag.empty() && tag != fallback)
            return fmt::format("[{}{}: null prototype] [{}] ", fallback, size, tag);
        return fmt::format("[{}{}: null prototype] ", fallback, size);
    }
    if (!tag.empty() && *constructor != tag)
        return fmt::format("{}{} [{}] ", *constructor, size, tag);
    return fmt::format("{}{} ", *constructor, size);
}

std::string Inspector::functionBase(v8::Local<v8::Function> function, std::optional<std::string> const& constructor,
                                    std::string const& tag) {
    v8::Local<v8::String> source;
    std::string const text = function->FunctionProtoToString(context_).ToLocal(&source) ? utf8Of(isolate_, source)
                                                                                        : std::string();
    v8::Local<v8::Value> nameValue = read(function, "name");
    std::string const functionName =
        !nameValue.IsEmpty() && nameValue->IsString() ? utf8Of(isolate_, nameValue.As<v8::String>()) : std::string();
    std::size_t const body = text.find('{');
    bool const isClass = text.starts_with("class") && text.ends_with("}") && body != std::string::npos &&
                         text.substr(5, body - 5).find('(') == std::string::npos;
    if (isClass) {
        bool const named = function->HasOwnProperty(context_, name("name")).FromMaybe(false) && !functionName.empty();
        std::string base = "class " + (named ? functionName : std::string("(anonymous)"));
        if (constructor && *constructor != "Function")
            base += " [" + *constructor + "]";
        if (!tag.empty() && constructor != tag)
            base += " [" + tag + "]";
        if (!constructor) {
            base += " extends [null prototype]";
        } else if (v8::Local<v8::Value> parent = function->GetPrototype(); parent->IsFunction()) {
            v8::Local<v8::Value> parentName = read(parent.As<v8::Object>(), "name");
            if (!parentName.IsEmpty() && parentName->IsString() && parentName.As<v8::String>()->Length() > 0)
                base += " extends " + utf8Of(isolate_, parentName.As<v8::String>());
        }
        return "[" + base + "]";
    }
    std::string type = "Function";
    if (function->IsGeneratorFunction())
        type = "Generator" + type;
    if (function->IsAsyncFunction())
        type = "Async" + type;
    std::string base = "[" + type;
    if (!constructor)
        base += " (null prototype)";
    base += functionName.empty() ? " (anonymous)" : ": " + functionName;
    base += "]";
    if (constructor && *constructor != type)
        base += " " + *constructor;
    if (!tag.empty() && constructor != tag)
        base += " [" + tag + "]";
    return base;
}

std::string Inspector::boxedBase(v8::Local<v8::Object> object, std::optional<std::string> const& constructor,
                                 std::string const& tag, std::vector<v8::Local<v8::Value>>& keys) {
    std::string type;
    v8::Local<v8::Value> primitiveValue;
    if (object->IsNumberObject()) {
        type = "Number";
        primitiveValue = v8::Number::New(isolate_, object.As<v8::NumberObject>()->ValueOf());
    } else if (object->IsStringObject()) {
        type = "String";
        v8::Local<v8::String> text = object.As<v8::StringObject>()->ValueOf();
        primitiveValue = text;
        // Its characters are keys of its own; the text shows them.
        auto const characters = static_cast<std::size_t>(text->Length());
        keys.erase(keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(std::min(characters, keys.size())));
    } else if (object->IsBooleanObject()) {
        type = "Boolean";
        primitiveValue = v8::Boolean::New(isolate_, object.As<v8::BooleanObject>()->ValueOf());
    } else if (object->IsBigIntObject()) {
        type = "BigInt";
        primitiveValue = object.As<v8::BigIntObject>()->ValueOf();
    } else {
        type = "Symbol";
        primitiveValue = object.As<v8::SymbolObject>()->ValueOf();
    }
    std::string base = "[" + type;
    if (constructor != type)
        base += constructor ? " (" + *constructor + ")" : std::string(" (null prototype)");
    base += ": " + primitive(primitiveValue) + "]";
    if (!tag.empty() && constructor != tag)
        base += " [" + tag + "]";
    return base;
}

std::string Inspector::regExpText(v8::Local<v8::RegExp> regExp) {
    std::string source = utf8Of(isolate_, regExp->GetSource());
    int const flags = regExp->GetFlags();
    std::string letters;
    for (auto [flag, letter] : {std::pair{v8::RegExp::kHasIndices, 'd'}, {v8::RegExp::kGlobal, 'g'},
                                {v8::RegExp::kIgnoreCase, 'i'}, {v8::RegExp::kLinear, 'l'},
                                {v8::RegExp::kMultiline, 'm'}, {v8::RegExp::kDotAll, 's'},
                                {v8::RegExp::kUnicode, 'u'}, {v8::RegExp::kSticky, 'y'}})
        if ((flags & flag) != 0)
            letters += letter;
    return "/" + (source.empty() ? std::string("(?:)") : source) + "/" + letters;
}

} // namespace qor::tools::qorjs::inspection
