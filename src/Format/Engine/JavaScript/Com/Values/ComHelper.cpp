#include "Format/Engine/JavaScript/Com/Values/ComHelper.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/Bindings/BindingFailure.h"
#include "Format/Engine/JavaScript/Com/Bindings/ComExtractorV8.h"
#include "Format/Engine/JavaScript/Com/Bindings/ComRecord.h"
#include "Format/Engine/JavaScript/Com/Bindings/InstanceTemplate.h"
#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Format/Engine/JavaScript/Com/ScriptObjects/CV8ArrayWrapper.h"
#include "Format/Engine/JavaScript/Com/ScriptObjects/CV8FunctionWrapper.h"
#include "Format/Engine/JavaScript/Com/ScriptObjects/CV8ObjectWrapper.h"
#include "Format/Engine/JavaScript/Com/Values/DecimalNumber.h"
#include "Format/Engine/JavaScript/Com/Values/ScriptDate.h"
#include "Format/Engine/JavaScript/V8Helper.h"
#include "Platform/Windows/Com/ComRef.h"
#include "Platform/Windows/Com/VariantClearing.h"
#include "Platform/Windows/ErrorCode.h"

#include <fmt/format.h>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

namespace qor::format::engine::javascript::ComHelper {
namespace {

using platform::windows::com::clearVariant;
using platform::windows::com::ComRef;

constexpr std::string_view sourceFile = "Format/Engine/JavaScript/Com/ComHelper";
// Arrays of VARIANTs may hold arrays; deeper nesting than this is refused
// rather than risking the stack.
constexpr int maximumArrayDepth = 64;

void report(std::string_view message, std::string_view function, std::uint32_t line) {
    assert::Assert::report(message, function, sourceFile, line);
}

// Holds a safe array's data locked while its elements are read or written.
class ArrayAccess {
public:
    explicit ArrayAccess(SAFEARRAY* array) : array_(array) {
        if (array_ != nullptr && FAILED(SafeArrayAccessData(array_, &data_)))
            array_ = nullptr;
    }
    ArrayAccess(ArrayAccess const&) = delete;
    ArrayAccess& operator=(ArrayAccess const&) = delete;
    ~ArrayAccess() {
        if (array_ != nullptr)
            SafeArrayUnaccessData(array_);
    }
    bool ok() const { return array_ != nullptr; }
    void* data() const { return data_; }

private:
    SAFEARRAY* array_;
    void* data_ = nullptr;
};

// Each conversion writes its VARIANT in place: built elsewhere and copied,
// the few bytes written would be read back as a whole before they settle.
void set(VARIANT& target, VARTYPE vt) {
    target.vt = vt;
}

// A scalar's type and value in one store. An Invoke that copies its
// arguments reads each back whole, at once: stored in pieces, that read
// waits until the pieces have reached the cache.
void setScalar(VARIANT& target, VARTYPE vt, std::uint64_t bits) {
#if defined(__SSE2__) || defined(_M_X64)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&target), _mm_set_epi64x(static_cast<long long>(bits), vt));
#else
    target.vt = vt;
    std::memcpy(&target.llVal, &bits, sizeof bits);
#endif
}

template <class T>
std::uint64_t bitsOf(T value) {
    static_assert(sizeof(T) <= sizeof(std::uint64_t) && std::is_trivially_copyable_v<T>);
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof value);
    return bits;
}

// The whole text, U+0000 included: a BSTR carries its length. The empty
// string gives an empty, non-null BSTR.
Conversion setString(VARIANT& target, v8::Isolate* isolate, v8::Local<v8::String> text) {
    int const length = text->Length();
    BSTR bstr = SysAllocStringLen(nullptr, static_cast<UINT>(length));
    if (bstr == nullptr)
        return std::unexpected(ConversionFailure::outOfMemory);
    text->Write(isolate, reinterpret_cast<std::uint16_t*>(bstr), 0, length, v8::String::NO_NULL_TERMINATION);
    set(target, VT_BSTR);
    target.bstrVal = bstr;
    return {};
}

Conversion setWrapper(VARIANT& target, v8::Isolate* isolate, v8::Local<v8::Object> object) {
    auto dispatch = wrappedDispatch(isolate, object);
    if (!dispatch)
        return std::unexpected(dispatch.error());
    (*dispatch)->AddRef();
    set(target, VT_DISPATCH);
    target.pdispVal = *dispatch;
    return {};
}

// Every conversion makes a new wrapper, whose one reference is the
// VARIANT's.
Conversion setArray(VARIANT& target, v8::Isolate* isolate, v8::Local<v8::Array> array) {
    auto* wrapper = new CV8ArrayWrapper(isolate, array);
    wrapper->AddRef();
    set(target, VT_DISPATCH);
    target.pdispVal = static_cast<IV8ArrayWrapper*>(wrapper);
    return {};
}

EngineOptions const& optionsOf(v8::Isolate* isolate) {
    return IsolateData::engine(isolate).implementation().getOptions();
}

Conversion setDate(VARIANT& target, v8::Isolate* isolate, v8::Local<v8::Date> date) {
    auto const ole = ScriptDate::toOle(isolate, date);
    if (!ole)
        return std::unexpected(ConversionFailure::date);
    set(target, VT_DATE);
    target.date = *ole;
    return {};
}

// A new automation object of the script object's own; its one reference is
// the VARIANT's.
Conversion setScriptObject(VARIANT& target, v8::Isolate* isolate, v8::Local<v8::Object> object) {
    CV8ObjectWrapper* wrapper = object->IsFunction() ? new CV8FunctionWrapper(isolate, object.As<v8::Function>())
                                                     : new CV8ObjectWrapper(isolate, object);
    wrapper->AddRef();
    set(target, VT_DISPATCH);
    target.pdispVal = static_cast<IDispatchEx*>(wrapper);
    return {};
}

// A record a script got from COM goes back as a copy of itself.
Conversion setRecord(VARIANT& target, VARIANT const& record) {
    VARIANT copy;
    VariantInit(&copy);
    if (FAILED(VariantCopy(&copy, &record)))
        return std::unexpected(ConversionFailure::outOfMemory);
    target = copy;
    return {};
}

// What the options make of an object that is neither an array nor a COM
// wrapper.
Conversion setOtherObject(VARIANT& target, v8::Isolate* isolate, v8::Local<v8::Object> object) {
    EngineOptions const& options = optionsOf(isolate);
    if (options.dates && object->IsDate())
        return setDate(target, isolate, object.As<v8::Date>());
    if (options.scriptObjects)
        return setScriptObject(target, isolate, object);
    return std::unexpected(ConversionFailure::object);
}

} // namespace

