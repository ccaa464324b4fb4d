// Script calls into COM against the floor of a bare V8 callback, and the
// conversions that dominate bulk data.

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Format/Engine/JavaScript/Com/HostCallScope.h"
#include "Format/Engine/JavaScript/Com/ScriptFunction.h"
#include "Format/Engine/JavaScript/Com/Values/ComHelper.h"
#include "Platform/Windows/Com/IDispatchImpl.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

using qor::Guid;
using qor::format::engine::javascript::ComV8Engine;
using qor::format::engine::javascript::HostCallScope;
using qor::format::engine::javascript::ScriptFunction;
namespace ComHelper = qor::format::engine::javascript::ComHelper;
using qor::platform::windows::com::ComClassEntry;
using qor::platform::windows::com::DispatchCreationInterface;
using qor::platform::windows::com::IDispatchImpl;
using qor::platform::windows::com::TypeInfoAndAttribute;

constexpr IID iidBenchSheet{0x7b4e0d52, 0x3c8a, 0x4f61, {0xa1, 0xd2, 0x5e, 0x9f, 0x3b, 0x7c, 0x2c, 0x02}};
constexpr IID iidBenchLayout{0x7b4e0d52, 0x3c8a, 0x4f61, {0xa1, 0xd2, 0x5e, 0x9f, 0x3b, 0x7c, 0x2c, 0x04}};
constexpr int callsPerRun = 100000;
// The class whose script members the host calls back.
constexpr Guid handSheetClass{0x7b4e0d53, 0x3c8a, 0x4f61, {0xa1, 0xd2, 0x5e, 0x9f, 0x3b, 0x7c, 0x2c, 0x03}};

struct DECLSPEC_NOVTABLE IBenchSheet : public IDispatch {
    STDMETHOD(Activate)(LONG mode, LONG* result) PURE;
    STDMETHOD(get_Name)(BSTR* name) PURE;
    STDMETHOD(get_Self)(IBenchSheet** self) PURE;
    STDMETHOD(Series)(LONG count, SAFEARRAY** values) PURE;
    STDMETHOD(Fresh)(IBenchSheet** sheet) PURE;
};

struct DECLSPEC_NOVTABLE IBenchLayout : public IDispatch {
    STDMETHOD(Freeze)(LONG rows, LONG* frozen) PURE;
};

// The sheet's second interface, handed out by QueryInterface.
class TypedLayout : public IDispatchImpl<IBenchLayout, &iidBenchLayout> {
public:
    using IDispatchImpl::IDispatchImpl;
    STDMETHODIMP Freeze(LONG rows, LONG* frozen) override {
        *frozen = rows;
        return S_OK;
    }
};

SAFEARRAY* seriesOf(LONG count) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(count));
    double* data = nullptr;
    SafeArrayAccessData(array, reinterpret_cast<void**>(&data));
    for (LONG i = 0; i < count; ++i)
        data[i] = i * 0.5;
    SafeArrayUnaccessData(array);
    return array;
}

// The sheet as host code built on the base templates writes it: Invoke goes
// through the type information.
class TypedSheet : public IDispatchImpl<IBenchSheet, &iidBenchSheet> {
public:
    TypedSheet(TypeInfoAndAttribute* record, DispatchCreationInterface* creator) : IDispatchImpl(record, creator),
          record_(record), layoutRecord_(creator != nullptr ? creator->getTypeLibrary().find(iidBenchLayout) : nullptr) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (ppv != nullptr && IsEqualIID(riid, iidBenchLayout) && layoutRecord_ != nullptr) {
            auto* layout = new TypedLayout(layoutRecord_, nullptr);
            layout->AddRef();
            *ppv = static_cast<IBenchLayout*>(layout);
            return S_OK;
        }
        return IDispatchImpl::QueryInterface(riid, ppv);
    }

    STDMETHODIMP Activate(LONG mode, LONG* result) override {
        *result = mode + 1;
        return S_OK;
    }
    STDMETHODIMP get_Name(BSTR* name) override {
        *name = SysAllocString(u"Sheet1");
        return S_OK;
    }
    STDMETHODIMP get_Self(IBenchSheet** self) override {
        AddRef();
        *self = this;
        return S_OK;
    }
    STDMETHODIMP Series(LONG count, SAFEARRAY** values) override {
        *values = seriesOf(count);
        return S_OK;
    }
    STDMETHODIMP Fresh(IBenchSheet** sheet) override {
        auto* created = new TypedSheet(record_, nullptr);
        created->AddRef();
        *sheet = created;
        return S_OK;
    }

