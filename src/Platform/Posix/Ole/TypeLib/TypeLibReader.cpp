#include "Platform/Posix/Ole/TypeLib/TypeLibReader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

namespace qor::platform::posix::ole {

static_assert(std::endian::native == std::endian::little, "the MSFT image is read in place as little-endian");

namespace {

constexpr std::uint32_t msftMagic = 0x5446534D; // "MSFT"
constexpr std::uint32_t msftVersion = 0x00010002;
constexpr std::size_t headerSize = 0x54;
constexpr std::uint32_t helpDllFlag = 0x100;
constexpr std::size_t segmentCount = 15;
constexpr std::size_t segmentEntrySize = 16;
constexpr std::size_t importEntrySize = 12;
constexpr std::size_t customDataEntrySize = 12;
constexpr std::size_t refEntrySize = 16;
constexpr std::size_t paramInfoSize = 12;
constexpr std::size_t funcFixedSize = 24;
constexpr std::size_t paramsReservedAtMost = std::size_t(1) << 20;
constexpr std::size_t varFixedSize = 20;
constexpr int maxTypeDepth = 32;

constexpr std::uint16_t vtTypeMask = 0x0FFF;
constexpr std::uint16_t vtPtr = 26;
constexpr std::uint16_t vtSafeArray = 27;
constexpr std::uint16_t vtCArray = 28;
constexpr std::uint16_t vtUserDefined = 29;
constexpr std::uint16_t vtBstr = 8;
constexpr std::uint16_t vtDecimal = 14;

constexpr std::uint8_t tkindCoclass = 5;
constexpr std::uint8_t tkindAlias = 6;
constexpr std::uint8_t tkindModule = 2;
constexpr std::uint8_t tkindMax = 8;
constexpr std::uint8_t varkindConst = 2;

enum SegmentId : std::size_t {
    typeInfoTable, importInfo, importFiles, refTable, guidHash, guidTable, nameHash, nameTable,
    stringTable, typeDescs, arrayDescs, customDataValues, customDataGuids,
};

struct Segment {
    std::size_t offset = 0;
    std::size_t length = 0;
    bool present = false;

    bool holds(std::int64_t at, std::size_t count) const {
        return present && at >= 0 && static_cast<std::uint64_t>(at) <= length &&
               count <= length - static_cast<std::size_t>(at);
    }
};

// A read outside the image yields zero and marks the parse failed, so record
// readers go straight on and the failure is checked where it matters.
class Image {
public:
    explicit Image(std::span<std::byte const> bytes) : bytes_(bytes) {}

    template <class T>
    T at(std::uint64_t offset) {
        if (offset > bytes_.size() || sizeof(T) > bytes_.size() - offset) {
            failed_ = true;
            return T{};
        }
        T value;
        std::memcpy(&value, bytes_.data() + offset, sizeof(T));
        return value;
    }
    std::string_view chars(std::uint64_t offset, std::size_t count) {
        if (offset > bytes_.size() || count > bytes_.size() - offset) {
            failed_ = true;
            return {};
        }
        return std::string_view(reinterpret_cast<char const*>(bytes_.data() + offset), count);
    }
    bool holds(std::uint64_t offset, std::uint64_t count) const {
        return offset <= bytes_.size() && count <= bytes_.size() - offset;
    }
    std::size_t size() const { return bytes_.size(); }
    void fail() { failed_ = true; }
    bool failed() const { return failed_; }

private:
    std::span<std::byte const> bytes_;
    bool failed_ = false;
};

class Parser {
public:
    // A library's records take about twice its image.
    explicit Parser(std::span<std::byte const> bytes)
        : image_(bytes), lib_(std::make_unique<TableMemory>(2 * bytes.size())) {}

