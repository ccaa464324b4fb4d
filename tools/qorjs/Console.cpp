#include "Console.h"

#include "ConsoleTable.h"
#include "Inspect.h"
#include "LogFormat.h"

#include <fmt/format.h>

#include <cmath>
#include <limits>
#include <vector>

namespace qor::tools::qorjs {
namespace {

std::vector<v8::Local<v8::Value>> argumentsOf(v8::FunctionCallbackInfo<v8::Value> const& info, int first) {
    std::vector<v8::Local<v8::Value>> values;
    for (int i = first; i < info.Length(); ++i)
        values.push_back(info[i]);
    return values;
}

// A time as Node's console shows it: "1.234ms", "2.500s", "1:02.345 (m:ss.mmm)".
std::string formatTime(double milliseconds) {
    constexpr double second = 1000;
    constexpr double minute = 60 * second;
    constexpr double hour = 60 * minute;
    if (milliseconds >= minute) {
        auto const hours = static_cast<long long>(std::floor(milliseconds / hour));
        milliseconds = std::fmod(milliseconds, hour);
        auto const minutes = static_cast<long long>(std::floor(milliseconds / minute));
        std::string const seconds = fmt::format("{:06.3f}", std::fmod(milliseconds, minute) / second);
        if (hours != 0)
            return fmt::format("{}:{:02}:{} (h:mm:ss.mmm)", hours, minutes, seconds);
        return fmt::format("{}:{} (m:ss.mmm)", minutes, seconds);
    }
    if (milliseconds >= second)
        return fmt::format("{:.3f}s", milliseconds / second);
    std::string text = fmt::format("{:.3f}", milliseconds);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.ends_with('.'))
        text.pop_back();
    return text + "ms";
}

// console.dir's options, as Node's inspect reads them.
InspectOptions inspectOptionsFrom(v8::Local<v8::Context> context, v8::Local<v8::Value> given) {
    InspectOptions options;
    if (!given->IsObject())
        return options;
    v8::Isolate* isolate = context->GetIsolate();
    v8::Local<v8::Object> object = given.As<v8::Object>();
    auto const read = [&](char const* key) {
        v8::Local<v8::Value> value;
        if (!object->Get(context, v8::String::NewFromUtf8(isolate, key).ToLocalChecked()).ToLocal(&value))
            return v8::Local<v8::Value>(v8::Undefined(isolate));
        return value;
    };
    // A count: a number, Infinity or null for no limit.
    auto const count = [&](v8::Local<v8::Value> value, auto& target) {
        using Count = std::remove_reference_t<decltype(target)>;
        if (value->IsNull() || (value->IsNumber() && std::isinf(value.As<v8::Number>()->Value())))
            target = std::numeric_limits<Count>::max() / 4;
        else if (value->IsNumber() && value.As<v8::Number>()->Value() >= 0)
            target = static_cast<Count>(value.As<v8::Number>()->Value());
    };
    v8::Local<v8::Value> depth = read("depth");
    if (depth->IsNull() || (depth->IsNumber() && std::isinf(depth.As<v8::Number>()->Value())))
        options.depth.reset();
    else if (depth->IsNumber())
        options.depth = static_cast<int>(std::max(-1.0, depth.As<v8::Number>()->Value()));
    if (v8::Local<v8::Value> hidden = read("showHidden"); !hidden->IsUndefined())
        options.showHidden = hidden->BooleanValue(isolate);
    count(read("maxArrayLength"), options.maxArrayLength);
    count(read("maxStringLength"), options.maxStringLength);
    count(read("breakLength"), options.breakLength);
    if (v8::Local<v8::Value> compact = read("compact"); compact->IsNumber())
        options.compact = static_cast<int>(compact.As<v8::Number>()->Value());
    else if (compact->IsFalse())
        options.compact = 0;
    return options;
}

} // namespace

template <void (Console::*method)(Console::Info const&)>
void Console::call(Info const& info) {
    v8::HandleScope handleScope(info.GetIsolate());
    (static_cast<Console*>(info.Data().As<v8::External>()->Value())->*method)(info);
}

void Console::install(v8::Local<v8::Context> context) {
    v8::Isolate* isolate = context->GetIsolate();
    v8::HandleScope handleScope(isolate);
    v8::Local<v8::Object> console = v8::Object::New(isolate);
    v8::Local<v8::External> self = v8::External::New(isolate, this);
    struct Method {
        char const* name;
        v8::FunctionCallback callback;
    };
    for (Method const& method : {Method{"log", call<&Console::log>}, {"info", call<&Console::log>},
                                 {"debug", call<&Console::log>}, {"warn", call<&Console::warn>},
                                 {"error", call<&Console::warn>}, {"dir", call<&Console::dir>},
                                 {"table", call<&Console::table>}, {"time", call<&Console::time>},
                                 {"timeLog", call<&Console::timeLog>}, {"timeEnd", call<&Console::timeEnd>},
                                 {"count", call<&Console::count>}, {"countReset", call<&Console::countReset>},
                                 {"assert", call<&Console::assertion>}, {"trace", call<&Console::trace>},
                                 {"group", call<&Console::group>}, {"groupCollapsed", call<&Console::group>},
                                 {"groupEnd", call<&Console::groupEnd>}}) {
        v8::Local<v8::String> name = v8::String::NewFromUtf8(isolate, method.name).ToLocalChecked();
        v8::Local<v8::Function> function =
            v8::Function::New(context, method.callback, self, 0, v8::ConstructorBehavior::kThrow).ToLocalChecked();
        function->SetName(name);
        console->Set(context, name, function).Check();
    }
    context->Global()->Set(context, v8::String::NewFromUtf8Literal(isolate, "console"), console).Check();
}

