// The entries that come before an object's keys: the elements of arrays and
// typed arrays, the members of sets and maps, the bytes of buffers.

#include "Inspector.h"

#include <fmt/format.h>

#include <algorithm>

namespace qor::tools::qorjs::inspection {


std::vector<std::string> Inspector::arrayElements(v8::Local<v8::Array> array, int depth, bool& numbers) {
    std::size_t const length = array->Length();
    std::size_t const shown = std::min(options_.maxArrayLength, length);
    std::vector<std::string> entries;
    numbers = true;
    auto const element = [&](v8::Local<v8::Value> key) {
        v8::Local<v8::Value> found = read(array, key);
        numbers = numbers && !found.IsEmpty() && (found->IsNumber() || found->IsBigInt());
        entries.push_back(property(array, key, depth, EntryKind::arrayElements));
    };
    std::size_t index = 0;
    for (; index < shown; ++index) {
        if (!array->HasOwnProperty(context_, static_cast<std::uint32_t>(index)).FromMaybe(false))
            break;
        element(name(std::to_string(index)));
    }
    if (index == shown) {
        if (shown < length)
            entries.push_back(moreItems(length - shown));
        return entries;
    }
    // A sparse array: runs of holes show as "<N empty items>", found from
    // the keys it has rather than by asking for every index.
    numbers = false;
    auto const filter = v8::PropertyFilter::ONLY_ENUMERABLE;
    v8::Local<v8::Array> names;
    if (!array->GetPropertyNames(context_, v8::KeyCollectionMode::kOwnOnly, filter, v8::IndexFilter::kIncludeIndices,
                                 v8::KeyConversionMode::kConvertToString)
             .ToLocal(&names)) {
        noteThrow();
        return entries;
    }
    for (std::uint32_t i = static_cast<std::uint32_t>(index); i < names->Length() && entries.size() < shown; ++i) {
        v8::Local<v8::Value> key;
        if (!names->Get(context_, i).ToLocal(&key) || !key->IsString())
            break;
        std::string const text = utf8Of(isolate_, key.As<v8::String>());
        std::uint64_t position = 0;
        if (text.empty() || text.size() > 10 || !std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; }))
            break;
        position = std::stoull(text);
        if (position > 4294967294ULL)
            break;
        if (position != index) {
            entries.push_back("<" + plural(position - index, "empty item") + ">");
            index = position;
            if (entries.size() == shown)
                break;
        }
        element(key);
        ++index;
    }
    std::size_t const remaining = length - index;
    if (entries.size() != shown) {
        if (remaining > 0)
            entries.push_back("<" + plural(remaining, "empty item") + ">");
    } else if (remaining > 0) {
        entries.push_back(moreItems(remaining));
    }
    return entries;
}

std::vector<std::string> Inspector::typedArrayElements(v8::Local<v8::TypedArray> array, int depth) {
    std::size_t const length = array->Length();
    std::size_t const shown = std::min(options_.maxArrayLength, length);
    std::vector<std::string> entries;
    for (std::size_t i = 0; i < shown; ++i) {
        v8::Local<v8::Value> element;
        entries.push_back(array->Get(context_, static_cast<std::uint32_t>(i)).ToLocal(&element) ? primitive(element)
                                                                                                 : thrownText());
    }
    if (shown < length)
        entries.push_back(moreItems(length - shown));
    if (options_.showHidden) {
        indentation_ += 2;
        for (char const* key : {"BYTES_PER_ELEMENT", "length", "byteLength", "byteOffset", "buffer"}) {
            v8::Local<v8::Value> found = read(array, key);
            entries.push_back(fmt::format("[{}]: {}", key, found.IsEmpty() ? thrownText() : value(found, depth, true)));
        }
        indentation_ -= 2;
    }
    return entries;
}

// Members of a set (stride 1) or entries of a map (stride 2, "key => value",
// or "[ key, value ]" without a separator), up to the most shown.
std::vector<std::string> Inspector::listed(v8::Local<v8::Array> values, std::size_t count, std::size_t stride,
                                           int depth, std::string_view separator) {
    std::size_t const shown = std::min(options_.maxArrayLength, count);
    std::vector<std::string> entries;
    indentation_ += 2;
    for (std::size_t i = 0; i < shown; ++i) {
        std::vector<std::string> parts;
        for (std::size_t j = 0; j < stride; ++j) {
            v8::Local<v8::Value> part;
            parts.push_back(values->Get(context_, static_cast<std::uint32_t>(i * stride + j)).ToLocal(&part)
                                ? value(part, depth)
                                : thrownText());
        }
        if (stride == 1)
            entries.push_back(parts[0]);
        else if (!separator.empty())
            entries.push_back(parts[0] + std::string(separator) + parts[1]);
        else
            entries.push_back(layOut(parts, "", {"[", "]"}, EntryKind::arrayElements, false,
                                     {options_.breakLength, options_.compact, options_.maxArrayLength, indentation_,
                                      currentDepth_},
                                     depth));
    }
    indentation_ -= 2;
    if (shown < count)
        entries.push_back(moreItems(count - shown));
    return entries;
}

std::vector<std::string> Inspector::arrayBufferContents(v8::Local<v8::Object> buffer) {
    std::shared_ptr<v8::BackingStore> store = buffer->IsArrayBuffer()
                                                  ? buffer.As<v8::ArrayBuffer>()->GetBackingStore()
                                                  : buffer.As<v8::SharedArrayBuffer>()->GetBackingStore();
    if (buffer->IsArrayBuffer() && buffer.As<v8::ArrayBuffer>()->WasDetached())
        return {"(detached)"};
    auto const* bytes = static_cast<unsigned char const*>(store->Data());
    std::size_t const length = store->ByteLength();
    std::size_t const shown = std::min(options_.maxArrayLength, length);
    std::string text;
    for (std::size_t i = 0; i < shown; ++i)
        text += fmt::format("{}{:02x}", i > 0 ? " " : "", bytes[i]);
    if (shown < length)
        text += " ... " + plural(length - shown, "more byte");
    return {"[Uint8Contents]: <" + text + ">"};
}

} // namespace qor::tools::qorjs::inspection
