#include "LogFormat.h"

#include <fmt/format.h>

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace qor::tools::qorjs {
namespace {

using format::engine::javascript::ComV8Engine;

std::string utf8Of(v8::Isolate* isolate, v8::Local<v8::Value> text) {
    v8::String::Utf8Value value(isolate, text);
    return *value != nullptr ? std::string(*value, static_cast<std::size_t>(value.length())) : std::string();
}

// A number as the script shows it, -0 with its sign.
std::string numberText(v8::Isolate* isolate, v8::Local<v8::Context> context, double number) {
    if (number == 0 && std::signbit(number))
        return "-0";
    return utf8Of(isolate, v8::Number::New(isolate, number)->ToString(context).ToLocalChecked());
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// parseInt(text) of the script: an optional sign, 0x for hexadecimal, the
// digits that follow; NaN without any.
double parsedInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    double sign = 1;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        sign = text[i++] == '-' ? -1 : 1;
    int base = 10;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    double value = 0;
    bool any = false;
    for (; i < text.size(); ++i) {
        int const digit = std::isdigit(static_cast<unsigned char>(text[i])) ? text[i] - '0'
                          : base == 16 && std::isxdigit(static_cast<unsigned char>(text[i]))
                              ? std::tolower(static_cast<unsigned char>(text[i])) - 'a' + 10
                              : -1;
        if (digit < 0)
            break;
        value = value * base + digit;
        any = true;
    }
    return any ? sign * value : std::nan("");
}

// parseFloat(text) of the script: the longest decimal number, or Infinity,
// at the start; NaN without one.
double parsedFloat(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    std::size_t const start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    if (text.substr(i).starts_with("Infinity"))
        return text[start] == '-' ? -INFINITY : INFINITY;
    auto const digits = [&] {
        std::size_t const from = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
            ++i;
        return i > from;
    };
    bool any = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        any = digits() || any;
    }
    if (!any)
        return std::nan("");
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t const mark = i++;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (!digits())
            i = mark;
    }
    return std::strtod(std::string(text.substr(start, i - start)).c_str(), nullptr);
}

class LogFormatter {
public:
    LogFormatter(ComV8Engine& engine, v8::Local<v8::Context> context, InspectOptions const& options)
        : engine_(engine), isolate_(context->GetIsolate()), context_(context), options_(options),
          tryCatch_(isolate_) {}

    std::optional<std::string> format(std::span<v8::Local<v8::Value> const> arguments);

private:
    // The text of one specifier's argument; false when the run is ending.
    bool specified(char specifier, v8::Local<v8::Value> argument, std::string& out);
    std::string inspected(v8::Local<v8::Value> value, InspectOptions const& options);
    std::string thrown() {
        std::string text = inspectionThrew(context_, tryCatch_.Exception());
        tryCatch_.Reset();
        return text;
    }
    bool hasOwnToString(v8::Local<v8::Value> value);
    bool ending() const { return stopped_ || tryCatch_.HasTerminated() || isolate_->IsExecutionTerminating(); }

    ComV8Engine& engine_;
    v8::Isolate* isolate_;
    v8::Local<v8::Context> context_;
    InspectOptions options_;
    v8::TryCatch tryCatch_;
    bool stopped_ = false;
};

std::string LogFormatter::inspected(v8::Local<v8::Value> value, InspectOptions const& options) {
    auto text = inspect(engine_, context_, value, options);
    if (!text)
        stopped_ = true;
    return text.value_or(std::string());
}

// Whether the script gave the value a toString of its own, which %s calls;
// others are inspected. A COM object's is never looked up.
bool LogFormatter::hasOwnToString(v8::Local<v8::Value> value) {
    if (!value->IsObject() || engine_.viewComObject(value))
        return false;
    v8::Local<v8::Value> method;
    if (!value.As<v8::Object>()->Get(context_, v8::String::NewFromUtf8Literal(isolate_, "toString")).ToLocal(&method)) {
        tryCatch_.Reset();
        return false;
    }
    return method->IsFunction() && method.As<v8::Function>()->ScriptId() != v8::UnboundScript::kNoScriptId;
}

