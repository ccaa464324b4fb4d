#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace qor::format::engine::javascript {

// The inspector's WebSocket endpoint on 127.0.0.1: the discovery pages
// (/json/list, /json/version) and one debugging session at a time. It has no
// thread of its own: nothing happens on its sockets except inside `pump`, so
// the session's messages reach V8 on the thread that pumps, and never while a
// socket handler runs (the events are handed out after the socket work).
class InspectorServer {
public:
    struct Events {
        std::function<void()> connected;
        std::function<void(std::string message)> message;
        std::function<void()> disconnected;
    };

    // Listens at once; `error()` tells why not.
    InspectorServer(unsigned short port, std::string targetId, std::string title, Events events);
    ~InspectorServer();
    InspectorServer(InspectorServer const&) = delete;
    InspectorServer& operator=(InspectorServer const&) = delete;

    bool listening() const;
    std::string const& error() const;
    unsigned short port() const;
    bool attached() const;

    // Queues a text message to the session, if there is one.
    void send(std::string message);
    // Socket work for at most `budget` (none pending: returns after it), then
    // the events it produced.
    void pump(std::chrono::milliseconds budget);
    // Pumps until every queued message is written, within `limit`.
    void flush(std::chrono::milliseconds limit);

    class Impl;

private:
    std::unique_ptr<Impl> impl;
};

} // namespace qor::format::engine::javascript