std::string_view reasonOf(ConversionFailure failure) {
    switch (failure) {
    case ConversionFailure::object:
        return "script objects other than arrays and COM objects have no COM form";
    case ConversionFailure::enumerator:
        return "an Enumerator has no COM form";
    case ConversionFailure::noComObject:
        return "its COM object could not be created";
    case ConversionFailure::symbol:
        return "symbol values have no COM form";
    case ConversionFailure::bigint:
        return "bigint values have no COM form";
    case ConversionFailure::outOfMemory:
        return "out of memory";
    case ConversionFailure::coercion:
        return "it has no form of the array's element type";
    case ConversionFailure::scriptException:
        return "the script threw while it was read";
    case ConversionFailure::date:
        return "invalid dates and dates outside the years 100 to 9999 have no COM form";
    case ConversionFailure::outOfRange:
        return "it is out of range for its COM type";
    }
    return {};
}

namespace {

// A number as the script writes it.
std::string numberText(double number) {
    if (std::isnan(number))
        return "NaN";
    if (std::isinf(number))
        return number > 0 ? "Infinity" : "-Infinity";
    if (number == std::trunc(number) && std::fabs(number) < 1e21)
        return fmt::format("{:.0f}", number);
    return fmt::format("{}", number);
}

} // namespace

std::string reasonOf(ArgumentFailure const& failure) {
    std::string reason(reasonOf(failure.reason));
    if (failure.reason == ConversionFailure::coercion)
        if (auto message = platform::windows::ErrorCode::getMessageFromErrorCode(static_cast<std::uint32_t>(failure.coercion)))
            reason = *message;
    if (failure.reason == ConversionFailure::outOfRange)
        if (auto range = integerRangeOf(failure.integerType))
            reason = fmt::format("{} is out of range for its COM type ({} to {})", numberText(failure.number),
                                 range->lowest, range->highest);
    return failure.element ? fmt::format("element {}: {}", *failure.element, reason) : reason;
}

