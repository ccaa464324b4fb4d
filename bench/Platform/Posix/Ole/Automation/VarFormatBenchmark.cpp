// VarFormat of a number and of a date. One source, built against our
// runtime and, with mingw-w64, for Windows, so that compare-with-wine can
// run both side by side: ours against Wine's own oleaut32. Both run in en-US.

#include "Platform/Com.h"

#include <benchmark/benchmark.h>

namespace {

void formatEach(benchmark::State& state, VARIANT value, OLECHAR const* format)
{
    OLECHAR text[64] = {};
    for (std::size_t i = 0; format[i] != 0 && i + 1 < std::size(text); ++i)
        text[i] = format[i];
    for (auto _ : state) {
        BSTR out = nullptr;
        if (FAILED(VarFormat(&value, text, 0, 0, 0, &out))) {
            state.SkipWithError("VarFormat failed");
            return;
        }
        benchmark::DoNotOptimize(out);
        SysFreeString(out);
    }
}

void VarFormatNumber(benchmark::State& state)
{
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R8;
    value.dblVal = -1234567.891;
    formatEach(state, value, OLESTR("#,##0.00;(#,##0.00)"));
}

void VarFormatDate(benchmark::State& state)
{
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_DATE;
    value.date = 40531.525; // Sunday 19 December 2010, 12:36
    formatEach(state, value, OLESTR("dddd, mmmm d, yyyy hh:nn:ss AM/PM"));
}

} // namespace

BENCHMARK(VarFormatNumber);
BENCHMARK(VarFormatDate);
BENCHMARK_MAIN();