private:
    TypeInfoAndAttribute* record_;
    TypeInfoAndAttribute* layoutRecord_;
};

// The same sheet with Invoke written by hand, a switch on the DISPID.
class HandSheet : public TypedSheet {
public:
    using TypedSheet::TypedSheet;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT* argErr) override {
        if (id != 1)
            return DISP_E_MEMBERNOTFOUND;
        if ((flags & DISPATCH_METHOD) == 0)
            return DISP_E_MEMBERNOTFOUND;
        if (params->cArgs != 1 || params->cNamedArgs != 0)
            return DISP_E_BADPARAMCOUNT;
        // The common case needs no coercion.
        VARIANT mode = params->rgvarg[0];
        if (mode.vt != VT_I4) {
            VariantInit(&mode);
            if (FAILED(VariantChangeType(&mode, &params->rgvarg[0], 0, VT_I4))) {
                *argErr = 0;
                return DISP_E_TYPEMISMATCH;
            }
        }
        LONG value = 0;
        if (FAILED(Activate(mode.lVal, &value)))
            return DISP_E_EXCEPTION;
        if (result != nullptr) {
            VariantClear(result);
            result->vt = VT_I4;
            result->lVal = value;
        }
        return S_OK;
    }
};

// One engine over the benchmark model for the whole program: a process binds
// the classes its first engine finds.
class BenchHost {
public:
    static BenchHost& instance() {
        static BenchHost host;
        return host;
    }

    ComV8Engine& engine() { return *engine_; }

private:
    BenchHost() {
        library_.addPath(std::filesystem::path(QOR_BENCH_BINDINGS_DIR) / "BenchSheet.tlb");
        classes_.add("HandSheet", handSheetClass, [](DispatchCreationInterface* creator) -> IUnknown* {
            return static_cast<IBenchSheet*>(
                new HandSheet(creator->getTypeLibrary().find(iidBenchSheet), creator));
        }, ComClassEntry::globalObject);
        classes_.add("TypedSheet", Guid{}, [](DispatchCreationInterface* creator) -> IUnknown* {
            return static_cast<IBenchSheet*>(
                new TypedSheet(creator->getTypeLibrary().find(iidBenchSheet), creator));
        }, ComClassEntry::globalObject);
        engine_ = std::make_unique<ComV8Engine>(classes_, library_, ".");
        engine_->setScript("", {});
        // The floor: a bare V8 callback that takes and returns an int.
        engine_->runScript([](ComV8Engine::RunResult&, v8::Local<v8::Context>& context) {
            v8::Isolate* isolate = context->GetIsolate();
            auto bare = v8::FunctionTemplate::New(isolate, [](v8::FunctionCallbackInfo<v8::Value> const& info) {
                info.GetReturnValue().Set(info[0].As<v8::Int32>()->Value() + 1);
            });
            context->Global()
                ->Set(context, v8::String::NewFromUtf8Literal(isolate, "bare"),
                      bare->GetFunction(context).ToLocalChecked())
                .Check();
        });
    }

    qor::platform::windows::com::ComClasses classes_;
    qor::platform::windows::com::TypeLibrary library_;
    std::unique_ptr<ComV8Engine> engine_;
};

