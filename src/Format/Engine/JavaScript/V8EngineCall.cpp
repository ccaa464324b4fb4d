// Calling script functions by name.

#include "Format/Engine/JavaScript/V8Engine.h"

#include "Format/Engine/JavaScript/V8Error.h"
#include "Format/Engine/JavaScript/V8Helper.h"

#include <optional>

namespace qor::format::engine::javascript {
namespace {

using Callee = V8Engine::Callee;

// The function `name` leads to, if any. Reading properties may run getters,
// which may throw: then nothing is found and the exception stays pending.
std::optional<Callee> lookUp(v8::Local<v8::Object> holder, v8::Local<v8::Context> context,
                             v8::Local<v8::String> key, std::string_view name,
                             std::span<v8::Local<v8::String> const> partKeys = {}) {
    v8::Isolate* isolate = context->GetIsolate();
    v8::Local<v8::Value> value;
    if (!holder->Get(context, key).ToLocal(&value))
        return std::nullopt;
    if (value->IsFunction())
        return Callee{holder, value.As<v8::Function>()};
    if (name.find('.') == std::string_view::npos)
        return std::nullopt;
    v8::Local<v8::Object> receiver = holder;
    value = holder;
    std::size_t part = 0;
    while (!name.empty()) {
        std::size_t const dot = name.find('.');
        std::string_view const text = name.substr(0, dot);
        name = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
        // An empty part (".Activate") names the holder itself.
        if (text.empty())
            continue;
        if (!value->IsObject())
            return std::nullopt;
        receiver = value.As<v8::Object>();
        v8::Local<v8::String> const partKey = part < partKeys.size() ? partKeys[part] : V8Helper::v8_string(isolate, text);
        ++part;
        if (!receiver->Get(context, partKey).ToLocal(&value))
            return std::nullopt;
    }
    if (!value->IsFunction())
        return std::nullopt;
    return Callee{receiver, value.As<v8::Function>()};
}

V8FuncResult call(Callee const& callee, v8::Local<v8::Context> context, std::span<v8::Local<v8::Value>> arguments) {
    V8FuncResult result;
    result.found = true;
    v8::Local<v8::Value> value;
    if (callee.function->Call(context, callee.receiver, static_cast<int>(arguments.size()), arguments.data())
            .ToLocal(&value))
        result.value = value;
    return result;
}

v8::Local<v8::String> keyOf(v8::Local<v8::Context> context, std::string_view name) {
    return V8Helper::v8_string(context->GetIsolate(), name);
}

// A call whose exception, if any, is caught and handed back as the error.
template <class Call>
std::expected<V8FuncResult, Error> caught(v8::Isolate* isolate, Call&& call) {
    V8Engine::CaughtCall catcher(isolate);
    V8FuncResult result = call();
    if (auto failure = catcher.take(isolate, result))
        return std::unexpected(std::move(*failure));
    return result;
}

} // namespace

std::unique_ptr<Error> V8Engine::CaughtCall::takeError(v8::Isolate* isolate) {
    auto error = std::make_unique<Error>(V8Error::get(Error::Type::Exception, isolate, tryCatch));
    tryCatch.Reset();
    return error;
}

V8FuncResult V8Engine::callJsFunction(v8::Local<v8::Object> holder, v8::Local<v8::Context> context,
                                      std::string_view name, std::vector<v8::Local<v8::Value>>& arguments) {
    return callJsFunction(holder, context, FunctionName{keyOf(context, name), name}, arguments);
}

V8FuncResult V8Engine::callJsFunction(v8::Local<v8::Object> holder, v8::Local<v8::Context> context,
                                      FunctionName const& name, std::span<v8::Local<v8::Value>> arguments) {
    auto callee = lookUp(holder, context, name.key, name.text, name.parts);
    if (!callee)
        return {};
    return call(*callee, context, arguments);
}

std::expected<V8FuncResult, Error> V8Engine::callJsFunctionGetError(v8::Local<v8::Object> holder,
                                                                    v8::Local<v8::Context> context,
                                                                    std::string_view name,
                                                                    std::vector<v8::Local<v8::Value>>& arguments) {
    return callJsFunctionGetError(holder, context, FunctionName{keyOf(context, name), name}, arguments);
}

std::expected<V8FuncResult, Error> V8Engine::callJsFunctionGetError(v8::Local<v8::Object> holder,
                                                                    v8::Local<v8::Context> context,
                                                                    FunctionName const& name,
                                                                    std::span<v8::Local<v8::Value>> arguments) {
    return caught(context->GetIsolate(), [&] { return callJsFunction(holder, context, name, arguments); });
}

V8FuncResult V8Engine::callJsFunction(v8::Local<v8::Context> context, Callee const& callee,
                                      std::span<v8::Local<v8::Value>> arguments) {
    return call(callee, context, arguments);
}

std::optional<Callee> V8Engine::findFunction(v8::Local<v8::Object> holder, v8::Local<v8::Context> context,
                                             FunctionName const& name) {
    return lookUp(holder, context, name.key, name.text, name.parts);
}

bool V8Engine::jsFunctionExists(v8::Local<v8::Object> holder, v8::Local<v8::Context> context, std::string_view name) {
    v8::TryCatch tryCatch(context->GetIsolate());
    return lookUp(holder, context, keyOf(context, name), name).has_value();
}

} // namespace qor::format::engine::javascript
