#include "SumOfValues.h"

#include "Platform/Windows/Com/ComRef.h"

#include <cstring>
#include <optional>

#include <fmt/format.h>

namespace qor::examples::spreadsheet {
namespace {

using platform::windows::com::ComRef;

// Deep enough for any table of tables; a collection that holds itself stops
// here instead of exhausting the stack.
constexpr int maxDepth = 16;

// The enumerator of an object that has one.
ComRef<IEnumVARIANT> enumeratorOf(IUnknown* object) {
    ComRef<IEnumVARIANT> enumerator;
    if (SUCCEEDED(object->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(enumerator.put()))))
        return enumerator;
    ComRef<IDispatch> dispatch;
    if (FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put()))))
        return {};
    DISPPARAMS none{};
    _variant_t result;
    if (FAILED(dispatch->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                &none, &result, nullptr, nullptr)))
        return {};
    if ((result.vt != VT_UNKNOWN && result.vt != VT_DISPATCH) || result.punkVal == nullptr)
        return {};
    result.punkVal->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(enumerator.put()));
    return enumerator;
}

class Sum {
public:
    std::optional<Failure> add(VARIANT const& value, int depth) {
        if (depth > maxDepth)
            return Failure{E_INVALIDARG, "Sum: the values are nested too deeply"};
        _variant_t plain;
        if (HRESULT hr = VariantCopyInd(&plain, &value); FAILED(hr))
            return Failure{hr, "Sum: a value cannot be read"};
        if (plain.vt & VT_ARRAY)
            return addArray(plain.parray, static_cast<VARTYPE>(plain.vt & VT_TYPEMASK), depth);
        if ((plain.vt == VT_DISPATCH || plain.vt == VT_UNKNOWN) && plain.punkVal != nullptr)
            if (auto enumerator = enumeratorOf(plain.punkVal))
                return addItems(*enumerator, depth);
        return addNumber(plain);
    }

    double total = 0;

private:
    std::optional<Failure> addNumber(VARIANT& value) {
        ++position;
        if (value.vt == VT_EMPTY || value.vt == VT_NULL)
            return std::nullopt;
        if (FAILED(VariantChangeType(&value, &value, 0, VT_R8)))
            return Failure{DISP_E_TYPEMISMATCH, fmt::format("Sum: value {} is not a number", position)};
        total += value.dblVal;
        return std::nullopt;
    }

    std::optional<Failure> addItems(IEnumVARIANT& enumerator, int depth) {
        for (;;) {
            _variant_t item;
            ULONG fetched = 0;
            HRESULT const hr = enumerator.Next(1, &item, &fetched);
            if (FAILED(hr))
                return Failure{hr, "Sum: the collection cannot be walked"};
            if (hr != S_OK || fetched != 1)
                return std::nullopt;
            if (auto failure = add(item, depth + 1))
                return failure;
        }
    }

    std::optional<Failure> addArray(SAFEARRAY* array, VARTYPE elementType, int depth) {
        if (array == nullptr)
            return std::nullopt;
        void* data = nullptr;
        if (HRESULT hr = SafeArrayAccessData(array, &data); FAILED(hr))
            return Failure{hr, "Sum: the array cannot be read"};
        auto failure = addElements(array, static_cast<unsigned char*>(data), elementType, depth);
        SafeArrayUnaccessData(array);
        return failure;
    }

    std::optional<Failure> addElements(SAFEARRAY* array, unsigned char* data, VARTYPE elementType, int depth) {
        UINT const size = SafeArrayGetElemsize(array);
        if (elementType == VT_RECORD || (elementType != VT_VARIANT && size > sizeof(DECIMAL)))
            return Failure{DISP_E_TYPEMISMATCH, "Sum: the array holds no numbers"};
        for (ULONG i = 0, count = elementCount(array); i < count; ++i) {
            unsigned char* element = data + std::size_t(i) * size;
            if (elementType == VT_VARIANT) {
                if (auto failure = add(*reinterpret_cast<VARIANT*>(element), depth + 1))
                    return failure;
                continue;
            }
            // The element seen as a VARIANT that borrows it: add() copies it.
            VARIANT view;
            VariantInit(&view);
            if (elementType == VT_DECIMAL)
                std::memcpy(&view.decVal, element, sizeof(DECIMAL));
            else
                std::memcpy(&view.llVal, element, size);
            view.vt = elementType;
            if (auto failure = add(view, depth + 1))
                return failure;
        }
        return std::nullopt;
    }

    static ULONG elementCount(SAFEARRAY* array) {
        UINT const dimensions = SafeArrayGetDim(array);
        ULONG count = dimensions > 0 ? 1 : 0;
        for (UINT dimension = 1; dimension <= dimensions; ++dimension) {
            LONG lower = 0, upper = -1;
            SafeArrayGetLBound(array, dimension, &lower);
            SafeArrayGetUBound(array, dimension, &upper);
            count *= upper >= lower ? ULONG(upper - lower) + 1 : 0;
        }
        return count;
    }

    long position = 0;
};

} // namespace

std::expected<double, Failure> sumOf(VARIANT const& values) {
    Sum sum;
    if (auto failure = sum.add(values, 0))
        return std::unexpected(*failure);
    return sum.total;
}

} // namespace qor::examples::spreadsheet
