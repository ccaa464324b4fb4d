// The inspector client of V8Debugger: sessions, the pause loop and the
// translation between protocol text and V8's string views.

#include "Format/Engine/JavaScript/Debugger/V8Debugger.h"

#include "Format/Engine/JavaScript/Debugger/InspectorServer.h"
#include "Format/Engine/JavaScript/V8Engine.h"
#include "Format/Engine/JavaScript/V8Helper.h"
#include "String/Utf.h"

#include <fmt/format.h>
#include <libplatform/libplatform.h>
#include <nlohmann/json.hpp>
#include <v8-inspector.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <mutex>
#include <optional>
#include <random>
#include <unordered_map>

namespace qor::format::engine::javascript {
namespace {

constexpr int contextGroup = 1;
// How long one turn of a waiting loop may block on the socket, so that V8's
// own platform tasks still run between turns.
constexpr std::chrono::milliseconds pumpSlice{20};
constexpr std::chrono::milliseconds flushLimit{500};

std::string toUtf8(v8_inspector::StringView view) {
    if (view.is8Bit()) {
        // 8-bit views are Latin-1.
        std::u16string wide(view.characters8(), view.characters8() + view.length());
        return string::utf16ToUtf8(wide);
    }
    return string::utf16ToUtf8(
        std::u16string_view(reinterpret_cast<char16_t const*>(view.characters16()), view.length()));
}

// The file URL of `path`: absolute, with slashes, and every byte outside the
// unreserved characters escaped.
std::string fileUrl(std::filesystem::path const& path) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    std::string text = string::pathToUtf8(ec ? path : absolute);
    if constexpr (std::filesystem::path::preferred_separator != '/')
        std::replace(text.begin(), text.end(), static_cast<char>(std::filesystem::path::preferred_separator), '/');
    std::string url = text.starts_with('/') ? "file://" : "file:///";
    for (unsigned char c : text) {
        if (std::isalnum(c) || std::string_view("-._~/:").find(static_cast<char>(c)) != std::string_view::npos)
            url += static_cast<char>(c);
        else
            url += fmt::format("%{:02X}", c);
    }
    return url;
}

// Holds the UTF-16 text a view points into.
struct WideView {
    explicit WideView(std::string_view utf8) : text(string::utf8ToUtf16(utf8)) {}
    v8_inspector::StringView view() const {
        return {reinterpret_cast<uint16_t const*>(text.data()), text.size()};
    }
    std::u16string text;
};

} // namespace

class V8Debugger::Client final : public v8_inspector::V8InspectorClient, public v8_inspector::V8Inspector::Channel {
public:
    Client(v8::Isolate* isolate, v8::Platform* platform)
        : isolate(isolate), platform(platform), inspector(v8_inspector::V8Inspector::create(isolate, this)) {
        std::lock_guard lock(registryMutex());
        registry()[isolate] = this;
    }

    ~Client() override {
        // The server's thread asks for no interrupt once the server is gone.
        server.reset();
        {
            std::lock_guard lock(registryMutex());
            registry().erase(isolate);
        }
        // The session goes before the inspector it belongs to.
        session.reset();
        if (!inspected.IsEmpty())
            inspector->contextDestroyed(inspected.Get(isolate));
        inspected.Reset();
    }

    // The client of `isolate`, if any. The isolate's thread only: clients are
    // made and destroyed there, so the one found stays.
    static Client* of(v8::Isolate* isolate) {
        std::lock_guard lock(registryMutex());
        auto found = registry().find(isolate);
        return found != registry().end() ? found->second : nullptr;
    }

    bool listen(unsigned short port) {
        if (server && server->port() == port && server->listening())
            return true;
        session.reset();
        server.reset();
        server = std::make_unique<InspectorServer>(
            port, targetId(), "qorjs", scriptUrl,
            InspectorServer::Events{
                [this] { connect(); },
                [this](std::string message) { dispatch(message); },
                [this] { disconnect(); },
                // A running script takes its messages between two statements.
                [isolate = isolate] { isolate->RequestInterrupt(dispatchInterrupt, nullptr); },
            });
        if (server->listening())
            return true;
        V8Engine::sendErrorToLog(
            fmt::format("Debugger: cannot listen on 127.0.0.1:{}: {}", port, server->error()));
        server.reset();
        return false;
    }

