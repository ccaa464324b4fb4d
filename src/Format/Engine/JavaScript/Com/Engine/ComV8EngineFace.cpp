// The engine as hosts see it: each call passes to what the engine is made of
// (ComV8EngineImpl.h), so that hosts include none of it.

#include "Format/Engine/JavaScript/Com/ComV8Engine.h"

#include "Format/Engine/JavaScript/Com/Engine/ComV8EngineImpl.h"

namespace qor::format::engine::javascript {

ComV8Engine::ComV8Engine(ComClasses& comClasses, TypeLibrary& typeLibrary,
                         std::filesystem::path const& snapshotDirectory)
    : impl(std::make_unique<Impl>(*this, comClasses, typeLibrary, snapshotDirectory)) {}

ComV8Engine::~ComV8Engine() = default;

void ComV8Engine::objectCreated(IUnknown* object) { impl->objectCreated(object); }
void ComV8Engine::objectDestroyed(IUnknown* object) { impl->objectDestroyed(object); }
std::uint64_t ComV8Engine::nextUniqueId() { return impl->nextUniqueId(); }
ComV8Engine::TypeLibrary& ComV8Engine::getTypeLibrary() { return impl->getTypeLibrary(); }

void ComV8Engine::setErrorMessage(std::string_view message, bool keepExisting) {
    impl->setErrorMessage(message, keepExisting);
}
IDispatch* ComV8Engine::getSharedInstance(std::string_view className) { return impl->getSharedInstance(className); }
void ComV8Engine::breakScript() { impl->breakScript(); }
bool ComV8Engine::setScript(std::string_view source, ScriptSettings settings) {
    return impl->setScript(source, std::move(settings));
}
std::string ComV8Engine::runScript() { return impl->runScript(); }
ComV8Engine::ScriptSettings ComV8Engine::getScriptSettings() { return impl->getScriptSettings(); }
void ComV8Engine::stopScript() { impl->stopScript(); }
void ComV8Engine::setDebugging(bool debugging) { impl->setDebugging(debugging); }
void ComV8Engine::setDebugPort(unsigned short port) { impl->setDebugPort(port); }

void ComV8Engine::setExecDebuggerDialog(std::function<bool(unsigned short)> dialog) {
    impl->setExecDebuggerDialog(std::move(dialog));
}
void ComV8Engine::setExecWebsocketDisconnectDialog(std::function<void()> dialog) {
    impl->setExecWebsocketDisconnectDialog(std::move(dialog));
}
std::string ComV8Engine::debuggerFrontendUrl(unsigned short port) { return V8Debugger::frontendUrl(port); }

bool ComV8Engine::invokeComFunction(GUID const* classGuid, OLECHAR const* memberName, DISPPARAMS* parameters,
                                    VARIANT* result) {
    return impl->invokeComFunction(classGuid, memberName, parameters, result);
}
_variant_t ComV8Engine::callJsFunctionGetError(std::string_view functionName, std::vector<_variant_t>& arguments) {
    return impl->callJsFunctionGetError(functionName, arguments);
}
namespace {

std::expected<ScriptFunction, Error> handleOf(ComV8Engine::Impl::ResolvedFunction resolved,
                                              ScriptFunction (*make)(std::shared_ptr<ScriptFunction::State>)) {
    if (!resolved)
        return std::unexpected(std::move(resolved.error()));
    return make(std::move(*resolved));
}

} // namespace

ScriptFunction ComV8Engine::handle(std::shared_ptr<ScriptFunction::State> state) {
    return ScriptFunction(std::move(state));
}
std::expected<ScriptFunction, Error> ComV8Engine::resolveFunction(std::string_view name) {
    return handleOf(impl->resolveFunction(name), handle);
}
std::expected<ScriptFunction, Error> ComV8Engine::resolveModuleFunction(std::string_view name) {
    return handleOf(impl->resolveModuleFunction(name), handle);
}
std::expected<ScriptFunction, Error> ComV8Engine::resolveComFunction(GUID const* classGuid, OLECHAR const* memberName) {
    return handleOf(impl->resolveComFunction(classGuid, memberName), handle);
}
std::expected<v8::Local<v8::Value>, Error> ComV8Engine::callModuleFunction(
    std::string_view functionName, std::vector<v8::Local<v8::Value>> arguments) {
    return impl->callModuleFunction(functionName, std::move(arguments));
}
bool ComV8Engine::runScript(ResultCallback onResult) { return impl->runScript(std::move(onResult)); }
void ComV8Engine::setImportResolverCallback(ImportResolver resolver) {
    impl->setImportResolverCallback(std::move(resolver));
}

void ComV8Engine::setOptions(EngineOptions options) { impl->setOptions(options); }
EngineOptions const& ComV8Engine::getOptions() const { return impl->getOptions(); }

void ComV8Engine::terminateScript() { impl->terminateScript(); }
void ComV8Engine::setTimeLimit(std::optional<std::chrono::milliseconds> limit) { impl->setTimeLimit(limit); }
void ComV8Engine::setRunDeadline(std::optional<std::chrono::steady_clock::time_point> deadline) {
    impl->setRunDeadline(deadline);
}
bool ComV8Engine::setHeapLimit(std::size_t bytes) { return impl->setHeapLimit(bytes); }
void ComV8Engine::setArrayBufferLimit(std::optional<std::size_t> bytes) { impl->setArrayBufferLimit(bytes); }

std::optional<std::chrono::steady_clock::time_point> ComV8Engine::runPendingTasks() {
    return impl->runPendingTasks();
}
void ComV8Engine::stopPendingTasks() { impl->stopPendingTasks(); }
bool ComV8Engine::post(Task task) { return impl->taskInbox()->post(std::move(task)); }
void ComV8Engine::setTaskWakeUp(std::function<void()> wakeUp) { impl->taskInbox()->setWakeUp(std::move(wakeUp)); }
std::shared_ptr<ComV8Engine::TaskInbox> ComV8Engine::getTaskInbox() { return impl->taskInbox(); }

V8Class* ComV8Engine::findClass(Guid const& guid) { return impl->findClass(guid); }
void ComV8Engine::reportPendingError() {
    if (errorHandler)
        impl->reportPendingError();
}
std::optional<ComObjectView> ComV8Engine::viewComObject(v8::Local<v8::Value> value) {
    return impl->viewComObject(value);
}
std::optional<ComObjectView> ComV8Engine::viewComClass(std::string_view className) {
    return impl->viewComClass(className);
}
v8::Isolate* ComV8Engine::getIsolate() const { return impl->getIsolate(); }
bool ComV8Engine::hasPendingError() const { return impl->hasPendingError(); }
v8::Local<v8::Module> ComV8Engine::getTopLevelModule() const { return impl->getTopLevelModule(); }

} // namespace qor::format::engine::javascript
