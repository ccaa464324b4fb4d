#include "ClassesJson.h"

#include "Platform/Windows/Com/OleText.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace qor::tools::qorjs {
namespace {

namespace com = platform::windows::com;
using format::engine::javascript::ComClass;
using format::engine::javascript::ComFunction;
using format::engine::javascript::ComMembers;
using format::engine::javascript::ComParameter;
using json = nlohmann::ordered_json;

std::optional<double> asNumber(VARIANT const& value) {
    _variant_t converted;
    if (FAILED(VariantChangeType(&converted, &value, 0, VT_R8)))
        return std::nullopt;
    return converted.dblVal;
}

std::optional<std::string> asText(VARIANT const& value) {
    _variant_t converted;
    if (FAILED(VariantChangeType(&converted, &value, 0, VT_BSTR)))
        return std::nullopt;
    return com::utf8FromOle(converted.bstrVal);
}

// Indented JSON written as it goes, laid out as nlohmann's dump(2) lays out
// the same values: each member on a line of its own, empty arrays as [].
class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) { text_.reserve(chunk + 4096); }
    JsonWriter(JsonWriter const&) = delete;
    JsonWriter& operator=(JsonWriter const&) = delete;
    ~JsonWriter() { flush(); }

    void beginArray(bool empty) {
        put((empty ? "[" : "[\n"));
        ++depth_;
        first_ = true;
    }
    void endArray(bool empty) {
        --depth_;
        if (!empty) {
            put('\n');
            indent();
        }
        put(']');
        first_ = false;
    }
    void beginObject() {
        element();
        put("{\n");
        ++depth_;
        first_ = true;
    }
    void endObject() {
        --depth_;
        put('\n');
        indent();
        put('}');
        first_ = false;
    }
    // A member's name; its value follows.
    void key(std::string_view name) {
        element();
        string(name);
        put(": ");
    }
    void string(std::string_view text) {
        put('"');
        for (char c : text) {
            switch (c) {
            case '"':
                put("\\\"");
                break;
            case '\\':
                put("\\\\");
                break;
            case '\b':
                put("\\b");
                break;
            case '\f':
                put("\\f");
                break;
            case '\n':
                put("\\n");
                break;
            case '\r':
                put("\\r");
                break;
            case '\t':
                put("\\t");
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    put(escaped);
                } else {
                    put(c);
                }
            }
        }
        put('"');
    }
    void number(long long value) {
        char digits[24];
        auto const end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        put(std::string_view(digits, static_cast<std::size_t>(end - digits)));
    }
    void value(json const& scalar) { put(scalar.dump()); }
    // A member and its value at once.
    void field(std::string_view name, std::string_view text) {
        key(name);
        string(text);
    }
    void field(std::string_view name, long long number) {
        key(name);
        this->number(number);
    }
    // Hands what is written so far to the stream.
    void flush() {
        out_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
        text_.clear();
    }

private:
    static constexpr std::size_t chunk = 1 << 16;

    void put(std::string_view text) {
        text_.append(text);
        if (text_.size() >= chunk)
            flush();
    }
    void put(char c) {
        text_.push_back(c);
        if (text_.size() >= chunk)
            flush();
    }

    // Before an element of an array or a member of an object.
    void element() {
        if (!first_)
            put(",\n");
        first_ = false;
        indent();
    }
    void indent() {
        for (int i = 0; i < depth_; ++i)
            put("  ");
    }

    std::ostream& out_;
    std::string text_;
    int depth_ = 0;
    bool first_ = true;
};

void writeParameter(JsonWriter& writer, ComParameter const& parameter) {
    writer.beginObject();
    writer.field("name", utf8FromAnsi(parameter.name));
    writer.field("typeName", utf8FromAnsi(parameter.typeName));
    writer.field("vt", parameter.vt);
    writer.field("flags", parameter.flags);
    if (parameter.defaultValue.vt != VT_EMPTY) {
        writer.key("defaultValue");
        writer.value(variantToJson(parameter.defaultValue));
    }
    if (parameter.elementVt != VT_EMPTY)
        writer.field("elementVt", parameter.elementVt);
    writer.endObject();
}

