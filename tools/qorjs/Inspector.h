#pragma once

// The parts of inspect (Inspect.h), one file each: reading values, how each
// kind of object shows (InspectShapes.cpp), what objects are called
// (InspectNames.cpp), errors (InspectError.cpp), and the entries before an
// object's keys (InspectEntries.cpp).

#include "EntryLayout.h"
#include "Inspect.h"

#include "Format/Engine/JavaScript/Com/ComObjectView.h"

#include <v8.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qor::tools::qorjs::inspection {

using format::engine::javascript::ComObjectView;
using format::engine::javascript::ComV8Engine;

// Nesting beyond this much of the native stack is cut short, as Node cuts
// an inspection that exhausts its stack; well inside the main thread's.
constexpr std::uintptr_t stackBudget = 1 << 20;

// "3 more items", "1 empty item".
std::string plural(std::size_t count, std::string_view noun);
std::string moreItems(std::size_t remaining);
std::u16string unitsOf(v8::Isolate* isolate, v8::Local<v8::String> text);
std::string utf8Of(v8::Isolate* isolate, v8::Local<v8::String> text);
// A time value as Date.prototype.toISOString writes it.
std::string isoDate(double time);
// "Foo(3) [tag] ", "[Foo(3): null prototype] " and the like, before braces.
std::string prefix(std::optional<std::string> const& constructor, std::string const& tag, std::string_view fallback,
                   std::string const& size = {});

// What an object shows as: the braces and the text before them, its keys,
// and what comes before the keys' entries (its elements, its set members).
struct Shape {
    Braces braces{"{", "}"};
    std::string base;
    std::vector<v8::Local<v8::Value>> keys;
    EntryKind kind = EntryKind::properties;
    std::function<std::vector<std::string>(int depth)> leading;
    // All elements are numbers: columns of them are right-aligned.
    bool numbers = false;
    // A module namespace, whose bindings may not be initialized yet.
    bool namespaceObject = false;
    // The whole text, when the object shows without entries.
    std::optional<std::string> whole;
};

// What an object is called: the name of its constructor (nothing without a
// prototype) and its Symbol.toStringTag, if that says more.
struct Named {
    std::optional<std::string> constructor;
    std::string tag;
};

class Inspector {
public:
    Inspector(ComV8Engine& engine, v8::Local<v8::Context> context, InspectOptions const& options,
              v8::TryCatch& tryCatch)
        : engine_(engine), isolate_(context->GetIsolate()), context_(context), options_(options),
          tryCatch_(tryCatch), stackStart_(reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0))) {}

    std::string value(v8::Local<v8::Value> value, int depth, bool ofTypedArray = false);
    bool stopped() const { return stopped_; }

private:
    // --- reading values without leaving an exception behind -----------------
    void noteThrow();
    v8::Local<v8::Value> read(v8::Local<v8::Object> holder, v8::Local<v8::Value> key);
    v8::Local<v8::Value> read(v8::Local<v8::Object> holder, std::string_view key) { return read(holder, name(key)); }
    v8::Local<v8::String> name(std::string_view text);
    std::string textOf(v8::Local<v8::Value> value);
    std::string thrownText() const { return lastThrow_; }
    bool isOwnEnumerable(v8::Local<v8::Object> object, v8::Local<v8::Value> key);
    std::vector<v8::Local<v8::Value>> keysOf(v8::Local<v8::Object> object, bool indices);

    // --- primitives ------------------------------------------------------------
    std::string primitive(v8::Local<v8::Value> value);
    std::string string(v8::Local<v8::String> text);

    // --- objects ---------------------------------------------------------------
    std::string raw(v8::Local<v8::Object> object, int depth, bool ofTypedArray);
    bool collectionShape(v8::Local<v8::Object> object, Named const& named, Shape& shape);
    bool bufferShape(v8::Local<v8::Object> object, Named const& named, bool ofTypedArray, Shape& shape);
    void plainShape(v8::Local<v8::Object> object, Named const& named, int depth, Shape& shape);
    std::string comObject(v8::Local<v8::Object> object, ComObjectView const& view, int depth);
    std::string withEntries(v8::Local<v8::Object> object, Shape& shape, int depth);
    std::string property(v8::Local<v8::Object> holder, v8::Local<v8::Value> key, int depth, EntryKind kind,
                         bool namespaceObject = false);
    std::string keyText(v8::Local<v8::Value> key, bool enumerable);
    bool beyondDepth(int depth) const { return options_.depth && depth > *options_.depth; }
    bool stackExhausted() const {
        auto const here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
        return (here > stackStart_ ? here - stackStart_ : stackStart_ - here) > stackBudget;
    }

    std::optional<std::string> constructorName(v8::Local<v8::Object> object, int depth);
    bool inherits(v8::Local<v8::Object> object, v8::Local<v8::Function> constructor);
    std::string tagOf(v8::Local<v8::Object> object);

    std::string functionBase(v8::Local<v8::Function> function, std::optional<std::string> const& constructor,
                             std::string const& tag);
    std::string errorBase(v8::Local<v8::Object> error, std::optional<std::string> const& constructor,
                          std::string const& tag, std::vector<v8::Local<v8::Value>>& keys);
    void dropShownKeys(v8::Local<v8::Object> error, std::string const& stack, std::vector<v8::Local<v8::Value>>& keys);
    std::string boxedBase(v8::Local<v8::Object> object, std::optional<std::string> const& constructor,
                          std::string const& tag, std::vector<v8::Local<v8::Value>>& keys);
    std::string regExpText(v8::Local<v8::RegExp> regExp);

    std::vector<std::string> arrayElements(v8::Local<v8::Array> array, int depth, bool& numbers);
    std::vector<std::string> typedArrayElements(v8::Local<v8::TypedArray> array, int depth);
    std::vector<std::string> listed(v8::Local<v8::Array> values, std::size_t count, std::size_t stride, int depth,
                                    std::string_view separator);
    std::vector<std::string> arrayBufferContents(v8::Local<v8::Object> buffer);

    ComV8Engine& engine_;
    v8::Isolate* isolate_;
    v8::Local<v8::Context> context_;
    InspectOptions options_;
    v8::TryCatch& tryCatch_;
    std::uintptr_t stackStart_;
    std::vector<v8::Local<v8::Object>> seen_;
    std::vector<v8::Local<v8::Object>> circular_;
    std::size_t indentation_ = 0;
    int currentDepth_ = 0;
    std::size_t written_ = 0;
    bool stopped_ = false;
    std::string lastThrow_;
};

} // namespace qor::tools::qorjs::inspection
