#pragma once

// What ITypeInfo::Invoke works out once for a member and keeps: the
// automation type of each parameter and of the result, which parameters take
// positional arguments, the [retval] slot, the declared defaults already in
// their parameter's type, and the prepared native call.

#include "Platform/Posix/Ole/Dispatch/PreparedCall.h"
#include "Platform/Posix/Ole/Dispatch/RecordLayout.h"
#include "Platform/Posix/Ole/Ole.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace qor::platform::posix::ole {

class CTypeInfo;

// What a declared type comes down to for a call: aliases, enumerations and
// interface names resolved to an automation VARTYPE.
struct CallType {
    VARTYPE vt = VT_EMPTY;
    std::optional<GUID> iid;    // the interface an object argument must be asked for
    std::optional<GUID> record; // the record type a record argument must be of
    std::shared_ptr<RecordLayout> layout; // of a record passed by value
};

class InvokePlan {
public:
    enum class Role { argument, retval, locale };
    // What a parameter without an argument gets.
    enum class Missing { required, defaultValue, paramNotFound };

    struct Param {
        Role role = Role::argument;
        CallType type;
        HRESULT typeError = S_OK; // the declared type can't be passed
        Missing missing = Missing::required;
        VARIANT defaultValue{}; // in the parameter's type, when defaultError is S_OK
        HRESULT defaultError = S_OK;
    };

    // `func` is the vtable form of the member, `owner` the type that declares
    // it and resolves the types it names.
    InvokePlan(CTypeInfo& owner, FUNCDESC const& func);
    ~InvokePlan();
    InvokePlan(InvokePlan const&) = delete;
    InvokePlan& operator=(InvokePlan const&) = delete;

    // Whether every type named was found. One that was not may be found once
    // the library that defines it can be loaded, so such a plan is not kept.
    bool resolved() const { return resolved_; }

    FUNCDESC const& func() const { return func_; }
    std::size_t paramCount() const { return params_.size(); }
    Param const& param(std::size_t j) const { return params_[j]; }
    // The parameters positional and named arguments go to, in order.
    std::vector<std::size_t> const& declared() const { return declared_; }
    std::optional<std::size_t> retvalIndex() const { return retvalIndex_; }
    bool isPut() const { return (func_.invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) != 0; }
    // Whether a parameter is a DECIMAL passed by reference.
    bool takesDecimalReference() const { return takesDecimalReference_; }

    bool returnsHresult() const { return returnsHresult_; }
    // S_OK when the declared result can be received.
    HRESULT returnError() const { return returnError_; }
    PreparedCall const& nativeCall() const { return nativeCall_; }
    // Whether a call whose arguments all come positionally, each in exactly
    // its parameter's type, can go to the method as it stands: every
    // parameter a plain value in a register or the [retval] pointer, an
    // HRESULT back. Such a call coerces and copies nothing.
    bool direct() const { return direct_; }

private:
    FUNCDESC const& func_;
    bool resolved_ = true;
    std::vector<Param> params_;
    std::vector<std::size_t> declared_;
    std::optional<std::size_t> retvalIndex_;
    bool takesDecimalReference_ = false;
    bool returnsHresult_ = false;
    CallType returned_;
    HRESULT returnError_ = S_OK;
    std::vector<VARTYPE> passed_; // how each parameter goes to the native call
    std::vector<ffi_type*> records_; // the structure of each record passed by value
    PreparedCall nativeCall_;
    bool direct_ = false;
};

} // namespace qor::platform::posix::ole
