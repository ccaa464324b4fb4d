#include "HostCall.h"

#include "ErrorPrinter.h"

#include "Platform/Windows/Com/OleText.h"

#include <nlohmann/json.hpp>

#include <fmt/format.h>

#include <charconv>
#include <cstdio>
#include <optional>

namespace qor::tools::qorjs {
namespace {

using format::engine::javascript::ComV8Engine;

std::optional<double> numberOf(std::string const& text) {
    double value = 0;
    auto const [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// The argument a command-line word stands for.
_variant_t variantOf(std::string const& text) {
    if (text == "true" || text == "false")
        return _variant_t(text == "true");
    if (auto number = numberOf(text)) {
        if (*number == static_cast<LONG>(*number))
            return _variant_t(static_cast<LONG>(*number));
        return _variant_t(*number);
    }
    return _variant_t(text.c_str());
}

v8::Local<v8::Value> valueOf(v8::Isolate* isolate, std::string const& text) {
    if (text == "true" || text == "false")
        return v8::Boolean::New(isolate, text == "true");
    if (auto number = numberOf(text))
        return v8::Number::New(isolate, *number);
    return v8::String::NewFromUtf8(isolate, text.c_str()).ToLocalChecked();
}

void print(std::string const& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

// A result as a script would show it; nothing for undefined.
void printVariant(VARIANT const& result) {
    switch (result.vt) {
    case VT_EMPTY:
        return;
    case VT_NULL:
        return print("null");
    case VT_BOOL:
        return print(result.boolVal != 0 ? "true" : "false");
    case VT_I4:
        return print(std::to_string(result.lVal));
    case VT_UI4:
        return print(std::to_string(result.ulVal));
    case VT_R8:
        return print(fmt::format("{}", result.dblVal));
    case VT_BSTR:
        return print(platform::windows::com::utf8FromOle(result.bstrVal));
    case VT_DISPATCH:
        return print("[object]");
    default:
        return print(fmt::format("[VARIANT of type {}]", result.vt));
    }
}

// Whether the script has a function of that name, found as the engine finds
// it: a global of the whole name, or a path of properties separated by dots.
bool functionExists(ComV8Engine& engine, std::string const& name) {
    engine.setScript(fmt::format("(name => {{ let o = globalThis; if (typeof o[name] === 'function') return true;"
                                 " for (const p of name.split('.').filter(Boolean)) {{ if (o == null) return false;"
                                 " o = o[p]; }} return typeof o === 'function'; }})({})",
                                 // Bytes that are not UTF-8 name no function; quoted, they must not stop the JSON.
                                 nlohmann::json(name).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)),
                     {});
    return engine.runScript() == "true";
}

bool callGlobal(ComV8Engine& engine, std::string const& name, std::vector<std::string> const& arguments) {
    if (!functionExists(engine, name)) {
        std::fprintf(stderr, "qorjs: the script has no function %s\n", name.c_str());
        return false;
    }
    std::vector<_variant_t> values;
    for (std::string const& argument : arguments)
        values.push_back(variantOf(argument));
    _variant_t const result = engine.callJsFunctionGetError(name, values);
    if (engine.hasPendingError())
        return false;
    printVariant(result);
    return true;
}

bool callExport(ComV8Engine& engine, std::string const& name, std::vector<std::string> const& arguments) {
    v8::Isolate* isolate = engine.getIsolate();
    v8::Isolate::Scope isolateScope(isolate);
    v8::HandleScope handleScope(isolate);
    std::vector<v8::Local<v8::Value>> values;
    for (std::string const& argument : arguments)
        values.push_back(valueOf(isolate, argument));
    auto result = engine.callModuleFunction(name, values);
    if (!result) {
        std::string const text = formatError(result.error());
        std::fwrite(text.data(), 1, text.size(), stderr);
        return false;
    }
    if (!result->IsEmpty() && !(*result)->IsUndefined()) {
        v8::String::Utf8Value text(isolate, *result);
        if (*text != nullptr)
            print(std::string(*text, static_cast<std::size_t>(text.length())));
    }
    return true;
}

} // namespace

bool callFunction(ComV8Engine& engine, std::string const& name, std::vector<std::string> const& arguments,
                  bool module) {
    bool const called = module ? callExport(engine, name, arguments) : callGlobal(engine, name, arguments);
    std::fflush(stdout);
    return called;
}

} // namespace qor::tools::qorjs
