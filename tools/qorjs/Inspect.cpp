// Node's util.inspect over the V8 API: the same texts, the same layout, for
// every kind of value, written so that reading a value runs none of the
// script's code that Node would not run either. This file reads values and
// lays out an object's entries; Inspector.h names the other parts.

#include "Inspector.h"

#include "QuotedString.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace qor::tools::qorjs {
namespace inspection {
namespace {

// Past this much text the rest is shown one level deep only, as Node does.
constexpr std::size_t outputBudget = std::size_t{1} << 27;

} // namespace

std::string plural(std::size_t count, std::string_view noun) {
    return fmt::format("{} {}{}", count, noun, count == 1 ? "" : "s");
}

std::string moreItems(std::size_t remaining) {
    return "... " + plural(remaining, "more item");
}

std::u16string unitsOf(v8::Isolate* isolate, v8::Local<v8::String> text) {
    std::u16string units(static_cast<std::size_t>(text->Length()), u'\0');
    text->Write(isolate, reinterpret_cast<std::uint16_t*>(units.data()), 0, text->Length(),
                v8::String::NO_NULL_TERMINATION);
    return units;
}

std::string utf8Of(v8::Isolate* isolate, v8::Local<v8::String> text) {
    v8::String::Utf8Value value(isolate, text);
    return *value != nullptr ? std::string(*value, static_cast<std::size_t>(value.length())) : std::string();
}

// --- reading ---------------------------------------------------------------

void Inspector::noteThrow() {
    if (tryCatch_.HasTerminated() || isolate_->IsExecutionTerminating()) {
        stopped_ = true;
        return;
    }
    lastThrow_ = tryCatch_.HasCaught() ? inspectionThrew(context_, tryCatch_.Exception()) : inspectionThrew(context_, {});
    tryCatch_.Reset();
}

v8::Local<v8::Value> Inspector::read(v8::Local<v8::Object> holder, v8::Local<v8::Value> key) {
    v8::Local<v8::Value> result;
    if (!stopped_ && holder->Get(context_, key).ToLocal(&result))
        return result;
    noteThrow();
    return {};
}

v8::Local<v8::String> Inspector::name(std::string_view text) {
    return v8::String::NewFromUtf8(isolate_, text.data(), v8::NewStringType::kNormal, static_cast<int>(text.size()))
        .ToLocalChecked();
}

// A primitive's text as String() gives it; empty for what has none.
std::string Inspector::textOf(v8::Local<v8::Value> value) {
    v8::Local<v8::String> text;
    if (value->IsSymbol() || value->IsObject() || !value->ToString(context_).ToLocal(&text))
        return {};
    return utf8Of(isolate_, text);
}

bool Inspector::isOwnEnumerable(v8::Local<v8::Object> object, v8::Local<v8::Value> key) {
    if (!key->IsName() || !object->HasOwnProperty(context_, key.As<v8::Name>()).FromMaybe(false))
        return false;
    auto const attributes = object->GetPropertyAttributes(context_, key);
    return attributes.IsJust() && (attributes.FromJust() & v8::DontEnum) == 0;
}

std::vector<v8::Local<v8::Value>> Inspector::keysOf(v8::Local<v8::Object> object, bool indices) {
    auto const filter = options_.showHidden ? v8::PropertyFilter::ALL_PROPERTIES : v8::PropertyFilter::ONLY_ENUMERABLE;
    v8::Local<v8::Array> names;
    if (!object
             ->GetPropertyNames(context_, v8::KeyCollectionMode::kOwnOnly, filter,
                                indices ? v8::IndexFilter::kIncludeIndices : v8::IndexFilter::kSkipIndices,
                                v8::KeyConversionMode::kConvertToString)
             .ToLocal(&names)) {
        noteThrow();
        return {};
    }
    std::vector<v8::Local<v8::Value>> keys;
    for (std::uint32_t i = 0; i < names->Length(); ++i) {
        v8::Local<v8::Value> key;
        if (names->Get(context_, i).ToLocal(&key))
            keys.push_back(key);
    }
    return keys;
}

// --- primitives ------------------------------------------------------------

std::string Inspector::primitive(v8::Local<v8::Value> value) {
    if (value->IsString())
        return string(value.As<v8::String>());
    if (value->IsNumber()) {
        double const number = value.As<v8::Number>()->Value();
        return number == 0 && std::signbit(number) ? "-0" : textOf(value);
    }
    if (value->IsBigInt())
        return textOf(value) + "n";
    if (value->IsSymbol()) {
        v8::Local<v8::Value> description = value.As<v8::Symbol>()->Description(isolate_);
        return "Symbol(" +
               (description->IsString() ? escaped(unitsOf(isolate_, description.As<v8::String>())) : std::string()) +
               ")";
    }
    return textOf(value); // undefined, null, true, false
}

std::string Inspector::string(v8::Local<v8::String> text) {
    std::u16string units = unitsOf(isolate_, text);
    std::string trailer;
    if (units.size() > options_.maxStringLength) {
        trailer = "... " + plural(units.size() - options_.maxStringLength, "more character");
        units.resize(options_.maxStringLength);
    }
    // A long text with line ends shows a line of the source per line.
    auto const room = static_cast<std::ptrdiff_t>(options_.breakLength) - static_cast<std::ptrdiff_t>(indentation_) - 4;
    if (units.size() > 16 && static_cast<std::ptrdiff_t>(units.size()) > room) {
        std::string out;
        std::size_t start = 0;
        while (start < units.size()) {
            std::size_t end = units.find(u'\n', start);
            end = end == std::u16string::npos ? units.size() : end + 1;
            if (start > 0)
                out += " +\n" + std::string(indentation_ + 2, ' ');
            out += quotedString(std::u16string_view(units).substr(start, end - start));
            start = end;
        }
        return out + trailer;
    }
    return quotedString(units) + trailer;
}

// --- objects ---------------------------------------------------------------

std::string Inspector::value(v8::Local<v8::Value> value, int depth, bool ofTypedArray) {
    if (stopped_ || value.IsEmpty())
        return {};
    if (!value->IsObject())
        return primitive(value);
    v8::Local<v8::Object> object = value.As<v8::Object>();
    // A proxy shows its target, so that no trap runs.
    while (object->IsProxy()) {
        auto proxy = object.As<v8::Proxy>();
        v8::Local<v8::Value> target = proxy->GetTarget();
        if (proxy->IsRevoked() || !target->IsObject())
            return "<Revoked Proxy>";
        object = target.As<v8::Object>();
    }
    if (std::ranges::find(seen_, object) != seen_.end()) {
        auto known = std::ranges::find(circular_, object);
        if (known == circular_.end())
            known = circular_.insert(circular_.end(), object);
        return fmt::format("[Circular *{}]", known - circular_.begin() + 1);
    }
    return raw(object, depth, ofTypedArray);
}

std::string Inspector::raw(v8::Local<v8::Object> object, int depth, bool ofTypedArray) {
    if (auto view = engine_.viewComObject(object))
        return comObject(object, *view, depth);
    Named named{constructorName(object, depth), tagOf(object)};
    if (!named.tag.empty() && isOwnEnumerable(object, v8::Symbol::GetToStringTag(isolate_)))
        named.tag.clear();
    std::string const start = prefix(named.constructor, named.tag, "Object");
    std::string const shortName = start.substr(0, start.size() - 1);
    if (stackExhausted())
        return "[" + shortName + ": Inspection interrupted prematurely. Maximum call stack size exceeded.]";
    Shape shape;
    if (!collectionShape(object, named, shape) && !bufferShape(object, named, ofTypedArray, shape))
        plainShape(object, named, depth, shape);
    if (shape.whole)
        return *shape.whole;
    if (beyondDepth(depth))
        return named.constructor ? "[" + shortName + "]" : shortName;
    return withEntries(object, shape, depth);
}

std::string Inspector::comObject(v8::Local<v8::Object> object, ComObjectView const& view, int depth) {
    std::string const className = view.className.empty() ? "Object" : view.className;
    Shape shape;
    shape.braces = {className + " [COM] {", "}"};
    // Only what the script added: reading a member calls into the object.
    for (v8::Local<v8::Value> key : keysOf(object, true)) {
        if (key->IsString()) {
            std::string const text = utf8Of(isolate_, key.As<v8::String>());
            if (std::ranges::any_of(view.members, [&](auto const& member) { return member.name == text; }) ||
                object->HasRealNamedCallbackProperty(context_, key.As<v8::String>()).FromMaybe(true))
                continue;
        }
        shape.keys.push_back(key);
    }
    if (shape.keys.empty())
        return shape.braces.open + "}";
    if (beyondDepth(depth))
        return "[" + className + "]";
    return withEntries(object, shape, depth);
}

std::string Inspector::withEntries(v8::Local<v8::Object> object, Shape& shape, int depth) {
    ++depth;
    seen_.push_back(object);
    currentDepth_ = depth;
    std::vector<std::string> entries = shape.leading ? shape.leading(depth) : std::vector<std::string>{};
    for (v8::Local<v8::Value> key : shape.keys)
        entries.push_back(property(object, key, depth, EntryKind::properties, shape.namespaceObject));
    seen_.pop_back();
    if (auto known = std::ranges::find(circular_, object); known != circular_.end()) {
        std::string const reference = fmt::format("<ref *{}>", known - circular_.begin() + 1);
        shape.base = shape.base.empty() ? reference : reference + " " + shape.base;
    }
    LayoutContext const layout{options_.breakLength, options_.compact, options_.maxArrayLength, indentation_,
                               currentDepth_};
    std::string text = layOut(std::move(entries), shape.base, shape.braces, shape.kind, shape.numbers, layout, depth);
    written_ += text.size();
    if (written_ > outputBudget)
        options_.depth = -1;
    return text;
}

std::string Inspector::property(v8::Local<v8::Object> holder, v8::Local<v8::Value> key, int depth, EntryKind kind,
                                bool namespaceObject) {
    v8::Local<v8::Value> descriptorValue;
    std::string shown;
    bool enumerable = true;
    auto const own = [&](char const* field) {
        v8::Local<v8::Object> descriptor = descriptorValue.As<v8::Object>();
        v8::Local<v8::String> fieldName = name(field);
        return descriptor->HasOwnProperty(context_, fieldName).FromMaybe(false) ? read(descriptor, fieldName)
                                                                                : v8::Local<v8::Value>();
    };
    if (!key->IsName() || !holder->GetOwnPropertyDescriptor(context_, key.As<v8::Name>()).ToLocal(&descriptorValue)) {
        noteThrow();
        shown = namespaceObject ? "<uninitialized>" : thrownText();
    } else if (!descriptorValue->IsObject()) {
        // Not its own: what a lookup finds, as a DataView's byteLength.
        v8::Local<v8::Value> found = read(holder, key);
        indentation_ += 2;
        shown = found.IsEmpty() ? thrownText() : value(found, depth);
        indentation_ -= 2;
    } else {
        v8::Local<v8::Value> data = own("value");
        v8::Local<v8::Value> getter = own("get");
        v8::Local<v8::Value> setter = own("set");
        v8::Local<v8::Value> isEnumerable = own("enumerable");
        enumerable = isEnumerable.IsEmpty() || isEnumerable->BooleanValue(isolate_);
        if (!data.IsEmpty() && !data->IsUndefined()) {
            indentation_ += 2;
            shown = value(data, depth);
            indentation_ -= 2;
        } else if (!getter.IsEmpty() && !getter->IsUndefined()) {
            shown = !setter.IsEmpty() && !setter->IsUndefined() ? "[Getter/Setter]" : "[Getter]";
        } else if (!setter.IsEmpty() && !setter->IsUndefined()) {
            shown = "[Setter]";
        } else {
            shown = "undefined";
        }
    }
    if (kind == EntryKind::arrayElements)
        return shown;
    return keyText(key, enumerable) + ": " + shown;
}

std::string Inspector::keyText(v8::Local<v8::Value> key, bool enumerable) {
    if (key->IsSymbol())
        return "[" + primitive(key) + "]";
    std::u16string const units = unitsOf(isolate_, key.As<v8::String>());
    if (units == u"__proto__")
        return "['__proto__']";
    if (!enumerable)
        return "[" + escaped(units) + "]";
    std::string const text = escaped(units);
    return isPlainKey(text) ? text : quotedString(units);
}

} // namespace inspection

