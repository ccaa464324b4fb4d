// ITypeInfo::Invoke: a dispatch call made through the object's vtable, with
// the arguments coerced to the types the type information declares.

#include "Platform/Posix/Ole/TypeLib/CTypeInfo.h"

#include "Platform/Posix/Ole/Automation/VarType.h"
#include "Platform/Posix/Ole/Dispatch/ArgumentCoercion.h"
#include "Platform/Posix/Ole/Dispatch/CallStorage.h"
#include "Platform/Posix/Ole/Dispatch/InvokePlan.h"
#include "Platform/Posix/Ole/Dispatch/RegisterCall.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

namespace qor::platform::posix::ole {

namespace {

constexpr LCID invokeLocale = LOCALE_USER_DEFAULT;

// Where a value of type vt lives in a VARIANT: a DECIMAL fills it from its
// first byte, over the type, which the method's write then overwrites.
void* valueAddress(VARIANT& v, VARTYPE vt) {
    switch (vt) {
    case VT_VARIANT:
        return &v;
    case VT_DECIMAL:
        return &v.decVal;
    default:
        return &v.llVal;
    }
}

// Readies `retval` for the [retval] of type `pointee` a method writes, and
// gives the address passed for it. A VARIANT result is written whole by the
// method; any other is a value of the declared type.
void* retvalTarget(VARIANT& retval, VARTYPE pointee) {
    retval.vt = pointee == VT_VARIANT ? VARTYPE{VT_EMPTY} : pointee;
    return valueAddress(retval, pointee);
}

// VariantClear, without the call for a value that owns nothing.
void clear(VARIANT& v) {
    if (vartype::ownsNothing(v.vt))
        v.vt = VT_EMPTY;
    else
        VariantClear(&v);
}

// The scalar a method just wrote, read at its own size: a wider read of a
// narrower write waits until the write has landed. Each size is its own load;
// a copy of variable length costs more than the call it ends.
std::uint64_t scalarBits(VARIANT const& from, std::size_t size) {
    switch (size) {
    case 1: return from.bVal;
    case 2: return from.uiVal;
    case 4: return from.ulVal;
    default: return from.ullVal;
    }
}

// Moves a value the method just wrote.
void moveValue(VARIANT& to, VARIANT& from) {
    VARTYPE const vt = from.vt;
    std::size_t const size = vt & (VT_BYREF | VT_ARRAY) ? sizeof(void*) : vartype::sizeOf(vt);
    if (vt == VT_DECIMAL || vt == VT_VARIANT || size == 0 || size > sizeof(to.llVal)) {
        to = from;
    } else {
        std::uint64_t const bits = scalarBits(from, size);
        to = VARIANT{};
        to.vt = vt;
        to.ullVal = bits;
    }
    from.vt = VT_EMPTY;
}

// Hands the method's value to the caller's result, which is cleared first.
// Without a result the value stays in `produced` for its owner to clear.
void deliver(VARIANT* result, VARIANT& produced) {
    if (result == nullptr)
        return;
    clear(*result);
    moveValue(*result, produced);
}

// The state of one call of a planned member.
class InvokeCall {
public:
    InvokeCall(InvokePlan const& plan, DISPPARAMS& params, UINT* argErr)
        : plan_(plan), params_(params), argErr_(argErr), count_(plan.paramCount()), slots_(count_, setByCaller),
          pointers_(count_, setByCaller) {
        for (std::size_t j = 0; j < count_; ++j) {
            std::memset(&slots_[j], 0, sizeof(Slot));
            slots_[j].source = -1;
            pointers_[j] = &slots_[j].value;
        }
    }

    ~InvokeCall() {
        for (std::size_t j = 0; j < count_; ++j) {
            if (!slots_[j].borrowed)
                clear(slots_[j].value);
            clear(slots_[j].temp);
        }
        clear(retval_);
    }

    HRESULT prepare() {
        if (HRESULT hr = mapArguments(); FAILED(hr))
            return hr;
        for (std::size_t j = 0; j < count_; ++j)
            if (HRESULT hr = prepareParam(j); FAILED(hr))
                return hr;
        return S_OK;
    }

