#pragma once

#include "Id/Guid.h"
#include "Platform/Posix/Ole/TypeLib/TableMemory.h"

#include <cstdint>
#include <map>
#include <memory>
#include <memory_resource>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qor::platform::posix::ole {

// Plain records of one type library, as read from an MSFT image. Nothing
// here points into the image: the records stay valid after the bytes are
// gone, and the COM objects are served from them. Texts are kept as the
// image stores them (bytes of the library's code page), all in one buffer of
// the library; the parameters and custom data of every member are in tables
// of the library too, so that a large library is a few allocations, not one
// per name and member. The members' tables are in the library's table
// memory, when it has one.

using TypeIndex = std::uint32_t; // position in TypeLibRecord::types

// A text of the library: `size` bytes at `offset` in TypeLibRecord::texts.
struct TextRef {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

// `count` entries from `first` on, in one of the library's tables.
struct RecordRange {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};

struct ArrayBoundRecord {
    std::uint32_t elements = 0;
    std::int32_t lowerBound = 0;
};

// One node of a type description. VT_PTR and VT_SAFEARRAY name their element
// by `inner`; VT_CARRAY also carries `bounds`; VT_USERDEFINED a `hrefType`.
struct TypeNode {
    std::uint16_t vt = 0;
    TypeIndex inner = 0;
    std::uint32_t hrefType = 0;
    std::vector<ArrayBoundRecord> bounds;
};

// A stored VARIANT (default value, constant, custom datum). Scalars keep their
// little-endian bits; VT_BSTR keeps its text, or none for a null string.
struct ValueRecord {
    std::uint16_t vt = 0;
    std::uint64_t bits = 0;
    std::uint64_t bitsHigh = 0; // the upper half of a VT_DECIMAL
    std::optional<TextRef> text;
};

struct CustomDataRecord {
    Guid guid;
    ValueRecord value;
};

struct ParamRecord {
    TextRef name;
    TypeIndex type = 0;
    std::uint16_t flags = 0;
    std::optional<std::uint32_t> defaultValue; // in TypeLibRecord::values
    RecordRange customData;
};

struct FuncRecord {
    std::int32_t memberId = 0;
    TextRef name;
    TypeIndex returnType = 0;
    std::uint16_t funcFlags = 0;
    std::uint8_t funcKind = 0;
    std::uint8_t invokeKind = 0;
    std::uint8_t callConv = 0;
    std::int16_t vtableSlot = 0; // index of the method in its vtable
    std::int16_t optionalParams = 0;
    RecordRange params;
    TextRef helpString;
    std::int32_t helpContext = 0;
    std::int32_t helpStringContext = 0;
    RecordRange customData;
    // Where a module's function is found in its DLL: by name, or by ordinal.
    TextRef entryName;
    std::optional<std::uint16_t> entryOrdinal;
};

struct VarRecord {
    std::int32_t memberId = 0;
    TextRef name;
    TypeIndex type = 0;
    std::uint16_t varFlags = 0;
    std::uint8_t varKind = 0;
    std::int32_t instanceOffset = 0;
    std::optional<ValueRecord> constant;
    TextRef helpString;
    std::int32_t helpContext = 0;
    std::int32_t helpStringContext = 0;
    RecordRange customData;
};

struct ImplTypeRecord {
    std::uint32_t hrefType = 0;
    std::int32_t flags = 0;
    RecordRange customData;
};

struct TypeInfoRecord {
    TypeInfoRecord() = default;
    explicit TypeInfoRecord(std::pmr::memory_resource* memory) : implTypes(memory), funcs(memory), vars(memory) {}

    std::uint8_t kind = 0;
    std::uint16_t alignment = 0;
    std::uint16_t typeFlags = 0;
    Guid guid;
    TextRef name;
    TextRef docString;
    std::int32_t helpContext = 0;
    std::int32_t helpStringContext = 0;
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    std::int32_t sizeInstance = 0;
    std::uint16_t vtableSlots = 0; // size of the vtable, in methods
    std::pmr::vector<ImplTypeRecord> implTypes;
    std::optional<TypeIndex> aliasType;
    TextRef dllName;
    std::pmr::vector<FuncRecord> funcs;
    std::pmr::vector<VarRecord> vars;
    RecordRange customData;
};

struct ImportedLibRecord {
    Guid guid;
    std::int32_t lcid = 0;
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    TextRef fileName;
};

// A type of another library, named by its GUID or by its position there.
struct ImportedTypeRecord {
    std::size_t library = 0; // index into TypeLibRecord::importedLibs
    std::optional<Guid> guid;
    std::uint32_t index = 0;
};

struct TypeLibRecord {
    TypeLibRecord() = default;
    explicit TypeLibRecord(std::unique_ptr<TableMemory> tables) : memory(std::move(tables)), params(memory.get()) {}
    TypeLibRecord(TypeLibRecord&&) = default;
    // Assigning would free the tables' memory before the tables.
    TypeLibRecord& operator=(TypeLibRecord&&) = delete;

    // First, so that it goes last: tables below may be kept in it.
    std::unique_ptr<TableMemory> memory;
    Guid guid;
    std::int32_t lcid = 0;
    std::uint8_t sysKind = 0;
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    std::uint16_t libFlags = 0;
    TextRef name;
    TextRef docString;
    TextRef helpFile;
    std::int32_t helpContext = 0;
    std::int32_t helpStringContext = 0;
    // The statistics of the image's name table, which stores each name once.
    std::uint32_t uniqueNames = 0;
    std::uint32_t uniqueNameCharacters = 0;
    std::optional<std::uint32_t> dispatchHref; // IDispatch, as this library references it
    std::vector<TypeNode> types;
    std::vector<TypeInfoRecord> typeInfos;
    std::vector<ImportedLibRecord> importedLibs;
    // By the offset of the import entry; reference handles of imported types
    // are that offset with a low bit set.
    std::map<std::uint32_t, ImportedTypeRecord> importedTypes;
    RecordRange customData;
    std::string texts;
    std::pmr::vector<ParamRecord> params;    // of every function, each function's in a row
    std::vector<ValueRecord> values;         // default values of parameters
    std::vector<CustomDataRecord> customDataEntries; // of everything, each chain in a row

    std::string_view text(TextRef ref) const { return std::string_view(texts).substr(ref.offset, ref.size); }
    std::span<ParamRecord const> paramsOf(FuncRecord const& func) const { return rowsOf(params, func.params); }
    std::span<CustomDataRecord const> customDataOf(RecordRange range) const {
        return rowsOf(customDataEntries, range);
    }

    // Reference handles of types of this library are the offsets of their
    // entries in the image's type table; imported ones have the low bit set.
    static constexpr std::uint32_t typeInfoEntrySize = 0x64;
    static constexpr std::uint32_t hrefOfIndex(std::size_t index) {
        return static_cast<std::uint32_t>(index) * typeInfoEntrySize;
    }
    std::optional<std::size_t> indexOfHref(std::uint32_t href) const {
        if (href % typeInfoEntrySize != 0 || href / typeInfoEntrySize >= typeInfos.size())
            return std::nullopt;
        return href / typeInfoEntrySize;
    }
    ImportedTypeRecord const* importedTypeOfHref(std::uint32_t href) const {
        if ((href & 3u) == 0)
            return nullptr;
        auto found = importedTypes.find(href & ~3u);
        return found == importedTypes.end() ? nullptr : &found->second;
    }

private:
    template <class Table>
    static std::span<typename Table::value_type const> rowsOf(Table const& table, RecordRange range) {
        return std::span(table).subspan(range.first, range.count);
    }
};

} // namespace qor::platform::posix::ole
