#pragma once

#include <v8.h>

#include <string>
#include <string_view>

namespace qor::format::engine::javascript::V8Helper {

// A V8 string of UTF-8 text; text too long for V8 gives the empty string.
v8::Local<v8::String> v8_string(v8::Isolate* isolate, std::string_view text);

// The UTF-8 string form of a value (its ToString); empty when that throws.
std::string qor_string(v8::Local<v8::Value> const& value, v8::Isolate* isolate);

// The object of a strong Global as a Local, without a new handle: the
// Global's slot serves as the Local's, as node's PersistentToLocal::Strong
// does. Only while the Global lives and holds that object; a call that may
// outlive either takes `global.Get(isolate)` instead.
template <class T>
v8::Local<T> borrowed(v8::Global<T> const& global) {
    static_assert(sizeof(v8::Global<T>) == sizeof(v8::Local<T>));
    return *reinterpret_cast<v8::Local<T> const*>(&global);
}

} // namespace qor::format::engine::javascript::V8Helper
