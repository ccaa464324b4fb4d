#include "Platform/Posix/Ole/Dispatch/RecordLayout.h"

#include "Platform/Posix/Ole/Dispatch/PreparedCall.h"
#include "Platform/Posix/Ole/TypeLib/TypeRecordInfo.h"

namespace qor::platform::posix::ole {

std::expected<std::shared_ptr<RecordLayout>, HRESULT> RecordLayout::of(ITypeInfo& recordType) {
    auto info = recordInfoOfType(recordType);
    if (!info)
        return std::unexpected(info.error());
    auto layout = std::make_shared<RecordLayout>();
    HRESULT hr = layout->build(*static_cast<TypeRecordInfo*>(*info));
    (*info)->Release();
    if (FAILED(hr))
        return std::unexpected(hr);
    return layout;
}

HRESULT RecordLayout::build(TypeRecordInfo const& info) {
    std::vector<std::size_t> firstElement; // of each field, among elements_
    for (RecordField const& field : info.fields()) {
        ffi_type* element = nullptr;
        if (field.type() == VT_RECORD) {
            ITypeInfo* nestedType = nullptr;
            if (FAILED(field.record()->GetTypeInfo(&nestedType)))
                return DISP_E_BADVARTYPE;
            auto nested = of(*nestedType);
            nestedType->Release();
            if (!nested)
                return nested.error();
            element = (*nested)->type();
            nested_.push_back(std::move(*nested));
        } else if (field.type() == VT_PTR) {
            // What no VARIANT holds: a plain pointer, or a union libffi can't classify.
            if (field.elementSize() != sizeof(void*))
                return DISP_E_BADVARTYPE;
            element = &ffi_type_pointer;
        } else {
            element = ffiTypeOf(field.type());
        }
        if (element == nullptr || element == &ffi_type_void)
            return DISP_E_BADVARTYPE;
        firstElement.push_back(elements_.size());
        elements_.insert(elements_.end(), field.count(), element);
    }
    elements_.push_back(nullptr);
    type_.type = FFI_TYPE_STRUCT;
    type_.elements = elements_.data();
    // Laid out now, once: libffi would do it on first use otherwise, and
    // the offsets must be those the type library states.
    std::vector<std::size_t> offsets(elements_.size());
    if (elements_.size() == 1 || ffi_get_struct_offsets(FFI_DEFAULT_ABI, &type_, offsets.data()) != FFI_OK)
        return DISP_E_BADVARTYPE;
    ULONG size = 0;
    if (FAILED(const_cast<TypeRecordInfo&>(info).GetSize(&size)) || type_.size != size)
        return DISP_E_BADVARTYPE;
    for (std::size_t i = 0; i < firstElement.size(); ++i)
        if (offsets[firstElement[i]] != info.fields()[i].offset())
            return DISP_E_BADVARTYPE;
    return S_OK;
}

} // namespace qor::platform::posix::ole
