// The inspector as DevTools sees it: a WebSocket client in the test drives a
// debug run on the engine's thread.

#include "Support/EngineFixture.h"

#include "Format/Engine/JavaScript/Com/BindingHost.h"
#include "Format/Engine/JavaScript/Debugger/V8Debugger.h"
#include "Support/TypedDispatch.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>
#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
using tcp = asio::ip::tcp;
using nlohmann::json;
using namespace std::chrono_literals;
using qor::format::engine::javascript::V8Debugger;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr auto socketTimeout = 5s;

// Connects once the port is open: the first engine of the process makes the
// startup snapshot before it listens, which takes seconds on a loaded machine.
bool connect(beast::tcp_stream& stream, unsigned short port) {
    auto const end = std::chrono::steady_clock::now() + 30s;
    tcp::endpoint const endpoint(asio::ip::make_address_v4("127.0.0.1"), port);
    for (beast::error_code ec;; std::this_thread::sleep_for(20ms)) {
        stream.socket().close(ec);
        stream.socket().connect(endpoint, ec);
        if (!ec) {
            // Reads and writes of the synchronous client give up too.
            timeval bound{static_cast<time_t>(socketTimeout.count()), 0};
            setsockopt(stream.socket().native_handle(), SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
            setsockopt(stream.socket().native_handle(), SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
            return true;
        }
        if (std::chrono::steady_clock::now() > end)
            return false;
    }
}

// A DevTools stand-in: protocol commands with ids, events in between. The
// target list and version pages are checked by the inspector's fault suite.
class Client {
public:
    explicit Client(unsigned short port) : port(port), ws(io) {}

    bool attach() {
        beast::error_code ec;
        if (connect(ws.next_layer(), port))
            ws.handshake("127.0.0.1:" + std::to_string(port), "/" + V8Debugger::targetId(), ec);
        return ws.is_open();
    }

    void send(std::string const& method, json params = json::object()) {
        ws.write(asio::buffer(json{{"id", ++lastId}, {"method", method}, {"params", params}}.dump()));
    }

    // The next message, or null when the socket failed or timed out.
    json read() {
        beast::flat_buffer buffer;
        beast::error_code ec;
        ws.read(buffer, ec);
        return ec ? json(nullptr) : json::parse(beast::buffers_to_string(buffer.data()), nullptr, false);
    }

    // The first message, kept or still to come, that `wanted` accepts; the
    // others are kept for later.
    json next(std::function<bool(json const&)> const& wanted) {
        if (auto it = std::ranges::find_if(events, wanted); it != events.end()) {
            json found = *it;
            events.erase(it);
            return found;
        }
        for (json message = read(); !message.is_null(); message = read())
            if (wanted(message))
                return message;
            else
                events.push_back(message);
        return nullptr;
    }
    json command(std::string const& method, json params = json::object()) {
        send(method, std::move(params));
        return next([this](json const& m) { return m.value("id", 0) == lastId; });
    }
    json waitFor(std::string const& method) {
        return next([&](json const& m) { return m.value("method", "") == method; });
    }

    // Enables the debugger and lets a run that waits for one go on.
    void start() {
        command("Debugger.enable");
        send("Runtime.runIfWaitingForDebugger");
    }

    // Resumes every pause until one `stop` accepts; that one is returned.
    json resumeUntil(std::function<bool(json const&)> const& stop) {
        for (json event = waitFor("Debugger.paused"); !event.is_null(); event = waitFor("Debugger.paused")) {
            json const& params = event["params"];
            if (stop(params))
                return params;
            command("Debugger.resume");
        }
        return nullptr;
    }

    // Gone without a close frame.
    void drop() {
        beast::error_code ec;
        ws.next_layer().socket().close(ec);
    }

    unsigned short port;
    asio::io_context io;
    beast::websocket::stream<beast::tcp_stream> ws;
    int lastId = 0;
    std::vector<json> events;
};

// A port nothing listens on now. Fixed ports collided when the suite ran in
// two processes at once: the second's debugger could not listen, and its
// client talked to the first's.
unsigned short freePort() {
    asio::io_context io;
    return tcp::acceptor(io, tcp::endpoint(asio::ip::make_address_v4("127.0.0.1"), 0)).local_endpoint().port();
}

class V8DebuggerTest : public qor::test::EngineFixture {
protected:
    // A hung inspector must fail the suite, not stall it.
    V8DebuggerTest() { alarm(90); }
    ~V8DebuggerTest() override { alarm(0); }

    void debugOn(bool waitForDebugger) {
        engine->setDebugging(true);
        engine->setDebugPort(port);
        waiting = waitForDebugger;
        engine->setExecDebuggerDialog([this](unsigned short asked) {
            dialogPort = asked;
            return waiting;
        });
        engine->setExecWebsocketDisconnectDialog([this] { ++disconnects; });
    }

    // DevTools on a thread of its own, attached before `session` runs.
    std::thread devtools(std::function<void(Client&)> session) {
        return std::thread([this, session = std::move(session)] {
            Client client(port);
            if (client.attach())
                session(client);
        });
    }

    std::string runFile(std::string_view script, std::string path = "inspected.js") {
        ComV8Engine::ScriptSettings settings;
        settings.isModule = path.ends_with(".mjs");
        settings.path = std::move(path);
        return run(script, settings);
    }

    unsigned short const port = freePort();
    bool waiting = false;
    std::atomic<int> dialogPort{0};
    std::atomic<int> disconnects{0};
};

constexpr char const* script = "var x = 21;\n"
                               "function twice(v) {\n"
                               "  var y = v * 2;\n"
                               "  return y;\n"
                               "}\n"
                               "'done ' + twice(x);\n";

TEST_F(V8DebuggerTest, StopsAtABreakpointEvaluatesOnTheFrameAndResumes) {
    debugOn(true);
    bool secondRefused = false;
    json paused;
    json evaluated;
    std::thread client = devtools([&](Client& client) {
        // A second client is turned away; the first keeps its session.
        secondRefused = !Client(port).attach();
        client.command("Runtime.enable");
        client.command("Debugger.enable");
        client.command("Debugger.setBreakpointByUrl", {{"lineNumber", 2}, {"url", "inspected.js"}});
        client.send("Runtime.runIfWaitingForDebugger");
        // The run stops on its first statement, then at the breakpoint.
        paused = client.resumeUntil([](json const& p) { return !p.value("hitBreakpoints", json::array()).empty(); });
        if (!paused.is_null())
            evaluated = client.command("Debugger.evaluateOnCallFrame",
                                       {{"callFrameId", paused["callFrames"][0]["callFrameId"]}, {"expression", "v + 100"}});
        client.command("Debugger.resume");
        client.drop();
    });
    EXPECT_EQ(runFile(script), "done 42");
    client.join();
    EXPECT_EQ(dialogPort, port);
    EXPECT_TRUE(secondRefused);
    ASSERT_FALSE(paused.is_null());
    EXPECT_EQ(paused["callFrames"][0]["location"]["lineNumber"], 2);
    EXPECT_EQ(paused["callFrames"][0]["functionName"], "twice");
    EXPECT_EQ(evaluated["result"]["result"]["value"], 121);
    EXPECT_TRUE(reported.empty());
}

TEST_F(V8DebuggerTest, ListensOnlyInADebugRun) {
    asio::io_context io;
    auto listening = [&] {
        beast::error_code ec;
        tcp::socket(io).connect(tcp::endpoint(asio::ip::make_address_v4("127.0.0.1"), port), ec);
        return !ec;
    };
    engine->setDebugPort(port);
    EXPECT_EQ(run("1 + 1"), "2");
    EXPECT_FALSE(listening());
    debugOn(false);
    EXPECT_EQ(run("'ran'"), "ran");
    EXPECT_TRUE(listening()); // the inspector's fault suite tries the machine's other addresses
}

TEST_F(V8DebuggerTest, AClientLeavingWhilePausedOrSendingAMalformedFrameLetsTheScriptFinish) {
    for (bool malformed : {false, true}) {
        disconnects = 0;
        debugOn(true);
        std::thread client = devtools([&](Client& client) {
            if (!malformed) {
                client.start();
                client.waitFor("Debugger.paused");
                return client.drop();
            }
            // A frame header claiming a reserved opcode, unmasked: no client sends it.
            unsigned char const garbage[] = {0x83, 0x05, 'h', 'e', 'l', 'l', 'o'};
            beast::error_code ec;
            asio::write(client.ws.next_layer().socket(), asio::buffer(garbage), ec);
            client.read();
        });
        EXPECT_EQ(runFile(script), "done 42") << malformed;
        client.join();
        EXPECT_EQ(disconnects, 1) << malformed;
        waiting = false;
        EXPECT_EQ(run("'again'"), "again");
    }
}

TEST_F(V8DebuggerTest, HostCallsAndReportedErrorsWithNoClientAttached) {
    engine->breakScript(); // no debugger yet: nothing happens
    debugOn(false);
    EXPECT_EQ(run("function add(a, b) { return a + b; }"), "undefined");
    EXPECT_EQ(dialogPort, port);
    // Host calls run through the debugger only when the function exists.
    std::vector<_variant_t> arguments{_variant_t(LONG(40)), _variant_t(LONG(2))};
    EXPECT_EQ(engine->callJsFunctionGetError("add", arguments), _variant_t(LONG(42)));
    EXPECT_EQ(engine->callJsFunctionGetError("nothing", arguments).vt, VT_EMPTY);
    EXPECT_FALSE(engine->hasPendingError());
    // The second run reuses the debugger and its port.
    dialogPort = 0;
    EXPECT_EQ(run("add(1, 2)"), "3");
    EXPECT_EQ(dialogPort, port);
    EXPECT_TRUE(reported.empty());

    // An error the host reports with no client attached is recorded, not lost.
    engine->setDebugging(false);
    engine->setErrorMessage("host failure", false);
    EXPECT_TRUE(engine->hasPendingError());
    engine->stopScript();
    EXPECT_EQ(reported.size(), 1u);
    engine->breakScript(); // no script running: the debugger has nothing to pause
    EXPECT_EQ(run("'still'"), "still");
}

// A reported error pauses the script where it happened; so does, when asked,
// an exception no script catches, however deep in nested calls. The debugger
// showed the reported error: it is not reported again.
TEST_F(V8DebuggerTest, PausesOnReportedErrorsAndExceptionsNoScriptCatchesAndReportsEachOnce) {
    debugOn(true);
    std::vector<json> pauses;
    std::thread client = devtools([&](Client& client) {
        client.command("Debugger.enable");
        client.command("Debugger.setPauseOnExceptions", {{"state", "uncaught"}});
        client.send("Runtime.runIfWaitingForDebugger");
        // Every pause until the closing `debugger;` statement.
        client.resumeUntil([&](json const& p) {
            if (p["reason"] != "Break on start" && p["reason"] != "other")
                pauses.push_back(p);
            return p["reason"] == "other";
        });
        client.command("Debugger.resume");
        client.drop();
    });
    // Host -> script -> COM -> script -> COM -> script: the object's Echo
    // calls the script back, as a host object raising an event would.
    auto& host = qor::test::bindings::BindingHost::instance();
    qor::test::TypedDispatch object(host.typeInfo(qor::test::bindings::iidItem));
    object.onInvoke([this](DISPID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*) {
        engine->invokeComFunction(nullptr, params->rgvarg[0].lVal == 0 ? u"middle" : u"inner", nullptr, result);
        return S_OK;
    });
    EXPECT_EQ(runFile("var caught = '';\n"
                      "try { Include('no-such-file.js'); } catch (e) { caught = String(e); }\n"
                      "caught;\n"),
              "Could not find included file: `no-such-file.js`");
    runFile("try { null.caught; } catch (e) {}\nnull.classic;\n");
    runFile("try { null.caught; } catch (e) {}\nnull.module;\n", "inspected.mjs");
    runFile("function host() { null.host; }\n"
            "var held;\n"
            "function outer(o) { held = o; return o.Echo(0); }\n"
            "function middle() { return held.Echo(1); }\n"
            "function inner() { null.nested; }\n");
    std::vector<_variant_t> none;
    engine->callJsFunctionGetError("host", none);
    engine->stopScript();
    std::vector<_variant_t> withObject{_variant_t(static_cast<IDispatch*>(&object))};
    engine->callJsFunctionGetError("outer", withObject);
    engine->stopScript();
    withObject.clear();
    runFile("debugger;");
    client.join();
    // A module's own frames are gone when its failure is known: it pauses
    // on the rejection of its evaluation.
    std::vector<std::string> paused;
    for (json const& pause : pauses)
        paused.push_back(pause["reason"].get<std::string>() + ": " +
                         pause["data"].value("description", pause["data"].value("message", "")));
    EXPECT_THAT(paused, ElementsAre("error: Not able to find module: no-such-file.js",
                                    HasSubstr("exception: TypeError: Cannot read properties of null (reading 'classic')"),
                                    HasSubstr("promiseRejection: TypeError: Cannot read properties of null (reading 'module')"),
                                    HasSubstr("exception: TypeError: Cannot read properties of null (reading 'host')"),
                                    HasSubstr("exception: TypeError: Cannot read properties of null (reading 'nested')")));
    EXPECT_EQ(pauses.at(0)["callFrames"][0]["location"]["lineNumber"], 1);
    EXPECT_EQ(pauses.at(1)["callFrames"][0]["location"]["lineNumber"], 1);
    EXPECT_EQ(pauses.at(4)["callFrames"][0]["functionName"], "inner");
    EXPECT_THAT(reportedMessages(), ElementsAre(HasSubstr("'classic'"), HasSubstr("'module'"), HasSubstr("'host'"),
                                                HasSubstr("'nested'")));
    engine.reset();
    EXPECT_TRUE(object.balanced()) << object.refCount();
}

TEST_F(V8DebuggerTest, DevToolsPausesARunningScript) {
    debugOn(true);
    json paused;
    std::thread client = devtools([&](Client& client) {
        client.start();
        client.waitFor("Debugger.paused");
        // A pause may land before the loop: the script goes on until one is in it.
        for (int tries = 0; tries < 100; ++tries) {
            client.command("Debugger.resume");
            client.command("Debugger.pause");
            paused = client.waitFor("Debugger.paused");
            if (paused.is_null() || paused["params"]["callFrames"][0]["location"]["lineNumber"] == 1)
                break;
        }
        if (!paused.is_null())
            client.command("Debugger.evaluateOnCallFrame",
                           {{"callFrameId", paused["params"]["callFrames"][0]["callFrameId"]}, {"expression", "stop[0] = true"}});
        client.command("Debugger.resume");
        client.drop();
    });
    // An element, which optimised code reads each turn: a variable it may fold.
    EXPECT_EQ(runFile("var stop = [false];\nwhile (!stop[0]) {}\n'stopped'"), "stopped");
    client.join();
    ASSERT_FALSE(paused.is_null());
    EXPECT_EQ(paused["params"]["callFrames"][0]["location"]["lineNumber"], 1);
}

} // namespace
