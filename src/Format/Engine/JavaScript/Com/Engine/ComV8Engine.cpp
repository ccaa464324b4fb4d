#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"
#include "Format/Engine/JavaScript/Com/Engine/IsolateData.h"
#include "Format/Engine/JavaScript/Com/Engine/ScriptTimers.h"

#include "Format/Engine/JavaScript/Com/Activation/ActiveXObject.h"
#include "Format/Engine/JavaScript/Com/Bindings/ComExtractorV8.h"
#include "Format/Engine/JavaScript/Com/Bindings/Enumerator.h"
#include "Format/Engine/JavaScript/Com/Bindings/StartupSnapshot.h"
#include "Format/Engine/JavaScript/Com/ComExtractor.h"
#include "Format/Engine/JavaScript/Com/Events/ScriptEvents.h"
#include "Format/Engine/JavaScript/Com/Values/ComHelper.h"
#include "Format/Engine/JavaScript/Com/Values/ScriptDate.h"
#include "Format/Engine/JavaScript/V8Engine.h"
#include "Format/Engine/JavaScript/V8Helper.h"
#include "Platform/TableMemory.h"
#include "Platform/Windows/Com/IScriptStartStop.h"

#include <mutex>
#include <utility>

namespace qor::format::engine::javascript {
namespace {

using platform::TableMemory;
using platform::windows::com::IScriptStartStop;

std::uint64_t uniqueIdCounter = 0;

void setGlobalFunction(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> global, std::string_view name,
                       v8::FunctionCallback callback) {
    global->Set(V8Helper::v8_string(isolate, name),
                v8::FunctionTemplate::New(isolate, callback, v8::Local<v8::Value>(), v8::Local<v8::Signature>(), 0,
                                          v8::ConstructorBehavior::kAllow),
                v8::PropertyAttribute::None);
}

} // namespace

ComV8Engine::Impl::Impl(ComV8Engine& face, ComClasses& comClasses, TypeLibrary& typeLibrary,
                         std::filesystem::path const& snapshotDirectory)
    : face(face), comClasses(comClasses), typeLibrary(typeLibrary) {
    V8Engine::setSnapshotBlobPath(snapshotDirectory / std::filesystem::path(u8"snapshot_blob.bin"));
    // Creates the process-wide V8 now that the snapshot path is known.
    V8Engine::get();
    sharedInstances.resize(comClasses.size(), nullptr);
}

ComV8Engine::Impl::~Impl() {
    // From here on a post from another thread is refused; what waits goes
    // unrun.
    inbox->close();
    releaseHostHolds();
    if (debugger) {
        v8::Isolate::Scope isolateScope(isolate);
        v8::HandleScope handleScope(isolate);
        debugger.reset();
    }
    if (critical)
        return;
    if (isolate != nullptr) {
        teardownIsolate();
        return;
    }
    // The host may have asked for shared instances before any run.
    releaseSharedInstances();
}

void ComV8Engine::Impl::releaseSharedInstances() {
    for (IDispatch*& instance : sharedInstances)
        if (instance != nullptr)
            std::exchange(instance, nullptr)->Release();
}

void ComV8Engine::Impl::teardownIsolate() {
    {
        v8::Isolate::Scope isolateScope(isolate);
        v8::HandleScope handleScope(isolate);
        for (auto& [guid, v8Class] : classMap) {
            v8Class.instanceTemplate.Reset();
            v8Class.constructorTemplate.Reset();
        }
        // Events an object fires as it goes find no script any more.
        objectRegistry.disconnectAllEvents();
        releaseSharedInstances();
        objectRegistry.teardown(isolate);
        functionKeys.clear();
        timers.reset();
    }
    context.Reset();
    // Handles must go before their isolate does.
    topLevelModule.Reset();
    unhandledRejections.clear();
    disposeIsolate();
}

void ComV8Engine::Impl::disposeIsolate() {
    // Nothing may reach the isolate once it is gone: a watchdog's request,
    // the heap's callback.
    termination.attach(nullptr);
    heapLimit.watch(nullptr);
    isolate->Dispose();
    isolate = nullptr;
    createParams.array_buffer_allocator_shared.reset();
}

void ComV8Engine::Impl::objectCreated(IUnknown* object) {
    objectRegistry.libraryObjects.insert(object);
}

void ComV8Engine::Impl::objectDestroyed(IUnknown* object) {
    objectRegistry.libraryObjects.erase(object);
}

std::uint64_t ComV8Engine::Impl::nextUniqueId() { return ++uniqueIdCounter; }

ComV8Engine::Impl::TypeLibrary& ComV8Engine::Impl::getTypeLibrary() { return typeLibrary; }

void ComV8Engine::Impl::ensureIsolate() {
    if (!StartupSnapshot::isEnabled() || !tryInitiateContextWithSnapshot()) {
        // From now on, for the whole process.
        StartupSnapshot::disable();
        initiateContext({}, {});
    }
    isolate->SetData(IsolateData::engineSlot, &face);
    isolate->SetData(IsolateData::classMapSlot, &classMap);
    isolate->SetData(IsolateData::objectRegistrySlot, &objectRegistry);
    isolate->SetData(IsolateData::terminationSlot, &termination);
    isolate->SetOOMErrorHandler(V8Engine::oomeError);
    isolate->SetFatalErrorHandler(V8Engine::fatalError);
    isolate->SetAbortOnUncaughtExceptionCallback(V8Engine::abortOnUncaughtException);
    isolate->AddMessageListener(V8Engine::uncaughtMessage);
    isolate->SetPromiseRejectCallback(promiseRejected);
    applyOptions({});
}

void ComV8Engine::Impl::setOptions(EngineOptions chosen) {
    EngineOptions const before = std::exchange(options, chosen);
    if (options.eventLoop)
        inbox->open();
    else
        inbox->close();
    if (isolate != nullptr)
        applyOptions(before);
}

void ComV8Engine::Impl::applyOptions(EngineOptions const& before) {
    bool const newDates = options.dates && !before.dates;
    bool const newEvents = options.events && !before.events;
    bool const newTimers = options.eventLoop && !before.eventLoop;
    if (!newDates && !newEvents && !newTimers)
        return;
    v8::Isolate::Scope isolateScope(isolate);
    v8::HandleScope handleScope(isolate);
    v8::Local<v8::Context> local = context.Get(isolate);
    v8::Context::Scope contextScope(local);
    if (newDates)
        ScriptDate::prepare(isolate);
    if (newEvents)
        ScriptEvents::install(isolate, local);
    if (newTimers)
        ScriptTimers::install(isolate, local);
}

void ComV8Engine::Impl::initiateContext(std::function<void(ClassMap&)> beforeIsolate,
                                  std::function<v8::Local<v8::Context>()> makeContext) {
    // Engines may start on several threads at once. What is made once per
    // process (the class map, the snapshot and its references) is made by
    // the first, and read by the others only once it is whole.
    static std::mutex processShared;
    std::unique_lock lock(processShared);
    ClassMap& classes = getClassMap(typeLibrary, comClasses);
    processClasses = &classes;
    createParams.array_buffer_allocator_shared = arrayBuffers;
    createParams.snapshot_blob = nullptr;
    createParams.external_references = nullptr;
    heapLimit.configure(createParams);
    if (beforeIsolate)
        beforeIsolate(classes);
    // A context built here binds every class to this engine's records.
    if (!makeContext)
        classMap = classes;
    lock.unlock();
    isolate = v8::Isolate::New(createParams);
    termination.attach(isolate);
    heapLimit.watch(isolate);
    isolate->SetHostImportModuleDynamicallyCallback(importDynamicallyCallback);
    isolate->SetHostInitializeImportMetaObjectCallback(callMeta);
    v8::HandleScope handleScope(isolate);
    if (makeContext) {
        makeContext();
    } else {
        v8::Local<v8::Context> created = createContext(isolate, classMap, nullptr);
        context.Reset(isolate, created);
    }
}

V8Class* ComV8Engine::Impl::findClass(Guid const& guid) {
    if (auto found = classMap.find(guid); found != classMap.end())
        return &found->second;
    if (processClasses == nullptr)
        return nullptr;
    auto const shared = processClasses->find(guid);
    if (shared == processClasses->end())
        return nullptr;
    return &classMap.try_emplace(guid, shared->second).first->second;
}

ClassMap& ComV8Engine::Impl::getClassMap(TypeLibrary& typeLibrary, ComClasses& comClasses) {
    // Computed for the first engine and shared by every later one, whatever
    // type library and registry it was given. The lists of records are kept
    // in memory of their own, which a large model backs with huge pages. It
    // is never freed: engines may hold copies of the bindings to the end.
    static TableMemory& tables = *new TableMemory(expectedRecordBytes(typeLibrary));
    static ClassMap classes = [&] {
        ClassMap made =
            convertComToV8(extractRegisteredComComponents(typeLibrary, &tables).classes, &comClasses, &tables);
        tables.releaseUnused();
        return made;
    }();
    return classes;
}

v8::Local<v8::Context> ComV8Engine::Impl::createContext(v8::Isolate* isolate, ClassMap& classes,
                                                  v8::SnapshotCreator* creator) {
    v8::Isolate::Scope isolateScope(isolate);
    v8::EscapableHandleScope handleScope(isolate);
    v8::Local<v8::ObjectTemplate> global = v8::ObjectTemplate::New(isolate);
    setGlobalFunction(isolate, global, "Include", StartupSnapshot::noted(include));
    PendingGlobalObjects pending = addClassTemplates(isolate, global, classes);
    ActiveXObject::registerOn(isolate, global);
    v8::Local<v8::FunctionTemplate> enumeratorClass = EnumeratorClass::registerOn(isolate, global);
    v8::Local<v8::Context> created = v8::Context::New(isolate, nullptr, global);
    v8::Context::Scope contextScope(created);
    // A snapshot keeps what the engine needs of the context's making; the
    // engine's own registry only knows contexts of its own isolate.
    if (creator != nullptr)
        creator->AddData(created, enumeratorClass);
    else
        objectRegistry.enumeratorClass.Reset(isolate, enumeratorClass);
    addGlobalObjects(isolate, created, pending, creator == nullptr);
    return handleScope.Escape(created);
}

void ComV8Engine::Impl::addGlobalObjects(v8::Isolate* isolate, v8::Local<v8::Context> created,
                                   PendingGlobalObjects const& pending, bool track) {
    for (auto const& [name, objectTemplate] : pending) {
        v8::Local<v8::Object> object = objectTemplate->NewInstance(created).ToLocalChecked();
        // The COM object comes from the shared instances on first use.
        object->SetAlignedPointerInInternalField(0, nullptr);
        created->Global()
            ->Set(created, v8::String::NewFromUtf8(isolate, name.c_str()).ToLocalChecked(), object)
            .Check();
        if (track)
            objectRegistry.addGlobalObject(isolate, name, object);
    }
}

IDispatch* ComV8Engine::Impl::getSharedInstance(std::string_view className) {
    auto index = comClasses.indexOf(className);
    if (!index || *index >= sharedInstances.size())
        return nullptr;
    IDispatch*& instance = sharedInstances[*index];
    if (instance == nullptr) {
        if (auto const* entry = comClasses.getFromIndex(*index)) {
            if (IUnknown* object = createObject(*entry, &face)) {
                object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&instance));
                object->Release();
            }
        }
    }
    return instance;
}