    void inspect(v8::Local<v8::Context> context) {
        if (context.IsEmpty() || (!inspected.IsEmpty() && inspected.Get(isolate) == context))
            return;
        if (!inspected.IsEmpty())
            inspector->contextDestroyed(inspected.Get(isolate));
        inspected.Reset(isolate, context);
        WideView name("QorJavaScriptCom");
        inspector->contextCreated(v8_inspector::V8ContextInfo(context, contextGroup, name.view()));
    }

    // Waits, without a bound, for a debugger that the user was told to attach.
    void waitForDebugger() {
        waiting = true;
        while (waiting && server)
            turn();
        waiting = false;
    }

    void turn(InspectorServer::Delivery delivery = InspectorServer::Delivery::all) {
        server->pump(pumpSlice, delivery);
        while (v8::platform::PumpMessageLoop(platform, isolate)) {
        }
    }

    void flush() {
        if (server)
            server->flush(flushLimit);
    }

    void breakProgram(std::string_view reason, std::string_view details) {
        if (!session)
            return;
        WideView why(reason);
        // DevTools shows the details only as a JSON object; a bare text
        // would arrive as null.
        std::string const data = details.empty() ? std::string()
                                                 : nlohmann::json{{"message", std::string(details)}}.dump(
                                                       -1, ' ', false, nlohmann::json::error_handler_t::replace);
        WideView what(data);
        session->breakProgram(why.view(), what.view());
    }

    void schedulePause(std::string_view reason) {
        if (!session)
            return;
        WideView why(reason);
        session->schedulePauseOnNextStatement(why.view(), WideView("").view());
    }

    // V8InspectorClient
    void runMessageLoopOnPause(int) override {
        if (paused)
            return;
        paused = true;
        // A message at a time: those behind a resume are for the running
        // script, which V8 would still take for paused.
        while (paused && session && server)
            turn(InspectorServer::Delivery::one);
        paused = false;
        if (server && server->hasEvents())
            isolate->RequestInterrupt(dispatchInterrupt, nullptr);
    }
    void quitMessageLoopOnPause() override { paused = false; }
    void runIfWaitingForDebugger(int) override { waiting = false; }
    v8::Local<v8::Context> ensureDefaultContextInGroup(int) override {
        return inspected.IsEmpty() ? v8::Local<v8::Context>() : inspected.Get(isolate);
    }
    double currentTimeMS() override { return platform->CurrentClockTimeMillis(); }

    // Channel
    void sendResponse(int, std::unique_ptr<v8_inspector::StringBuffer> message) override { send(*message); }
    void sendNotification(std::unique_ptr<v8_inspector::StringBuffer> message) override { send(*message); }
    void flushProtocolNotifications() override {}

    void setScriptUrl(std::string url) {
        scriptUrl = std::move(url);
        if (server)
            server->setScriptUrl(scriptUrl);
    }

    std::function<void()> disconnectDialog;
    std::unique_ptr<InspectorServer> server;
    std::unique_ptr<v8_inspector::V8InspectorSession> session;

private:
    void send(v8_inspector::StringBuffer& message) {
        if (server)
            server->send(toUtf8(message.string()));
    }

    void connect() {
        session = inspector->connect(contextGroup, this, v8_inspector::StringView());
    }

    void dispatch(std::string const& message) {
        if (!session)
            return;
        v8::HandleScope scope(isolate);
        WideView text(message);
        ++dispatching;
        session->dispatchProtocolMessage(text.view());
        --dispatching;
    }

    // Runs on the isolate's thread inside a running script. A script paused
    // or run by a message pumps by itself; the interrupt leaves those alone.
    static void dispatchInterrupt(v8::Isolate* isolate, void*) {
        Client* client = of(isolate);
        if (client != nullptr && client->server && !client->paused && client->dispatching == 0)
            client->server->pump(std::chrono::milliseconds(0));
    }

    static std::mutex& registryMutex() {
        static std::mutex mutex;
        return mutex;
    }
    static std::unordered_map<v8::Isolate*, Client*>& registry() {
        static std::unordered_map<v8::Isolate*, Client*> clients;
        return clients;
    }

