#include "Completion.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qor::tools::qorjs {
namespace {

using format::engine::javascript::ComMemberView;
using format::engine::javascript::ComObjectView;
using format::engine::javascript::ComV8Engine;

constexpr std::array<std::string_view, 39> keywords{
    "await",    "break",    "case",   "catch",     "class",      "const",  "continue", "debugger",
    "default",  "delete",   "do",     "else",      "export",     "extends", "false",   "finally",
    "for",      "function", "if",     "import",    "in",         "instanceof", "let",  "new",
    "null",     "return",   "super",  "switch",    "this",       "throw",  "true",     "try",
    "typeof",   "undefined", "var",   "void",      "while",      "with",   "yield"};

bool isNamePart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
           (static_cast<unsigned char>(c) & 0x80) != 0;
}

bool isName(std::string_view text) {
    return !text.empty() && !(text[0] >= '0' && text[0] <= '9') && std::ranges::all_of(text, isNamePart);
}

// Where a path has got to: a script value, or the class a COM property's
// type names, when the property was not read.
struct Target {
    v8::Local<v8::Value> value;
    std::optional<ComObjectView> comClass;
};

class Completer {
public:
    Completer(ComV8Engine& engine, v8::Local<v8::Context> context)
        : engine_(engine), isolate_(context->GetIsolate()), context_(context) {}

    std::optional<Target> step(Target const& from, std::string const& name);
    void namesOf(Target const& target, std::set<std::string>& names);

private:
    std::optional<Target> memberStep(ComObjectView const& view, std::string const& name);
    v8::Local<v8::Value> dataProperty(v8::Local<v8::Object> object, std::string const& name);
    void chainNames(v8::Local<v8::Value> start, std::set<std::string>& names);
    v8::Local<v8::String> string(std::string_view text) {
        return v8::String::NewFromUtf8(isolate_, text.data(), v8::NewStringType::kNormal, static_cast<int>(text.size()))
            .ToLocalChecked();
    }

    ComV8Engine& engine_;
    v8::Isolate* isolate_;
    v8::Local<v8::Context> context_;
};

// Through a COM member: a property whose type names a class leads to it.
std::optional<Target> Completer::memberStep(ComObjectView const& view, std::string const& name) {
    auto const member = std::ranges::find(view.members, name, &ComMemberView::name);
    if (member == view.members.end() || member->callable || member->valueClass.empty())
        return std::nullopt;
    if (auto next = engine_.viewComClass(member->valueClass))
        return Target{{}, std::move(next)};
    return std::nullopt;
}

// The value of a data property found up the prototype chain; empty where a
// getter, a proxy or a COM object would have to answer.
v8::Local<v8::Value> Completer::dataProperty(v8::Local<v8::Object> object, std::string const& name) {
    v8::Local<v8::String> key = string(name);
    v8::Local<v8::Value> current = object;
    while (current->IsObject() && !current->IsProxy()) {
        v8::Local<v8::Object> holder = current.As<v8::Object>();
        if (holder != object && engine_.viewComObject(holder))
            return {};
        v8::Local<v8::Value> descriptor;
        if (!holder->GetOwnPropertyDescriptor(context_, key).ToLocal(&descriptor))
            return {};
        if (descriptor->IsObject()) {
            v8::Local<v8::Object> fields = descriptor.As<v8::Object>();
            v8::Local<v8::Value> value;
            if (!fields->HasOwnProperty(context_, string("value")).FromMaybe(false) ||
                !fields->Get(context_, string("value")).ToLocal(&value))
                return {};
            return value;
        }
        current = holder->GetPrototype();
    }
    return {};
}

std::optional<Target> Completer::step(Target const& from, std::string const& name) {
    if (from.comClass)
        return memberStep(*from.comClass, name);
    if (!from.value->IsObject())
        return std::nullopt;
    v8::Local<v8::Object> object = from.value.As<v8::Object>();
    if (auto view = engine_.viewComObject(object)) {
        if (std::ranges::find(view->members, name, &ComMemberView::name) != view->members.end())
            return memberStep(*view, name);
        // What the script added to the object is read as any data property.
        if (object->HasRealNamedCallbackProperty(context_, string(name)).FromMaybe(true))
            return std::nullopt;
    }
    v8::Local<v8::Value> value = dataProperty(object, name);
    if (value.IsEmpty())
        return std::nullopt;
    return Target{value, std::nullopt};
}

void Completer::chainNames(v8::Local<v8::Value> start, std::set<std::string>& names) {
    auto const filter =
        static_cast<v8::PropertyFilter>(v8::PropertyFilter::ALL_PROPERTIES | v8::PropertyFilter::SKIP_SYMBOLS);
    for (v8::Local<v8::Value> current = start; current->IsObject() && !current->IsProxy();
         current = current.As<v8::Object>()->GetPrototype()) {
        v8::Local<v8::Array> own;
        if (!current.As<v8::Object>()
                 ->GetPropertyNames(context_, v8::KeyCollectionMode::kOwnOnly, filter, v8::IndexFilter::kSkipIndices)
                 .ToLocal(&own))
            return;
        for (std::uint32_t i = 0; i < own->Length(); ++i)
            if (v8::Local<v8::Value> key; own->Get(context_, i).ToLocal(&key) && key->IsString())
                names.insert(*v8::String::Utf8Value(isolate_, key));
    }
}

void Completer::namesOf(Target const& target, std::set<std::string>& names) {
    if (target.comClass) {
        for (ComMemberView const& member : target.comClass->members)
            names.insert(member.name);
        return;
    }
    v8::Local<v8::Object> object;
    if (target.value->IsNullOrUndefined() || !target.value->ToObject(context_).ToLocal(&object))
        return;
    if (auto view = engine_.viewComObject(object))
        for (ComMemberView const& member : view->members)
            names.insert(member.name);
    chainNames(object, names);
}

} // namespace

Completions completeExpression(ComV8Engine& engine, v8::Local<v8::Context> context, std::string_view beforeCursor) {
    v8::Isolate* isolate = context->GetIsolate();
    v8::HandleScope handleScope(isolate);
    v8::TryCatch tryCatch(isolate);
    // The path of names that ends the text: "Application.ActiveWorkbook.Na".
    std::size_t start = beforeCursor.size();
    while (start > 0 && (isNamePart(beforeCursor[start - 1]) || beforeCursor[start - 1] == '.'))
        --start;
    std::string_view const path = beforeCursor.substr(start);
    std::size_t const lastDot = path.rfind('.');
    std::string_view const typed = lastDot == std::string_view::npos ? path : path.substr(lastDot + 1);
    Completions completions{typed.size(), {}};
    if (!typed.empty() && !isName(typed))
        return completions;

    Completer completer(engine, context);
    std::optional<Target> target = Target{context->Global(), std::nullopt};
    std::set<std::string> names;
    if (lastDot == std::string_view::npos) {
        // A name begun after a dot of something else, "f().na", has no path.
        if (start > 0 && beforeCursor[start - 1] == '.')
            return completions;
        completer.namesOf(*target, names);
        names.insert(keywords.begin(), keywords.end());
    } else {
        for (std::size_t from = 0; target && from <= lastDot;) {
            std::size_t const end = path.find('.', from);
            std::string_view const name = path.substr(from, end - from);
            if (!isName(name))
                return completions;
            target = completer.step(*target, std::string(name));
            from = end + 1;
        }
        if (!target)
            return completions;
        completer.namesOf(*target, names);
    }
    for (std::string const& name : names)
        if (name.starts_with(typed) && isName(name))
            completions.names.push_back(name);
    return completions;
}

} // namespace qor::tools::qorjs