    // The HRESULT of the vtable method itself, or of the call when it could
    // not be made; the result lands in `result` when given.
    HRESULT call(void* instance, VARIANT* result, HRESULT& methodResult) {
        if (FAILED(plan_.returnError()))
            return plan_.returnError();
        VARIANT raw{};
        HRESULT hr =
            plan_.nativeCall().call(instance, static_cast<ULONG_PTR>(plan_.func().oVft), pointers_.data(), &raw);
        if (FAILED(hr))
            return hr;
        if (plan_.takesDecimalReference())
            retypeDecimals();
        bool const returnsHresult = plan_.returnsHresult();
        methodResult = returnsHresult ? raw.scode : S_OK;
        if (returnsHresult)
            raw.vt = VT_EMPTY;
        if (FAILED(methodResult)) {
            clear(raw);
            return S_OK;
        }
        deliver(result, plan_.retvalIndex() ? retval_ : raw);
        clear(raw);
        return S_OK;
    }

private:
    // Zeroed as a whole: a [retval] or [out] slot is cleared after the call
    // even when the method failed without writing it.
    struct Slot {
        VARIANT value;
        VARIANT temp;  // a value behind a reference made here
        int source;    // the rgvarg index of the parameter's argument, or -1
        bool borrowed; // whether value belongs to someone else, so the call leaves it
    };

    // A DECIMAL the method wrote into a VARIANT of ours took the place of
    // its type.
    void retypeDecimals() {
        for (std::size_t j = 0; j < count_; ++j) {
            VARIANT const& passed = slots_[j].value;
            if (passed.vt == (VT_BYREF | VT_DECIMAL) && passed.pdecVal == &slots_[j].temp.decVal)
                slots_[j].temp.vt = VT_DECIMAL;
            else if (passed.vt == (VT_BYREF | VT_DECIMAL) && passed.pdecVal == &retval_.decVal)
                retval_.vt = VT_DECIMAL;
        }
    }

    HRESULT mapArguments() {
        std::vector<std::size_t> const& declared = plan_.declared();
        std::size_t const declaredCount = declared.size();
        UINT const named = params_.cNamedArgs;
        UINT const positional = params_.cArgs - named;
        // More arguments than parameters, named ones included, is a wrong
        // count before it is a wrong name.
        if (params_.cArgs > declaredCount)
            return DISP_E_BADPARAMCOUNT;
        for (UINT k = 0; k < positional; ++k)
            slots_[declared[k]].source = static_cast<int>(params_.cArgs - 1 - k);
        for (UINT i = 0; i < named; ++i) {
            DISPID const id = params_.rgdispidNamedArgs[i];
            std::size_t slot = 0;
            // A parameter's id is its place among all of the member's
            // parameters, as GetIDsOfNames gives it.
            if (id == DISPID_PROPERTYPUT && plan_.isPut() && declaredCount > 0)
                slot = declared[declaredCount - 1];
            else if (id >= 0 && static_cast<std::size_t>(id) < count_ &&
                     plan_.param(std::size_t(id)).role == InvokePlan::Role::argument)
                slot = std::size_t(id);
            else
                return argumentError(i, DISP_E_PARAMNOTFOUND);
            if (slots_[slot].source != -1)
                return argumentError(i, DISP_E_PARAMNOTFOUND);
            slots_[slot].source = static_cast<int>(i);
        }
        return S_OK;
    }

    HRESULT argumentError(UINT index, HRESULT hr) {
        if (argErr_ != nullptr)
            *argErr_ = index;
        return hr;
    }

    HRESULT prepareParam(std::size_t j) {
        InvokePlan::Param const& param = plan_.param(j);
        int const source = slots_[j].source;
        if (FAILED(param.typeError))
            return source >= 0 ? argumentError(UINT(source), param.typeError) : param.typeError;
        switch (param.role) {
        case InvokePlan::Role::retval:
            return prepareRetval(j, param.type);
        case InvokePlan::Role::locale:
            slots_[j].value.vt = VT_I4;
            slots_[j].value.lVal = static_cast<LONG>(invokeLocale);
            return S_OK;
        case InvokePlan::Role::argument:
            break;
        }
        if (source >= 0) {
            HRESULT hr = prepareArgument(j, params_.rgvarg[source], param.type);
            return FAILED(hr) ? argumentError(UINT(source), hr) : S_OK;
        }
        return prepareMissing(j, param);
    }

