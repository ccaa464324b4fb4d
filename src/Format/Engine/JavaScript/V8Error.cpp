#include "Format/Engine/JavaScript/V8Error.h"

#include "Format/Engine/JavaScript/V8Helper.h"

namespace qor::format::engine::javascript::V8Error {
namespace {

std::optional<std::string> nonEmpty(std::string text) {
    if (text.empty())
        return std::nullopt;
    return text;
}

void addLocation(Error& error, v8::Isolate* isolate, v8::Local<v8::Context> context,
                 v8::Local<v8::Message> message) {
    // An error raised outside any script (a stack overflow while linking
    // modules) has neither name nor line; "undefined:0" would mislead.
    if (v8::Local<v8::Value> name = message->GetScriptResourceName(); name->IsString())
        error.resourceName = nonEmpty(V8Helper::qor_string(name, isolate));
    int line = 0;
    if (!message->GetLineNumber(context).To(&line) || line <= 0)
        return;
    error.lineNumber = line;
    error.startColumn = message->GetStartColumn() + 1;
    error.endColumn = message->GetEndColumn() + 1;
    if (v8::Local<v8::String> text; message->GetSourceLine(context).ToLocal(&text))
        error.sourceLine = V8Helper::qor_string(text, isolate);
}

// The error of one exception and the message V8 made of it.
Error fromException(Error::Type type, v8::Isolate* isolate, v8::Local<v8::Value> exception,
                    v8::Local<v8::Message> message) {
    Error error;
    error.type = type;
    v8::Local<v8::Context> context = isolate->GetCurrentContext();
    error.message = message.IsEmpty() ? V8Helper::qor_string(exception, isolate)
                                      : V8Helper::qor_string(message->Get(), isolate);
    if (!message.IsEmpty() && !context.IsEmpty())
        addLocation(error, isolate, context, message);
    if (v8::Local<v8::Value> stack; !context.IsEmpty() && v8::TryCatch::StackTrace(context, exception).ToLocal(&stack) &&
                                     stack->IsString())
        error.stackTrace = nonEmpty(V8Helper::qor_string(stack, isolate));
    return error;
}

} // namespace

Error get(Error::Type type, v8::Isolate* isolate, v8::TryCatch const& tryCatch) {
    v8::HandleScope scope(isolate);
    // A termination is caught too, with nothing in it to read.
    if (tryCatch.HasTerminated() || !tryCatch.HasCaught()) {
        Error error;
        error.type = type;
        error.message = tryCatch.HasTerminated() ? "Script execution was terminated" : "Unknown script error";
        return error;
    }
    return fromException(type, isolate, tryCatch.Exception(), tryCatch.Message());
}

Error get(Error::Type type, v8::Isolate* isolate, v8::Local<v8::Value> exception) {
    v8::HandleScope scope(isolate);
    // Describing the exception may run script, as reading it does below.
    v8::TryCatch tryCatch(isolate);
    return get(type, isolate, exception, v8::Exception::CreateMessage(isolate, exception));
}

Error get(Error::Type type, v8::Isolate* isolate, v8::Local<v8::Value> exception, v8::Local<v8::Message> message) {
    v8::HandleScope scope(isolate);
    // Reading the stack of the exception may run script; nothing of that
    // belongs to the caller.
    v8::TryCatch tryCatch(isolate);
    return fromException(type, isolate, exception, message);
}

Error get(Error::Type type, v8::Isolate* isolate, std::string_view message) {
    Error error;
    error.type = type;
    error.message = std::string(message);
    if (isolate == nullptr || !isolate->InContext())
        return error;
    v8::HandleScope scope(isolate);
    v8::Local<v8::StackTrace> trace = v8::StackTrace::CurrentStackTrace(isolate, 1);
    if (trace->GetFrameCount() == 0)
        return error;
    v8::Local<v8::StackFrame> frame = trace->GetFrame(isolate, 0);
    error.resourceName = nonEmpty(V8Helper::qor_string(frame->GetScriptName(), isolate));
    error.lineNumber = frame->GetLineNumber();
    error.startColumn = frame->GetColumn();
    return error;
}

} // namespace qor::format::engine::javascript::V8Error