HRESULT codeOf(ArgumentFailure const& failure) {
    switch (failure.reason) {
    case ConversionFailure::coercion:
        return failure.coercion;
    case ConversionFailure::outOfRange:
    case ConversionFailure::date:
        return DISP_E_OVERFLOW;
    case ConversionFailure::outOfMemory:
        return E_OUTOFMEMORY;
    case ConversionFailure::noComObject:
        return E_FAIL;
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

std::expected<void, ArgumentFailure> checkIntegerRange(VARIANT& target, VARTYPE type) {
    double number = 0;
    switch (target.vt) {
    case VT_I4:
        number = target.lVal;
        break;
    case VT_UI4:
        number = target.ulVal;
        break;
    case VT_R8:
        number = target.dblVal;
        break;
    default:
        // Not a number: the coercion decides.
        return {};
    }
    auto const range = integerRangeOf(type);
    if (!range || fitsIn(number, *range))
        return {};
    target.vt = VT_EMPTY;
    return std::unexpected(ArgumentFailure{ConversionFailure::outOfRange, std::nullopt, S_OK, number, type});
}

std::expected<IDispatch*, ConversionFailure> wrappedDispatch(v8::Isolate* isolate, v8::Local<v8::Value> value) {
    if (!value->IsObject() || value.As<v8::Object>()->InternalFieldCount() != 1)
        return std::unexpected(ConversionFailure::object);
    v8::Local<v8::Object> object = value.As<v8::Object>();
    // A script Enumerator keeps another kind of pointer in its field.
    auto* pointer = object->GetAlignedPointerFromInternalField(0);
    ObjectRegistry& registry = IsolateData::objectRegistry(isolate);
    if (registry.enumeratorObjectList.contains(static_cast<IEnumerator*>(pointer)))
        return std::unexpected(ConversionFailure::enumerator);
    auto* dispatch = static_cast<IDispatch*>(pointer);
    if (dispatch == nullptr) {
        if (std::string const* className = registry.globalObjectClass(isolate, object)) {
            dispatch = IsolateData::engine(isolate).getSharedInstance(*className);
            if (dispatch != nullptr)
                object->SetAlignedPointerInInternalField(0, dispatch);
        }
    }
    if (dispatch == nullptr)
        return std::unexpected(ConversionFailure::noComObject);
    return dispatch;
}

Conversion convertToVariant(v8::Isolate* isolate, v8::Local<v8::Value> value, VARIANT& target) {
    // The order matters: every int32 is a number too, every array an object.
    if (value->IsInt32()) {
        setScalar(target, VT_I4, bitsOf(static_cast<LONG>(value.As<v8::Int32>()->Value())));
        return {};
    }
    if (value->IsUint32()) {
        setScalar(target, VT_UI4, bitsOf(static_cast<ULONG>(value.As<v8::Uint32>()->Value())));
        return {};
    }
    if (value->IsNumber()) {
        setScalar(target, VT_R8, bitsOf(value.As<v8::Number>()->Value()));
        return {};
    }
    if (value->IsBoolean()) {
        setScalar(target, VT_BOOL, bitsOf(value.As<v8::Boolean>()->Value() ? VARIANT_TRUE : VARIANT_FALSE));
        return {};
    }
    if (value->IsString())
        return setString(target, isolate, value.As<v8::String>());
    if (value->IsNull()) {
        set(target, VT_NULL);
        return {};
    }
    if (value->IsUndefined()) {
        set(target, VT_EMPTY);
        return {};
    }
    if (value->IsArray())
        return setArray(target, isolate, value.As<v8::Array>());
    if (value->IsObject()) {
        v8::Local<v8::Object> object = value.As<v8::Object>();
        if (VARIANT const* record = ComRecord::recordOf(isolate, object))
            return setRecord(target, *record);
        if (object->InternalFieldCount() == 1)
            return setWrapper(target, isolate, object);
        return setOtherObject(target, isolate, object);
    }
    // What is left of the script's types.
    return std::unexpected(value->IsSymbol() ? ConversionFailure::symbol : ConversionFailure::bigint);
}

namespace {

// Moves a VARIANT of the array's element type into the array's cell for it:
// the VARIANT itself, or the value or pointer at the start of its union.
void moveIntoCell(void* cell, VARIANT& element, VARTYPE elementType, std::size_t size) {
    if (elementType == VT_VARIANT) {
        std::memcpy(cell, &element, sizeof element);
    } else if (elementType == VT_DECIMAL) {
        DECIMAL value = element.decVal;
        value.wReserved = 0;
        std::memcpy(cell, &value, sizeof value);
    } else {
        std::memcpy(cell, &element.bVal, size);
    }
    element.vt = VT_EMPTY;
}

std::expected<void, ArgumentFailure> setElement(v8::Isolate* isolate, v8::Local<v8::Context> context,
                                                v8::Local<v8::Object> values, std::uint32_t index, VARTYPE elementType,
                                                void* cell, std::size_t size) {
    v8::Local<v8::Value> value;
    if (!values->Get(context, index).ToLocal(&value))
        return std::unexpected(ArgumentFailure{ConversionFailure::scriptException, index});
    VARIANT element;
    element.vt = VT_EMPTY;
    if (auto converted = convertToVariant(isolate, value, element); !converted)
        return std::unexpected(ArgumentFailure{converted.error(), index});
    if (element.vt != elementType && isIntegerType(elementType))
        if (auto fits = checkIntegerRange(element, elementType); !fits) {
            fits.error().element = index;
            return fits;
        }
    if (elementType != VT_VARIANT && element.vt != elementType) {
        HRESULT const coerced = VariantChangeType(&element, &element, 0, elementType);
        if (FAILED(coerced)) {
            clearVariant(element);
            return std::unexpected(ArgumentFailure{ConversionFailure::coercion, index, coerced});
        }
    }
    moveIntoCell(cell, element, elementType, size);
    return {};
}

} // namespace

std::expected<void, ArgumentFailure> convertToSafeArray(v8::Isolate* isolate, v8::Local<v8::Object> values,
                                                        VARTYPE elementType, VARIANT& target) {
    if (!values->IsArray() && !values->IsTypedArray())
        return std::unexpected(ArgumentFailure{ConversionFailure::object});
    std::size_t const length =
        values->IsTypedArray() ? values.As<v8::TypedArray>()->Length() : values.As<v8::Array>()->Length();
    SAFEARRAY* array = length <= std::numeric_limits<ULONG>::max()
                           ? SafeArrayCreateVector(elementType, 0, static_cast<ULONG>(length))
                           : nullptr;
    if (array == nullptr)
        return std::unexpected(ArgumentFailure{ConversionFailure::outOfMemory});
    std::expected<void, ArgumentFailure> result;
    {
        ArrayAccess access(array);
        std::size_t const size = SafeArrayGetElemsize(array);
        auto* cells = static_cast<char*>(access.data());
        if (!access.ok() || (length > 0 && cells == nullptr))
            result = std::unexpected(ArgumentFailure{ConversionFailure::outOfMemory});
        v8::Local<v8::Context> context = isolate->GetCurrentContext();
        for (std::uint32_t index = 0; index < length && result; ++index)
            result = setElement(isolate, context, values, index, elementType, cells + index * size, size);
    }
    if (!result) {
        SafeArrayDestroy(array);
        return result;
    }
    set(target, static_cast<VARTYPE>(VT_ARRAY | elementType));
    target.parray = array;
    return {};
}

VARIANT variant_v8ToCom(v8::Isolate* isolate, v8::Local<v8::Value> value) {
    VARIANT result;
    VariantInit(&result);
    auto converted = convertToVariant(isolate, value, result);
    if (converted)
        return result;
    constexpr std::string_view function = "qor::format::engine::javascript::ComHelper::variant_v8ToCom";
    switch (converted.error()) {
    case ConversionFailure::symbol:
        report("symbol not implemented", function, __LINE__);
        break;
    case ConversionFailure::bigint:
        report("bigint not implemented", function, __LINE__);
        break;
    case ConversionFailure::noComObject:
        report("nullptr == dispatch", function, __LINE__);
        break;
    case ConversionFailure::outOfMemory:
        report("out of memory", function, __LINE__);
        break;
    case ConversionFailure::date:
        report("date out of range", function, __LINE__);
        break;
    default:
        report("Handle new Object outside this function.", function, __LINE__);
        break;
    }
    return result;
}

namespace {

// The script value of a VARIANT: a value, nothing (a null object), or a
// failure whose message has been thrown into the script.
struct Converted {
    v8::Local<v8::Value> value;
    bool thrown = false;
};

Converted fail(v8::Isolate* isolate, std::string message, HRESULT number) {
    throwFailure(isolate, std::move(message), number);
    return {{}, true};
}

Converted unsupported(v8::Isolate* isolate, VARTYPE vt) {
    std::string const message = fmt::format("Missing V8 variant implementation (returnVar.vt): {}", vt);
    report(message, "qor::format::engine::javascript::ComHelper::variant_comToV8", __LINE__);
    return fail(isolate, message, DISP_E_BADVARTYPE);
}

} // namespace

v8::Local<v8::String> scriptString(v8::Isolate* isolate, BSTR text) {
    if (text == nullptr)
        return v8::String::Empty(isolate);
    std::size_t const length = SysStringLen(text);
    v8::Local<v8::String> result;
    if (length > static_cast<std::size_t>(v8::String::kMaxLength) ||
        !v8::String::NewFromTwoByte(isolate, reinterpret_cast<std::uint16_t const*>(text), v8::NewStringType::kNormal,
                                    static_cast<int>(length))
             .ToLocal(&result))
        return {};
    return result;
}

namespace {

Converted stringValue(v8::Isolate* isolate, BSTR text) {
    v8::Local<v8::String> const result = scriptString(isolate, text);
    if (result.IsEmpty())
        return fail(isolate, "A string from COM is too long for a script", E_OUTOFMEMORY);
    return {result};
}

// The wrapper of a COM object: the live one of that pointer, else a new one
// of the class the object reports, holding a reference of its own.
Converted dispatchValue(v8::Isolate* isolate, IDispatch* dispatch) {
    if (dispatch == nullptr)
        return {};
    if (optionsOf(isolate).scriptObjects)
        if (auto object = CV8ObjectWrapper::scriptValueOf(isolate, dispatch))
            return {*object};
    ObjectRegistry& registry = IsolateData::objectRegistry(isolate);
    if (v8::Local<v8::Object> existing = registry.find(isolate, dispatch); !existing.IsEmpty())
        return {existing};
    Guid const guid = getDispatchGuid(dispatch);
    if (guid.isNull())
        report("guid should not be null", "qor::format::engine::javascript::ComHelper::dispatch_comToV8", __LINE__);
    v8::Local<v8::ObjectTemplate> instanceTemplate = ActiveXObject::instanceTemplateOf(isolate, guid, dispatch);
    v8::Local<v8::Object> wrapper;
    if (instanceTemplate.IsEmpty() || !instanceTemplate->NewInstance(isolate->GetCurrentContext()).ToLocal(&wrapper))
        return {{}, true};
    dispatch->AddRef();
    return {registry.adopt(isolate, wrapper, dispatch)};
}

Converted dateValue(v8::Isolate* isolate, DATE date) {
    v8::Local<v8::Date> value;
    if (!ScriptDate::toScript(isolate, date).ToLocal(&value))
        return fail(isolate, fmt::format("A date from COM is outside the years 100 to 9999: {}", date), DISP_E_OVERFLOW);
    return {value};
}

Converted decimalValue(v8::Isolate* isolate, DECIMAL const& decimal) {
    auto const number = numberOfDecimal(decimal);
    if (!number)
        return fail(isolate, "A DECIMAL from COM has a scale beyond 28", DISP_E_OVERFLOW);
    return {v8::Number::New(isolate, *number)};
}

Converted unknownValue(v8::Isolate* isolate, IUnknown* unknown) {
    if (unknown == nullptr)
        return {};
    ComRef<IDispatch> dispatch;
    if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put()))) || !dispatch)
        return {};
    return dispatchValue(isolate, dispatch.get());
}

