#include "ConsoleTable.h"

#include "EntryLayout.h"
#include "Inspect.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace qor::tools::qorjs {
namespace {

using format::engine::javascript::ComV8Engine;

// One column: its heading and its cells by row; a row without a cell shows
// an empty one.
struct Column {
    std::string heading;
    std::vector<std::optional<std::string>> cells;

    void set(std::size_t row, std::string text) {
        if (cells.size() <= row)
            cells.resize(row + 1);
        cells[row] = std::move(text);
    }
};

std::string repeated(std::string_view piece, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        out += piece;
    return out;
}

std::string drawn(std::vector<Column> const& columns) {
    std::size_t rows = 0;
    std::vector<std::size_t> widths;
    for (Column const& column : columns) {
        rows = std::max(rows, column.cells.size());
        std::size_t width = displayWidth(column.heading);
        for (auto const& cell : column.cells)
            width = std::max(width, displayWidth(cell.value_or("")));
        widths.push_back(width);
    }
    auto const line = [&](char const* left, char const* middle, char const* right) {
        std::string out = left;
        for (std::size_t i = 0; i < widths.size(); ++i)
            out += (i > 0 ? middle : "") + repeated("─", widths[i] + 2);
        return out + right + "\n";
    };
    auto const row = [&](auto const& cellOf) {
        std::string out = "│ ";
        for (std::size_t i = 0; i < columns.size(); ++i) {
            std::string const cell = cellOf(columns[i]);
            out += (i > 0 ? " │ " : "") + cell + std::string(widths[i] - displayWidth(cell), ' ');
        }
        return out + " │\n";
    };
    std::string out = line("┌", "┬", "┐") + row([](Column const& column) { return column.heading; }) +
                      line("├", "┼", "┤");
    for (std::size_t r = 0; r < rows; ++r)
        out += row([r](Column const& column) {
            return r < column.cells.size() ? column.cells[r].value_or("") : std::string();
        });
    out += line("└", "┴", "┘");
    out.pop_back();
    return out;
}

// True for the keys a null-prototype object lists first: array indices.
bool isIndex(std::string const& key) {
    return !key.empty() && key.size() <= 10 && std::ranges::all_of(key, [](char c) { return c >= '0' && c <= '9'; }) &&
           (key == "0" || key[0] != '0') && std::stoull(key) < 4294967295ULL;
}

class TableBuilder {
public:
    TableBuilder(ComV8Engine& engine, v8::Local<v8::Context> context)
        : engine_(engine), isolate_(context->GetIsolate()), context_(context) {}

    std::optional<std::string> build(v8::Local<v8::Object> data, v8::Local<v8::Value> properties);

private:
    // A cell: the value inspected one level deep (none for objects of more
    // than two keys), arrays to three elements, on one line.
    std::string cell(v8::Local<v8::Value> value);
    std::string text(v8::Local<v8::Value> value) {
        v8::String::Utf8Value utf8(isolate_, value);
        return *utf8 != nullptr ? std::string(*utf8, static_cast<std::size_t>(utf8.length())) : std::string();
    }
    std::vector<v8::Local<v8::Value>> ownKeys(v8::Local<v8::Object> object) {
        v8::Local<v8::Array> names;
        std::vector<v8::Local<v8::Value>> keys;
        if (!object->GetOwnPropertyNames(context_).ToLocal(&names))
            return keys;
        for (std::uint32_t i = 0; i < names->Length(); ++i)
            if (v8::Local<v8::Value> key; names->Get(context_, i).ToLocal(&key))
                keys.push_back(key);
        return keys;
    }
    std::optional<std::string> entries(v8::Local<v8::Array> values, bool keyValue);
    Column& column(std::vector<Column>& columns, std::string const& heading);
    bool ending() const { return stopped_ || isolate_->IsExecutionTerminating(); }