    // The callee writes through the slot's reference into `target`, which
    // the call keeps.
    void passReference(std::size_t j, VARTYPE vt, void* target) {
        slots_[j].value.vt = vt;
        slots_[j].value.byref = target;
        slots_[j].borrowed = true;
    }

    HRESULT prepareRetval(std::size_t j, CallType const& type) {
        if ((type.vt & VT_BYREF) == 0)
            return DISP_E_BADVARTYPE;
        passReference(j, type.vt, retvalTarget(retval_, static_cast<VARTYPE>(type.vt & ~VT_BYREF)));
        return S_OK;
    }

    HRESULT prepareArgument(std::size_t j, VARIANT& argument, CallType const& type) {
        Slot& slot = slots_[j];
        if (type.record)
            return passRecord(j, argument, type);
        if ((type.vt & VT_BYREF) == 0) {
            if (type.iid)
                return coerceObject(slot.value, argument, type.vt, *type.iid);
            if (type.vt == VT_VARIANT) {
                HRESULT hr = VariantCopyInd(&slot.value, &argument);
                return FAILED(hr) ? asCoercionFailure(hr) : S_OK;
            }
            return coerce(slot.value, argument, type.vt);
        }
        VARTYPE const pointee = static_cast<VARTYPE>(type.vt & ~VT_BYREF);
        // A reference the caller gave is passed on, so the callee writes
        // straight into the caller's variable.
        if (argument.vt == type.vt) {
            slot.value = argument;
            slot.borrowed = true;
            return S_OK;
        }
        if (pointee == VT_VARIANT) {
            passReference(j, type.vt, argument.vt == (VT_BYREF | VT_VARIANT) ? argument.pvarVal : &argument);
            return S_OK;
        }
        // An object behind the reference is asked for the declared
        // interface, as an [in] one is.
        HRESULT const hr =
            type.iid ? coerceObject(slot.temp, argument, pointee, *type.iid) : coerce(slot.temp, argument, pointee);
        if (FAILED(hr))
            return hr;
        passReference(j, type.vt, valueAddress(slot.temp, pointee));
        return S_OK;
    }

    // A record is read where the caller's VARIANT holds it, by value or by
    // reference: a reference parameter gets its address, so that what the
    // callee changes lands there, a value parameter a copy of its bytes.
    HRESULT passRecord(std::size_t j, VARIANT& argument, CallType const& type) {
        VARIANT const& held = argument.vt == (VT_BYREF | VT_VARIANT) ? *argument.pvarVal : argument;
        GUID guid{};
        if ((held.vt & ~VT_BYREF) != VT_RECORD || held.pvRecord == nullptr || held.pRecInfo == nullptr ||
            FAILED(held.pRecInfo->GetGuid(&guid)) || !IsEqualGUID(guid, *type.record))
            return DISP_E_TYPEMISMATCH;
        passReference(j, type.vt, held.pvRecord);
        return S_OK;
    }

    HRESULT prepareMissing(std::size_t j, InvokePlan::Param const& param) {
        bool const byRef = (param.type.vt & VT_BYREF) != 0;
        VARIANT& target = byRef ? slots_[j].temp : slots_[j].value;
        switch (param.missing) {
        case InvokePlan::Missing::defaultValue:
            if (FAILED(param.defaultError))
                return param.defaultError;
            if (HRESULT hr = VariantCopy(&target, &param.defaultValue); FAILED(hr))
                return asCoercionFailure(hr);
            break;
        case InvokePlan::Missing::paramNotFound:
            target.vt = VT_ERROR;
            target.scode = DISP_E_PARAMNOTFOUND;
            break;
        case InvokePlan::Missing::required:
            return params_.cNamedArgs == 0 ? DISP_E_BADPARAMCOUNT : DISP_E_PARAMNOTOPTIONAL;
        }
        if (byRef)
            passReference(j, param.type.vt, valueAddress(target, static_cast<VARTYPE>(param.type.vt & ~VT_BYREF)));
        return S_OK;
    }

