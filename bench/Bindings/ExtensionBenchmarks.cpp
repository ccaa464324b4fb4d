// The engine's extensions against the paths they stand beside: an event
// fired to a script listener against the host calling the same function as
// a class member (invokeComFunction), and COM calling a script function it
// was handed against the host calling it by name (callJsFunctionGetError).

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"
#include "Format/Engine/JavaScript/Com/Values/ComHelper.h"
#include "Support/EventfulObject.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <vector>

namespace {

using qor::Guid;
using qor::format::engine::javascript::ComV8Engine;
using qor::format::engine::javascript::EngineOptions;
namespace ComHelper = qor::format::engine::javascript::ComHelper;
using qor::platform::windows::com::ComClassEntry;
using qor::platform::windows::com::DispatchCreationInterface;

constexpr IID iidBenchSheet{0x7b4e0d52, 0x3c8a, 0x4f61, {0xa1, 0xd2, 0x5e, 0x9f, 0x3b, 0x7c, 0x2c, 0x02}};
constexpr IID diidBenchSheetEvents{0x7b4e0d52, 0x3c8a, 0x4f61, {0xa1, 0xd2, 0x5e, 0x9f, 0x3b, 0x7c, 0x2c, 0x03}};
constexpr Guid eventSheetClass{0x7b4e0d52, 0x3c8a, 0x4f61, {0xa1, 0xd2, 0x5e, 0x9f, 0x3b, 0x7c, 0x2c, 0x12}};

// One engine with every extension on, and the global object EventSheet, an
// object of the host that fires Changed(a, b, c).
class ExtensionHost {
public:
    static ExtensionHost& instance() {
        static ExtensionHost host;
        return host;
    }

    ComV8Engine& engine() { return *engine_; }
    qor::test::EventfulObject<&diidBenchSheetEvents>& sheet() { return *sheet_; }

private:
    ExtensionHost() {
        library_.addPath(std::filesystem::path(QOR_BENCH_BINDINGS_DIR) / "BenchSheet.tlb");
        ITypeInfo* type = nullptr;
        library_.getTypeInfo(Guid(iidBenchSheet), &type);
        sheet_ = std::make_unique<qor::test::EventfulObject<&diidBenchSheetEvents>>(type);
        type->Release();
        classes_.add("EventSheet", eventSheetClass, [this](DispatchCreationInterface*) -> IUnknown* {
            return static_cast<IDispatch*>(sheet_.get());
        }, ComClassEntry::globalObject);
        engine_ = std::make_unique<ComV8Engine>(classes_, library_, ".");
        engine_->setOptions(EngineOptions::all());
        engine_->setScript("function add(a, b, c) { return a + b + c; }"
                           "EventSheet.OnChange = add;"
                           "EventSheet.addEventListener('Changed', add);",
                           {});
        engine_->runScript();
    }

    qor::platform::windows::com::ComClasses classes_;
    qor::platform::windows::com::TypeLibrary library_;
    std::unique_ptr<qor::test::EventfulObject<&diidBenchSheetEvents>> sheet_;
    std::unique_ptr<ComV8Engine> engine_;
};

std::vector<VARIANT> oneTwoThree() {
    std::vector<VARIANT> arguments(3);
    for (LONG i = 0; i < 3; ++i) {
        VariantInit(&arguments[static_cast<std::size_t>(i)]);
        arguments[static_cast<std::size_t>(i)].vt = VT_I4;
        arguments[static_cast<std::size_t>(i)].lVal = i + 1;
    }
    return arguments;
}

// The sheet firing Changed(1, 2, 3) to the script's listener, per event.
void BM_EventToScriptListener(benchmark::State& state) {
    auto& sheet = ExtensionHost::instance().sheet();
    std::vector<VARIANT> arguments = oneTwoThree();
    std::size_t called = 1;
    for (auto _ : state) {
        DISPPARAMS params{arguments.data(), nullptr, 3, 0};
        called = std::min(called, sheet.point.fire(1, params));
    }
    if (called != 1)
        state.SkipWithError("the listener was not called");
}
BENCHMARK(BM_EventToScriptListener);

// The same function called by the host as the member EventSheet.OnChange.
void BM_InvokeComFunctionSameFunction(benchmark::State& state) {
    ComV8Engine& engine = ExtensionHost::instance().engine();
    std::vector<VARIANT> arguments = oneTwoThree();
    GUID const guid = eventSheetClass.to<GUID>();
    VARIANT result;
    VariantInit(&result);
    bool called = true;
    for (auto _ : state) {
        DISPPARAMS params{arguments.data(), nullptr, 3, 0};
        called = engine.invokeComFunction(&guid, u"OnChange", &params, &result) && called;
    }
    if (!called || result.vt != VT_I4 || result.lVal != 6)
        state.SkipWithError("the script member was not called");
    VariantClear(&result);
}
BENCHMARK(BM_InvokeComFunctionSameFunction);

// COM calling `add`, handed to it as a callback, through its default member.
void BM_CallbackFromCom(benchmark::State& state) {
    ComV8Engine& engine = ExtensionHost::instance().engine();
    engine.setScript("add", {});
    IDispatch* callback = nullptr;
    engine.runScript([&](ComV8Engine::RunResult& result, v8::Local<v8::Context>&) {
        VARIANT variant;
        VariantInit(&variant);
        if (result && ComHelper::convertToVariant(engine.getIsolate(), *result, variant))
            callback = variant.pdispVal;
    });
    std::vector<VARIANT> arguments = oneTwoThree();
    VARIANT result;
    VariantInit(&result);
    for (auto _ : state) {
        DISPPARAMS params{arguments.data(), nullptr, 3, 0};
        callback->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
    }
    if (result.vt != VT_I4 || result.lVal != 6)
        state.SkipWithError("the callback was not called");
    callback->Release();
}
BENCHMARK(BM_CallbackFromCom);

// The host calling the same function by name.
void BM_CallJsFunctionGetErrorSameFunction(benchmark::State& state) {
    ComV8Engine& engine = ExtensionHost::instance().engine();
    std::vector<_variant_t> arguments{_variant_t(LONG{1}), _variant_t(LONG{2}), _variant_t(LONG{3})};
    LONG sum = 0;
    for (auto _ : state)
        sum = engine.callJsFunctionGetError("add", arguments).lVal;
    if (sum != 6)
        state.SkipWithError("wrong sum");
}
BENCHMARK(BM_CallJsFunctionGetErrorSameFunction);

} // namespace
