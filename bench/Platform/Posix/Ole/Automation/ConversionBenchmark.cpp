// The conversion matrix, a case from each group: between numbers, numbers to
// and from text and dates, through VariantChangeTypeEx and the typed
// VarXxxFromYyy functions, and the time conversions. One source, built
// against our runtime and, with mingw-w64, for Windows, so that
// compare-with-wine can run both side by side: ours against Wine's own
// oleaut32. Both run in en-US.

#include "Platform/Com.h"

#include <benchmark/benchmark.h>

namespace {

constexpr LCID kEnglish = 0x0409;

VARIANT valueOf(VARTYPE vt, double number)
{
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R8;
    value.dblVal = number;
    if (FAILED(VariantChangeTypeEx(&value, &value, kEnglish, 0, vt)))
        value.vt = VT_EMPTY;
    return value;
}

VARIANT textOf(OLECHAR const* text)
{
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(text);
    return value;
}

// Converts `in` to `vt` on every iteration; the result is cleared each time,
// as a caller that converts a value and lets it go does. `in` is a copy of
// what the case captured, which every repetition reads again: it is not
// cleared here.
void changeType(benchmark::State& state, VARIANT in, VARTYPE vt)
{
    if (in.vt == VT_EMPTY) {
        state.SkipWithError("no source value");
        return;
    }
    for (auto _ : state) {
        VARIANT out;
        VariantInit(&out);
        if (FAILED(VariantChangeTypeEx(&out, &in, kEnglish, 0, vt))) {
            state.SkipWithError("VariantChangeTypeEx failed");
            break;
        }
        benchmark::DoNotOptimize(out);
        VariantClear(&out);
    }
}

void VarI4FromR8Each(benchmark::State& state)
{
    double in = 12345.5;
    for (auto _ : state) {
        LONG out = 0;
        benchmark::DoNotOptimize(in);
        VarI4FromR8(in, &out);
        benchmark::DoNotOptimize(out);
    }
}

void VarR8FromStrEach(benchmark::State& state)
{
    OLECHAR text[] = OLESTR("-1,234.5678");
    for (auto _ : state) {
        double out = 0;
        if (FAILED(VarR8FromStr(text, kEnglish, 0, &out))) {
            state.SkipWithError("VarR8FromStr failed");
            break;
        }
        benchmark::DoNotOptimize(out);
    }
}

void VarBstrFromR8Each(benchmark::State& state)
{
    for (auto _ : state) {
        BSTR out = nullptr;
        if (FAILED(VarBstrFromR8(-1234.5678, kEnglish, 0, &out))) {
            state.SkipWithError("VarBstrFromR8 failed");
            break;
        }
        benchmark::DoNotOptimize(out);
        SysFreeString(out);
    }
}

void VarDecFromR8Each(benchmark::State& state)
{
    for (auto _ : state) {
        DECIMAL out;
        VarDecFromR8(1234.5678, &out);
        benchmark::DoNotOptimize(out);
    }
}

void VarDateFromStrEach(benchmark::State& state)
{
    OLECHAR text[] = OLESTR("12/19/2010 12:36:00 PM");
    for (auto _ : state) {
        DATE out = 0;
        if (FAILED(VarDateFromStr(text, kEnglish, 0, &out))) {
            state.SkipWithError("VarDateFromStr failed");
            break;
        }
        benchmark::DoNotOptimize(out);
    }
}

void VarNumFromParseNumEach(benchmark::State& state)
{
    OLECHAR text[] = OLESTR("-1234.5678");
    for (auto _ : state) {
        NUMPARSE parse = {};
        BYTE digits[32];
        parse.cDig = sizeof digits;
        parse.dwInFlags = NUMPRS_STD;
        VARIANT out;
        VariantInit(&out);
        if (FAILED(VarParseNumFromStr(text, kEnglish, 0, &parse, digits)) ||
            FAILED(VarNumFromParseNum(&parse, digits, VTBIT_R8 | VTBIT_DECIMAL, &out))) {
            state.SkipWithError("VarParseNumFromStr or VarNumFromParseNum failed");
            break;
        }
        benchmark::DoNotOptimize(out);
    }
}

void VarUdateFromDateEach(benchmark::State& state)
{
    for (auto _ : state) {
        UDATE out;
        VarUdateFromDate(40531.525, 0, &out);
        benchmark::DoNotOptimize(out);
    }
}

void VarDateFromUdateEach(benchmark::State& state)
{
    UDATE in = {};
    VarUdateFromDate(40531.525, 0, &in);
    for (auto _ : state) {
        DATE out = 0;
        VarDateFromUdate(&in, 0, &out);
        benchmark::DoNotOptimize(out);
    }
}

} // namespace

// Between numbers.
BENCHMARK_CAPTURE(changeType, I4_I2, valueOf(VT_I4, 1234), VT_I2);
BENCHMARK_CAPTURE(changeType, R8_I4, valueOf(VT_R8, 12345.5), VT_I4);
BENCHMARK_CAPTURE(changeType, R8_DECIMAL, valueOf(VT_R8, 1234.5678), VT_DECIMAL);
BENCHMARK_CAPTURE(changeType, DECIMAL_R8, valueOf(VT_DECIMAL, 1234.5678), VT_R8);
BENCHMARK_CAPTURE(changeType, CY_I4, valueOf(VT_CY, 1234.5678), VT_I4);
BENCHMARK_CAPTURE(changeType, BOOL_DECIMAL, valueOf(VT_BOOL, 1), VT_DECIMAL);
// Numbers and dates from and to text.
BENCHMARK_CAPTURE(changeType, BSTR_I4, textOf(OLESTR("123456")), VT_I4);
BENCHMARK_CAPTURE(changeType, BSTR_R8, textOf(OLESTR("-1,234.5678")), VT_R8);
BENCHMARK_CAPTURE(changeType, BSTR_DATE, textOf(OLESTR("12/19/2010 12:36:00 PM")), VT_DATE);
BENCHMARK_CAPTURE(changeType, I4_BSTR, valueOf(VT_I4, 123456), VT_BSTR);
BENCHMARK_CAPTURE(changeType, R8_BSTR, valueOf(VT_R8, -1234.5678), VT_BSTR);
BENCHMARK_CAPTURE(changeType, DATE_BSTR, valueOf(VT_DATE, 40531.525), VT_BSTR);
// The typed functions.
BENCHMARK(VarI4FromR8Each);
BENCHMARK(VarDecFromR8Each);
BENCHMARK(VarR8FromStrEach);
BENCHMARK(VarBstrFromR8Each);
BENCHMARK(VarDateFromStrEach);
BENCHMARK(VarNumFromParseNumEach);
// Time conversions.
BENCHMARK(VarUdateFromDateEach);
BENCHMARK(VarDateFromUdateEach);
BENCHMARK_MAIN();