Converted recordValue(v8::Isolate* isolate, VARIANT const& record) {
    v8::Local<v8::Object> object;
    if (!ComRecord::toScript(isolate, record).ToLocal(&object))
        return {{}, true};
    return {object};
}

Converted valueOf(v8::Isolate* isolate, VARIANT const& variant, int depth);

// One element of an array's data block, of the array's element type.
template <class Element>
Element const& elementAt(void const* data, std::int32_t index) {
    return static_cast<Element const*>(data)[index];
}

Converted elementValue(v8::Isolate* isolate, VARTYPE type, void const* data, std::int32_t index, int depth) {
    switch (type) {
    case VT_I2:
        return {v8::Integer::New(isolate, elementAt<SHORT>(data, index))};
    case VT_I4:
    case VT_INT:
        return {v8::Integer::New(isolate, elementAt<LONG>(data, index))};
    case VT_I1:
        return {v8::Integer::New(isolate, elementAt<CHAR>(data, index))};
    case VT_UI1:
        return {v8::Integer::New(isolate, elementAt<BYTE>(data, index))};
    case VT_UI2:
        return {v8::Integer::New(isolate, elementAt<USHORT>(data, index))};
    case VT_R4:
        return {v8::Number::New(isolate, elementAt<FLOAT>(data, index))};
    case VT_R8:
        return {v8::Number::New(isolate, elementAt<DOUBLE>(data, index))};
    case VT_UI4:
    case VT_UINT:
        return {v8::BigInt::New(isolate, elementAt<ULONG>(data, index))};
    case VT_I8:
        return {v8::BigInt::New(isolate, elementAt<LONGLONG>(data, index))};
    case VT_UI8:
        return {v8::BigInt::NewFromUnsigned(isolate, elementAt<ULONGLONG>(data, index))};
    case VT_BSTR:
        return stringValue(isolate, elementAt<BSTR>(data, index));
    case VT_DATE:
        return dateValue(isolate, elementAt<DATE>(data, index));
    case VT_CY:
        return {v8::Number::New(isolate, numberOfCurrency(elementAt<CY>(data, index)))};
    case VT_DECIMAL:
        return decimalValue(isolate, elementAt<DECIMAL>(data, index));
    default:
        return valueOf(isolate, elementAt<VARIANT>(data, index), depth + 1);
    }
}

