// The inspector client of V8Debugger: sessions, the pause loop and the
// translation between protocol text and V8's string views.

#include "Format/Engine/JavaScript/V8Debugger.h"

#include "Format/Engine/JavaScript/InspectorServer.h"
#include "Format/Engine/JavaScript/V8Engine.h"
#include "String/Utf.h"

#include <fmt/format.h>
#include <libplatform/libplatform.h>
#include <nlohmann/json.hpp>
#include <v8-inspector.h>

#include <optional>
#include <random>

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
        : isolate(isolate), platform(platform), inspector(v8_inspector::V8Inspector::create(isolate, this)) {}

    ~Client() override {
        // The session goes before the inspector it belongs to.
        session.reset();
        server.reset();
        if (!inspected.IsEmpty())
            inspector->contextDestroyed(inspected.Get(isolate));
        inspected.Reset();
    }

    bool listen(unsigned short port) {
        if (server && server->port() == port && server->listening())
            return true;
        session.reset();
        server.reset();
        server = std::make_unique<InspectorServer>(
            port, targetId(), "qorjs",
            InspectorServer::Events{
                [this] { connect(); },
                [this](std::string message) { dispatch(message); },
                [this] { disconnect(); },
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

    void turn() {
        server->pump(pumpSlice);
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
        while (paused && session && server)
            turn();
        paused = false;
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
        session->dispatchProtocolMessage(text.view());
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
