#include "Platform/Posix/Ole/Dispatch/PreparedCall.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "Platform/Posix/Ole/Dispatch/RegisterCall.h"

namespace qor::platform::posix::ole {

namespace {

// libffi lays structures out itself; these mirror VARIANT and DECIMAL so
// that by-value passing and returning follow the native classification
// (a VARIANT goes through memory, a DECIMAL through two registers).
std::array<ffi_type*, 7> variantFields{&ffi_type_uint16, &ffi_type_uint16, &ffi_type_uint16, &ffi_type_uint16,
                                       &ffi_type_uint64, &ffi_type_uint64, nullptr};
std::array<ffi_type*, 6> decimalFields{&ffi_type_uint16, &ffi_type_uint8,  &ffi_type_uint8,
                                       &ffi_type_uint32, &ffi_type_uint64, nullptr};
ffi_type variantStruct{0, 0, FFI_TYPE_STRUCT, variantFields.data()};
ffi_type decimalStruct{0, 0, FFI_TYPE_STRUCT, decimalFields.data()};

// libffi completes a structure type the first time a call interface uses it;
// doing that once, under static initialisation, keeps later calls from
// writing to shared state.
bool completeStructTypes() {
    for (ffi_type* type : {&variantStruct, &decimalStruct}) {
        ffi_cif cif;
        if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, 0, type, nullptr) != FFI_OK)
            return false;
    }
    static_assert(sizeof(VARIANT) == 24 && sizeof(DECIMAL) == 16);
    return true;
}

bool structTypesReady() {
    static bool const ready = completeStructTypes();
    return ready && variantStruct.size == sizeof(VARIANT) && decimalStruct.size == sizeof(DECIMAL);
}

bool isPointerType(VARTYPE vt) {
    if ((vt & (VT_BYREF | VT_ARRAY)) != 0)
        return true;
    switch (vt) {
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_PTR:
    case VT_SAFEARRAY:
    case VT_LPSTR:
    case VT_LPWSTR:
    case VT_INT_PTR:
    case VT_UINT_PTR:
        return true;
    default:
        return false;
    }
}

// The libffi type of a value of automation type vt; void for VT_VOID (only
// meaningful as a return type), null when vt can't be passed. VT_EMPTY, as
// on Windows, is whatever the value's 8 bytes hold: an argument passes them,
// a result keeps the return register.
ffi_type* ffiTypeOf(VARTYPE vt) {
    if (isPointerType(vt))
        return &ffi_type_pointer;
    switch (vt) {
    case VT_EMPTY:
        return &ffi_type_uint64;
    case VT_VOID:
        return &ffi_type_void;
    case VT_I1:
        return &ffi_type_sint8;
    case VT_UI1:
        return &ffi_type_uint8;
    case VT_I2:
    case VT_BOOL:
        return &ffi_type_sint16;
    case VT_UI2:
        return &ffi_type_uint16;
    case VT_I4:
    case VT_INT:
    case VT_ERROR:
    case VT_HRESULT:
        return &ffi_type_sint32;
    case VT_UI4:
    case VT_UINT:
        return &ffi_type_uint32;
    case VT_I8:
    case VT_CY: // an 8-byte union of integers: classified like one
        return &ffi_type_sint64;
    case VT_UI8:
        return &ffi_type_uint64;
    case VT_R4:
        return &ffi_type_float;
    case VT_R8:
    case VT_DATE:
        return &ffi_type_double;
    case VT_VARIANT:
        return &variantStruct;
    case VT_DECIMAL:
        return &decimalStruct;
    default:
        return nullptr;
    }
}

// Integers and pointers, which go in general-purpose registers.
bool isIntegerClass(ffi_type const& type) {
    switch (type.type) {
    case FFI_TYPE_POINTER:
    case FFI_TYPE_SINT8:
    case FFI_TYPE_UINT8:
    case FFI_TYPE_SINT16:
    case FFI_TYPE_UINT16:
    case FFI_TYPE_SINT32:
    case FFI_TYPE_UINT32:
    case FFI_TYPE_SINT64:
    case FFI_TYPE_UINT64:
        return true;
    default:
        return false;
    }
}

// Where libffi reads an argument of type vt: every scalar and pointer member
// of the union starts at the same address, and DECIMAL covers the variant.
void* argumentStorage(VARTYPE vt, VARIANTARG* argument) {
    if (vt == VT_VARIANT)
        return argument;
    if (vt == VT_DECIMAL)
        return &argument->decVal;
    return &argument->llVal;
}