    InvokePlan const& plan_;
    DISPPARAMS& params_;
    UINT* argErr_;
    std::size_t count_;
    CallStorage<Slot, 8> slots_;
    CallStorage<VARIANTARG*> pointers_;
    VARIANT retval_{};
};

// A call of a direct plan (InvokePlan::direct) whose arguments are already
// what the method takes, made with nothing prepared per parameter. Empty
// when the call needs coercion, defaults or named arguments: then the
// general path makes it.
std::optional<HRESULT> invokeDirect(InvokePlan const& plan, void* instance, DISPPARAMS const& params, VARIANT* result,
                                    HRESULT& methodResult) {
    std::size_t const count = plan.paramCount();
    if (params.cNamedArgs != 0 || params.cArgs != plan.declared().size())
        return std::nullopt;
    RegisterArguments registers{};
    VARIANT retval{};
    std::size_t next = params.cArgs; // rgvarg holds the last argument first
    for (std::size_t j = 0; j < count; ++j) {
        InvokePlan::Param const& param = plan.param(j);
        VARTYPE const vt = param.type.vt;
        switch (param.role) {
        case InvokePlan::Role::argument: {
            VARIANT const& argument = params.rgvarg[--next];
            if (argument.vt != vt)
                return std::nullopt;
            registers[j + 1] = registerValue(vt, argument);
            break;
        }
        case InvokePlan::Role::locale:
            registers[j + 1] = static_cast<std::uint64_t>(std::int64_t{static_cast<LONG>(invokeLocale)});
            break;
        case InvokePlan::Role::retval:
            registers[j + 1] =
                reinterpret_cast<std::uintptr_t>(retvalTarget(retval, static_cast<VARTYPE>(vt & ~VT_BYREF)));
            break;
        }
    }
    std::uint64_t returned = 0;
    if (HRESULT hr = plan.nativeCall().callWithRegisterValues(instance, static_cast<ULONG_PTR>(plan.func().oVft),
                                                              registers, returned);
        FAILED(hr))
        return hr;
    methodResult = static_cast<HRESULT>(static_cast<std::uint32_t>(returned));
    if (SUCCEEDED(methodResult))
        deliver(result, retval);
    clear(retval);
    return S_OK;
}

// A property get that takes nothing but its [retval], called with
// arguments: they are for the object it returns, whose default member is
// called with them (the obj.Items(7) of a collection property).
bool appliesArgumentsToResult(InvokePlan const& plan, DISPPARAMS const& params, VARIANT const* result) {
    return params.cArgs > 0 && result != nullptr && (plan.func().invkind & INVOKE_PROPERTYGET) != 0 &&
           plan.declared().empty() && plan.retvalIndex().has_value();
}

HRESULT invokeDefaultMember(VARIANT& returned, WORD flags, DISPPARAMS* params, EXCEPINFO* excepInfo, UINT* argErr) {
    if (returned.vt != VT_DISPATCH || returned.pdispVal == nullptr) {
        VariantClear(&returned);
        return DISP_E_NOTACOLLECTION;
    }
    IDispatch* const object = returned.pdispVal;
    returned.vt = VT_EMPTY; // the call below fills it; the reference is ours
    HRESULT const hr =
        object->Invoke(DISPID_VALUE, IID_NULL, invokeLocale, flags, params, &returned, excepInfo, argErr);
    object->Release();
    return hr;
}

// A failed method becomes DISP_E_EXCEPTION, described by the error object
// the method left, unless the object says it does not use them.
HRESULT exceptionOf(HRESULT failure, void* instance, GUID const& iid, EXCEPINFO* excepInfo) {
    IErrorInfo* error = nullptr;
    if (GetErrorInfo(0, &error) != S_OK)
        error = nullptr;
    if (error != nullptr) {
        ISupportErrorInfo* support = nullptr;
        auto* object = static_cast<IUnknown*>(instance);
        if (SUCCEEDED(object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)))) {
            if (support->InterfaceSupportsErrorInfo(iid) != S_OK) {
                error->Release();
                error = nullptr;
            }
            support->Release();
        }
    }
    if (excepInfo != nullptr) {
        std::memset(excepInfo, 0, sizeof(EXCEPINFO));
        excepInfo->scode = failure;
        if (error != nullptr) {
            error->GetSource(&excepInfo->bstrSource);
            error->GetDescription(&excepInfo->bstrDescription);
            error->GetHelpFile(&excepInfo->bstrHelpFile);
            error->GetHelpContext(&excepInfo->dwHelpContext);
        }
    }
    if (error != nullptr)
        error->Release();
    return DISP_E_EXCEPTION;
}

