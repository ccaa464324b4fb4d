#pragma once

// A native call of one signature with its libffi call interface worked out
// once: DispCallFunc prepares one for each call it makes, ITypeInfo::Invoke
// one per member, which it keeps. A vtable call whose values all fit in
// integer registers needs no call interface (RegisterCall.h).

#include <ffi.h>

#include "Platform/Posix/Ole/Automation/Variant.h"
#include "Platform/Posix/Ole/Core/Types.h"
#include "Platform/Posix/Ole/Dispatch/CallStorage.h"
#include "Platform/Posix/Ole/Dispatch/RegisterCall.h"
#include "Platform/Posix/Ole/TypeLib/TypeDescription.h"

namespace qor::platform::posix::ole {

// What the address given to PreparedCall::call names.
enum class CallTarget {
    vtableSlot, // the byte offset of a slot in the object's vtable; the object is the first argument
    function,   // the address of a plain function
};

// The libffi type of a value of automation type vt; void for VT_VOID (only
// meaningful as a return type), null when vt can't be passed. VT_EMPTY, as
// on Windows, is whatever the value's 8 bytes hold: an argument passes them,
// a result keeps the return register.
ffi_type* ffiTypeOf(VARTYPE vt);

class PreparedCall {
public:
    // `types[i]` decides how argument i is passed, as DispCallFunc's prgvt.
    // A VT_RECORD argument goes by value as the structure `records[i]`
    // describes (RecordLayout.h), read from where its VARIANT holds it; with
    // no such structure it can't be passed.
    PreparedCall(CallTarget target, CALLCONV cc, VARTYPE vtReturn, UINT count, VARTYPE const* types,
                 ffi_type* const* records = nullptr);
    PreparedCall(PreparedCall const&) = delete;
    PreparedCall& operator=(PreparedCall const&) = delete;

    // S_OK, or why the signature can't be called: E_INVALIDARG for a calling
    // convention that does not exist, DISP_E_BADVARTYPE for a type that can't
    // be passed or returned.
    HRESULT status() const { return status_; }

    // The call made, its return value in `result` as DispCallFunc gives it.
    // The HRESULT only says whether the call could be made. `instance` is
    // looked at for a vtable slot only.
    HRESULT call(void* instance, ULONG_PTR address, VARIANTARG** arguments, VARIANT* result) const;

    // Whether the call goes in integer registers only (RegisterCall.h).
    bool inRegisters() const { return inRegisters_; }
    // For such a call: the arguments already in `registers` after the
    // object's place, which this fills; the result register in `returned`.
    HRESULT callWithRegisterValues(void* instance, ULONG_PTR address, RegisterArguments& registers,
                                   std::uint64_t& returned) const;

private:
    using Function = void (*)();
    // The function a call goes to; null when there is none.
    Function target(void* instance, ULONG_PTR address) const;
    void callInRegisters(void (*function)(), void* instance, VARIANTARG** arguments, VARIANT* result) const;
    void callThroughFfi(void (*function)(), void* instance, VARIANTARG** arguments, VARIANT* result) const;

    CallTarget target_;
    VARTYPE vtReturn_;
    UINT count_;
    CallStorage<VARTYPE, 16> types_;
    CallStorage<ffi_type*, 16> ffiTypes_; // the instance's first for a vtable slot
    // libffi reads it during a call but takes it as non-const.
    mutable ffi_cif cif_{};
    HRESULT status_ = S_OK;
    bool inRegisters_ = false; // no libffi needed: see RegisterCall.h
};

} // namespace qor::platform::posix::ole