bool LogFormatter::specified(char specifier, v8::Local<v8::Value> argument, std::string& out) {
    v8::Local<v8::String> text;
    v8::Local<v8::Number> number;
    switch (specifier) {
    case 's':
        if (argument->IsNumber())
            out += numberText(isolate_, context_, argument.As<v8::Number>()->Value());
        else if (argument->IsBigInt())
            out += utf8Of(isolate_, argument) + "n";
        else if (argument->IsSymbol())
            out += inspected(argument, options_);
        else if (!argument->IsObject() || argument->IsFunction() || hasOwnToString(argument))
            out += argument->ToString(context_).ToLocal(&text) ? utf8Of(isolate_, text) : thrown();
        else {
            InspectOptions shallow = options_;
            shallow.depth = 0;
            out += inspected(argument, shallow);
        }
        break;
    case 'd':
    case 'i':
    case 'f':
        if (argument->IsBigInt() && specifier != 'f')
            out += utf8Of(isolate_, argument) + "n";
        else if (argument->IsSymbol())
            out += "NaN";
        else if (specifier == 'd')
            out += argument->ToNumber(context_).ToLocal(&number)
                       ? numberText(isolate_, context_, number->Value())
                       : thrown();
        else if (argument->ToString(context_).ToLocal(&text))
            out += numberText(isolate_, context_,
                              specifier == 'i' ? parsedInteger(utf8Of(isolate_, text)) : parsedFloat(utf8Of(isolate_, text)));
        else
            out += thrown();
        break;
    case 'j':
        if (argument->IsUndefined() || argument->IsFunction() || argument->IsSymbol())
            out += "undefined";
        else if (v8::JSON::Stringify(context_, argument).ToLocal(&text))
            out += text->IsString() ? utf8Of(isolate_, text) : std::string("undefined");
        else if (!ending() && tryCatch_.HasCaught() &&
                 utf8Of(isolate_, tryCatch_.Exception()).find("circular structure") != std::string::npos) {
            tryCatch_.Reset();
            out += "[Circular]";
        } else if (!ending()) {
            out += thrown();
        }
        break;
    case 'o': {
        InspectOptions hidden = options_;
        hidden.showHidden = true;
        hidden.depth = 4;
        out += inspected(argument, hidden);
        break;
    }
    case 'O':
        out += inspected(argument, options_);
        break;
    case 'c':
        break;
    }
    return !ending();
}

std::optional<std::string> LogFormatter::format(std::span<v8::Local<v8::Value> const> arguments) {
    std::string out;
    std::size_t next = 0;
    std::string separator;
    if (!arguments.empty() && arguments[0]->IsString()) {
        std::string const first = utf8Of(isolate_, arguments[0]);
        if (arguments.size() == 1)
            return first;
        next = 1;
        std::size_t copied = 0;
        for (std::size_t i = 0; i + 1 < first.size(); ++i) {
            if (first[i] != '%')
                continue;
            char const specifier = first[++i];
            if (specifier == '%') {
                out += first.substr(copied, i - copied);
                copied = i + 1;
                continue;
            }
            if (next == arguments.size() || std::string_view("sdifjoOc").find(specifier) == std::string_view::npos)
                continue;
            out += first.substr(copied, i - 1 - copied);
            if (!specified(specifier, arguments[next++], out))
                return std::nullopt;
            copied = i + 1;
        }
        if (copied == 0) {
            // No specifier: the string is the first of the values.
            next = 0;
            out.clear();
        } else {
            separator = " ";
            out += first.substr(copied);
        }
    }
    for (; next < arguments.size(); ++next) {
        out += separator;
        separator = " ";
        v8::Local<v8::Value> argument = arguments[next];
        out += argument->IsString() ? utf8Of(isolate_, argument) : inspected(argument, options_);
        if (ending())
            return std::nullopt;
    }
    return out;
}

} // namespace

std::optional<std::string> formatLog(ComV8Engine& engine, v8::Local<v8::Context> context,
                                     std::span<v8::Local<v8::Value> const> arguments, InspectOptions const& options) {
    v8::HandleScope handleScope(context->GetIsolate());
    return LogFormatter(engine, context, options).format(arguments);
}

} // namespace qor::tools::qorjs
