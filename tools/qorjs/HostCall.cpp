#include "HostCall.h"

#include "ErrorPrinter.h"

#include "Platform/Windows/Com/OleText.h"

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

bool callGlobal(ComV8Engine& engine, std::string const& name, std::vector<std::string> const& arguments) {
    // Found as the engine finds the functions COM objects call: a global of
    // the whole name, or a path of properties separated by dots.
    auto const function = engine.resolveFunction(name);
    if (!function) {
        if (function.error().message == "Function not found") {
            std::fprintf(stderr, "qorjs: the script has no function %s\n", name.c_str());
        } else {
            std::string const text = formatError(function.error());
            std::fwrite(text.data(), 1, text.size(), stderr);
        }
        return false;
    }
    std::vector<_variant_t> values;
    for (std::string const& argument : arguments)
        values.push_back(variantOf(argument));
    // A failure is the engine's pending error, which its report prints.
    auto const result = function->call(values);
    if (!result)
        return false;
    printVariant(*result);
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
