// How each kind of object shows, as Node's util.inspect shows it. A kind
// that shows without entries (an empty array, a function without properties)
// leaves its whole text in the shape.

#include "Inspector.h"

#include <fmt/format.h>

#include <cmath>

namespace qor::tools::qorjs::inspection {

// Arrays, sets, maps, typed arrays and the iterators of sets and maps.
bool Inspector::collectionShape(v8::Local<v8::Object> object, Named const& named, Shape& shape) {
    auto const& [constructor, tag] = named;
    if (object->IsArray()) {
        auto array = object.As<v8::Array>();
        std::string const start = constructor != "Array" || !tag.empty()
                                      ? prefix(constructor, tag, "Array", fmt::format("({})", array->Length()))
                                      : std::string();
        shape.braces = {start + "[", "]"};
        shape.keys = keysOf(object, false);
        if (array->Length() == 0 && shape.keys.empty())
            shape.whole = shape.braces.open + "]";
        shape.kind = EntryKind::arrayElements;
        shape.leading = [this, array, &shape](int inner) { return arrayElements(array, inner, shape.numbers); };
    } else if (object->IsSet() || object->IsMap()) {
        bool const isSet = object->IsSet();
        std::size_t const size = isSet ? object.As<v8::Set>()->Size() : object.As<v8::Map>()->Size();
        std::string const start = prefix(constructor, tag, isSet ? "Set" : "Map", fmt::format("({})", size));
        shape.keys = keysOf(object, true);
        if (size == 0 && shape.keys.empty())
            shape.whole = start + "{}";
        shape.braces = {start + "{", "}"};
        v8::Local<v8::Array> entries = isSet ? object.As<v8::Set>()->AsArray() : object.As<v8::Map>()->AsArray();
        shape.leading = [this, entries, size, isSet](int inner) {
            return listed(entries, size, isSet ? 1 : 2, inner, " => ");
        };
    } else if (object->IsTypedArray()) {
        auto array = object.As<v8::TypedArray>();
        std::size_t const length = array->Length();
        std::string const type = utf8Of(isolate_, object->GetConstructorName());
        shape.braces = {prefix(constructor, tag, type, fmt::format("({})", length)) + "[", "]"};
        shape.keys = keysOf(object, false);
        if (length == 0 && shape.keys.empty() && !options_.showHidden)
            shape.whole = shape.braces.open + "]";
        shape.kind = EntryKind::arrayElements;
        shape.numbers = true;
        shape.leading = [this, array](int inner) { return typedArrayElements(array, inner); };
    } else if (object->IsMapIterator() || object->IsSetIterator()) {
        std::string const type = object->IsMapIterator() ? "Map" : "Set";
        shape.keys = keysOf(object, true);
        bool keyValue = false;
        v8::Local<v8::Array> entries;
        if (!object->PreviewEntries(&keyValue).ToLocal(&entries))
            entries = v8::Array::New(isolate_);
        std::string const label = tag == type + " Iterator" || tag.empty() ? type : tag + "] [" + type;
        shape.braces = {"[" + label + (keyValue ? " Entries] {" : " Iterator] {"), "}"};
        std::size_t const count = entries->Length() / (keyValue ? 2 : 1);
        shape.leading = [this, entries, count, keyValue](int inner) {
            return listed(entries, count, keyValue ? 2 : 1, inner, "");
        };
    } else {
        return false;
    }
    return true;
}

// Buffers, data views, promises, weak collections and module namespaces:
// what they show besides their keys.
bool Inspector::bufferShape(v8::Local<v8::Object> object, Named const& named, bool ofTypedArray, Shape& shape) {
    auto const& [constructor, tag] = named;
    if (object->IsArrayBuffer() || object->IsSharedArrayBuffer()) {
        shape.keys = keysOf(object, true);
        std::string const start = prefix(constructor, tag, object->IsArrayBuffer() ? "ArrayBuffer" : "SharedArrayBuffer");
        if (ofTypedArray && shape.keys.empty()) {
            std::size_t const bytes = object->IsArrayBuffer() ? object.As<v8::ArrayBuffer>()->ByteLength()
                                                              : object.As<v8::SharedArrayBuffer>()->ByteLength();
            shape.whole = start + fmt::format("{{ byteLength: {} }}", bytes);
        }
        if (!ofTypedArray)
            shape.leading = [this, object](int) { return arrayBufferContents(object); };
        shape.braces.open = start + "{";
        shape.keys.insert(shape.keys.begin(), name("byteLength"));
    } else if (object->IsDataView()) {
        shape.keys = keysOf(object, true);
        shape.braces.open = prefix(constructor, tag, "DataView") + "{";
        shape.keys.insert(shape.keys.begin(), {name("byteLength"), name("byteOffset"), name("buffer")});
    } else if (object->IsPromise()) {
        shape.keys = keysOf(object, true);
        shape.braces.open = prefix(constructor, tag, "Promise") + "{";
        auto promise = object.As<v8::Promise>();
        shape.leading = [this, promise](int inner) {
            if (promise->State() == v8::Promise::kPending)
                return std::vector<std::string>{"<pending>"};
            indentation_ += 2;
            std::string result = value(promise->Result(), inner);
            indentation_ -= 2;
            return std::vector<std::string>{promise->State() == v8::Promise::kRejected ? "<rejected> " + result
                                                                                        : result};
        };
    } else if (object->IsWeakSet() || object->IsWeakMap()) {
        shape.keys = keysOf(object, true);
        shape.braces.open = prefix(constructor, tag, object->IsWeakSet() ? "WeakSet" : "WeakMap") + "{";
        shape.leading = [](int) { return std::vector<std::string>{"<items unknown>"}; };
    } else if (object->IsModuleNamespaceObject()) {
        shape.keys = keysOf(object, true);
        shape.braces.open = prefix(constructor, tag, "Module") + "{";
        shape.namespaceObject = true;
    } else {
        return false;
    }
    return true;
}

// Objects, functions, regular expressions, dates, errors and boxed
// primitives: a name or text, then their keys.
void Inspector::plainShape(v8::Local<v8::Object> object, Named const& named, int depth, Shape& shape) {
    auto const& [constructor, tag] = named;
    shape.keys = keysOf(object, true);
    bool const noKeys = shape.keys.empty();
    if (constructor == "Object") {
        if (object->IsArgumentsObject())
            shape.braces.open = "[Arguments] {";
        else if (!tag.empty())
            shape.braces.open = prefix(constructor, tag, "Object") + "{";
        if (noKeys)
            shape.whole = shape.braces.open + "}";
    } else if (object->IsFunction()) {
        shape.base = functionBase(object.As<v8::Function>(), constructor, tag);
    } else if (object->IsRegExp()) {
        std::string const start = prefix(constructor, tag, "RegExp");
        shape.base = (start != "RegExp " ? start : std::string()) + regExpText(object.As<v8::RegExp>());
        if (beyondDepth(depth))
            shape.whole = shape.base;
    } else if (object->IsDate()) {
        double const time = object.As<v8::Date>()->ValueOf();
        shape.base = std::isnan(time) ? "Invalid Date" : isoDate(time);
    } else if (object->IsNativeError()) {
        shape.base = errorBase(object, constructor, tag, shape.keys);
    } else if (object->IsNumberObject() || object->IsStringObject() || object->IsBooleanObject() ||
               object->IsBigIntObject() || object->IsSymbolObject()) {
        shape.base = boxedBase(object, constructor, tag, shape.keys);
    } else {
        shape.braces.open = prefix(constructor, tag, "Object") + "{";
        if (noKeys)
            shape.whole = shape.braces.open + "}";
    }
    if (!shape.base.empty() && shape.keys.empty())
        shape.whole = shape.base;
}

} // namespace qor::tools::qorjs::inspection
