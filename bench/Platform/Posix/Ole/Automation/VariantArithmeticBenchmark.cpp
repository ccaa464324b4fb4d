// VarAdd and VarCmp over a matrix of operand types. One source, built
// against our runtime and, with mingw-w64, for Windows, so that
// compare-with-wine can run both side by side: ours against Wine's own
// oleaut32. Both run in en-US.

#include "Platform/Com.h"

#include <benchmark/benchmark.h>

namespace {

VARIANT valueOf(VARTYPE vt)
{
    VARIANT value;
    VariantInit(&value);
    value.vt = vt;
    switch (vt) {
    case VT_I2: value.iVal = 1234; break;
    case VT_I4: value.lVal = 123456; break;
    case VT_R8: value.dblVal = 1234.5; break;
    case VT_CY: value.cyVal.int64 = 12345678; break;
    case VT_DATE: value.date = 40531.5; break;
    case VT_BSTR: value.bstrVal = SysAllocString(OLESTR("1234.5")); break;
    case VT_DECIMAL: VarDecFromR8(1234.5, &value.decVal); value.vt = VT_DECIMAL; break;
    default: break;
    }
    return value;
}

void add(benchmark::State& state, VARTYPE left, VARTYPE right)
{
    VARIANT a = valueOf(left);
    VARIANT b = valueOf(right);
    for (auto _ : state) {
        VARIANT sum;
        if (FAILED(VarAdd(&a, &b, &sum))) {
            state.SkipWithError("VarAdd failed");
            break;
        }
        benchmark::DoNotOptimize(sum);
        VariantClear(&sum);
    }
    VariantClear(&a);
    VariantClear(&b);
}

void compare(benchmark::State& state, VARTYPE left, VARTYPE right)
{
    VARIANT a = valueOf(left);
    VARIANT b = valueOf(right);
    for (auto _ : state) {
        HRESULT order = VarCmp(&a, &b, LOCALE_USER_DEFAULT, 0);
        if (FAILED(order)) {
            state.SkipWithError("VarCmp failed");
            break;
        }
        benchmark::DoNotOptimize(order);
    }
    VariantClear(&a);
    VariantClear(&b);
}

} // namespace

BENCHMARK_CAPTURE(add, I4_I4, VT_I4, VT_I4);
BENCHMARK_CAPTURE(add, I2_I4, VT_I2, VT_I4);
BENCHMARK_CAPTURE(add, R8_R8, VT_R8, VT_R8);
BENCHMARK_CAPTURE(add, I4_R8, VT_I4, VT_R8);
BENCHMARK_CAPTURE(add, CY_I4, VT_CY, VT_I4);
BENCHMARK_CAPTURE(add, DATE_R8, VT_DATE, VT_R8);
BENCHMARK_CAPTURE(add, DEC_I4, VT_DECIMAL, VT_I4);
BENCHMARK_CAPTURE(add, BSTR_I4, VT_BSTR, VT_I4);
BENCHMARK_CAPTURE(add, BSTR_BSTR, VT_BSTR, VT_BSTR);
BENCHMARK_CAPTURE(compare, I4_I4, VT_I4, VT_I4);
BENCHMARK_CAPTURE(compare, I4_R8, VT_I4, VT_R8);
BENCHMARK_CAPTURE(compare, CY_R8, VT_CY, VT_R8);
BENCHMARK_CAPTURE(compare, DEC_I4, VT_DECIMAL, VT_I4);
BENCHMARK_CAPTURE(compare, BSTR_BSTR, VT_BSTR, VT_BSTR);
BENCHMARK_CAPTURE(compare, BSTR_I4, VT_BSTR, VT_I4);
BENCHMARK_MAIN();