    ComV8Engine& engine_;
    v8::Isolate* isolate_;
    v8::Local<v8::Context> context_;
    bool stopped_ = false;
};

std::string TableBuilder::cell(v8::Local<v8::Value> value) {
    InspectOptions options;
    options.depth = 0;
    if (value->IsObject() && !value->IsFunction() && !value->IsArray() && !engine_.viewComObject(value) &&
        ownKeys(value.As<v8::Object>()).size() > 2)
        options.depth = -1;
    options.maxArrayLength = 3;
    options.breakLength = std::numeric_limits<std::size_t>::max() / 4;
    auto shown = inspect(engine_, context_, value, options);
    if (!shown)
        stopped_ = true;
    return shown.value_or("");
}

// Rows of a Map, a Set or an iterator of either.
std::optional<std::string> TableBuilder::entries(v8::Local<v8::Array> values, bool keyValue) {
    std::vector<Column> columns{{"(iteration index)", {}}};
    if (keyValue)
        columns.push_back({"Key", {}});
    columns.push_back({"Values", {}});
    std::size_t const stride = keyValue ? 2 : 1;
    for (std::uint32_t i = 0; i * stride < values->Length(); ++i) {
        columns[0].set(i, std::to_string(i));
        for (std::size_t part = 0; part < stride; ++part) {
            v8::Local<v8::Value> value;
            if (!values->Get(context_, static_cast<std::uint32_t>(i * stride + part)).ToLocal(&value))
                value = v8::Undefined(isolate_);
            columns[1 + part].set(i, cell(value));
        }
        if (ending())
            return std::nullopt;
    }
    return drawn(columns);
}

Column& TableBuilder::column(std::vector<Column>& columns, std::string const& heading) {
    auto found = std::ranges::find(columns, heading, &Column::heading);
    if (found != columns.end())
        return *found;
    // Index-like headings come first, in order, as a null-prototype
    // object's keys do.
    auto at = columns.end();
    if (isIndex(heading))
        at = std::ranges::find_if(columns, [&](Column const& other) {
            return !isIndex(other.heading) || std::stoull(other.heading) > std::stoull(heading);
        });
    return *columns.insert(at, Column{heading, {}});
}

std::optional<std::string> TableBuilder::build(v8::Local<v8::Object> data, v8::Local<v8::Value> properties) {
    bool keyValue = false;
    if (data->IsMap())
        return entries(data.As<v8::Map>()->AsArray(), true);
    if (data->IsSet())
        return entries(data.As<v8::Set>()->AsArray(), false);
    if (data->IsMapIterator() || data->IsSetIterator()) {
        v8::Local<v8::Array> preview;
        if (!data->PreviewEntries(&keyValue).ToLocal(&preview))
            return ending() ? std::nullopt : std::optional<std::string>(drawn({{"(iteration index)", {}}}));
        return entries(preview, keyValue);
    }
    std::vector<v8::Local<v8::Value>> chosen;
    bool const propertiesGiven = properties->IsArray();
    if (propertiesGiven)
        for (std::uint32_t i = 0; i < properties.As<v8::Array>()->Length(); ++i)
            if (v8::Local<v8::Value> name; properties.As<v8::Array>()->Get(context_, i).ToLocal(&name))
                chosen.push_back(name);
    std::vector<Column> columns;
    Column index{"(index)", {}};
    Column values{"Values", {}};
    bool primitives = false;
    v8::Local<v8::Array> rowKeys;
    if (!data->GetOwnPropertyNames(context_, v8::PropertyFilter::ONLY_ENUMERABLE).ToLocal(&rowKeys))
        return ending() ? std::nullopt : std::optional<std::string>(drawn({index}));
    for (std::uint32_t row = 0; row < rowKeys->Length(); ++row) {
        v8::Local<v8::Value> rowKey;
        v8::Local<v8::Value> item;
        if (!rowKeys->Get(context_, row).ToLocal(&rowKey) || !data->Get(context_, rowKey).ToLocal(&item))
            item = v8::Undefined(isolate_);
        if (ending())
            return std::nullopt;
        index.set(row, text(rowKey));
        // A COM object's values are not read: it shows as itself.
        bool const primitive = !item->IsObject() || engine_.viewComObject(item).has_value();
        if (!propertiesGiven && primitive) {
            primitives = true;
            values.set(row, cell(item));
            continue;
        }
        std::vector<v8::Local<v8::Value>> const keys = propertiesGiven ? chosen : ownKeys(item.As<v8::Object>());
        for (v8::Local<v8::Value> key : keys) {
            Column& target = column(columns, text(key));
            v8::Local<v8::Value> found;
            bool const has = !primitive && key->IsName() &&
                             item.As<v8::Object>()->HasOwnProperty(context_, key.As<v8::Name>()).FromMaybe(false);
            target.set(row, has && item.As<v8::Object>()->Get(context_, key).ToLocal(&found) ? cell(found) : "");
        }
        if (ending())
            return std::nullopt;
    }
    columns.insert(columns.begin(), std::move(index));
    if (primitives)
        columns.push_back(std::move(values));
    return drawn(columns);
}

} // namespace

std::optional<std::string> formatTable(ComV8Engine& engine, v8::Local<v8::Context> context, v8::Local<v8::Value> data,
                                       v8::Local<v8::Value> properties) {
    v8::Isolate* isolate = context->GetIsolate();
    v8::HandleScope handleScope(isolate);
    if (!data->IsObject() || engine.viewComObject(data))
        return std::string();
    v8::Local<v8::Object> object = data.As<v8::Object>();
    while (object->IsProxy() && object.As<v8::Proxy>()->GetTarget()->IsObject())
        object = object.As<v8::Proxy>()->GetTarget().As<v8::Object>();
    v8::TryCatch tryCatch(isolate);
    return TableBuilder(engine, context).build(object, properties);
}

} // namespace qor::tools::qorjs
