#pragma once

// A record passed by value, as the native call passes it: a libffi structure
// type made of its fields' types, so that the record goes in registers or
// in memory as the platform's calling convention classifies the struct.

#include <ffi.h>

#include <expected>
#include <memory>
#include <vector>

#include "Platform/Posix/Ole/TypeLib/TypeInfo.h"

namespace qor::platform::posix::ole {

class TypeRecordInfo;

class RecordLayout {
public:
    // Of a TKIND_RECORD type. DISP_E_BADVARTYPE for a record holding what
    // has no native type here (a union), or laid out otherwise than libffi
    // lays out its fields (a packed record).
    static std::expected<std::shared_ptr<RecordLayout>, HRESULT> of(ITypeInfo& recordType);

    ffi_type* type() { return &type_; }

private:
    HRESULT build(TypeRecordInfo const& info);

    ffi_type type_{};
    std::vector<ffi_type*> elements_;
    std::vector<std::shared_ptr<RecordLayout>> nested_;
};

} // namespace qor::platform::posix::ole
