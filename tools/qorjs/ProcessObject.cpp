#include "ProcessObject.h"

#include "StandardInput.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace qor::tools::qorjs {
namespace {

v8::Local<v8::String> text(v8::Isolate* isolate, std::string_view value) {
    v8::Local<v8::String> result;
    if (!v8::String::NewFromUtf8(isolate, value.data(), v8::NewStringType::kNormal, static_cast<int>(value.size()))
             .ToLocal(&result))
        return v8::String::Empty(isolate);
    return result;
}

void set(v8::Local<v8::Context> context, v8::Local<v8::Object> target, char const* name, v8::Local<v8::Value> value) {
    target->Set(context, text(context->GetIsolate(), name), value).Check();
}

v8::Local<v8::Function> function(v8::Local<v8::Context> context, v8::FunctionCallback callback,
                                 v8::Local<v8::External> data, char const* name) {
    v8::Local<v8::Function> result =
        v8::Function::New(context, callback, data, 0, v8::ConstructorBehavior::kThrow).ToLocalChecked();
    result->SetName(text(context->GetIsolate(), name));
    return result;
}

// An exit code the script gives: a whole number, or undefined (and null) for
// none; nothing for anything else.
std::optional<std::optional<long long>> codeOf(v8::Local<v8::Value> value) {
    if (value->IsNullOrUndefined())
        return std::optional<long long>();
    if (!value->IsNumber())
        return std::nullopt;
    double const number = value.As<v8::Number>()->Value();
    if (!std::isfinite(number) || std::trunc(number) != number)
        return std::nullopt;
    return std::optional<long long>(static_cast<long long>(std::fmod(number, 4294967296.0)));
}

// The status the system reports for a code: its low eight bits.
int statusOf(long long code) {
    return static_cast<int>(((code % 256) + 256) % 256);
}

void throwTypeError(v8::Isolate* isolate, char const* message) {
    isolate->ThrowException(v8::Exception::TypeError(text(isolate, message)));
}

void write(v8::FunctionCallbackInfo<v8::Value> const& info, std::FILE* stream) {
    v8::Isolate* isolate = info.GetIsolate();
    v8::Local<v8::String> value;
    if (!info[0]->ToString(isolate->GetCurrentContext()).ToLocal(&value))
        return;
    v8::String::Utf8Value utf8(isolate, value);
    std::fwrite(*utf8, 1, static_cast<std::size_t>(utf8.length()), stream);
    std::fflush(stream);
    info.GetReturnValue().Set(true);
}

} // namespace

ProcessObject& ProcessObject::of(Info const& info) {
    return *static_cast<ProcessObject*>(info.Data().As<v8::External>()->Value());
}
ProcessObject& ProcessObject::of(v8::PropertyCallbackInfo<v8::Value> const& info) {
    return *static_cast<ProcessObject*>(info.Data().As<v8::External>()->Value());
}
ProcessObject& ProcessObject::of(v8::PropertyCallbackInfo<void> const& info) {
    return *static_cast<ProcessObject*>(info.Data().As<v8::External>()->Value());
}

void ProcessObject::install(v8::Local<v8::Context> context) {
    v8::Isolate* isolate = context->GetIsolate();
    v8::HandleScope handleScope(isolate);
    v8::Local<v8::External> self = v8::External::New(isolate, this);
    v8::Local<v8::Object> process = v8::Object::New(isolate);

    v8::Local<v8::Array> argv = v8::Array::New(isolate, static_cast<int>(argv_.size()));
    for (std::size_t i = 0; i < argv_.size(); ++i)
        argv->Set(context, static_cast<std::uint32_t>(i), text(isolate, argv_[i])).Check();
    set(context, process, "argv", argv);

    v8::Local<v8::Object> env = v8::Object::New(isolate);
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
        if (char const* equals = std::strchr(*entry, '='))
            env->Set(context, text(isolate, std::string_view(*entry, static_cast<std::size_t>(equals - *entry))),
                     text(isolate, equals + 1))
                .Check();
    set(context, process, "env", env);

    set(context, process, "exit", function(context, exit, self, "exit"));
    process->SetAccessor(context, text(isolate, "exitCode"), getExitCode, setExitCode, self).Check();

    v8::Local<v8::Object> in = v8::Object::New(isolate);
    set(context, in, "readLine", function(context, readLine, self, "readLine"));
    set(context, process, "stdin", in);
    v8::Local<v8::Object> out = v8::Object::New(isolate);
    set(context, out, "write", function(context, writeOut, self, "write"));
    set(context, process, "stdout", out);
    v8::Local<v8::Object> err = v8::Object::New(isolate);
    set(context, err, "write", function(context, writeErr, self, "write"));
    set(context, process, "stderr", err);

    set(context, context->Global(), "process", process);

    v8::Local<v8::Script> empty =
        v8::Script::Compile(context, text(isolate, "(function () {})")).ToLocalChecked();
    checkpoint_.Reset(isolate, empty->Run(context).ToLocalChecked().As<v8::Function>());
}

// process.exit([code]): ends the script at once, with `code`, else
// process.exitCode, else 0. Nothing of the script runs after it, not even
// its finally blocks, as in Node.
void ProcessObject::exit(Info const& info) {
    ProcessObject& self = of(info);
    auto const code = codeOf(info[0]);
    if (!code)
        return throwTypeError(info.GetIsolate(), "process.exit: the exit code must be an integer");
    self.exit_ = *code ? statusOf(**code) : self.exitCode();
    std::fflush(stdout);
    std::fflush(stderr);
    self.engine_.terminateScript();
    // Nor does a timer due in the same round.
    self.engine_.stopPendingTasks();
    // V8 ends the script where it next checks, which may be a few calls on;
    // a call into script is such a check, here.
    v8::Isolate* isolate = info.GetIsolate();
    self.checkpoint_.Get(isolate)->Call(isolate->GetCurrentContext(), v8::Undefined(isolate), 0, nullptr).IsEmpty();
}

int ProcessObject::exitCode() const {
    return statusOf(exitCode_.value_or(0));
}

void ProcessObject::getExitCode(v8::Local<v8::Name>, v8::PropertyCallbackInfo<v8::Value> const& info) {
    if (auto const code = of(info).exitCode_)
        info.GetReturnValue().Set(static_cast<double>(*code));
}

void ProcessObject::setExitCode(v8::Local<v8::Name>, v8::Local<v8::Value> value,
                                v8::PropertyCallbackInfo<void> const& info) {
    auto const code = codeOf(value);
    if (!code)
        return throwTypeError(info.GetIsolate(), "process.exitCode must be an integer or undefined");
    of(info).exitCode_ = *code;
}

// process.stdin.readLine(): the next line of standard input without its
// line end; null at the end of the input.
void ProcessObject::readLine(Info const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    std::optional<std::string> const line = readInputLine();
    if (!line)
        return info.GetReturnValue().SetNull();
    v8::Local<v8::String> value;
    if (!v8::String::NewFromUtf8(isolate, line->data(), v8::NewStringType::kNormal, static_cast<int>(line->size()))
             .ToLocal(&value)) {
        isolate->ThrowException(
            v8::Exception::RangeError(text(isolate, "process.stdin.readLine: the line is too long for a string")));
        return;
    }
    info.GetReturnValue().Set(value);
}

void ProcessObject::writeOut(Info const& info) {
    write(info, stdout);
}

void ProcessObject::writeErr(Info const& info) {
    write(info, stderr);
}

} // namespace qor::tools::qorjs