    std::expected<TypeLibRecord, TypeLibFault> run() {
        if (image_.size() < headerSize || image_.at<std::uint32_t>(0) != msftMagic)
            return std::unexpected(TypeLibFault::unsupportedFormat);
        if (image_.at<std::uint32_t>(4) != msftVersion)
            return std::unexpected(TypeLibFault::unsupportedFormat);
        readSegments();
        if (!image_.failed())
            copyTexts();
        if (!image_.failed())
            readLibrary();
        if (!image_.failed())
            readImports();
        if (!image_.failed())
            readTypeInfos();
        if (image_.failed())
            return std::unexpected(TypeLibFault::invalidData);
        // Collected aside, with room for as many as the image can hold: the
        // table keeps exactly these.
        lib_.params.assign(params_.begin(), params_.end());
        lib_.memory->releaseUnused();
        lib_.values.shrink_to_fit();
        lib_.customDataEntries.shrink_to_fit();
        return std::move(lib_);
    }

private:
    std::int32_t header(std::size_t offset) { return image_.at<std::int32_t>(offset); }

    void readSegments() {
        auto const varFlags = static_cast<std::uint32_t>(header(0x14));
        auto const typeCount = header(0x20);
        if (typeCount < 0)
            return image_.fail();
        typeCount_ = static_cast<std::size_t>(typeCount);
        std::uint64_t directory = headerSize + ((varFlags & helpDllFlag) ? 4 : 0) + 4ull * typeCount_;
        if (!image_.holds(directory, segmentCount * segmentEntrySize))
            return image_.fail();
        for (std::size_t i = 0; i < segmentCount; ++i) {
            auto const offset = image_.at<std::int32_t>(directory + i * segmentEntrySize);
            auto const length = image_.at<std::int32_t>(directory + i * segmentEntrySize + 4);
            if (offset == -1)
                continue;
            if (offset < 0 || length < 0 || !image_.holds(std::uint64_t(offset), std::uint64_t(length)))
                return image_.fail();
            segments_[i] = {std::size_t(offset), std::size_t(length), true};
        }
        if (!segments_[typeInfoTable].holds(0, typeCount_ * TypeLibRecord::typeInfoEntrySize))
            image_.fail();
    }

    // Texts live in four segments of the image (names, strings, stored values
    // and imported file names): the stretch of the image that holds them is
    // the library's text buffer, so a text is found where the image has it.
    // Compilers put these segments side by side, away from the records.
    void copyTexts() {
        std::size_t begin = image_.size();
        std::size_t end = 0;
        for (SegmentId id : {nameTable, stringTable, customDataValues, importFiles}) {
            Segment const& segment = segments_[id];
            if (!segment.present || segment.length == 0)
                continue;
            begin = std::min(begin, segment.offset);
            end = std::max(end, segment.offset + segment.length);
        }
        if (begin >= end)
            return;
        textsBegin_ = begin;
        lib_.texts = image_.chars(begin, end - begin);
    }

    // A text the reader has found inside one of the text segments.
    TextRef textAt(std::uint64_t offset, std::size_t count) {
        if (offset < textsBegin_ || offset - textsBegin_ > lib_.texts.size() ||
            count > lib_.texts.size() - (offset - textsBegin_)) {
            image_.fail();
            return {};
        }
        return {static_cast<std::uint32_t>(offset - textsBegin_), static_cast<std::uint32_t>(count)};
    }

    void readLibrary() {
        auto const varFlags = static_cast<std::uint32_t>(header(0x14));
        auto const version = static_cast<std::uint32_t>(header(0x18));
        lib_.sysKind = static_cast<std::uint8_t>(varFlags & 0x0F);
        pointerSize_ = lib_.sysKind == 3 ? 8 : 4; // SYS_WIN64
        lib_.guid = guid(header(0x08));
        lib_.lcid = header(0x10);
        lib_.majorVersion = static_cast<std::uint16_t>(version & 0xFFFF);
        lib_.minorVersion = static_cast<std::uint16_t>(version >> 16);
        lib_.libFlags = static_cast<std::uint16_t>(header(0x1C) & 0xFFFF);
        lib_.docString = string(header(0x24));
        lib_.helpStringContext = header(0x28);
        lib_.helpContext = header(0x2C);
        lib_.uniqueNames = static_cast<std::uint32_t>(std::max(header(0x30), 0));
        lib_.uniqueNameCharacters = static_cast<std::uint32_t>(std::max(header(0x34), 0));
        lib_.name = name(header(0x38));
        lib_.helpFile = string(header(0x3C));
        lib_.customData = customData(header(0x40));
        if (auto const dispatch = header(0x4C); dispatch >= 0)
            lib_.dispatchHref = static_cast<std::uint32_t>(dispatch);
    }