// The element types an array may have, with the size each takes in the data
// block; 0 for the others.
std::size_t elementSize(VARTYPE type, EngineOptions const& options) {
    switch (type) {
    case VT_DATE:
        return options.dates ? sizeof(DATE) : 0;
    case VT_CY:
        return options.currencyAndDecimal ? sizeof(CY) : 0;
    case VT_DECIMAL:
        return options.currencyAndDecimal ? sizeof(DECIMAL) : 0;
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
        return 2;
    case VT_I4:
    case VT_INT:
    case VT_UI4:
    case VT_UINT:
    case VT_R4:
        return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
        return 8;
    case VT_BSTR:
        return sizeof(BSTR);
    case VT_VARIANT:
        return sizeof(VARIANT);
    default:
        return 0;
    }
}

bool hasElements(SAFEARRAY* array) {
    UINT const dimensions = SafeArrayGetDim(array);
    for (UINT dimension = 1; dimension <= dimensions; ++dimension) {
        LONG lower = 0;
        LONG upper = -1;
        if (FAILED(SafeArrayGetLBound(array, dimension, &lower)) || FAILED(SafeArrayGetUBound(array, dimension, &upper)) ||
            upper < lower)
            return false;
    }
    return dimensions > 0;
}

// Only the first dimension counts: a script array of the first elements of
// the data block, indexed from 0 whatever the lower bound.
Converted arrayValue(v8::Isolate* isolate, VARTYPE type, SAFEARRAY* array, int depth) {
    if (depth > maximumArrayDepth)
        return fail(isolate, "Arrays nested too deeply to reach a script", DISP_E_BADVARTYPE);
    ArrayAccess access(array);
    if (!access.ok())
        return fail(isolate, "SafeArrayAccessData() failed", E_UNEXPECTED);
    LONG lower = 0;
    LONG upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    std::int64_t const span = std::int64_t{upper} - lower + 1;
    // A later dimension without elements leaves the data block empty, however
    // many the first dimension counts.
    std::int32_t const count = span > 0 && hasElements(array) ? static_cast<std::int32_t>(span) : 0;
    // Elements of another size than the type gives would be read as garbage.
    if (count > 0 &&
        (access.data() == nullptr || SafeArrayGetElemsize(array) != elementSize(type, optionsOf(isolate))))
        return fail(isolate, "SafeArrayAccessData() failed", E_UNEXPECTED);
    std::vector<v8::Local<v8::Value>> elements;
    elements.reserve(static_cast<std::size_t>(count));
    for (std::int32_t index = 0; index < count; ++index) {
        Converted element = elementValue(isolate, type, access.data(), index, depth);
        if (element.thrown)
            return element;
        elements.push_back(element.value.IsEmpty() ? v8::Undefined(isolate).As<v8::Value>() : element.value);
    }
    return {v8::Array::New(isolate, elements.data(), elements.size())};
}

