#include "Console.h"

#include <cstdio>
#include <string>

namespace qor::tools::qorjs {
namespace {

template <FILE** stream>
void write(v8::FunctionCallbackInfo<v8::Value> const& info) {
    v8::Isolate* isolate = info.GetIsolate();
    v8::HandleScope scope(isolate);
    std::string line;
    for (int i = 0; i < info.Length(); ++i) {
        if (i > 0)
            line += ' ';
        v8::String::Utf8Value text(isolate, info[i]);
        if (*text == nullptr)
            return; // its toString threw; the exception goes back to the script
        line.append(*text, static_cast<std::size_t>(text.length()));
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), *stream);
    std::fflush(*stream);
}

FILE* out = stdout;
FILE* err = stderr;

void set(v8::Local<v8::Context> context, v8::Local<v8::Object> target, char const* name, v8::FunctionCallback f) {
    v8::Isolate* isolate = context->GetIsolate();
    auto function = v8::Function::New(context, f).ToLocalChecked();
    target->Set(context, v8::String::NewFromUtf8(isolate, name).ToLocalChecked(), function).Check();
}

} // namespace

void installConsole(v8::Local<v8::Context> context) {
    v8::Isolate* isolate = context->GetIsolate();
    v8::HandleScope scope(isolate);
    v8::Local<v8::Object> console = v8::Object::New(isolate);
    set(context, console, "log", write<&out>);
    set(context, console, "info", write<&out>);
    set(context, console, "warn", write<&err>);
    set(context, console, "error", write<&err>);
    context->Global()->Set(context, v8::String::NewFromUtf8Literal(isolate, "console"), console).Check();
}

} // namespace qor::tools::qorjs