// Integral results narrower than a register come back widened to ffi_arg.
void storeResult(VARTYPE vt, void const* raw, VARIANT* result) {
    if (vt == VT_VARIANT) {
        std::memcpy(result, raw, sizeof(VARIANT));
        return;
    }
    std::memset(result, 0, sizeof(VARIANT));
    auto const widened = *static_cast<ffi_arg const*>(raw);
    switch (vt) {
    case VT_VOID:
        result->vt = VT_EMPTY;
        return;
    case VT_I1:
        result->cVal = static_cast<CHAR>(widened);
        break;
    case VT_UI1:
        result->bVal = static_cast<BYTE>(widened);
        break;
    case VT_I2:
    case VT_BOOL:
        result->iVal = static_cast<SHORT>(widened);
        break;
    case VT_UI2:
        result->uiVal = static_cast<USHORT>(widened);
        break;
    case VT_I4:
    case VT_INT:
    case VT_ERROR:
    case VT_HRESULT:
    case VT_UI4:
    case VT_UINT:
        result->ulVal = static_cast<ULONG>(widened);
        break;
    case VT_R4:
        std::memcpy(&result->fltVal, raw, sizeof(FLOAT));
        break;
    case VT_DECIMAL:
        std::memcpy(&result->decVal, raw, sizeof(DECIMAL));
        break;
    default: // 64-bit integers, doubles, currency, pointers and VT_EMPTY's register
        std::memcpy(&result->llVal, raw, sizeof(LONGLONG));
        break;
    }
    // VT_HRESULT is no VARIANT type; VT_ERROR carries an SCODE as Invoke
    // expects it.
    result->vt = vt == VT_HRESULT ? VARTYPE{VT_ERROR} : vt;
}

} // namespace

PreparedCall::PreparedCall(CallTarget target, CALLCONV cc, VARTYPE vtReturn, UINT count, VARTYPE const* types)
    : target_(target), vtReturn_(vtReturn), count_(count), types_(count), ffiTypes_(count + 1) {
    // x86-64 has one calling convention; the others name it on 32-bit only.
    if (cc < CC_FASTCALL || cc >= CC_MAX) {
        status_ = E_INVALIDARG;
        return;
    }
    ffi_type* returnType = ffiTypeOf(vtReturn);
    if (!returnType) {
        status_ = DISP_E_BADVARTYPE;
        return;
    }
    if (!structTypesReady()) {
        status_ = E_UNEXPECTED;
        return;
    }
    unsigned used = 0;
    if (target == CallTarget::vtableSlot)
        ffiTypes_[used++] = &ffi_type_pointer;
    for (UINT i = 0; i < count; ++i) {
        ffi_type* type = ffiTypeOf(types[i]);
        if (!type || type == &ffi_type_void) {
            status_ = DISP_E_BADVARTYPE;
            return;
        }
        types_[i] = types[i];
        ffiTypes_[used++] = type;
    }
    // A call that needs no more than integer registers is made without libffi.
    inRegisters_ =
        target == CallTarget::vtableSlot && used <= registerArgumentCount &&
        (returnType == &ffi_type_void || isIntegerClass(*returnType)) &&
        std::all_of(ffiTypes_.data(), ffiTypes_.data() + used, [](ffi_type* t) { return isIntegerClass(*t); });
    if (!inRegisters_ && ffi_prep_cif(&cif_, FFI_DEFAULT_ABI, used, returnType, ffiTypes_.data()) != FFI_OK)
        status_ = E_UNEXPECTED;
}

PreparedCall::Function PreparedCall::target(void* instance, ULONG_PTR address) const {
    if (target_ == CallTarget::function)
        return reinterpret_cast<Function>(address);
    if (!instance || address % sizeof(void*) != 0)
        return nullptr;
    auto const* vtable = *static_cast<void (*const* const*)()>(instance);
    return vtable[address / sizeof(void*)];
}

HRESULT PreparedCall::call(void* instance, ULONG_PTR address, VARIANTARG** arguments, VARIANT* result) const {
    if (FAILED(status_))
        return status_;
    Function const function = target(instance, address);
    if (!function)
        return E_INVALIDARG;
    for (UINT i = 0; i < count_; ++i)
        if (!arguments[i])
            return E_INVALIDARG;
    if (inRegisters_)
        callInRegisters(function, instance, arguments, result);
    else
        callThroughFfi(function, instance, arguments, result);
    return S_OK;
}

HRESULT PreparedCall::callWithRegisterValues(void* instance, ULONG_PTR address, RegisterArguments& registers,
                                             std::uint64_t& returned) const {
    if (FAILED(status_))
        return status_;
    if (!inRegisters_)
        return E_UNEXPECTED;
    Function const function = target(instance, address);
    if (!function)
        return E_INVALIDARG;
    registers[0] = reinterpret_cast<std::uintptr_t>(instance);
    returned = callWithRegisters(function, registers);
    return S_OK;
}

void PreparedCall::callInRegisters(void (*function)(), void* instance, VARIANTARG** arguments, VARIANT* result) const {
    RegisterArguments registers{};
    registers[0] = reinterpret_cast<std::uintptr_t>(instance);
    for (UINT i = 0; i < count_; ++i)
        registers[i + 1] = registerValue(types_[i], *arguments[i]);
    std::uint64_t const returned = callWithRegisters(function, registers);
    storeResult(vtReturn_, &returned, result);
}

void PreparedCall::callThroughFfi(void (*function)(), void* instance, VARIANTARG** arguments, VARIANT* result) const {
    CallStorage<void*, 16> values(count_ + 1, setByCaller);
    unsigned used = 0;
    if (target_ == CallTarget::vtableSlot)
        values[used++] = &instance;
    for (UINT i = 0; i < count_; ++i)
        values[used++] = argumentStorage(types_[i], arguments[i]);
    alignas(16) std::array<std::byte, sizeof(VARIANT)> raw{};
    static_assert(sizeof(raw) >= sizeof(ffi_arg));
    ffi_call(&cif_, function, raw.data(), values.data());
    storeResult(vtReturn_, raw.data(), result);
}

} // namespace qor::platform::posix::ole
