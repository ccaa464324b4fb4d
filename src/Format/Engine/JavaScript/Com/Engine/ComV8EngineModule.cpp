// ES modules: running a top-level module, static imports, import() and
// import.meta.

#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Source.h"
#include "Format/Engine/JavaScript/V8Engine.h"
#include "Format/Engine/JavaScript/V8Error.h"
#include "Format/Engine/JavaScript/V8Helper.h"
#include "String/Utf.h"

#include <utility>

namespace qor::format::engine::javascript {
namespace {

using qor::assert::Assert;

using Resolved = std::optional<std::pair<std::string, std::filesystem::path>>;

// A name that was not found still yields a module: an empty one, so that an
// import of nothing links and the pending error tells what went missing.
Source moduleSourceOf(Resolved const& found) {
    if (!found)
        return Source{std::string_view(), std::string(), true};
    return Source{found->first, string::pathToUtf8(found->second), true};
}

// The UTF-8 text of a specifier, or nothing when V8 cannot give it.
std::optional<std::string> specifierText(v8::Isolate* isolate, v8::Local<v8::String> specifier) {
    v8::String::Utf8Value text(isolate, specifier);
    if (*text == nullptr)
        return std::nullopt;
    return std::string(*text, static_cast<std::size_t>(text.length()));
}

constexpr std::string_view unreadableSpecifier = "Module specifier cannot be read as text";

// Saves inModule, sets it for one module load or evaluation, restores it.
class InModuleScope {
public:
    explicit InModuleScope(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
    ~InModuleScope() { flag_ = saved_; }
    InModuleScope(InModuleScope const&) = delete;
    InModuleScope& operator=(InModuleScope const&) = delete;

private:
    bool& flag_;
    bool saved_;
};

// Settling fails only when V8 is terminating, and then nothing more is to be done.
void settle(v8::Maybe<bool> done) {
    static_cast<void>(done.FromMaybe(false));
}

ComV8Engine::Impl& engineOf(v8::Isolate* isolate) {
    return IsolateData::engine(isolate).implementation();
}

} // namespace

ComV8Engine::Impl::RunResult ComV8Engine::Impl::executeModule(Source const& script, v8::Local<v8::Context> local) {
    InModuleScope moduleScope(inModule);
    // Verbose: what no script catches counts as uncaught, for a debugger.
    v8::TryCatch tryCatch(isolate);
    tryCatch.SetVerbose(true);
    v8::Local<v8::Module> module = V8Engine::loadModule(local, script);
    if (module.IsEmpty() || !link(module, local, std::nullopt))
        return std::unexpected(V8Error::get(Error::Type::Exception, isolate, tryCatch));
    v8::Local<v8::Value> value = V8Engine::evaluateModule(module, local);
    if (value.IsEmpty())
        return std::unexpected(V8Error::get(Error::Type::Exception, isolate, tryCatch));
    topLevelModule.Reset(isolate, module);
    watchEvaluation(local, value);
    return value;
}

bool ComV8Engine::Impl::link(v8::Local<v8::Module> module, v8::Local<v8::Context> local, std::optional<std::string> name) {
    ImportTree tree(isolate, module, std::move(name));
    // A resolver may run script that links a graph of its own.
    struct Restore {
        ImportTree*& slot;
        ImportTree* saved;
        ~Restore() { slot = saved; }
    } restore{linking, std::exchange(linking, &tree)};
    return V8Engine::instantiateModule(module, local, resolveModuleCallback);
}

v8::MaybeLocal<v8::Module> ComV8Engine::Impl::resolveModule(v8::Local<v8::Context> local, v8::Local<v8::String> specifier,
                                                      v8::Local<v8::Module> referrer) {
    v8::Isolate* own = local->GetIsolate();
    auto name = specifierText(own, specifier);
    if (!name) {
        // V8 accepts an empty result only with an exception pending.
        own->ThrowException(v8::Exception::TypeError(V8Helper::v8_string(own, unreadableSpecifier)));
        return {};
    }
    if (linking != nullptr)
        if (v8::Local<v8::Module> cycle = linking->onPath(referrer, *name); !cycle.IsEmpty())
            return cycle;
    v8::TryCatch tryCatch(own);
    Resolved found = resolveImport(*name);
    v8::Local<v8::Module> module = V8Engine::loadModule(local, moduleSourceOf(found));
    if (!module.IsEmpty()) {
        if (linking != nullptr)
            linking->add(module, referrer, *name);
        return module;
    }
    // A termination goes on by itself; it is not a compile error of the import.
    if (tryCatch.HasTerminated())
        return {};
    pendingError = std::make_unique<Error>(V8Error::get(Error::Type::Exception, own, tryCatch));
    pendingError->resourceName = V8Helper::qor_string(specifier, own);
    // Linking fails with the same exception, which V8 needs to see pending.
    tryCatch.ReThrow();
    return {};
}

v8::MaybeLocal<v8::Promise> ComV8Engine::Impl::importDynamically(v8::Local<v8::Context> local,
                                                           v8::Local<v8::String> specifier) {
    v8::Isolate* own = local->GetIsolate();
    v8::Local<v8::Promise::Resolver> resolver = v8::Promise::Resolver::New(local).ToLocalChecked();
    v8::Local<v8::Promise> promise = resolver->GetPromise();
    v8::Local<v8::Module> module;
    {
        // A failure to load or link belongs to the import() that asked for
        // it: the script sees it as the promise's rejection. A termination
        // is left to unwind the script, with no promise to settle.
        v8::TryCatch tryCatch(own);
        auto name = specifierText(own, specifier);
        if (!name) {
            settle(resolver->Reject(local, v8::Exception::TypeError(V8Helper::v8_string(own, unreadableSpecifier))));
            return promise;
        }
        Resolved found = resolveImport(*name);
        module = V8Engine::loadModule(local, moduleSourceOf(found));
        if (module.IsEmpty() || !link(module, local, *name)) {
            if (tryCatch.HasTerminated())
                return {};
            v8::Local<v8::Value> reason =
                tryCatch.HasCaught() ? tryCatch.Exception() : v8::Undefined(own).As<v8::Value>();
            settle(resolver->Reject(local, reason));
            return promise;
        }
    }
    {
        InModuleScope moduleScope(inModule);
        // The importer gets the namespace even when evaluation fails; the
        // failure itself goes the way of every other engine error.
        v8::TryCatch tryCatch(own);
        v8::Local<v8::Value> evaluation = V8Engine::evaluateModule(module, local);
        if (evaluation.IsEmpty()) {
            if (tryCatch.HasTerminated())
                return {};
            // Located by the error's own stack: the import() that runs it is
            // not where it failed.
            recordError(tryCatch.HasCaught() ? V8Error::get(Error::Type::Exception, own, tryCatch.Exception())
                                             : V8Error::get(Error::Type::Exception, own, tryCatch));
        } else {
            watchEvaluation(local, evaluation);
        }
        settle(resolver->Resolve(local, module->GetModuleNamespace()));
    }
    return promise;
}

void ComV8Engine::Impl::watchEvaluation(v8::Local<v8::Context> local, v8::Local<v8::Value> evaluation) {
    // The engine does not wait for top-level await. Should the module fail
    // once it resumes, the failure becomes the pending error (if none is)
    // and reaches the host at the next report point.
    if (!evaluation->IsPromise())
        return;
    auto promise = evaluation.As<v8::Promise>();
    if (promise->State() != v8::Promise::kPending)
        return;
    v8::Local<v8::Function> onRejected;
    if (v8::Function::New(local, reportLateRejection, v8::Local<v8::Value>(), 1).ToLocal(&onRejected))
        static_cast<void>(promise->Catch(local, onRejected).IsEmpty());
}

void ComV8Engine::Impl::reportLateRejection(v8::FunctionCallbackInfo<v8::Value> const& info) {
    v8::Isolate* own = info.GetIsolate();
    v8::HandleScope handleScope(own);
    engineOf(own).recordError(V8Error::get(Error::Type::Exception, own, info[0]));
}

v8::MaybeLocal<v8::Module> ComV8Engine::Impl::resolveModuleCallback(v8::Local<v8::Context> context,
                                                              v8::Local<v8::String> specifier,
                                                              v8::Local<v8::FixedArray>,
                                                              v8::Local<v8::Module> referrer) {
    return engineOf(context->GetIsolate()).resolveModule(context, specifier, referrer);
}

v8::MaybeLocal<v8::Promise> ComV8Engine::Impl::importDynamicallyCallback(v8::Local<v8::Context> context, v8::Local<v8::Data>,
                                                                   v8::Local<v8::Value>,
                                                                   v8::Local<v8::String> specifier,
                                                                   v8::Local<v8::FixedArray>) {
    return engineOf(context->GetIsolate()).importDynamically(context, specifier);
}

void ComV8Engine::Impl::callMeta(v8::Local<v8::Context>, v8::Local<v8::Module>, v8::Local<v8::Object>) {
    // import.meta stays an empty object; the record marks that hosts get nothing there yet.
    Assert::report("Not implemented", "qor::format::engine::javascript::ComV8Engine::Impl::callMeta",
                   "Format/Engine/JavaScript/Com/ComV8Engine", 1130);
}

} // namespace qor::format::engine::javascript