    void readImports() {
        Segment const& files = segments_[importFiles];
        std::map<std::uint32_t, std::size_t> libraryAt;
        for (std::size_t offset = 0; files.present && offset + 14 <= files.length && !image_.failed();) {
            std::uint64_t const base = files.offset + offset;
            ImportedLibRecord imported;
            imported.guid = guid(image_.at<std::int32_t>(base));
            imported.lcid = image_.at<std::int32_t>(base + 4);
            imported.majorVersion = image_.at<std::uint16_t>(base + 8);
            imported.minorVersion = image_.at<std::uint16_t>(base + 10);
            std::size_t const nameLength = image_.at<std::uint16_t>(base + 12) >> 2;
            if (!files.holds(std::int64_t(offset + 14), nameLength))
                return image_.fail();
            imported.fileName = textAt(base + 14, nameLength);
            libraryAt[std::uint32_t(offset)] = lib_.importedLibs.size();
            lib_.importedLibs.push_back(std::move(imported));
            offset = (offset + 14 + nameLength + 3) & ~std::size_t(3);
        }
        Segment const& infos = segments_[importInfo];
        for (std::size_t offset = 0; infos.present && offset + importEntrySize <= infos.length; offset += importEntrySize) {
            std::uint64_t const base = infos.offset + offset;
            auto const flags = image_.at<std::uint8_t>(base + 2);
            auto const file = image_.at<std::int32_t>(base + 4);
            auto const target = image_.at<std::int32_t>(base + 8);
            auto const library = libraryAt.find(std::uint32_t(file));
            if (file < 0 || library == libraryAt.end())
                return image_.fail();
            ImportedTypeRecord type;
            type.library = library->second;
            if (flags & 1)
                type.guid = guid(target);
            else
                type.index = static_cast<std::uint32_t>(target);
            lib_.importedTypes[std::uint32_t(offset)] = type;
        }
    }

    void readTypeInfos() {
        lib_.typeInfos.reserve(typeCount_);
        // Each parameter takes 12 bytes of the image: room for all of them
        // saves copying them as they grow. Pages never written cost nothing.
        params_.reserve(std::min(image_.size() / paramInfoSize, paramsReservedAtMost));
        for (std::size_t i = 0; i < typeCount_ && !image_.failed(); ++i)
            lib_.typeInfos.push_back(typeInfo(segments_[typeInfoTable].offset + i * TypeLibRecord::typeInfoEntrySize));
    }

    TypeInfoRecord typeInfo(std::uint64_t base) {
        auto field = [&](std::size_t offset) { return image_.at<std::int32_t>(base + offset); };
        TypeInfoRecord info(lib_.memory.get());
        auto const kind = static_cast<std::uint32_t>(field(0x00));
        info.kind = static_cast<std::uint8_t>(kind & 0x0F);
        info.alignment = static_cast<std::uint16_t>((kind >> 11) & 0x1F);
        if (info.kind >= tkindMax) {
            image_.fail();
            return info;
        }
        auto const elements = static_cast<std::uint32_t>(field(0x18));
        info.guid = guid(field(0x2C));
        info.typeFlags = static_cast<std::uint16_t>(field(0x30) & 0xFFFF);
        info.name = name(field(0x34));
        auto const version = static_cast<std::uint32_t>(field(0x38));
        info.majorVersion = static_cast<std::uint16_t>(version & 0xFFFF);
        info.minorVersion = static_cast<std::uint16_t>(version >> 16);
        info.docString = string(field(0x3C));
        info.helpStringContext = field(0x40);
        info.helpContext = field(0x44);
        info.customData = customData(field(0x48));
        auto const implCount = image_.at<std::int16_t>(base + 0x4C);
        info.vtableSlots = static_cast<std::uint16_t>(image_.at<std::uint16_t>(base + 0x4E) / pointerSize_);
        info.sizeInstance = field(0x50);
        readImplTypes(info, implCount, field(0x54));
        members(info, field(0x04), elements & 0xFFFF, elements >> 16);
        return info;
    }