    void disconnect() {
        session.reset();
        waiting = false;
        paused = false;
        if (disconnectDialog)
            disconnectDialog();
    }

    v8::Isolate* isolate;
    v8::Platform* platform;
    std::unique_ptr<v8_inspector::V8Inspector> inspector;
    v8::Global<v8::Context> inspected;
    bool paused = false;
    bool waiting = false;
    int dispatching = 0;
    std::string scriptUrl = "file://";
};

V8Debugger::V8Debugger(v8::Isolate* isolate, v8::Platform* platform)
    : client(std::make_unique<Client>(isolate, platform)) {}

V8Debugger::~V8Debugger() = default;

void V8Debugger::execute(bool functionCall, std::function<void()> run, std::function<bool(unsigned short)> dialog,
                         std::function<void()> disconnectDialog, unsigned short port) {
    if (!client->listen(port)) {
        run();
        return;
    }
    client->disconnectDialog = std::move(disconnectDialog);
    v8::Isolate* isolate = v8::Isolate::GetCurrent();
    if (isolate != nullptr && isolate->InContext())
        client->inspect(isolate->GetCurrentContext());
    bool const ask = !functionCall && !client->session && dialog;
    if (ask && dialog(port)) {
        client->waitForDebugger();
        client->schedulePause("Break on start");
    }
    client->server->pump(std::chrono::milliseconds(0));
    run();
    client->flush();
}

void V8Debugger::setScriptPath(std::optional<std::filesystem::path> const& path) {
    client->setScriptUrl(path ? fileUrl(*path) : "file://");
}

v8::MaybeLocal<v8::Value> V8Debugger::evaluate(v8::Local<v8::Module> module, v8::Local<v8::Context> context) {
    v8::Isolate* isolate = context->GetIsolate();
    if (Client* client = Client::of(isolate); client == nullptr || !client->session)
        return module->Evaluate(context);
    // The frame the debugger shows: the module's own frames are gone by the
    // time its failure is known.
    static constexpr std::string_view text =
        "(evaluate) => evaluate() // the module threw: the pause shows its exception, its stack where it was thrown\n";
    v8::Local<v8::Script> script;
    v8::Local<v8::Value> made;
    if (!v8::Script::Compile(context, V8Helper::v8_string(isolate, text)).ToLocal(&script) ||
        !script->Run(context).ToLocal(&made) || !made->IsFunction())
        return module->Evaluate(context);
    v8::Local<v8::Function> evaluateModule;
    auto evaluateCallback = [](v8::FunctionCallbackInfo<v8::Value> const& info) {
        auto& evaluated = *static_cast<v8::Local<v8::Module>*>(info.Data().As<v8::External>()->Value());
        v8::Local<v8::Value> result;
        if (evaluated->Evaluate(info.GetIsolate()->GetCurrentContext()).ToLocal(&result))
            info.GetReturnValue().Set(result);
    };
    if (!v8::Function::New(context, evaluateCallback, v8::External::New(isolate, &module)).ToLocal(&evaluateModule))
        return module->Evaluate(context);
    v8::Local<v8::Value> argument = evaluateModule;
    return made.As<v8::Function>()->Call(context, v8::Undefined(isolate), 1, &argument);
}

void V8Debugger::breakProgram(std::string_view reason, std::string_view details) {
    client->breakProgram(reason, details);
}

bool V8Debugger::attached() const { return client->session != nullptr; }

std::string const& V8Debugger::targetId() {
    static std::string const id = [] {
        std::random_device random;
        std::uniform_int_distribution<unsigned> digit(0, 15);
        std::string text = "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx";
        for (char& c : text) {
            if (c == 'x' || c == 'y') {
                unsigned value = digit(random);
                if (c == 'y')
                    value = 8 | (value & 3);
                c = "0123456789abcdef"[value];
            }
        }
        return text;
    }();
    return id;
}

std::string V8Debugger::frontendUrl(unsigned short port) {
    return fmt::format("devtools://devtools/bundled/js_app.html?experiments=true&v8only=true&ws=127.0.0.1:{}/{}",
                       port, targetId());
}

} // namespace qor::format::engine::javascript
