#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace qor::format::engine::javascript {

// The inspector's WebSocket endpoint on 127.0.0.1: the discovery pages
// (/json/list, /json/version) and one debugging session at a time. Its sockets
// are served by a thread of its own, so that the discovery pages answer and
// messages arrive while the isolate's thread runs a script; the session's
// events reach the isolate's thread only inside `pump`.
class InspectorServer {
public:
    struct Events {
        std::function<void()> connected;
        std::function<void(std::string message)> message;
        std::function<void()> disconnected;
        // Called on the server's own thread when events wait for `pump`; it
        // may only wake the thread that pumps.
        std::function<void()> arrived;
    };

    // Listens at once; `error()` tells why not. `scriptUrl` is the target's
    // "url" in the discovery list from the first request on.
    InspectorServer(unsigned short port, std::string targetId, std::string title, std::string scriptUrl,
                    Events events);
    ~InspectorServer();
    InspectorServer(InspectorServer const&) = delete;
    InspectorServer& operator=(InspectorServer const&) = delete;

    bool listening() const;
    std::string const& error() const;
    unsigned short port() const;
    bool attached() const;

    // Queues a text message to the session, if there is one. Any thread.
    void send(std::string message);
    enum class Delivery { all, one };
    // Hands out the events that arrived (or only the first), waiting at most
    // `budget` for the first one.
    void pump(std::chrono::milliseconds budget, Delivery delivery = Delivery::all);
    bool hasEvents() const;
    // Waits until every queued message is written, within `limit`, then pumps.
    void flush(std::chrono::milliseconds limit);
    // The "url" of the target in the discovery list.
    void setScriptUrl(std::string url);

    class Impl;

private:
    std::unique_ptr<Impl> impl;
};

} // namespace qor::format::engine::javascript
