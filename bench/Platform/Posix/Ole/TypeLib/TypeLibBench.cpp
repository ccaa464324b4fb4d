// Type-library costs: loading a large library, the library of a large
// module against the same library as a file, and one two-argument call
// through ITypeInfo::Invoke, through a hand-written Invoke switch, and
// straight through the vtable.

#include "Platform/Com.h"
#include "Platform/Posix/Ole/Core/ModuleResources.h"
#include "String/Utf.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::u16string benchPath(char const* name) {
    return qor::string::utf8ToUtf16(std::string(QOR_BENCH_TYPELIB_DIR) + "/" + name);
}

constexpr GUID iidBenchCalc{0x7b4e0d52, 0x3c8a, 0x4f61, {0xa1, 0xd2, 0x5e, 0x9f, 0x3b, 0x7c, 0x2a, 0x02}};

struct DECLSPEC_NOVTABLE IBenchCalc : public IDispatch {
    STDMETHOD(Add)(LONG a, LONG b, LONG* result) PURE;
};

// Reference counting and the parts of IDispatch the calls do not use.
class CalcBase : public IBenchCalc {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDispatch) || IsEqualGUID(riid, iidBenchCalc)) {
            *ppv = static_cast<IBenchCalc*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override { return --refs_; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    // Not inlined, so that every variant pays for one real call of it.
    [[gnu::noinline]] STDMETHODIMP Add(LONG a, LONG b, LONG* result) override {
        *result = a + b;
        return S_OK;
    }

private:
    ULONG refs_ = 1;
};

class TypeInfoCalc : public CalcBase {
public:
    explicit TypeInfoCalc(ITypeInfo* info) : info_(info) {}
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                        UINT* argErr) override {
        return DispInvoke(static_cast<IBenchCalc*>(this), info_, id, flags, params, result, excep, argErr);
    }

private:
    ITypeInfo* info_;
};

// What an object without type information writes by hand.
class SwitchCalc : public CalcBase {
public:
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT* argErr) override {
        switch (id) {
        case 1: {
            if ((flags & DISPATCH_METHOD) == 0)
                return DISP_E_MEMBERNOTFOUND;
            if (params->cArgs != 2 || params->cNamedArgs != 0)
                return DISP_E_BADPARAMCOUNT;
            VARIANT a, b;
            VariantInit(&a);
            VariantInit(&b);
            if (FAILED(VariantChangeType(&a, &params->rgvarg[1], 0, VT_I4))) {
                *argErr = 1;
                return DISP_E_TYPEMISMATCH;
            }
            if (FAILED(VariantChangeType(&b, &params->rgvarg[0], 0, VT_I4))) {
                *argErr = 0;
                return DISP_E_TYPEMISMATCH;
            }
            LONG sum = 0;
            HRESULT hr = Add(a.lVal, b.lVal, &sum);
            if (FAILED(hr))
                return DISP_E_EXCEPTION;
            if (result != nullptr) {
                VariantClear(result);
                result->vt = VT_I4;
                result->lVal = sum;
            }
            return S_OK;
        }
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }
};

void BM_LoadLargeTypeLib(benchmark::State& state) {
    std::u16string const path = benchPath("QorLarge.tlb");
    for (auto _ : state) {
        ITypeLib* lib = nullptr;
        if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib)))
            state.SkipWithError("QorLarge.tlb did not load");
        benchmark::DoNotOptimize(lib);
        if (lib != nullptr)
            lib->Release();
    }
}
BENCHMARK(BM_LoadLargeTypeLib)->Unit(benchmark::kMillisecond);

// Wine's mshtml.dll, tens of megabytes of module around a type library
// resource of tens of kilobytes, against the same library as a file of its
// own: the module's library should cost what the file does, the rest of the
// module unread.
std::string const wineModule = std::string(QOR_BENCH_WINE_DIR) + "/mshtml.dll";

// The module's library written to a file of its own, once; empty when
// Wine's mshtml.dll is not there.
std::string const& resourceAsFile() {
    static std::string const file = [] {
        auto resource = qor::platform::posix::ole::readTypeLibResource(qor::string::utf8ToUtf16(wineModule), 1);
        if (!resource)
            return std::string();
        std::string path = (std::filesystem::temp_directory_path() / "qor-bench-mshtml-resource.tlb").string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<char const*>(resource->bytes.data()),
                   static_cast<std::streamsize>(resource->bytes.size()));
        return path;
    }();
    return file;
}

