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
using format::engine::javascript::ScriptFunction;

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

void print(std::string const& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

// A result as a script would show it, for the types a script's values
// become; COM's own text of the value for the rest.
std::string textOf(VARIANT const& value) {
    switch (value.vt) {
    case VT_NULL:
        return "null";
    case VT_BOOL:
        return value.boolVal != 0 ? "true" : "false";
    case VT_I4:
        return std::to_string(value.lVal);
    case VT_UI4:
        return std::to_string(value.ulVal);
    case VT_R8:
        return fmt::format("{}", value.dblVal);
    case VT_BSTR:
        return platform::windows::com::utf8FromOle(value.bstrVal);
    case VT_DISPATCH:
        return "[object]";
    default:
        break;
    }
    _variant_t text;
    if (SUCCEEDED(VariantChangeType(&text, &value, 0, VT_BSTR)))
        return platform::windows::com::utf8FromOle(text.bstrVal);
    return fmt::format("[VARIANT of type {}]", value.vt);
}

// A failure to find it is printed here; the failure of the call itself is
// the engine's pending error, which its report prints.
bool callResolved(std::expected<ScriptFunction, format::engine::javascript::Error> const& function,
                  std::string const& name, std::vector<std::string> const& arguments, char const* holder) {
    if (!function) {
        if (function.error().message == "Function not found") {
            std::fprintf(stderr, "qorjs: %s has no function %s\n", holder, name.c_str());
        } else {
            std::string const text = formatError(function.error());
            std::fwrite(text.data(), 1, text.size(), stderr);
        }
        return false;
    }
    std::vector<_variant_t> values;
    for (std::string const& argument : arguments)
        values.push_back(variantOf(argument));
    auto const result = function->call(values);
    if (!result)
        return false;
    // Nothing for undefined, as the REPL shows no value for it.
    if (result->vt != VT_EMPTY)
        print(textOf(*result));
    return true;
}

} // namespace

bool callFunction(ComV8Engine& engine, std::string const& name, std::vector<std::string> const& arguments,
                  bool module) {
    // Found as the engine finds the functions COM objects call: a global of
    // the whole name, or a path of properties separated by dots; with
    // `module`, among the module's exports.
    bool const called = module ? callResolved(engine.resolveModuleFunction(name), name, arguments, "the module")
                               : callResolved(engine.resolveFunction(name), name, arguments, "the script");
    std::fflush(stdout);
    return called;
}

} // namespace qor::tools::qorjs