void ComV8Engine::Impl::stopScript() {
    if (critical)
        return;
    stopping = true;
    for (IDispatch* instance : sharedInstances)
        if (auto* startStop = dynamic_cast<IScriptStartStop*>(instance))
            startStop->stop();
    if (isolate != nullptr)
        stopWrappedObjects();
    stopping = false;
    recordUnhandledRejections();
    reportPendingError();
}

void ComV8Engine::Impl::stopWrappedObjects() {
    v8::Isolate::Scope isolateScope(isolate);
    // The list may change while objects stop (a stop may release, a release
    // may call into scripts), so the pointers are taken first.
    std::vector<IDispatch*> objects;
    for (auto const& [dispatch, handle] : objectRegistry.v8ComObjectList)
        objects.push_back(dispatch);
    for (IDispatch* dispatch : objects) {
        v8::HandleScope handleScope(isolate);
        auto const found = objectRegistry.v8ComObjectList.find(dispatch);
        if (found == objectRegistry.v8ComObjectList.end() || found->second.IsEmpty() || !found->second.IsWeak())
            continue;
        if (found->second.Get(isolate)->GetAlignedPointerFromInternalField(0) == nullptr)
            continue;
        // Objects of classes met only at run time are not the host's own.
        if (objectRegistry.activeXClassGuids.contains(ComHelper::getDispatchGuid(dispatch)))
            continue;
        if (auto* startStop = dynamic_cast<IScriptStartStop*>(dispatch))
            startStop->stop();
    }
}