void loadLibraryOf(benchmark::State& state, std::string const& file) {
    std::u16string const path = qor::string::utf8ToUtf16(file);
    for (auto _ : state) {
        ITypeLib* lib = nullptr;
        if (file.empty() || FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib))) {
            state.SkipWithError("Wine's mshtml is not there (.deps/wine)");
            break;
        }
        benchmark::DoNotOptimize(lib);
        lib->Release();
    }
}

void BM_LoadTypeLibOfLargeModule(benchmark::State& state) {
    loadLibraryOf(state, resourceAsFile().empty() ? std::string() : wineModule);
}
BENCHMARK(BM_LoadTypeLibOfLargeModule)->Unit(benchmark::kMillisecond);

void BM_LoadSameTypeLibAsFile(benchmark::State& state) {
    loadLibraryOf(state, resourceAsFile());
}
BENCHMARK(BM_LoadSameTypeLibAsFile)->Unit(benchmark::kMillisecond);

// Wine's mshtml.tlb, a real library of 1.2 MB: 372 types, some 60,000 members.
void BM_LoadMshtmlTypeLib(benchmark::State& state) {
    loadLibraryOf(state, std::string(QOR_BENCH_WINE_DIR) + "/mshtml.tlb");
}
BENCHMARK(BM_LoadMshtmlTypeLib)->Unit(benchmark::kMillisecond);

// Loading, then every member of every type described, as the type model does.
void BM_LoadAndDescribeLargeTypeLib(benchmark::State& state) {
    std::u16string const path = benchPath("QorLarge.tlb");
    for (auto _ : state) {
        ITypeLib* lib = nullptr;
        if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib))) {
            state.SkipWithError("QorLarge.tlb did not load");
            break;
        }
        for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
            ITypeInfo* info = nullptr;
            lib->GetTypeInfo(i, &info);
            TYPEATTR* attr = nullptr;
            info->GetTypeAttr(&attr);
            for (UINT f = 0; f < attr->cFuncs; ++f) {
                FUNCDESC* desc = nullptr;
                info->GetFuncDesc(f, &desc);
                BSTR name = nullptr;
                info->GetDocumentation(desc->memid, &name, nullptr, nullptr, nullptr);
                SysFreeString(name);
                info->ReleaseFuncDesc(desc);
            }
            info->ReleaseTypeAttr(attr);
            info->Release();
        }
        lib->Release();
    }
}
BENCHMARK(BM_LoadAndDescribeLargeTypeLib)->Unit(benchmark::kMillisecond);

class InvokeFixture {
public:
    InvokeFixture() {
        VariantInit(&args_[0]);
        VariantInit(&args_[1]);
        args_[1].vt = VT_I4;
        args_[1].lVal = 20;
        args_[0].vt = VT_I4;
        args_[0].lVal = 22;
        VariantInit(&result_);
    }
    HRESULT call(IDispatch* object) {
        DISPPARAMS params{args_, nullptr, 2, 0};
        UINT argErr = 0;
        return object->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, &result_, nullptr, &argErr);
    }
    LONG result() const { return result_.lVal; }

private:
    VARIANT args_[2];
    VARIANT result_;
};

void BM_InvokeThroughTypeInfo(benchmark::State& state) {
    ITypeLib* lib = nullptr;
    if (FAILED(LoadTypeLibEx(benchPath("BenchCalc.tlb").c_str(), REGKIND_NONE, &lib))) {
        state.SkipWithError("BenchCalc.tlb did not load");
        return;
    }
    ITypeInfo* info = nullptr;
    lib->GetTypeInfoOfGuid(iidBenchCalc, &info);
    TypeInfoCalc calc(info);
    InvokeFixture fixture;
    for (auto _ : state) {
        benchmark::DoNotOptimize(fixture.call(&calc));
    }
    if (fixture.result() != 42)
        state.SkipWithError("wrong sum");
    info->Release();
    lib->Release();
}
BENCHMARK(BM_InvokeThroughTypeInfo);

void BM_InvokeHandWrittenSwitch(benchmark::State& state) {
    SwitchCalc calc;
    InvokeFixture fixture;
    for (auto _ : state) {
        benchmark::DoNotOptimize(fixture.call(&calc));
    }
    if (fixture.result() != 42)
        state.SkipWithError("wrong sum");
}
BENCHMARK(BM_InvokeHandWrittenSwitch);

void BM_DirectVtableCall(benchmark::State& state) {
    SwitchCalc calc;
    IBenchCalc* object = &calc;
    LONG sum = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(object);
        benchmark::DoNotOptimize(object->Add(20, 22, &sum));
    }
    if (sum != 42)
        state.SkipWithError("wrong sum");
}
BENCHMARK(BM_DirectVtableCall);

} // namespace