using inspection::Inspector;
using inspection::utf8Of;
using format::engine::javascript::ComV8Engine;

std::string inspectionThrew(v8::Local<v8::Context> context, v8::Local<v8::Value> exception) {
    v8::Isolate* isolate = context->GetIsolate();
    std::string message = "unknown";
    v8::Local<v8::Value> text;
    if (exception.IsEmpty()) {
    } else if (exception->IsNativeError()) {
        v8::TryCatch nested(isolate);
        if (exception.As<v8::Object>()->Get(context, v8::String::NewFromUtf8Literal(isolate, "message")).ToLocal(&text) &&
            text->IsString())
            message = utf8Of(isolate, text.As<v8::String>());
    } else if (!exception->IsObject() && !exception->IsSymbol()) {
        message = utf8Of(isolate, exception->ToString(context).ToLocalChecked());
    }
    return "<Inspection threw (" + message + ")>";
}

std::optional<std::string> inspect(ComV8Engine& engine, v8::Local<v8::Context> context, v8::Local<v8::Value> value,
                                   InspectOptions const& options) {
    v8::Isolate* isolate = context->GetIsolate();
    v8::HandleScope handleScope(isolate);
    v8::TryCatch tryCatch(isolate);
    Inspector inspector(engine, context, options, tryCatch);
    std::string text = inspector.value(value, 0);
    if (inspector.stopped())
        return std::nullopt;
    return text;
}

} // namespace qor::tools::qorjs