// `interfaceId`: the interface the member is called through, nil for the
// type's default one.
void writeFunction(JsonWriter& writer, ComFunction const& function, Guid const& interfaceId) {
    writer.beginObject();
    writer.field("name", utf8FromAnsi(function.name));
    writer.field("memberId", function.memberId);
    writer.field("invokeKind", function.invokeKind);
    writer.field("returnType", utf8FromAnsi(function.returnType));
    writer.field("returnVt", function.returnVt);
    writer.key("parameters");
    writer.beginArray(function.parameters.empty());
    for (auto const& parameter : function.parameters)
        writeParameter(writer, parameter);
    writer.endArray(function.parameters.empty());
    if (!interfaceId.isNull())
        writer.field("interface", interfaceId.toString());
    writer.endObject();
}

void writeClass(JsonWriter& writer, ComClass const& comClass) {
    writer.beginObject();
    writer.field("name", comClass.name);
    writer.field("guid", comClass.guid.toString());
    writer.key("functions");
    writer.beginArray(comClass.functions.empty());
    for (ComMembers::Part const& run : comClass.functions.runs())
        for (ComFunction const& function : run.members)
            writeFunction(writer, function, run.interfaceId);
    writer.endArray(comClass.functions.empty());
    if (!comClass.constants.empty()) {
        writer.key("constants");
        writer.beginArray(false);
        for (auto const& constant : comClass.constants) {
            writer.beginObject();
            writer.field("name", utf8FromAnsi(constant.name));
            writer.key("value");
            writer.value(variantToJson(constant.value));
            writer.endObject();
        }
        writer.endArray(false);
    }
    writer.endObject();
}

} // namespace

std::string utf8FromAnsi(std::string_view text) {
    // Every ANSI code page keeps ASCII as it is.
    if (std::ranges::all_of(text, [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::string(text);
    int const length = static_cast<int>(text.size());
    int const size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (size <= 0)
        return std::string(text);
    com::OleString wide(static_cast<std::size_t>(size), OLECHAR{});
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), size);
    return com::utf8FromOle(wide);
}

json variantToJson(VARIANT const& value) {
    switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
        return nullptr;
    case VT_BOOL:
        return value.boolVal != VARIANT_FALSE;
    case VT_BSTR:
        return com::utf8FromOle(value.bstrVal);
    case VT_I1:
        return static_cast<int>(static_cast<signed char>(value.cVal));
    case VT_I2:
        return value.iVal;
    case VT_I4:
        return value.lVal;
    case VT_I8:
        return value.llVal;
    case VT_INT:
        return value.intVal;
    case VT_UI1:
        return value.bVal;
    case VT_UI2:
        return value.uiVal;
    case VT_UI4:
        return value.ulVal;
    case VT_UI8:
        return value.ullVal;
    case VT_UINT:
        return value.uintVal;
    case VT_ERROR:
        return value.scode;
    default:
        break;
    }
    // Currency, dates, decimals and reals are numbers to a reader of JSON;
    // anything else is shown as the text it converts to, if any.
    if (auto number = asNumber(value))
        return *number;
    if (auto text = asText(value))
        return *text;
    return nullptr;
}

void writeClassesJson(std::ostream& out, format::engine::javascript::ComExtract const& extract) {
    // The extract has no order of its own; a listing should read the same
    // every time.
    std::vector<ComClass const*> classes;
    classes.reserve(extract.classes.size());
    for (auto const& comClass : extract.classes)
        classes.push_back(&comClass);
    std::sort(classes.begin(), classes.end(), [](ComClass const* a, ComClass const* b) {
        return std::tie(a->name, a->guid) < std::tie(b->name, b->guid);
    });
    JsonWriter writer(out);
    writer.beginArray(classes.empty());
    for (ComClass const* comClass : classes)
        writeClass(writer, *comClass);
    writer.endArray(classes.empty());
    writer.flush();
    out << '\n';
}

} // namespace qor::tools::qorjs