HRESULT forwardToDispatch(void* instance, MEMBERID memid, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* excepInfo, UINT* argErr) {
    IDispatch* dispatch = nullptr;
    auto* object = static_cast<IUnknown*>(instance);
    if (FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
        return DISP_E_MEMBERNOTFOUND;
    HRESULT const hr = dispatch->Invoke(memid, IID_NULL, invokeLocale, flags, params, result, excepInfo, argErr);
    dispatch->Release();
    return hr;
}

// A restricted member is for the object's own callers, not for automation:
// the IUnknown and IDispatch members a dual interface inherits are named by
// GetIDsOfNames, and calling them would let any client release the object
// under its owner. Those with a reserved (negative) id, such as _NewEnum,
// are how automation walks collections, and stay callable.
bool isInvokable(FUNCDESC const& desc) {
    return (desc.wFuncFlags & FUNCFLAG_FRESTRICTED) == 0 || desc.memid < 0;
}

} // namespace

CTypeInfo::FunctionEntry* CTypeInfo::invokableFunction(MEMBERID memid, WORD flags) {
    if (lastInvoked_.entry != nullptr && lastInvoked_.memid == memid && lastInvoked_.flags == flags)
        return lastInvoked_.entry;
    prepare();
    auto entry = std::ranges::lower_bound(functionsById_, memid, {}, &FunctionEntry::memid);
    for (; entry != functionsById_.end() && entry->memid == memid; ++entry) {
        if ((entry->invkind & flags) != 0 && isInvokable(entry->function->desc)) {
            lastInvoked_ = {memid, flags, &*entry};
            return &*entry;
        }
    }
    return nullptr;
}

InvokePlan const& CTypeInfo::invokePlan(FunctionEntry& entry, std::unique_ptr<InvokePlan>& unkept) {
    if (entry.plan)
        return *entry.plan;
    Function const& fn = *entry.function;
    auto plan = std::make_unique<InvokePlan>(*fn.owner, *fn.call);
    (plan->resolved() ? entry.plan : unkept) = std::move(plan);
    return entry.plan ? *entry.plan : *unkept;
}

STDMETHODIMP CTypeInfo::Invoke(PVOID pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
                               VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    // No member of a restricted type is for automation, whatever the call.
    if ((attr_.wTypeFlags & TYPEFLAG_FRESTRICTED) != 0)
        return DISP_E_MEMBERNOTFOUND;
    if (pvInstance == nullptr || pDispParams == nullptr)
        return E_INVALIDARG;
    if ((pDispParams->cArgs > 0 && pDispParams->rgvarg == nullptr) ||
        (pDispParams->cNamedArgs > 0 && pDispParams->rgdispidNamedArgs == nullptr) ||
        pDispParams->cNamedArgs > pDispParams->cArgs)
        return E_INVALIDARG;
    if (isPureDispatch())
        return forwardToDispatch(pvInstance, memid, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
    FunctionEntry* const found = invokableFunction(memid, wFlags);
    if (found == nullptr)
        return DISP_E_MEMBERNOTFOUND;
    if (found->function->call->funckind == FUNC_DISPATCH)
        return forwardToDispatch(pvInstance, memid, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
    std::unique_ptr<InvokePlan> unkept;
    InvokePlan const& plan = invokePlan(*found, unkept);
    if (appliesArgumentsToResult(plan, *pDispParams, pVarResult)) {
        DISPPARAMS none{};
        if (HRESULT hr = Invoke(pvInstance, memid, wFlags, &none, pVarResult, pExcepInfo, puArgErr); FAILED(hr))
            return hr;
        return invokeDefaultMember(*pVarResult, wFlags, pDispParams, pExcepInfo, puArgErr);
    }
    HRESULT methodResult = S_OK;
    std::optional<HRESULT> direct;
    if (plan.direct())
        direct = invokeDirect(plan, pvInstance, *pDispParams, pVarResult, methodResult);
    if (direct) {
        if (FAILED(*direct))
            return *direct;
    } else {
        InvokeCall call(plan, *pDispParams, puArgErr);
        if (HRESULT hr = call.prepare(); FAILED(hr))
            return hr;
        if (HRESULT hr = call.call(pvInstance, pVarResult, methodResult); FAILED(hr))
            return hr;
    }
    if (FAILED(methodResult))
        return exceptionOf(methodResult, pvInstance, attr_.guid, pExcepInfo);
    return S_OK;
}

} // namespace qor::platform::posix::ole