void ComV8Engine::Impl::breakScript() {
    if (debugger)
        debugger->breakProgram("", "");
}

void ComV8Engine::Impl::setDebugging(bool debugging) { face.runMode = debugging ? ComV8Engine::debugRun : ComV8Engine::normalRun; }

void ComV8Engine::Impl::setDebugPort(unsigned short port) { debugPort = port; }

void ComV8Engine::Impl::setExecDebuggerDialog(std::function<bool(unsigned short)> dialog) {
    execDebuggerDialog = std::move(dialog);
}

void ComV8Engine::Impl::setExecWebsocketDisconnectDialog(std::function<void()> dialog) {
    execWebsocketDisconnectDialog = std::move(dialog);
}

void ComV8Engine::Impl::debugged(bool functionCall, std::function<void()> const& step) {
    if (face.runMode != ComV8Engine::debugRun || (functionCall && !debugger)) {
        step();
        return;
    }
    if (!debugger)
        debugger = std::make_unique<V8Debugger>(isolate, V8Engine::get().getPlatform());
    if (!functionCall)
        debugger->setScriptPath(settings.path);
    // The debugger gets copies; the engine keeps its own.
    debugger->execute(functionCall, step, execDebuggerDialog, execWebsocketDisconnectDialog, debugPort);
}


} // namespace qor::format::engine::javascript