Converted valueOf(v8::Isolate* isolate, VARIANT const& variant, int depth) {
    if (v8::Local<v8::Value> plain = plainValue(isolate, variant); !plain.IsEmpty()) [[likely]]
        return {plain};
    VARTYPE const vt = variant.vt;
    VARTYPE const base = vt & VT_TYPEMASK;
    if ((vt & ~VT_TYPEMASK) == VT_ARRAY && elementSize(base, optionsOf(isolate)) != 0)
        return arrayValue(isolate, base, variant.parray, depth);
    switch (vt) {
    case VT_UI4:
        return {v8::BigInt::New(isolate, variant.ulVal)};
    case VT_UINT:
        return {v8::BigInt::New(isolate, variant.uintVal)};
    case VT_I8:
        return {v8::BigInt::New(isolate, variant.llVal)};
    case VT_UI8:
        return {v8::BigInt::NewFromUnsigned(isolate, variant.ullVal)};
    case VT_BSTR:
        return stringValue(isolate, variant.bstrVal);
    case VT_DISPATCH:
        return dispatchValue(isolate, variant.pdispVal);
    case VT_UNKNOWN:
        return unknownValue(isolate, variant.punkVal);
    case VT_DATE:
        if (optionsOf(isolate).dates)
            return dateValue(isolate, variant.date);
        return unsupported(isolate, vt);
    case VT_CY:
        if (optionsOf(isolate).currencyAndDecimal)
            return {v8::Number::New(isolate, numberOfCurrency(variant.cyVal))};
        return unsupported(isolate, vt);
    case VT_DECIMAL:
        if (optionsOf(isolate).currencyAndDecimal)
            return decimalValue(isolate, variant.decVal);
        return unsupported(isolate, vt);
    case VT_RECORD:
        return recordValue(isolate, variant);
    default:
        return unsupported(isolate, vt);
    }
}

} // namespace