// Runs `expression` callsPerRun times per iteration in a script loop and
// reports the time of one evaluation.
void loop(benchmark::State& state, std::string const& expression) {
    ComV8Engine& engine = BenchHost::instance().engine();
    engine.setScript("(function () { let r; for (let i = 0; i < " + std::to_string(callsPerRun) + "; ++i) r = " +
                         expression + "; return typeof r; })()",
                     {});
    std::string result;
    for (auto _ : state)
        result = engine.runScript();
    if (result == "undefined")
        state.SkipWithError("the expression gave nothing");
    state.counters["per_call"] = benchmark::Counter(static_cast<double>(state.iterations()) * callsPerRun,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_BareCallback(benchmark::State& state) {
    loop(state, "bare(i)");
}
BENCHMARK(BM_BareCallback)->Unit(benchmark::kMillisecond);

void BM_MethodHandWrittenInvoke(benchmark::State& state) {
    loop(state, "HandSheet.Activate(1)");
}
BENCHMARK(BM_MethodHandWrittenInvoke)->Unit(benchmark::kMillisecond);

// The hand-written Invoke alone, called from C++: what the host's side of a
// script call costs.
void BM_HandWrittenInvokeAlone(benchmark::State& state) {
    HandSheet sheet(nullptr, nullptr);
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_I4;
    argument.lVal = 1;
    VARIANT result;
    VariantInit(&result);
    for (auto _ : state) {
        DISPPARAMS params{&argument, nullptr, 1, 0};
        benchmark::DoNotOptimize(sheet.Invoke(1, IID_NULL, 1024, DISPATCH_METHOD, &params, &result, nullptr, nullptr));
    }
}
BENCHMARK(BM_HandWrittenInvokeAlone);

void BM_MethodTypeInfoInvoke(benchmark::State& state) {
    loop(state, "TypedSheet.Activate(1)");
}
BENCHMARK(BM_MethodTypeInfoInvoke)->Unit(benchmark::kMillisecond);

// A member of the class's second interface, called through that interface:
// against BM_MethodTypeInfoInvoke, a member of the default one.
void BM_MethodOfSecondInterface(benchmark::State& state) {
    loop(state, "TypedSheet.Freeze(1)");
}
BENCHMARK(BM_MethodOfSecondInterface)->Unit(benchmark::kMillisecond);

void BM_PropertyGetString(benchmark::State& state) {
    loop(state, "TypedSheet.Name");
}
BENCHMARK(BM_PropertyGetString)->Unit(benchmark::kMillisecond);

// The same property under another spelling, found without regard to case.
void BM_PropertyGetOtherCase(benchmark::State& state) {
    loop(state, "TypedSheet.NAME");
}
BENCHMARK(BM_PropertyGetOtherCase)->Unit(benchmark::kMillisecond);

void BM_MethodReturningWrappedObject(benchmark::State& state) {
    loop(state, "TypedSheet.Self");
}
BENCHMARK(BM_MethodReturningWrappedObject)->Unit(benchmark::kMillisecond);

// A million new objects wrapped and dropped; the collector gives them back
// as the run goes. Peak RSS is what the process ever held.
void BM_MillionWrappersDropped(benchmark::State& state) {
    ComV8Engine& engine = BenchHost::instance().engine();
    engine.setScript("(function () { for (let i = 0; i < 1000000; ++i) TypedSheet.Fresh(); return 1; })()", {});
    for (auto _ : state)
        engine.runScript();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_MillionWrappersDropped)->Unit(benchmark::kMillisecond)->Iterations(3);

// The host calling a global script function of two int arguments, through
// the engine by name or through a handle resolved once, and, for the floor,
// straight through V8. `hold`: what the host holds entered around its calls,
// as one making many calls in a row may do (V8's own Isolate::Scope, or the
// engine's HostCallScope); entering an isolate that no scope holds costs V8
// an allocation and a lock.
// The two ints each call of `add` passes, as a host holds them.
std::array<VARIANT, 2> addArguments() {
    std::array<VARIANT, 2> arguments;
    for (VARIANT& argument : arguments)
        argument.vt = VT_I4;
    arguments[0].lVal = 20;
    arguments[1].lVal = 22;
    return arguments;
}

enum class Hold { nothing, isolate, hostScope };

template <class Call>
void hostCalls(benchmark::State& state, Hold hold, Call const& call) {
    ComV8Engine& engine = BenchHost::instance().engine();
    engine.setScript("function add(a, b) { return a + b; }", {});
    engine.runScript();
    LONG sum = 0;
    std::optional<v8::Isolate::Scope> entered;
    std::optional<HostCallScope> scope;
    if (hold == Hold::isolate)
        entered.emplace(engine.getIsolate());
    if (hold == Hold::hostScope)
        scope.emplace(engine);
    for (auto _ : state)
        sum = call(engine);
    if (sum != 42)
        state.SkipWithError("wrong sum");
}

LONG byName(ComV8Engine& engine) {
    static std::vector<_variant_t> arguments{_variant_t(LONG{20}), _variant_t(LONG{22})};
    return engine.callJsFunctionGetError("add", arguments).lVal;
}

void BM_HostCallThroughEngine(benchmark::State& state) {
    hostCalls(state, Hold::nothing, byName);
}
BENCHMARK(BM_HostCallThroughEngine);

void BM_HostCallIsolateHeld(benchmark::State& state) {
    hostCalls(state, Hold::isolate, byName);
}
BENCHMARK(BM_HostCallIsolateHeld);

// Through a handle (ScriptFunction) resolved once.
void handleCalls(benchmark::State& state, Hold hold) {
    std::optional<ScriptFunction> add;
    auto const arguments = addArguments();
    hostCalls(state, hold, [&](ComV8Engine& engine) {
        if (!add)
            add = engine.resolveFunction("add").value();
        auto const result = add->call(arguments);
        return result ? result->lVal : 0;
    });
}

void BM_HostCallHandle(benchmark::State& state) {
    handleCalls(state, Hold::nothing);
}
BENCHMARK(BM_HostCallHandle);

void BM_HostCallHandleInScope(benchmark::State& state) {
    handleCalls(state, Hold::hostScope);
}
BENCHMARK(BM_HostCallHandleInScope);

// Runs `body(isolate, context, add)` in the engine's context, `add` the
// script's function, for the calls straight through V8.
template <class Body>
void withAdd(Body const& body) {
    ComV8Engine& engine = BenchHost::instance().engine();
    engine.setScript("function add(a, b) { return a + b; }", {});
    engine.runScript([&](ComV8Engine::RunResult&, v8::Local<v8::Context>& context) {
        v8::Isolate* isolate = context->GetIsolate();
        v8::Local<v8::Function> add =
            context->Global()->Get(context, v8::String::NewFromUtf8Literal(isolate, "add")).ToLocalChecked().As<v8::Function>();
        body(isolate, context, add);
    });
}

void BM_HostCallBareV8(benchmark::State& state) {
    withAdd([&](v8::Isolate* isolate, v8::Local<v8::Context> context, v8::Local<v8::Function> add) {
        std::int32_t sum = 0;
        for (auto _ : state) {
            v8::HandleScope scope(isolate);
            v8::Local<v8::Value> arguments[] = {v8::Integer::New(isolate, 20), v8::Integer::New(isolate, 22)};
            sum = add->Call(context, context->Global(), 2, arguments).ToLocalChecked().As<v8::Int32>()->Value();
        }
        if (sum != 42)
            state.SkipWithError("wrong sum");
    });
}
BENCHMARK(BM_HostCallBareV8);

// The floor of a call with VARIANTs: the same call straight through V8, the
// isolate and context entered, with the conversions of the two int arguments
// and the int result done by hand.
void BM_HostCallBareV8WithVariants(benchmark::State& state) {
    withAdd([&](v8::Isolate* isolate, v8::Local<v8::Context> context, v8::Local<v8::Function> add) {
        auto const arguments = addArguments();
        VARIANT sum;
        sum.vt = VT_EMPTY;
        for (auto _ : state) {
            v8::HandleScope scope(isolate);
            v8::Local<v8::Value> values[] = {v8::Integer::New(isolate, arguments[0].lVal),
                                             v8::Integer::New(isolate, arguments[1].lVal)};
            v8::Local<v8::Value> result = add->Call(context, context->Global(), 2, values).ToLocalChecked();
            sum.vt = VT_I4;
            sum.lVal = result->Int32Value(context).FromJust();
            benchmark::DoNotOptimize(sum);
        }
        if (sum.lVal != 42)
            state.SkipWithError("wrong sum");
    });
}
BENCHMARK(BM_HostCallBareV8WithVariants);

// What a host calling V8 itself by function name does for every call, at its
// cheapest: enter the isolate and the context, look the function up by a key
// internalized once, call it. The floor of a call by name from outside.
void BM_HostCallBareV8ByName(benchmark::State& state) {
    ComV8Engine& engine = BenchHost::instance().engine();
    engine.setScript("function add(a, b) { return a + b; }", {});
    v8::Global<v8::Context> context;
    engine.runScript([&](ComV8Engine::RunResult&, v8::Local<v8::Context>& local) {
        context.Reset(local->GetIsolate(), local);
    });
    v8::Isolate* isolate = engine.getIsolate();
    v8::Global<v8::String> key;
    {
        v8::Isolate::Scope isolateScope(isolate);
        v8::HandleScope scope(isolate);
        key.Reset(isolate, v8::String::NewFromUtf8Literal(isolate, "add", v8::NewStringType::kInternalized));
    }
    std::int32_t sum = 0;
    for (auto _ : state) {
        v8::Isolate::Scope isolateScope(isolate);
        v8::HandleScope scope(isolate);
        v8::Local<v8::Context> local = context.Get(isolate);
        v8::Context::Scope contextScope(local);
        v8::Local<v8::Value> add;
        if (!local->Global()->Get(local, key.Get(isolate)).ToLocal(&add))
            break;
        v8::Local<v8::Value> arguments[] = {v8::Integer::New(isolate, 20), v8::Integer::New(isolate, 22)};
        sum = add.As<v8::Function>()->Call(local, local->Global(), 2, arguments).ToLocalChecked().As<v8::Int32>()->Value();
    }
    if (sum != 42)
        state.SkipWithError("wrong sum");
    key.Reset();
    context.Reset();
}
BENCHMARK(BM_HostCallBareV8ByName);

// What a host holding the function itself pays for each call from outside
// the isolate: enter the isolate and the context, catch, call, with the
// VARIANT conversions by hand. The floor of a handle call with no
// HostCallScope: all but our own work.
void BM_HostCallBareV8FromOutside(benchmark::State& state) {
    ComV8Engine& engine = BenchHost::instance().engine();
    engine.setScript("function add(a, b) { return a + b; }", {});
    v8::Global<v8::Context> context;
    v8::Global<v8::Function> add;
    engine.runScript([&](ComV8Engine::RunResult&, v8::Local<v8::Context>& local) {
        v8::Isolate* isolate = local->GetIsolate();
        context.Reset(isolate, local);
        add.Reset(isolate, local->Global()
                               ->Get(local, v8::String::NewFromUtf8Literal(isolate, "add"))
                               .ToLocalChecked()
                               .As<v8::Function>());
    });
    v8::Isolate* isolate = engine.getIsolate();
    auto const arguments = addArguments();
    VARIANT sum;
    sum.vt = VT_EMPTY;
    for (auto _ : state) {
        v8::Isolate::Scope isolateScope(isolate);
        v8::HandleScope scope(isolate);
        v8::Local<v8::Context> local = context.Get(isolate);
        v8::Context::Scope contextScope(local);
        v8::TryCatch tryCatch(isolate);
        v8::Local<v8::Value> values[] = {v8::Integer::New(isolate, arguments[0].lVal),
                                         v8::Integer::New(isolate, arguments[1].lVal)};
        v8::Local<v8::Value> result;
        if (!add.Get(isolate)->Call(local, local->Global(), 2, values).ToLocal(&result))
            break;
        sum.vt = VT_I4;
        sum.lVal = result->Int32Value(local).FromJust();
        benchmark::DoNotOptimize(sum);
    }
    if (sum.lVal != 42)
        state.SkipWithError("wrong sum");
    add.Reset();
    context.Reset();
}
BENCHMARK(BM_HostCallBareV8FromOutside);

// The host calling back a member the script gave a class, the way an event
// is raised: three arguments in DISPPARAMS (last first), one VARIANT back.
void BM_InvokeComFunctionThreeArguments(benchmark::State& state) {
    ComV8Engine& engine = BenchHost::instance().engine();
    engine.setScript("HandSheet.OnChange = function (a, b, c) { return a + b + c; }", {});
    engine.runScript();
    VARIANT arguments[3];
    for (LONG i = 0; i < 3; ++i) {
        VariantInit(&arguments[i]);
        arguments[i].vt = VT_I4;
        arguments[i].lVal = i + 1;
    }
    GUID const guid = handSheetClass.to<GUID>();
    VARIANT result;
    VariantInit(&result);
    bool called = true;
    for (auto _ : state) {
        DISPPARAMS params{arguments, nullptr, 3, 0};
        called = engine.invokeComFunction(&guid, u"OnChange", &params, &result) && called;
    }
    if (!called || result.vt != VT_I4 || result.lVal != 6)
        state.SkipWithError("the script member was not called");
    VariantClear(&result);
}
BENCHMARK(BM_InvokeComFunctionThreeArguments);

constexpr LONG safeArrayLength = 1000000;

// Runs the iterations inside the engine's context.
template <class Body>
void inContext(benchmark::State& state, Body body) {
    ComV8Engine& engine = BenchHost::instance().engine();
    engine.setScript("", {});
    engine.runScript([&](ComV8Engine::RunResult&, v8::Local<v8::Context>& context) {
        for (auto _ : state) {
            v8::HandleScope scope(context->GetIsolate());
            body(state, context);
        }
    });
}

void BM_SafeArrayToScript(benchmark::State& state) {
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_ARRAY | VT_R8;
    source.parray = seriesOf(safeArrayLength);
    inContext(state, [&](benchmark::State& s, v8::Local<v8::Context> context) {
        s.PauseTiming();
        _variant_t copy(source);
        s.ResumeTiming();
        benchmark::DoNotOptimize(ComHelper::variant_comToV8(std::move(copy), context->GetIsolate()));
    });
    VariantClear(&source);
}
BENCHMARK(BM_SafeArrayToScript)->Unit(benchmark::kMillisecond);

// The same doubles made into a script array with the V8 API directly, element
// by element.
void BM_ArrayBuiltDirectly(benchmark::State& state) {
    std::vector<double> values(safeArrayLength);
    for (LONG i = 0; i < safeArrayLength; ++i)
        values[static_cast<std::size_t>(i)] = i * 0.5;
    inContext(state, [&](benchmark::State&, v8::Local<v8::Context> context) {
        v8::Isolate* isolate = context->GetIsolate();
        v8::Local<v8::Array> array = v8::Array::New(isolate, safeArrayLength);
        for (LONG i = 0; i < safeArrayLength; ++i)
            array->Set(context, static_cast<std::uint32_t>(i), v8::Number::New(isolate, values[i])).Check();
        benchmark::DoNotOptimize(array);
    });
}
BENCHMARK(BM_ArrayBuiltDirectly)->Unit(benchmark::kMillisecond);

} // namespace