void Console::write(std::FILE* stream, std::string text) {
    if (!groupIndentation_.empty()) {
        for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
            text.insert(at + 1, groupIndentation_);
        text.insert(0, groupIndentation_);
    }
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

void Console::logArguments(Info const& info, std::FILE* stream, int first) {
    v8::Local<v8::Context> context = info.GetIsolate()->GetCurrentContext();
    std::vector<v8::Local<v8::Value>> const values = argumentsOf(info, first);
    if (auto line = formatLog(engine_, context, values))
        write(stream, *line);
}

void Console::log(Info const& info) {
    logArguments(info, stdout);
}

void Console::warn(Info const& info) {
    logArguments(info, stderr);
}

void Console::dir(Info const& info) {
    v8::Local<v8::Context> context = info.GetIsolate()->GetCurrentContext();
    if (auto text = inspect(engine_, context, info[0], inspectOptionsFrom(context, info[1])))
        write(stdout, *text);
}

void Console::table(Info const& info) {
    v8::Local<v8::Context> context = info.GetIsolate()->GetCurrentContext();
    auto table = formatTable(engine_, context, info[0], info[1]);
    if (!table)
        return;
    if (table->empty())
        return logArguments(info, stdout);
    write(stdout, *table);
}

// The label of a timer or counter: its first argument as a string,
// "default" without one.
std::string Console::labelOf(Info const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    if (info[0]->IsUndefined())
        return "default";
    v8::Local<v8::Value> label = info[0];
    if (!label->IsString())
        return formatLog(engine_, isolate->GetCurrentContext(), std::vector{label}).value_or("");
    v8::String::Utf8Value text(isolate, label);
    return std::string(*text, static_cast<std::size_t>(text.length()));
}

void Console::time(Info const& info) {
    std::string const label = labelOf(info);
    if (!timers_.try_emplace(label, std::chrono::steady_clock::now()).second)
        write(stderr, fmt::format("Warning: Label '{}' already exists for console.time()", label));
}

bool Console::writeTime(Info const& info, std::string const& label, char const* method) {
    auto const timer = timers_.find(label);
    if (timer == timers_.end()) {
        write(stderr, fmt::format("Warning: No such label '{}' for console.{}()", label, method));
        return false;
    }
    std::chrono::duration<double, std::milli> const elapsed = std::chrono::steady_clock::now() - timer->second;
    std::string line = label + ": " + formatTime(elapsed.count());
    if (info.Length() > 1)
        if (auto rest = formatLog(engine_, info.GetIsolate()->GetCurrentContext(), argumentsOf(info, 1)))
            line += " " + *rest;
    write(stdout, line);
    return true;
}

void Console::timeLog(Info const& info) {
    writeTime(info, labelOf(info), "timeLog");
}

void Console::timeEnd(Info const& info) {
    std::string const label = labelOf(info);
    if (writeTime(info, label, "timeEnd"))
        timers_.erase(label);
}

void Console::count(Info const& info) {
    std::string const label = labelOf(info);
    write(stdout, fmt::format("{}: {}", label, ++counts_[label]));
}

void Console::countReset(Info const& info) {
    std::string const label = labelOf(info);
    auto const counter = counts_.find(label);
    if (counter == counts_.end())
        write(stderr, fmt::format("Warning: Count for '{}' does not exist", label));
    else
        counter->second = 0;
}

// console.assert(value, ...data): nothing when the value is truthy, else
// "Assertion failed" and the data on stderr, the first datum's specifiers
// taking the rest.
void Console::assertion(Info const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    if (info[0]->BooleanValue(isolate))
        return;
    std::vector<v8::Local<v8::Value>> values = argumentsOf(info, 1);
    std::string first = "Assertion failed";
    if (!values.empty()) {
        // As a template literal shows it; a symbol, which has no such text,
        // as the console does.
        v8::TryCatch tryCatch(isolate);
        v8::Local<v8::String> text;
        std::vector<v8::Local<v8::Value>> const lead{values.front()};
        first += ": " + (values.front()->ToString(isolate->GetCurrentContext()).ToLocal(&text)
                             ? std::string(*v8::String::Utf8Value(isolate, text))
                             : formatLog(engine_, isolate->GetCurrentContext(), lead).value_or(""));
        values.erase(values.begin());
    }
    values.insert(values.begin(), v8::String::NewFromUtf8(isolate, first.c_str()).ToLocalChecked());
    if (auto line = formatLog(engine_, isolate->GetCurrentContext(), values))
        write(stderr, *line);
}

// "Trace: DATA" and the frames of the script that called, on stderr.
void Console::trace(Info const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    v8::Local<v8::Context> context = isolate->GetCurrentContext();
    auto message = formatLog(engine_, context, argumentsOf(info, 0));
    if (!message)
        return;
    std::string line = message->empty() ? "Trace" : "Trace: " + *message;
    v8::Local<v8::Value> error = v8::Exception::Error(v8::String::Empty(isolate));
    v8::Local<v8::Value> stack;
    v8::TryCatch tryCatch(isolate);
    if (error.As<v8::Object>()->Get(context, v8::String::NewFromUtf8Literal(isolate, "stack")).ToLocal(&stack) &&
        stack->IsString()) {
        std::string const frames = *v8::String::Utf8Value(isolate, stack);
        if (auto const at = frames.find("\n    at "); at != std::string::npos)
            line += frames.substr(at);
    }
    write(stderr, line);
}

void Console::group(Info const& info) {
    if (info.Length() > 0)
        logArguments(info, stdout);
    groupIndentation_ += "  ";
}

void Console::groupEnd(Info const&) {
    if (groupIndentation_.size() >= 2)
        groupIndentation_.resize(groupIndentation_.size() - 2);
}

} // namespace qor::tools::qorjs