    void readImplTypes(TypeInfoRecord& info, std::int16_t count, std::int32_t dataType) {
        if (info.kind == tkindAlias) {
            info.aliasType = type(dataType);
            return;
        }
        if (info.kind == tkindModule) {
            info.dllName = string(dataType);
            return;
        }
        if (count <= 0 || dataType == -1)
            return;
        if (info.kind != tkindCoclass) {
            info.implTypes.push_back({static_cast<std::uint32_t>(dataType), 0, {}});
            return;
        }
        Segment const& refs = segments_[refTable];
        for (std::int32_t offset = dataType, left = count; left > 0; --left) {
            if (!refs.holds(offset, refEntrySize))
                return image_.fail();
            std::uint64_t const base = refs.offset + std::size_t(offset);
            ImplTypeRecord impl;
            impl.hrefType = image_.at<std::uint32_t>(base);
            impl.flags = image_.at<std::int32_t>(base + 4);
            impl.customData = customData(image_.at<std::int32_t>(base + 8));
            info.implTypes.push_back(std::move(impl));
            offset = image_.at<std::int32_t>(base + 12);
        }
    }

    // The member block: the records, then the member ids, the name offsets and
    // the record offsets, one of each per function and per variable.
    void members(TypeInfoRecord& info, std::int32_t blockOffset, std::uint32_t funcCount, std::uint32_t varCount) {
        std::uint64_t const count = std::uint64_t(funcCount) + varCount;
        if (count == 0)
            return;
        if (blockOffset < 0)
            return image_.fail();
        auto const recordsLength = image_.at<std::uint32_t>(std::uint64_t(blockOffset));
        std::uint64_t const records = std::uint64_t(blockOffset) + 4;
        std::uint64_t const arrays = records + recordsLength;
        if (image_.failed() || !image_.holds(arrays, count * 12))
            return image_.fail();
        info.funcs.reserve(funcCount);
        info.vars.reserve(varCount);
        for (std::uint64_t k = 0; k < count && !image_.failed(); ++k) {
            auto const memberId = image_.at<std::int32_t>(arrays + 4 * k);
            auto const nameOffset = image_.at<std::int32_t>(arrays + 4 * (count + k));
            auto const recordOffset = image_.at<std::uint32_t>(arrays + 4 * (2 * count + k));
            if (recordOffset >= recordsLength)
                return image_.fail();
            std::uint64_t const record = records + recordOffset;
            std::size_t const size = image_.at<std::uint16_t>(record);
            if (size > recordsLength - recordOffset)
                return image_.fail();
            if (k < funcCount)
                info.funcs.push_back(func(record, size, memberId, nameOffset, info.kind == tkindModule));
            else
                info.vars.push_back(var(record, size, memberId, nameOffset));
        }
    }