v8::Local<v8::Value> variant_comToV8(_variant_t returnVar, v8::Isolate* isolate) {
    return convertFromVariant(returnVar, isolate);
}

v8::Local<v8::Value> convertBorrowedVariant(VARIANT const& borrowed, v8::Isolate* isolate) {
    return valueOf(isolate, borrowed, 0).value;
}

v8::Local<v8::Value> convertFromVariant(VARIANT& taken, v8::Isolate* isolate) {
    v8::Local<v8::Value> value = valueOf(isolate, taken, 0).value;
    clearVariant(taken);
    return value;
}

std::expected<void, IncomingArgumentFailure> convertOtherArguments(v8::Isolate* isolate, VARIANT const* variants,
                                                                   bool reversed,
                                                                   std::span<v8::Local<v8::Value>> arguments,
                                                                   std::size_t from) {
    std::size_t const count = arguments.size();
    auto positionOf = [&](std::size_t i) { return reversed ? count - 1 - i : i; };
    // These may throw, which tells why one cannot cross.
    v8::TryCatch tryCatch(isolate);
    for (std::size_t i = from; i < count; ++i) {
        std::size_t const position = positionOf(i);
        v8::Local<v8::Value> value = valueOf(isolate, variants[i], 0).value;
        if (tryCatch.HasCaught())
            return std::unexpected(IncomingArgumentFailure{position + 1, exceptionText(isolate, tryCatch.Exception())});
        arguments[position] = value.IsEmpty() ? v8::Undefined(isolate).As<v8::Value>() : value;
    }
    return {};
}

v8::Local<v8::Value> dispatch_comToV8(IDispatch* dispatch, v8::Isolate* isolate) {
    return dispatchValue(isolate, dispatch).value;
}

Guid getDispatchGuid(IDispatch* dispatch) {
    if (dispatch == nullptr)
        return {};
    constexpr std::string_view function = "qor::format::engine::javascript::ComHelper::getDispatchGuid";
    ComRef<ITypeInfo> typeInfo;
    if (FAILED(dispatch->GetTypeInfo(0, 0, typeInfo.put())) || !typeInfo) {
        report("Failed to get GetTypeInfo.", function, __LINE__);
        return {};
    }
    TYPEATTR* attributes = nullptr;
    if (FAILED(typeInfo->GetTypeAttr(&attributes)) || attributes == nullptr) {
        report("Failed to get TypeAttr.", function, __LINE__);
        return {};
    }
    Guid const guid = attributes->guid;
    typeInfo->ReleaseTypeAttr(attributes);
    return guid;
}

} // namespace qor::format::engine::javascript::ComHelper
