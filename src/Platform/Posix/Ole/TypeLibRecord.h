#pragma once

#include "Id/Guid.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qor::platform::posix::ole {

// Plain records of one type library, as read from an MSFT image (or built in
// code for stdole2). Nothing here points into the image: the records stay
// valid after the bytes are gone, and the COM objects are served from them.
// Texts are kept as the image stores them (bytes of the library's code page).

using TypeIndex = std::uint32_t; // position in TypeLibRecord::types

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
    std::optional<std::string> text;
};

struct CustomDataRecord {
    Guid guid;
    ValueRecord value;
};

struct ParamRecord {
    std::string name;
    TypeIndex type = 0;
    std::uint16_t flags = 0;
    std::optional<ValueRecord> defaultValue;
    std::vector<CustomDataRecord> customData;
};

struct FuncRecord {
    std::int32_t memberId = 0;
    std::string name;
    TypeIndex returnType = 0;
    std::uint16_t funcFlags = 0;
    std::uint8_t funcKind = 0;
    std::uint8_t invokeKind = 0;
    std::uint8_t callConv = 0;
    std::int16_t vtableSlot = 0; // index of the method in its vtable
    std::int16_t optionalParams = 0;
    std::vector<ParamRecord> params;
    std::string helpString;
    std::int32_t helpContext = 0;
    std::int32_t helpStringContext = 0;
    std::vector<CustomDataRecord> customData;
    // Where a module's function is found in its DLL: by name, or by ordinal.
    std::string entryName;
    std::optional<std::uint16_t> entryOrdinal;
};

struct VarRecord {
    std::int32_t memberId = 0;
    std::string name;
    TypeIndex type = 0;
    std::uint16_t varFlags = 0;
    std::uint8_t varKind = 0;
    std::int32_t instanceOffset = 0;
    std::optional<ValueRecord> constant;
    std::string helpString;
    std::int32_t helpContext = 0;
    std::int32_t helpStringContext = 0;
    std::vector<CustomDataRecord> customData;
};

struct ImplTypeRecord {
    std::uint32_t hrefType = 0;
    std::int32_t flags = 0;
    std::vector<CustomDataRecord> customData;
};

struct TypeInfoRecord {
    std::uint8_t kind = 0;
    std::uint16_t alignment = 0;
    std::uint16_t typeFlags = 0;
    Guid guid;
    std::string name;
    std::string docString;
    std::int32_t helpContext = 0;
    std::int32_t helpStringContext = 0;
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    std::int32_t sizeInstance = 0;
    std::uint16_t vtableSlots = 0; // size of the vtable, in methods
    std::vector<ImplTypeRecord> implTypes;
    std::optional<TypeIndex> aliasType;
    std::string dllName;
    std::vector<FuncRecord> funcs;
    std::vector<VarRecord> vars;
    std::vector<CustomDataRecord> customData;
};

struct ImportedLibRecord {
    Guid guid;
    std::int32_t lcid = 0;
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    std::string fileName;
};

// A type of another library, named by its GUID or by its position there.
struct ImportedTypeRecord {
    std::size_t library = 0; // index into TypeLibRecord::importedLibs
    std::optional<Guid> guid;
    std::uint32_t index = 0;
};

struct TypeLibRecord {
    Guid guid;
    std::int32_t lcid = 0;
    std::uint8_t sysKind = 0;
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    std::uint16_t libFlags = 0;
    std::string name;
    std::string docString;
    std::string helpFile;
    std::int32_t helpContext = 0;
    std::int32_t helpStringContext = 0;
    std::optional<std::uint32_t> dispatchHref; // IDispatch, as this library references it
    std::vector<TypeNode> types;
    std::vector<TypeInfoRecord> typeInfos;
    std::vector<ImportedLibRecord> importedLibs;
    // By the offset of the import entry; reference handles of imported types
    // are that offset with a low bit set.
    std::map<std::uint32_t, ImportedTypeRecord> importedTypes;
    std::vector<CustomDataRecord> customData;

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
};

} // namespace qor::platform::posix::ole