    FuncRecord func(std::uint64_t record, std::size_t size, std::int32_t memberId, std::int32_t nameOffset,
                    bool inModule) {
        FuncRecord f;
        f.memberId = memberId;
        f.name = name(nameOffset);
        if (size < funcFixedSize) {
            image_.fail();
            return f;
        }
        f.returnType = type(image_.at<std::int32_t>(record + 4));
        f.funcFlags = static_cast<std::uint16_t>(image_.at<std::uint32_t>(record + 8) & 0xFFFF);
        f.vtableSlot = static_cast<std::int16_t>((image_.at<std::int16_t>(record + 12) & ~1) / pointerSize_);
        auto const kinds = image_.at<std::uint32_t>(record + 16);
        f.funcKind = static_cast<std::uint8_t>(kinds & 0x7);
        f.invokeKind = static_cast<std::uint8_t>((kinds >> 3) & 0xF);
        f.callConv = static_cast<std::uint8_t>((kinds >> 8) & 0xF);
        bool const hasCustomData = kinds & 0x80;
        bool const hasDefaults = kinds & 0x1000;
        bool const entryIsOrdinal = kinds & 0x2000;
        auto const paramCount = image_.at<std::int16_t>(record + 20);
        f.optionalParams = image_.at<std::int16_t>(record + 22);
        std::size_t const perParam = paramInfoSize + (hasDefaults ? 4 : 0);
        if (paramCount < 0 || funcFixedSize + std::size_t(paramCount) * perParam > size) {
            image_.fail();
            return f;
        }
        std::size_t const params = std::size_t(paramCount);
        std::size_t const optionalCount = (size - funcFixedSize - params * perParam) / 4;
        // Room for the run of parameters about to be added.
        if (params_.size() + params > std::numeric_limits<std::uint32_t>::max()) {
            image_.fail();
            return f;
        }
        auto optional = [&](std::size_t i, std::int32_t absent) {
            return i < optionalCount ? image_.at<std::int32_t>(record + funcFixedSize + 4 * i) : absent;
        };
        f.helpContext = optional(0, 0);
        f.helpString = string(optional(1, -1));
        f.helpStringContext = optional(5, 0);
        // Only a module's functions have an entry; elsewhere the field holds anything.
        if (inModule && entryIsOrdinal)
            f.entryOrdinal = static_cast<std::uint16_t>(optional(2, 0) & 0xFFFF);
        else if (inModule)
            f.entryName = string(optional(2, -1));
        if (hasCustomData)
            f.customData = customData(optional(6, -1));
        std::uint64_t const paramInfos = record + size - params * paramInfoSize;
        std::uint64_t const defaults = paramInfos - (hasDefaults ? params * 4 : 0);
        f.params = {static_cast<std::uint32_t>(params_.size()), static_cast<std::uint32_t>(params)};
        for (std::size_t j = 0; j < params && !image_.failed(); ++j) {
            ParamRecord p;
            std::uint64_t const info = paramInfos + j * paramInfoSize;
            p.type = type(image_.at<std::int32_t>(info));
            p.name = name(image_.at<std::int32_t>(info + 4));
            p.flags = static_cast<std::uint16_t>(image_.at<std::uint32_t>(info + 8) & 0xFFFF);
            if (hasDefaults && (p.flags & 0x20)) { // PARAMFLAG_FHASDEFAULT
                p.defaultValue = static_cast<std::uint32_t>(lib_.values.size());
                lib_.values.push_back(value(image_.at<std::int32_t>(defaults + 4 * j)));
            }
            if (hasCustomData)
                p.customData = customData(optional(7 + j, -1));
            params_.push_back(p);
        }
        return f;
    }

    VarRecord var(std::uint64_t record, std::size_t size, std::int32_t memberId, std::int32_t nameOffset) {
        VarRecord v;
        v.memberId = memberId;
        v.name = name(nameOffset);
        if (size < varFixedSize) {
            image_.fail();
            return v;
        }
        v.type = type(image_.at<std::int32_t>(record + 4));
        v.varFlags = static_cast<std::uint16_t>(image_.at<std::uint32_t>(record + 8) & 0xFFFF);
        v.varKind = static_cast<std::uint8_t>(image_.at<std::uint16_t>(record + 12));
        auto const offsetOrValue = image_.at<std::int32_t>(record + 16);
        if (v.varKind == varkindConst)
            v.constant = value(offsetOrValue);
        else
            v.instanceOffset = offsetOrValue;
        std::size_t const optionalCount = (size - varFixedSize) / 4;
        auto optional = [&](std::size_t i, std::int32_t absent) {
            return i < optionalCount ? image_.at<std::int32_t>(record + varFixedSize + 4 * i) : absent;
        };
        v.helpContext = optional(0, 0);
        v.helpString = string(optional(1, -1));
        v.customData = customData(optional(3, -1));
        v.helpStringContext = optional(4, 0);
        return v;
    }

