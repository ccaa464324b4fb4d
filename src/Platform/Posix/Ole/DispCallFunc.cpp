#include "Platform/Posix/Ole/DispCallFunc.h"

#include <ffi.h>

#include <array>
#include <cstring>
#include <expected>

#include "Platform/Posix/Ole/CallStorage.h"

namespace {

using qor::platform::posix::ole::CallStorage;

// libffi lays structures out itself; these mirror VARIANT and DECIMAL so
// that by-value passing and returning follow the native classification
// (a VARIANT goes through memory, a DECIMAL through two registers).
std::array<ffi_type*, 7> variantFields{&ffi_type_uint16, &ffi_type_uint16, &ffi_type_uint16, &ffi_type_uint16,
                                       &ffi_type_uint64, &ffi_type_uint64, nullptr};
std::array<ffi_type*, 6> decimalFields{&ffi_type_uint16, &ffi_type_uint8, &ffi_type_uint8, &ffi_type_uint32,
                                       &ffi_type_uint64, nullptr};
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

// The libffi type of a value of automation type vt; void for VT_EMPTY/VT_VOID
// (only meaningful as a return type), null when vt can't be passed.
ffi_type* ffiTypeOf(VARTYPE vt) {
    if (isPointerType(vt))
        return &ffi_type_pointer;
    switch (vt) {
    case VT_EMPTY:
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

// Where libffi reads an argument of type vt: every scalar and pointer member
// of the union starts at the same address, and DECIMAL covers the variant.
void* argumentStorage(VARTYPE vt, VARIANTARG* argument) {
    if (vt == VT_VARIANT)
        return argument;
    if (vt == VT_DECIMAL)
        return &argument->decVal;
    return &argument->llVal;
}

// The instance comes first when there is one.
struct Call {
    explicit Call(std::size_t arguments) : types(arguments + 1), values(arguments + 1) {}

    void push(ffi_type* type, void* value) {
        types[count] = type;
        values[count] = value;
        ++count;
    }

    void (*function)() = nullptr;
    CallStorage<ffi_type*, 16> types;
    CallStorage<void*, 16> values;
    unsigned count = 0;
};

std::expected<void, HRESULT> prepareCall(Call& call, void*& instance, ULONG_PTR oVft, UINT count,
                                         VARTYPE const* types, VARIANTARG** arguments) {
    if (instance) {
        if (oVft % sizeof(void*) != 0)
            return std::unexpected(E_INVALIDARG);
        auto const* vtable = *static_cast<void (*const* const*)()>(instance);
        call.function = vtable[oVft / sizeof(void*)];
        call.push(&ffi_type_pointer, &instance);
    } else {
        call.function = reinterpret_cast<void (*)()>(oVft);
    }
    if (!call.function)
        return std::unexpected(E_INVALIDARG);
    for (UINT i = 0; i < count; ++i) {
        ffi_type* type = ffiTypeOf(types[i]);
        if (!type || type == &ffi_type_void)
            return std::unexpected(DISP_E_BADVARTYPE);
        if (!arguments[i])
            return std::unexpected(E_INVALIDARG);
        call.push(type, argumentStorage(types[i], arguments[i]));
    }
    return {};
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
    case VT_EMPTY:
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
    default: // 64-bit integers, doubles, currency and pointers
        std::memcpy(&result->llVal, raw, sizeof(LONGLONG));
        break;
    }
    // VT_HRESULT is no VARIANT type; VT_ERROR carries an SCODE as Invoke
    // expects it.
    result->vt = vt == VT_HRESULT ? VARTYPE{VT_ERROR} : vt;
}

} // namespace

HRESULT STDAPICALLTYPE DispCallFunc(void* pvInstance, ULONG_PTR oVft, CALLCONV cc, VARTYPE vtReturn, UINT cActuals,
                                    VARTYPE* prgvt, VARIANTARG** prgpvarg, VARIANT* pvargResult) {
    // x86-64 has one calling convention; the others name it on 32-bit only.
    if (cc < CC_FASTCALL || cc >= CC_MAX || !pvargResult || (cActuals > 0 && (!prgvt || !prgpvarg)))
        return E_INVALIDARG;
    ffi_type* returnType = ffiTypeOf(vtReturn);
    if (!returnType)
        return DISP_E_BADVARTYPE;
    if (!structTypesReady())
        return E_UNEXPECTED;
    Call call(cActuals);
    if (auto prepared = prepareCall(call, pvInstance, oVft, cActuals, prgvt, prgpvarg); !prepared)
        return prepared.error();
    ffi_cif cif;
    if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, call.count, returnType, call.types.data()) != FFI_OK)
        return E_UNEXPECTED;
    alignas(16) std::array<std::byte, sizeof(VARIANT)> raw{};
    static_assert(sizeof(raw) >= sizeof(ffi_arg));
    ffi_call(&cif, call.function, raw.data(), call.values.data());
    storeResult(vtReturn, raw.data(), pvargResult);
    return S_OK;
}
