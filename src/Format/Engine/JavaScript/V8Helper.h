#pragma once

#include <v8.h>

#include <string>
#include <string_view>

namespace qor::format::engine::javascript::V8Helper {

// A V8 string of UTF-8 text; text too long for V8 gives the empty string.
v8::Local<v8::String> v8_string(v8::Isolate* isolate, std::string_view text);

// The UTF-8 string form of a value (its ToString); empty when that throws.
std::string qor_string(v8::Local<v8::Value> const& value, v8::Isolate* isolate);

} // namespace qor::format::engine::javascript::V8Helper