    // A type reference is either a bare VARTYPE (negative) or the offset of
    // an eight-byte description in the type table.
    TypeIndex type(std::int32_t reference, int depth = 0) {
        if (auto cached = typeCache_.find(reference); cached != typeCache_.end())
            return cached->second;
        if (depth > maxTypeDepth) {
            image_.fail();
            return 0;
        }
        TypeNode node;
        int chain = 1; // nodes from this one to a plain type, through `inner`
        if (reference < 0) {
            node.vt = static_cast<std::uint16_t>(reference & vtTypeMask);
            // A bare VARTYPE has nothing to point to or name.
            if (node.vt == vtPtr || node.vt == vtSafeArray || node.vt == vtCArray || node.vt == vtUserDefined) {
                image_.fail();
                return 0;
            }
        } else {
            Segment const& table = segments_[typeDescs];
            if (!table.holds(reference, 8)) {
                image_.fail();
                return 0;
            }
            std::uint64_t const base = table.offset + std::size_t(reference);
            node.vt = image_.at<std::uint16_t>(base) & vtTypeMask;
            auto const operand = image_.at<std::int32_t>(base + 4);
            if (node.vt == vtPtr || node.vt == vtSafeArray)
                node.inner = type(operand, depth + 1);
            else if (node.vt == vtUserDefined)
                node.hrefType = static_cast<std::uint32_t>(operand);
            else if (node.vt == vtCArray)
                arrayType(node, operand, depth);
            if (image_.failed())
                return 0;
            if (node.vt == vtPtr || node.vt == vtSafeArray || node.vt == vtCArray)
                chain = chainLengths_[node.inner] + 1;
        }
        // Descriptions reached through the cache can still chain without end
        // in a crafted image; their users walk the chain.
        if (chain > maxTypeDepth) {
            image_.fail();
            return 0;
        }
        lib_.types.push_back(std::move(node));
        chainLengths_.push_back(chain);
        auto const index = static_cast<TypeIndex>(lib_.types.size() - 1);
        typeCache_[reference] = index;
        return index;
    }

    void arrayType(TypeNode& node, std::int32_t offset, int depth) {
        Segment const& table = segments_[arrayDescs];
        if (!table.holds(offset, 8))
            return image_.fail();
        std::uint64_t const base = table.offset + std::size_t(offset);
        auto const element = image_.at<std::int32_t>(base);
        std::size_t const dims = image_.at<std::uint16_t>(base + 4);
        if (!table.holds(std::int64_t(offset) + 8, dims * 8))
            return image_.fail();
        for (std::size_t d = 0; d < dims; ++d)
            node.bounds.push_back({image_.at<std::uint32_t>(base + 8 + 8 * d), image_.at<std::int32_t>(base + 12 + 8 * d)});
        node.inner = type(element, depth + 1);
    }

    // Small values are packed into the reference itself: the VARTYPE in bits
    // 26..30 and the value in the low 26 bits.
    ValueRecord value(std::int32_t reference) {
        ValueRecord v;
        if (reference < 0) {
            auto const bits = static_cast<std::uint32_t>(reference);
            v.vt = static_cast<std::uint16_t>((bits & 0x7C000000u) >> 26);
            v.bits = bits & 0x03FFFFFFu;
            return v;
        }
        Segment const& table = segments_[customDataValues];
        if (!table.holds(reference, 2)) {
            image_.fail();
            return v;
        }
        std::uint64_t const base = table.offset + std::size_t(reference);
        v.vt = image_.at<std::uint16_t>(base);
        std::size_t const width = valueWidth(v.vt);
        if (v.vt == vtBstr) {
            auto const length = image_.at<std::int32_t>(base + 2);
            if (length == -1)
                return v;
            if (length < 0 || !table.holds(std::int64_t(reference) + 6, std::size_t(length))) {
                image_.fail();
                return v;
            }
            v.text = textAt(base + 6, std::size_t(length));
        } else if (width > 0) {
            if (!table.holds(std::int64_t(reference) + 2, width)) {
                image_.fail();
                return v;
            }
            v.bits = width == 4 ? image_.at<std::uint32_t>(base + 2) : image_.at<std::uint64_t>(base + 2);
            if (v.vt == vtDecimal)
                v.bitsHigh = image_.at<std::uint64_t>(base + 10);
        }
        return v;
    }

