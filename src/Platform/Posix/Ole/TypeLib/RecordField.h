#pragma once

// One field of a record, as the record's IRecordInfo reads, copies and
// clears it: where it lies, the VARTYPE of its value, and for an embedded
// record that record's own IRecordInfo. A field's value goes through the
// VARIANT functions (VariantCopy, VariantClear, VariantChangeType), so a
// field owns what a VARIANT of its type owns, and is copied and cleared as
// one would be.

#include "Platform/Posix/Ole/Automation/RecordInfo.h"
#include "Platform/Posix/Ole/TypeLib/TypeInfo.h"

#include <cstddef>
#include <expected>
#include <string>

namespace qor::platform::posix::ole {

class RecordField {
public:
    // The field a VARDESC of a record type describes; `depth` bounds records
    // nested in records.
    static std::expected<RecordField, HRESULT> describe(ITypeInfo& owner, VARDESC const& desc, int depth);

    RecordField(RecordField&& other) noexcept;
    RecordField& operator=(RecordField&&) = delete;
    RecordField(RecordField const&) = delete;
    ~RecordField();

    std::u16string const& name() const { return name_; }
    // Where the field lies and what it holds: `count` elements of `type`
    // (VT_PTR for what no VARIANT holds), each of `elementSize` bytes, and
    // for an embedded record that record's info.
    ULONG offset() const { return offset_; }
    VARTYPE type() const { return vt_; }
    ULONG count() const { return count_; }
    ULONG elementSize() const { return elementSize_; }
    IRecordInfo* record() const { return record_; }

    // What the field owns is let go, and the field is zero.
    void clear(std::byte* record) const;
    // Copies the field of `source` into the zero field of `target`.
    HRESULT copy(std::byte const* source, std::byte* target) const;

    // The field's value, a copy of the caller's.
    HRESULT get(std::byte* record, VARIANT& value) const;
    // A VARIANT that refers to the field where it lies; for a C array of
    // values, the address of its first element too.
    HRESULT refer(std::byte* record, VARIANT& reference, void** array) const;
    // Stores a value of the field's type made from `value`. Handed over, a
    // value of the field's own type is moved in rather than copied: the
    // caller then no longer owns what it holds.
    enum class Transfer { copy, handOver };
    HRESULT put(std::byte* record, VARIANT const& value, Transfer transfer) const;

private:
    RecordField() = default;
    bool isValue() const;
    bool owns() const;
    HRESULT clearElement(std::byte* element) const;
    HRESULT copyElement(std::byte const* source, std::byte* target) const;
    HRESULT storeValue(std::byte* field, VARIANT& value) const;

    std::u16string name_;
    ULONG offset_ = 0;
    VARTYPE vt_ = VT_EMPTY; // VT_PTR for what no VARIANT holds: plain pointers and the like
    ULONG count_ = 1;       // the elements of a C array
    ULONG elementSize_ = 0;
    IRecordInfo* record_ = nullptr; // of an embedded record; one reference
};

} // namespace qor::platform::posix::ole
