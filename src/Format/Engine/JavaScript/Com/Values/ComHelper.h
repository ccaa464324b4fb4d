#pragma once

// The one place where script values become VARIANTs and VARIANTs become
// script values. Everything runs on the isolate's thread with the isolate
// entered, a context current and a handle scope open.

#include "Format/Engine/JavaScript/Com/Extraction/ComParameter.h"
#include "Format/Engine/JavaScript/Com/Values/IntegerRange.h"
#include "Id/Guid.h"
#include "Platform/Com.h"

#include <v8.h>

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qor::format::engine::javascript::ComHelper {

// Why a script value has no VARIANT form.
enum class ConversionFailure {
    object,      // a script object that is neither an array nor a COM object
    enumerator,  // a script Enumerator
    noComObject, // a global object whose COM object could not be created
    symbol,
    bigint,
    outOfMemory, // no memory for the string or array
    coercion,    // an array element that has no form of the array's element type
    scriptException, // reading the value threw; the exception is pending
    date,        // an invalid Date, or one outside the years OLE dates cover
    outOfRange,  // a number outside the range of its integer parameter
};

// Why, in words fit for the script exception of a COM call.
std::string_view reasonOf(ConversionFailure failure);

// Why a script value cannot go to a COM parameter: the value's own reason,
// or for an array going into a typed SAFEARRAY, that of one element.
struct ArgumentFailure {
    ConversionFailure reason;
    std::optional<std::uint32_t> element;
    // For ConversionFailure::coercion, the code the coercion failed with.
    HRESULT coercion = S_OK;
    // For ConversionFailure::outOfRange, the number and the integer type it
    // was to go to.
    double number = 0;
    VARTYPE integerType = VT_EMPTY;
};

std::string reasonOf(ArgumentFailure const& failure);

// The HRESULT that COM's own coercion gives for the same failure.
HRESULT codeOf(ArgumentFailure const& failure);

using Conversion = std::expected<void, ConversionFailure>;

// Writes the VARIANT of a script value into `target`, an empty VARIANT that
// the caller then owns (VariantClear), or tells why there is none and leaves
// `target` empty. Arrays become new array wrappers; COM wrappers give their
// pointer with a reference of the VARIANT's own. The engine's options add
// Dates (VT_DATE), and functions and other objects (new automation objects
// of their own; one that came from COM gives its object back).
Conversion convertToVariant(v8::Isolate* isolate, v8::Local<v8::Value> value, VARIANT& target);

// A new SAFEARRAY of `elementType` in `target`, which owns it, from the
// elements of a script array or typed array: each converts as
// convertToVariant converts it, then to that type as COM coerces arguments.
std::expected<void, ArgumentFailure> convertToSafeArray(v8::Isolate* isolate, v8::Local<v8::Object> values,
                                                        VARTYPE elementType, VARIANT& target);

// A number converted for a parameter or array element of another integer
// type (IntegerRange.h): refused, `target` left empty, when that type cannot
// hold it. Values other than numbers are left to COM's coercion.
std::expected<void, ArgumentFailure> checkIntegerRange(VARIANT& target, VARTYPE type);

// As convertToVariant, for a value passed to `parameter`: a script array or
// typed array given to a by-value SAFEARRAY parameter goes as a SAFEARRAY of
// the parameter's element type (convertToSafeArray), and a number outside the
// range of an integer parameter is refused. Inline: every argument of every
// call passes here.
inline std::expected<void, ArgumentFailure> convertArgument(v8::Isolate* isolate, v8::Local<v8::Value> value,
                                                            ComParameter const& parameter, VARIANT& target) {
    if (parameter.vt == VT_SAFEARRAY && parameter.elementVt != VT_EMPTY && (value->IsArray() || value->IsTypedArray()))
        [[unlikely]]
        return convertToSafeArray(isolate, value.As<v8::Object>(), parameter.elementVt, target);
    if (auto converted = convertToVariant(isolate, value, target); !converted) [[unlikely]]
        return std::unexpected(ArgumentFailure{converted.error()});
    if (target.vt != parameter.vt && isIntegerType(parameter.vt)) [[unlikely]]
        return checkIntegerRange(target, parameter.vt);
    return {};
}

// The COM object behind a script value that is a COM wrapper (borrowed: the
// wrapper keeps its reference). A global object gets its class's shared
// instance on first use.
std::expected<IDispatch*, ConversionFailure> wrappedDispatch(v8::Isolate* isolate, v8::Local<v8::Value> value);

// As convertToVariant, but a value without a VARIANT form becomes VT_EMPTY
// after an assertion record: for the places that cannot refuse (results
// handed back to the host, elements read by COM).
VARIANT variant_v8ToCom(v8::Isolate* isolate, v8::Local<v8::Value> value);

// The script value of a VARIANT, which the function owns and clears. A type
// without a script form throws a string into the script and gives an empty
// handle. The engine's options add VT_DATE (a Date), VT_CY and VT_DECIMAL
// (numbers), and arrays of them; and the library's own wrappers of script
// objects give their script objects back.
v8::Local<v8::Value> variant_comToV8(_variant_t returnVar, v8::Isolate* isolate);
// The same for a VARIANT the caller hands over without a copy: it is cleared
// on return.
v8::Local<v8::Value> convertFromVariant(VARIANT& taken, v8::Isolate* isolate);

// The same into a callback's return value, which is left as it is when the
// conversion gives nothing. The scalars most calls return go straight into
// the return slot, without a handle of their own.
template <class T>
void returnFromVariant(VARIANT& taken, v8::Isolate* isolate, v8::ReturnValue<T> returnValue) {
    switch (taken.vt) {
    case VT_EMPTY:
        returnValue.SetUndefined();
        return;
    case VT_I4:
        returnValue.Set(static_cast<std::int32_t>(taken.lVal));
        break;
    case VT_I2:
        returnValue.Set(static_cast<std::int32_t>(taken.iVal));
        break;
    case VT_BOOL:
        returnValue.Set(taken.boolVal != 0);
        break;
    case VT_R8:
        returnValue.Set(taken.dblVal);
        break;
    default:
        if (v8::Local<v8::Value> value = convertFromVariant(taken, isolate); !value.IsEmpty())
            returnValue.Set(value);
        return;
    }
    taken.vt = VT_EMPTY;
}

// The same for a VARIANT the caller keeps, unchanged.
v8::Local<v8::Value> convertBorrowedVariant(VARIANT const& borrowed, v8::Isolate* isolate);

// An argument from COM without a script form: its position, from 1 in
// declaration order, and what its conversion threw.
struct IncomingArgumentFailure {
    std::size_t position;
    std::string message;
};

// A BSTR as a script string: as long as its length prefix says, U+0000
// included; null is the empty string. Empty when it is too long for a script.
v8::Local<v8::String> scriptString(v8::Isolate* isolate, BSTR text);

// The value of a VARIANT whose conversion cannot fail: numbers, booleans,
// strings a script can hold, nothing. Empty for any other. Most arguments and
// results are of these, and converting them needs no TryCatch. Inline: every
// argument of every call from the host or COM passes here.
inline v8::Local<v8::Value> plainValue(v8::Isolate* isolate, VARIANT const& variant) {
    switch (variant.vt) {
    case VT_EMPTY:
        return v8::Undefined(isolate);
    case VT_NULL:
        return v8::Null(isolate);
    case VT_I2:
        return v8::Integer::New(isolate, variant.iVal);
    case VT_I1:
        return v8::Integer::New(isolate, variant.cVal);
    case VT_I4:
        return v8::Integer::New(isolate, variant.lVal);
    case VT_INT:
        return v8::Integer::New(isolate, variant.intVal);
    case VT_UI1:
        return v8::Integer::New(isolate, variant.bVal);
    case VT_UI2:
        return v8::Integer::New(isolate, variant.uiVal);
    case VT_R4:
        return v8::Number::New(isolate, variant.fltVal);
    case VT_R8:
        return v8::Number::New(isolate, variant.dblVal);
    case VT_BOOL:
        return v8::Boolean::New(isolate, variant.boolVal != 0);
    case VT_BSTR:
        // One too long for a script fails in the full conversion.
        return scriptString(isolate, variant.bstrVal);
    default:
        return {};
    }
}

// convertArguments from the argument `from` on, once one is not plain.
std::expected<void, IncomingArgumentFailure> convertOtherArguments(v8::Isolate* isolate, VARIANT const* variants,
                                                                   bool reversed,
                                                                   std::span<v8::Local<v8::Value>> arguments,
                                                                   std::size_t from);

// Fills `arguments` with the script values of a call's arguments in
// declaration order: as many `variants`, in COM's order (the last first) when
// `reversed`, else in order. Nothing stays thrown: the first argument without
// a script form fails the whole.
inline std::expected<void, IncomingArgumentFailure> convertArguments(v8::Isolate* isolate, VARIANT const* variants,
                                                                     bool reversed,
                                                                     std::span<v8::Local<v8::Value>> arguments) {
    std::size_t const count = arguments.size();
    for (std::size_t i = 0; i < count; ++i) {
        v8::Local<v8::Value> const plain = plainValue(isolate, variants[i]);
        if (plain.IsEmpty()) [[unlikely]]
            return convertOtherArguments(isolate, variants, reversed, arguments, i);
        arguments[reversed ? count - 1 - i : i] = plain;
    }
    return {};
}

// The script object standing for `dispatch`: the live wrapper of that pointer
// when there is one, else a new one holding a reference of its own, made from
// the template of the class the object reports. Empty for null.
v8::Local<v8::Value> dispatch_comToV8(IDispatch* dispatch, v8::Isolate* isolate);

// The identifier of the object's first type information, normally its
// dispatch interface; the nil Guid when it reports none.
Guid getDispatchGuid(IDispatch* dispatch);

} // namespace qor::format::engine::javascript::ComHelper