    static std::size_t valueWidth(std::uint16_t vt) {
        switch (vt) {
        case 5: case 6: case 7: case 20: case 21: case 64: // R8 CY DATE I8 UI8 FILETIME
            return 8;
        case vtDecimal:
            return 16;
        case 0: case 1: case 24: // EMPTY NULL VOID carry no value
            return 0;
        default:
            return 4;
        }
    }

    // The chain's entries, appended to the library's table in a row.
    RecordRange customData(std::int32_t offset) {
        auto& data = lib_.customDataEntries;
        RecordRange const range{static_cast<std::uint32_t>(data.size()), 0};
        Segment const& list = segments_[customDataGuids];
        // The entries are chained; a chain longer than the table must loop.
        for (std::size_t left = list.length / customDataEntrySize + 1; offset >= 0; --left) {
            if (left == 0 || !list.holds(offset, customDataEntrySize)) {
                image_.fail();
                break;
            }
            std::uint64_t const base = list.offset + std::size_t(offset);
            CustomDataRecord datum;
            datum.guid = guid(image_.at<std::int32_t>(base));
            datum.value = value(image_.at<std::int32_t>(base + 4));
            data.push_back(datum);
            offset = image_.at<std::int32_t>(base + 8);
        }
        return {range.first, static_cast<std::uint32_t>(data.size() - range.first)};
    }

    Guid guid(std::int32_t offset) {
        if (offset < 0)
            return {};
        Segment const& table = segments_[guidTable];
        if (!table.holds(offset, 16)) {
            image_.fail();
            return {};
        }
        std::uint64_t const base = table.offset + std::size_t(offset);
        Guid g;
        g.data1 = image_.at<std::uint32_t>(base);
        g.data2 = image_.at<std::uint16_t>(base + 4);
        g.data3 = image_.at<std::uint16_t>(base + 6);
        for (std::size_t i = 0; i < 8; ++i)
            g.data4[i] = image_.at<std::uint8_t>(base + 8 + i);
        return g;
    }

    TextRef name(std::int32_t offset) {
        if (offset < 0)
            return {};
        Segment const& table = segments_[nameTable];
        if (!table.holds(offset, 12)) {
            image_.fail();
            return {};
        }
        std::uint64_t const base = table.offset + std::size_t(offset);
        std::size_t const length = image_.at<std::uint8_t>(base + 8);
        if (!table.holds(std::int64_t(offset) + 12, length)) {
            image_.fail();
            return {};
        }
        return textAt(base + 12, length);
    }

    TextRef string(std::int32_t offset) {
        if (offset < 0)
            return {};
        Segment const& table = segments_[stringTable];
        if (!table.holds(offset, 2)) {
            image_.fail();
            return {};
        }
        std::uint64_t const base = table.offset + std::size_t(offset);
        std::size_t const length = image_.at<std::uint16_t>(base);
        if (!table.holds(std::int64_t(offset) + 2, length)) {
            image_.fail();
            return {};
        }
        return textAt(base + 2, length);
    }

    Image image_;
    std::array<Segment, segmentCount> segments_{};
    std::size_t typeCount_ = 0;
    std::size_t textsBegin_ = 0; // where the library's text buffer starts in the image
    int pointerSize_ = 4;
    std::map<std::int32_t, TypeIndex> typeCache_;
    std::vector<int> chainLengths_; // by TypeIndex
    std::vector<ParamRecord> params_; // of every function read so far
    TypeLibRecord lib_;
};

} // namespace

std::expected<TypeLibRecord, TypeLibFault> readTypeLib(std::span<std::byte const> image) {
    return Parser(image).run();
}

} // namespace qor::platform::posix::ole
