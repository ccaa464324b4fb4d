// Contexts from the process's startup snapshot: the global object with every
// class, ActiveXObject, Enumerator and Include is built once into a blob that
// later isolates start from.

#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"

#include "Assert/Assert.h"
#include "Format/Engine/JavaScript/Com/Activation/ActiveXObject.h"
#include "Format/Engine/JavaScript/Com/Bindings/ComCallback.h"
#include "Format/Engine/JavaScript/Com/Bindings/ComExtractorV8.h"
#include "Format/Engine/JavaScript/Com/Bindings/ComRecord.h"
#include "Format/Engine/JavaScript/Com/Bindings/Enumerator.h"
#include "Format/Engine/JavaScript/Com/Bindings/EnumeratorIterator.h"
#include "Format/Engine/JavaScript/Com/Bindings/StartupSnapshot.h"
#include "Format/Engine/JavaScript/V8Engine.h"
#include "Format/Engine/JavaScript/V8Helper.h"

#include <optional>
#include <stdexcept>

namespace qor::format::engine::javascript {
namespace {

template <class T>
std::intptr_t addressOf(T* pointer) {
    return reinterpret_cast<std::intptr_t>(pointer);
}

// The classes whose global objects every context read from the snapshot
// holds: found once, not by a walk of the process's classes at each engine's
// start.
std::vector<V8Class const*> const& globalObjectClasses(ClassMap const& classes) {
    static std::vector<V8Class const*> const found = [&] {
        std::vector<V8Class const*> globals;
        for (auto const& [guid, v8Class] : classes)
            if (isGlobalObjectClass(v8Class))
                globals.push_back(&v8Class);
        return globals;
    }();
    return found;
}

} // namespace

std::vector<std::intptr_t> const& ComV8Engine::Impl::externalReferences(ClassMap const& classes) {
    static std::optional<std::vector<std::intptr_t>> references;
    if (references)
        return *references;
    std::vector<std::intptr_t> list{
        addressOf(include),
        addressOf(ComCallback::Constructor),
        addressOf(ComCallback::ConstructorDeprecated),
        addressOf(ComCallback::Function),
        addressOf(ComCallback::Getter),
        addressOf(ComCallback::Setter),
    };
    // A class's constructor and members are built when a script first needs
    // them, after the context is read back: the snapshot refers only to each
    // class's record and to the members of the global objects it holds. V8
    // indexes every entry of the list, and a large library has tens of
    // thousands of members.
    for (auto const& [guid, v8Class] : classes) {
        if (isReservedName(v8Class.name))
            continue;
        list.push_back(addressOf(&v8Class));
        if (!isGlobalObjectClass(v8Class))
            continue;
        for (V8Function const& function : v8Class.functions)
            list.push_back(addressOf(&function));
        for (V8Property const& property : v8Class.properties)
            list.push_back(addressOf(&property));
    }
    for (auto callback : {Constructor, AtEnd, MoveNext, MoveFirst, Item})
        list.push_back(addressOf(callback));
    list.push_back(addressOf(ActiveXObject::Constructor));
    // Callbacks of templates the snapshot holds besides: a constructor's
    // global property, for...of over Enumerators and collections, the
    // members of other interfaces than the default one, and the names of a
    // global object's members in another case.
    list.push_back(addressOf(lazyConstructor));
    list.push_back(addressOf(EnumeratorIterator::ofEnumerator));
    list.push_back(addressOf(EnumeratorIterator::ofCollection));
    list.push_back(addressOf(ComCallback::FunctionOfInterface));
    list.push_back(addressOf(ComCallback::GetterOfInterface));
    list.push_back(addressOf(ComCallback::SetterOfInterface));
    list.push_back(addressOf(ComCallback::GetOtherCase));
    list.push_back(addressOf(ComCallback::QueryOtherCase));
    // The template of records is made at run time, after the context is read
    // back; a snapshot made later may hold it.
    list.push_back(addressOf(ComRecord::Get));
    list.push_back(addressOf(ComRecord::Set));
    list.push_back(addressOf(ComRecord::Delete));
    list.push_back(addressOf(ComRecord::Keys));
    list.push_back(addressOf(ComRecord::GetIndex));
    list.push_back(addressOf(ComRecord::SetIndex));
    list.push_back(addressOf(ComRecord::DeleteIndex));
    list.push_back(addressOf(ComRecord::Call));
    list.push_back(0);
    StartupSnapshot::applyDroppedReference(list);
    references = std::move(list);
    return *references;
}

void ComV8Engine::Impl::makeStartupBlob(ClassMap& classes, std::vector<std::intptr_t> const& references) {
    v8::StartupData blob{nullptr, 0};
    {
        v8::SnapshotCreator creator(references.data());
        v8::Isolate* creatorIsolate = creator.GetIsolate();
        StartupSnapshot::Recording recording;
        {
            v8::HandleScope handleScope(creatorIsolate);
            // The engine is only a maker here; nothing of it enters the blob.
            v8::Local<v8::Context> made = createContext(creatorIsolate, classes, &creator);
            // V8 ends the process on a reference it does not know; better to
            // find it first and fall back.
            if (!recording.coveredBy(references))
                throw std::runtime_error("a template refers to an address outside the external references");
            creator.SetDefaultContext(made, v8::SerializeInternalFieldsCallback(StartupSnapshot::serializeField));
        }
        blob = creator.CreateBlob(v8::SnapshotCreator::FunctionCodeHandling::kClear);
    }
    if (blob.data == nullptr || blob.raw_size <= 0)
        throw std::runtime_error("the snapshot blob is empty");
    StartupSnapshot::keep(blob);
}

v8::Local<v8::Context> ComV8Engine::Impl::contextFromSnapshot() {
    v8::Local<v8::Context> made =
        v8::Context::New(isolate, nullptr, {}, {}, v8::DeserializeInternalFieldsCallback(StartupSnapshot::deserializeField));
    if (made.IsEmpty())
        throw std::runtime_error("the context cannot be read from the snapshot");
    context.Reset(isolate, made);
    v8::Context::Scope contextScope(made);
    v8::Local<v8::FunctionTemplate> enumeratorClass;
    if (!made->GetDataFromSnapshotOnce<v8::FunctionTemplate>(0).ToLocal(&enumeratorClass))
        throw std::runtime_error("the snapshot lacks the Enumerator class");
    objectRegistry.enumeratorClass.Reset(isolate, enumeratorClass);
    // The global objects came with the context; the registry learns them anew.
    for (V8Class const* v8Class : globalObjectClasses(*processClasses)) {
        v8::Local<v8::Value> object;
        if (made->Global()->Get(made, V8Helper::v8_string(isolate, v8Class->name)).ToLocal(&object) &&
            object->IsObject())
            objectRegistry.addGlobalObject(isolate, v8Class->name, object.As<v8::Object>());
    }
    return made;
}

void ComV8Engine::Impl::initiateContextWithSnapshot() {
    initiateContext(
        [this](ClassMap& classes) {
            if (StartupSnapshot::takeInjectedFailure())
                throw std::runtime_error("a failure injected by a test");
            std::vector<std::intptr_t> const& references = externalReferences(classes);
            if (StartupSnapshot::blob() == nullptr)
                makeStartupBlob(classes, references);
            createParams.snapshot_blob = StartupSnapshot::blob();
            createParams.external_references = references.data();
        },
        [this] { return contextFromSnapshot(); });
}

bool ComV8Engine::Impl::tryInitiateContextWithSnapshot() {
    try {
        initiateContextWithSnapshot();
        return true;
    } catch (...) {
        assert::Assert::report("Snapshot failed for some reason, continue without using snapshot",
                               "qor::format::engine::javascript::ComV8Engine::Impl::tryInitiateContextWithSnapshot",
                               "Format/Engine/JavaScript/Com/ComV8Engine", 750);
        V8Engine::sendErrorToLog("Initiate from snapshot failed");
    }
    // What the attempt made of an isolate goes before the plain one is made.
    if (isolate != nullptr) {
        context.Reset();
        {
            v8::Isolate::Scope isolateScope(isolate);
            objectRegistry.teardown(isolate);
        }
        disposeIsolate();
    }
    return false;
}

} // namespace qor::format::engine::javascript
