#include "Platform/Posix/Ole/TypeLib/RecordField.h"

#include "Platform/Posix/Ole/Automation/Bstr.h"
#include "Platform/Posix/Ole/Automation/VarType.h"
#include "Platform/Posix/Ole/TypeLib/HeldDescription.h"
#include "Platform/Posix/Ole/TypeLib/TypeRecordInfo.h"

#include <cstring>
#include <utility>

namespace qor::platform::posix::ole {

namespace {

constexpr int maxTypeDepth = 16;
constexpr VARTYPE opaque = VT_PTR;

// The type of a field's value, read from its TYPEDESC.
struct FieldType {
    VARTYPE vt = opaque;
    ULONG count = 1;
    ULONG size = 0;
    IRecordInfo* record = nullptr; // one reference
};

HRESULT resolve(ITypeInfo& owner, TYPEDESC const& type, FieldType& out, int depth);

HRESULT userDefined(ITypeInfo& owner, HREFTYPE href, FieldType& out, int depth)
{
    ITypeInfo* target = nullptr;
    if (HRESULT hr = owner.GetRefTypeInfo(href, &target); FAILED(hr))
        return hr;
    struct Release {
        ITypeInfo* info;
        ~Release() { info->Release(); }
    } release{target};
    auto attr = typeAttrOf(*target);
    if (!attr)
        return attr.error();
    switch ((*attr)->typekind) {
    case TKIND_ENUM:
        out.vt = VT_I4;
        out.size = 4;
        return S_OK;
    case TKIND_ALIAS:
        return resolve(*target, (*attr)->tdescAlias, out, depth + 1);
    case TKIND_RECORD: {
        auto record = recordInfoOfType(*target, depth + 1);
        if (!record)
            return record.error();
        out.vt = VT_RECORD;
        out.record = *record;
        return out.record->GetSize(&out.size);
    }
    default:
        // A union, or what a record holds by value and no VARIANT can: bytes
        // copied as they are.
        out.vt = opaque;
        out.size = (*attr)->cbSizeInstance;
        return S_OK;
    }
}

// An interface pointer is a value a VARIANT holds; any other pointer is
// copied as the address it is.
HRESULT pointer(ITypeInfo& owner, TYPEDESC const& pointee, FieldType& out)
{
    out.vt = opaque;
    out.size = sizeof(void*);
    if (pointee.vt != VT_USERDEFINED)
        return S_OK;
    ITypeInfo* target = nullptr;
    if (FAILED(owner.GetRefTypeInfo(pointee.hreftype, &target)))
        return S_OK;
    if (auto attr = typeAttrOf(*target)) {
        TYPEKIND const kind = (*attr)->typekind;
        if (kind == TKIND_DISPATCH || (kind == TKIND_INTERFACE && ((*attr)->wTypeFlags & TYPEFLAG_FDISPATCHABLE)))
            out.vt = VT_DISPATCH;
        else if (kind == TKIND_INTERFACE)
            out.vt = VT_UNKNOWN;
    }
    target->Release();
    return S_OK;
}

HRESULT cArray(ITypeInfo& owner, ARRAYDESC const& array, FieldType& out, int depth)
{
    if (HRESULT hr = resolve(owner, array.tdescElem, out, depth + 1); FAILED(hr))
        return hr;
    for (USHORT i = 0; i < array.cDims; ++i) {
        ULONG const elements = array.rgbounds[i].cElements;
        if (elements != 0 && out.count > 0xFFFFFFFFu / elements)
            return TYPE_E_SIZETOOBIG;
        out.count *= elements;
    }
    return S_OK;
}

HRESULT resolve(ITypeInfo& owner, TYPEDESC const& type, FieldType& out, int depth)
{
    if (depth > maxTypeDepth)
        return TYPE_E_CIRCULARTYPE;
    switch (type.vt) {
    case VT_CARRAY:
        return cArray(owner, *type.lpadesc, out, depth);
    case VT_PTR:
        return pointer(owner, *type.lptdesc, out);
    case VT_SAFEARRAY: {
        FieldType element;
        HRESULT hr = resolve(owner, *type.lptdesc, element, depth + 1);
        if (element.record != nullptr)
            element.record->Release();
        if (FAILED(hr))
            return hr;
        out.vt = element.vt == opaque ? opaque : static_cast<VARTYPE>(VT_ARRAY | element.vt);
        out.size = sizeof(SAFEARRAY*);
        return S_OK;
    }
    case VT_USERDEFINED:
        return userDefined(owner, type.hreftype, out, depth);
    case VT_HRESULT:
        // A VARIANT holds an HRESULT as an SCODE.
        out.vt = VT_ERROR;
        out.size = 4;
        return S_OK;
    case VT_LPSTR:
    case VT_LPWSTR:
    case VT_INT_PTR:
    case VT_UINT_PTR:
        out.vt = opaque;
        out.size = sizeof(void*);
        return S_OK;
    default:
        out.size = static_cast<ULONG>(vartype::sizeOf(type.vt));
        if (out.size == 0 || !vartype::isCopyable(type.vt))
            return DISP_E_BADVARTYPE;
        out.vt = type.vt;
        return S_OK;
    }
}

// Where a VARIANT of the type keeps its value's bytes: a DECIMAL fills the
// whole VARIANT, its first bytes standing where the type code is.
void* valueBytes(VARIANT& value)
{
    return value.vt == VT_DECIMAL ? static_cast<void*>(&value.decVal) : static_cast<void*>(&value.llVal);
}

// A VARIANT that holds the value whose bytes are at `element`, without
// copying what it owns.
VARIANT borrowed(VARTYPE vt, std::byte const* element, std::size_t size)
{
    VARIANT value;
    VariantInit(&value);
    value.vt = vt;
    std::memcpy(valueBytes(value), element, size);
    value.vt = vt; // a DECIMAL's copy wrote over it
    return value;
}

} // namespace

std::expected<RecordField, HRESULT> RecordField::describe(ITypeInfo& owner, VARDESC const& desc, int depth)
{
    if (desc.varkind != VAR_PERINSTANCE)
        return std::unexpected(E_INVALIDARG);
    FieldType type;
    HRESULT hr = resolve(owner, desc.elemdescVar.tdesc, type, depth);
    RecordField field;
    field.record_ = type.record;
    if (FAILED(hr))
        return std::unexpected(hr);
    BSTR name = nullptr;
    UINT names = 0;
    if (hr = owner.GetNames(desc.memid, &name, 1, &names); FAILED(hr))
        return std::unexpected(hr);
    field.name_.assign(name, SysStringLen(name));
    SysFreeString(name);
    field.offset_ = desc.oInst;
    field.vt_ = type.vt;
    field.count_ = type.count;
    field.elementSize_ = type.size;
    return field;
}

RecordField::RecordField(RecordField&& other) noexcept
    : name_(std::move(other.name_)), offset_(other.offset_), vt_(other.vt_), count_(other.count_),
      elementSize_(other.elementSize_), record_(std::exchange(other.record_, nullptr))
{
}

RecordField::~RecordField()
{
    if (record_ != nullptr)
        record_->Release();
}

bool RecordField::isValue() const
{
    return vt_ != opaque && count_ == 1;
}

bool RecordField::owns() const
{
    return vt_ == VT_BSTR || vt_ == VT_DISPATCH || vt_ == VT_UNKNOWN || vt_ == VT_VARIANT || vt_ == VT_RECORD ||
           (vt_ & VT_ARRAY) != 0;
}

HRESULT RecordField::clearElement(std::byte* element) const
{
    if (vt_ == VT_VARIANT)
        return VariantClear(reinterpret_cast<VARIANT*>(element));
    if (vt_ == VT_RECORD)
        return record_->RecordClear(element);
    VARIANT value = borrowed(vt_, element, elementSize_);
    return VariantClear(&value);
}

void RecordField::clear(std::byte* record) const
{
    std::byte* field = record + offset_;
    if (owns())
        for (ULONG i = 0; i < count_; ++i)
            clearElement(field + std::size_t(i) * elementSize_);
    std::memset(field, 0, std::size_t(count_) * elementSize_);
}

HRESULT RecordField::copyElement(std::byte const* source, std::byte* target) const
{
    if (vt_ == VT_VARIANT)
        return VariantCopy(reinterpret_cast<VARIANT*>(target), reinterpret_cast<VARIANT const*>(source));
    if (vt_ == VT_RECORD)
        return record_->RecordCopy(const_cast<std::byte*>(source), target);
    VARIANT const value = borrowed(vt_, source, elementSize_);
    VARIANT copied;
    VariantInit(&copied);
    if (HRESULT hr = VariantCopy(&copied, &value); FAILED(hr))
        return hr;
    std::memcpy(target, valueBytes(copied), elementSize_);
    return S_OK;
}

HRESULT RecordField::copy(std::byte const* source, std::byte* target) const
{
    std::size_t const bytes = std::size_t(count_) * elementSize_;
    if (!owns()) {
        std::memcpy(target + offset_, source + offset_, bytes);
        return S_OK;
    }
    for (ULONG i = 0; i < count_; ++i) {
        std::size_t const at = offset_ + std::size_t(i) * elementSize_;
        if (HRESULT hr = copyElement(source + at, target + at); FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT RecordField::refer(std::byte* record, VARIANT& reference, void** array) const
{
    std::byte* field = record + offset_;
    if (array != nullptr)
        *array = nullptr;
    if (vt_ == opaque)
        return DISP_E_BADVARTYPE;
    VariantInit(&reference);
    reference.vt = static_cast<VARTYPE>(vt_ | VT_BYREF);
    if (vt_ == VT_RECORD) {
        reference.pvRecord = field;
        reference.pRecInfo = record_;
    } else {
        reference.byref = field;
    }
    if (count_ != 1 && array != nullptr)
        *array = field;
    return S_OK;
}

HRESULT RecordField::get(std::byte* record, VARIANT& value) const
{
    if (!isValue())
        return DISP_E_BADVARTYPE;
    if (vt_ == VT_VARIANT)
        return VariantCopy(&value, reinterpret_cast<VARIANT*>(record + offset_));
    VARIANT reference;
    refer(record, reference, nullptr);
    return VariantCopyInd(&value, &reference);
}

// Takes the value's bytes into the field; `value` gives them up.
HRESULT RecordField::storeValue(std::byte* field, VARIANT& value) const
{
    if (HRESULT hr = clearElement(field); FAILED(hr))
        return hr;
    std::memcpy(field, vt_ == VT_VARIANT ? static_cast<void*>(&value) : valueBytes(value), elementSize_);
    if (vt_ == VT_DECIMAL)
        reinterpret_cast<DECIMAL*>(field)->wReserved = 0;
    VariantInit(&value);
    return S_OK;
}

HRESULT RecordField::put(std::byte* record, VARIANT const& value, Transfer transfer) const
{
    if (!isValue())
        return DISP_E_BADVARTYPE;
    std::byte* field = record + offset_;
    if (vt_ == VT_VARIANT) {
        if (transfer == Transfer::copy)
            return VariantCopy(reinterpret_cast<VARIANT*>(field), &value);
        VARIANT moved = value;
        return storeValue(field, moved);
    }
    if (vt_ == VT_RECORD) {
        // An embedded record takes a copy of one of its own type.
        VARTYPE const type = static_cast<VARTYPE>(value.vt & ~VT_BYREF);
        if (type != VT_RECORD || value.pRecInfo == nullptr || !record_->IsMatchingType(value.pRecInfo))
            return DISP_E_TYPEMISMATCH;
        return record_->RecordCopy(value.pvRecord, field);
    }
    VARIANT converted;
    VariantInit(&converted);
    if (transfer == Transfer::handOver && value.vt == vt_) {
        converted = value;
    } else if (HRESULT hr = VariantChangeType(&converted, &value, 0, vt_); FAILED(hr)) {
        return hr;
    }
    return storeValue(field, converted);
}

} // namespace qor::platform::posix::ole
