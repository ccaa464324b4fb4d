#include "Format/Engine/JavaScript/Com/ComV8Engine.h"

#include "Format/Engine/JavaScript/V8Engine.h"
#include "Format/Engine/JavaScript/V8Helper.h"
#include "Platform/Windows/Com/IScriptStartStop.h"

#include <utility>

namespace qor::format::engine::javascript {
namespace {

using platform::windows::com::IScriptStartStop;

std::uint64_t uniqueIdCounter = 0;

// Cleared for the whole process the first time an isolate has to be made
// without the startup snapshot.
bool snapshotEnabled = true;

void setGlobalFunction(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> global, std::string_view name,
                       v8::FunctionCallback callback) {
    global->Set(V8Helper::v8_string(isolate, name),
                v8::FunctionTemplate::New(isolate, callback, v8::Local<v8::Value>(), v8::Local<v8::Signature>(), 0,
                                          v8::ConstructorBehavior::kAllow),
                v8::PropertyAttribute::None);
}

} // namespace

ComV8Engine::ComV8Engine(ComClasses& comClasses, TypeLibrary& typeLibrary,
                         std::filesystem::path const& snapshotDirectory)
    : comClasses(comClasses), typeLibrary(typeLibrary) {
    V8Engine::setSnapshotBlobPath(snapshotDirectory / std::filesystem::path(u8"snapshot_blob.bin"));
    // Creates the process-wide V8 now that the snapshot path is known.
    V8Engine::get();
    sharedInstances.resize(comClasses.size(), nullptr);
}

ComV8Engine::~ComV8Engine() {
    if (critical)
        return;
    if (isolate != nullptr) {
        teardownIsolate();
        return;
    }
    // The host may have asked for shared instances before any run.
    releaseSharedInstances();
}

void ComV8Engine::releaseSharedInstances() {
    for (IDispatch*& instance : sharedInstances)
        if (instance != nullptr)
            std::exchange(instance, nullptr)->Release();
}

void ComV8Engine::teardownIsolate() {
    {
        v8::Isolate::Scope isolateScope(isolate);
        v8::HandleScope handleScope(isolate);
        for (auto& [guid, v8Class] : classMap)
            v8Class.instanceTemplate.Reset();
        releaseSharedInstances();
        objectRegistry.v8ComObjectList.clear();
    }
    context.Reset();
    // Handles must go before their isolate does.
    topLevelModule.Reset();
    unhandledRejections.clear();
    isolate->Dispose();
    isolate = nullptr;
    delete createParams.array_buffer_allocator;
    createParams.array_buffer_allocator = nullptr;
}

void ComV8Engine::objectCreated(IUnknown*) {}

void ComV8Engine::objectDestroyed(IUnknown*) {}

std::uint64_t ComV8Engine::nextUniqueId() { return ++uniqueIdCounter; }

ComV8Engine::TypeLibrary& ComV8Engine::getTypeLibrary() { return typeLibrary; }

void ComV8Engine::ensureIsolate() {
    // No startup snapshot is made yet, so every isolate is created plainly.
    snapshotEnabled = false;
    initiateContext({}, {});
    isolate->SetData(0, this);
    isolate->SetData(1, &classMap);
    isolate->SetData(2, &objectRegistry);
    isolate->SetOOMErrorHandler(V8Engine::oomeError);
    isolate->SetFatalErrorHandler(V8Engine::fatalError);
    isolate->SetAbortOnUncaughtExceptionCallback(V8Engine::abortOnUncaughtException);
    isolate->SetPromiseRejectCallback(promiseRejected);
}

void ComV8Engine::initiateContext(std::function<void(ClassMap&)> beforeIsolate,
                                  std::function<v8::Local<v8::Context>()> makeContext) {
    ClassMap& classes = getClassMap(typeLibrary, comClasses);
    createParams.array_buffer_allocator = v8::ArrayBuffer::Allocator::NewDefaultAllocator();
    createParams.snapshot_blob = nullptr;
    createParams.external_references = nullptr;
    if (beforeIsolate)
        beforeIsolate(classes);
    isolate = v8::Isolate::New(createParams);
    isolate->SetHostImportModuleDynamicallyCallback(importDynamicallyCallback);
    isolate->SetHostInitializeImportMetaObjectCallback(callMeta);
    if (&classes != &classMap)
        classMap = classes;
    v8::HandleScope handleScope(isolate);
    if (makeContext) {
        makeContext();
    } else {
        v8::Local<v8::Context> created = createContext(isolate, classMap, nullptr);
        context.Reset(isolate, created);
    }
}

ClassMap& ComV8Engine::getClassMap(TypeLibrary&, ComClasses&) {
    // Computed for the first engine and shared by every later one, whatever
    // type library it was given. Type-library classes are not bound to
    // scripts yet, so the map is empty for now.
    static std::optional<ClassMap> classes;
    if (!classes)
        classes.emplace();
    return *classes;
}

v8::Local<v8::Context> ComV8Engine::createContext(v8::Isolate* isolate, ClassMap& classes,
                                                  v8::SnapshotCreator* creator) {
    v8::Isolate::Scope isolateScope(isolate);
    v8::EscapableHandleScope handleScope(isolate);
    v8::Local<v8::ObjectTemplate> global = v8::ObjectTemplate::New(isolate);
    setGlobalFunction(isolate, global, "Include", include);
    // The class constructors and global objects, then ActiveXObject and
    // Enumerator, are still to be bound; they go on the global template
    // at this point, in that order.
    v8::Local<v8::Context> created = v8::Context::New(isolate, nullptr, global);
    v8::Context::Scope contextScope(created);
    // Later: with a snapshot creator the context is recorded at this point,
    // and the global objects of global-object classes are instantiated after.
    return handleScope.Escape(created);
}

IDispatch* ComV8Engine::getSharedInstance(std::string_view className) {
    auto index = comClasses.indexOf(className);
    if (!index || *index >= sharedInstances.size())
        return nullptr;
    IDispatch*& instance = sharedInstances[*index];
    if (instance == nullptr) {
        if (auto const* entry = comClasses.getFromIndex(*index)) {
            if (IUnknown* object = createObject(*entry, this)) {
                object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&instance));
                object->Release();
            }
        }
    }
    return instance;
}

void ComV8Engine::stopScript() {
    if (critical)
        return;
    stopping = true;
    for (IDispatch* instance : sharedInstances)
        if (auto* startStop = dynamic_cast<IScriptStartStop*>(instance))
            startStop->stop();
    // Scripts do not wrap COM objects yet; once they do, the host's own
    // tracked objects are told to stop here as well.
    stopping = false;
    recordUnhandledRejections();
    reportPendingError();
}

void ComV8Engine::breakScript() {}

void ComV8Engine::setDebugging(bool debugging) { runMode = debugging ? debugRun : normalRun; }

void ComV8Engine::setDebugPort(unsigned short port) { debugPort = port; }

bool ComV8Engine::invokeComFunction(GUID const*, OLECHAR const*, DISPPARAMS*, VARIANT*) {
    // Calls from COM into scripts are not wired yet: nothing is found.
    return false;
}

} // namespace qor::format::engine::javascript
