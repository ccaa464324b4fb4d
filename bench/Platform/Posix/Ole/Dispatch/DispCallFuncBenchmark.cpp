// The cost of a call through DispCallFunc against the direct virtual call it
// stands for, for a two-argument method returning an HRESULT.

#include <benchmark/benchmark.h>

#include "Platform/Com.h"

namespace {

struct IAdder : IUnknown {
    STDMETHOD(Add)(LONG a, LONG b, LONG* sum) PURE;
};

class Adder : public IAdder {
public:
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP Add(LONG a, LONG b, LONG* sum) override {
        *sum = a + b;
        return S_OK;
    }
};

void directVirtualCall(benchmark::State& state) {
    Adder adder;
    IAdder* object = &adder;
    benchmark::DoNotOptimize(object);
    LONG sum = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(object->Add(20, 22, &sum));
        benchmark::ClobberMemory();
    }
}

void dispCallFunc(benchmark::State& state) {
    Adder adder;
    LONG sum = 0;
    VARIANT a{}, b{}, out{};
    a.vt = b.vt = VT_I4;
    a.lVal = 20;
    b.lVal = 22;
    out.vt = VT_I4 | VT_BYREF;
    out.plVal = &sum;
    VARTYPE types[] = {VT_I4, VT_I4, VT_I4 | VT_BYREF};
    VARIANTARG* arguments[] = {&a, &b, &out};
    VARIANT result;
    for (auto _ : state) {
        benchmark::DoNotOptimize(DispCallFunc(static_cast<IAdder*>(&adder), 3 * sizeof(void*), CC_STDCALL,
                                              VT_HRESULT, 3, types, arguments, &result));
        benchmark::ClobberMemory();
    }
}

BENCHMARK(directVirtualCall);
BENCHMARK(dispCallFunc);

} // namespace

BENCHMARK_MAIN();
