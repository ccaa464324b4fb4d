#include "Format/Engine/JavaScript/V8Helper.h"

namespace qor::format::engine::javascript::V8Helper {

v8::Local<v8::String> v8_string(v8::Isolate* isolate, std::string_view text) {
    v8::Local<v8::String> result;
    if (text.size() > static_cast<std::size_t>(v8::String::kMaxLength) ||
        !v8::String::NewFromUtf8(isolate, text.data(), v8::NewStringType::kNormal, static_cast<int>(text.size()))
             .ToLocal(&result))
        return v8::String::Empty(isolate);
    return result;
}

std::string qor_string(v8::Local<v8::Value> const& value, v8::Isolate* isolate) {
    if (value.IsEmpty())
        return {};
    // A throwing toString() must not leave an exception behind in the caller.
    v8::TryCatch tryCatch(isolate);
    v8::String::Utf8Value utf8(isolate, value);
    if (*utf8 == nullptr)
        return {};
    return std::string(*utf8, static_cast<std::size_t>(utf8.length()));
}

} // namespace qor::format::engine::javascript::V8Helper
