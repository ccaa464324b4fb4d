// Boost.Beast is kept to this one translation unit: it is most of the
// compile time of the inspector.

#include "Format/Engine/JavaScript/Debugger/InspectorServer.h"

#include <utility>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <fmt/format.h>
#include <v8-version.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <variant>

namespace qor::format::engine::javascript {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

// A protocol message is JSON of a script's source at most; anything beyond
// this is not a debugger talking.
constexpr std::size_t maximumMessage = 64u << 20;
constexpr std::chrono::seconds requestTimeout{10};

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// A page of any web site can reach a port on this machine through a name
// that its DNS points here (DNS rebinding); the browser then sends that
// name as Host. Only names that mean this machine are served, as node does
// since CVE-2018-7160.
bool isLoopbackHost(std::string_view host) {
    auto const colon = host.rfind(':');
    if (colon != std::string_view::npos && host.find(']', colon) == std::string_view::npos) {
        std::string_view const port = host.substr(colon + 1);
        if (port.empty() || !std::ranges::all_of(port, [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        host = host.substr(0, colon);
    }
    return equalsIgnoringCase(host, "localhost") || host == "127.0.0.1" || host == "[::1]";
}

} // namespace

class InspectorServer::Impl {
public:
    enum class Change { connected, disconnected };
    using Event = std::variant<std::string, Change>;

    Impl(unsigned short port, std::string targetId, std::string title, std::string scriptUrl, Events events)
        : port(port), targetId(std::move(targetId)), title(std::move(title)), events(std::move(events)),
          url(std::move(scriptUrl)) {
        beast::error_code ec;
        tcp::endpoint endpoint(asio::ip::make_address_v4("127.0.0.1"), port);
        acceptor.open(endpoint.protocol(), ec);
        if (!ec)
            acceptor.set_option(asio::socket_base::reuse_address(true), ec);
        if (!ec)
            acceptor.bind(endpoint, ec);
        if (!ec)
            acceptor.listen(asio::socket_base::max_listen_connections, ec);
        if (ec) {
            failure = ec.message();
            acceptor.close(ec);
            return;
        }
        listening = true;
        accept();
        thread = std::thread([this] { context.run(); });
    }

    ~Impl();

    class Session;
    class Request;

    void accept();
    void startSession(std::shared_ptr<Session> const& session);
    void endSession(Session* ended);
    std::string listJson() const;
    std::string versionJson() const;

    // Any thread: the message is queued on the server's own.
    void send(std::string message) {
        {
            std::lock_guard lock(mutex);
            ++unsent;
        }
        asio::post(context, [this, message = std::move(message)]() mutable {
            if (!session)
                return written(1);
            outbox.push_back(std::move(message));
            writeNext();
        });
    }
    void writeNext();
    // Server thread: `count` queued messages are written or dropped.
    void written(std::size_t count) {
        {
            std::lock_guard lock(mutex);
            unsent -= count;
        }
        changed.notify_all();
    }

    // Server thread: an event for the thread that pumps.
    void queue(Event event) {
        {
            std::lock_guard lock(mutex);
            pending.push_back(std::move(event));
        }
        changed.notify_all();
        if (events.arrived)
            events.arrived();
    }

    void pump(std::chrono::milliseconds budget, Delivery delivery) {
        {
            std::unique_lock lock(mutex);
            changed.wait_for(lock, budget, [this] { return !pending.empty(); });
        }
        deliver(delivery);
    }

    void flush(std::chrono::milliseconds limit) {
        {
            std::unique_lock lock(mutex);
            changed.wait_for(lock, limit, [this] { return unsent == 0; });
        }
        deliver(Delivery::all);
    }

    bool hasEvents() const {
        std::lock_guard lock(mutex);
        return !pending.empty();
    }

    // One event at a time: a handler may pump again (a pause inside a
    // message's dispatch), and takes the next ones itself.
    std::optional<Event> next() {
        std::lock_guard lock(mutex);
        if (pending.empty())
            return std::nullopt;
        Event event = std::move(pending.front());
        pending.pop_front();
        return event;
    }

    void deliver(Delivery delivery) {
        for (auto event = next(); event; event = delivery == Delivery::all ? next() : std::nullopt) {
            if (auto* text = std::get_if<std::string>(&*event)) {
                if (events.message)
                    events.message(std::move(*text));
            } else if (std::get<Change>(*event) == Change::connected) {
                if (events.connected)
                    events.connected();
            } else if (events.disconnected) {
                events.disconnected();
            }
        }
    }

    std::string scriptUrl() const {
        std::lock_guard lock(mutex);
        return url;
    }
    void setScriptUrl(std::string text) {
        std::lock_guard lock(mutex);
        url = std::move(text);
    }

    unsigned short port;
    std::string targetId;
    std::string title;
    Events events;
    std::string failure;
    bool listening = false;
    asio::io_context context{1};
    tcp::acceptor acceptor{context};
    // The sockets belong to the server's thread: only it touches these.
    std::shared_ptr<Session> session;
    std::deque<std::string> outbox;
    bool writing = false;
    std::atomic<bool> attached{false};
    // Shared with the threads that send and pump.
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::deque<Event> pending;
    std::size_t unsent = 0;
    std::string url;
    std::thread thread;
};

class InspectorServer::Impl::Session : public std::enable_shared_from_this<Session> {
public:
    Session(Impl& server, beast::tcp_stream stream) : server(server), ws(std::move(stream)) {}

    void start(http::request<http::string_body> request) {
        ws.next_layer().expires_never();
        ws.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
        ws.read_message_max(maximumMessage);
        ws.async_accept(request, [self = shared_from_this()](beast::error_code ec) {
            if (ec)
                return self->server.endSession(self.get());
            self->read();
        });
    }

    void read() {
        ws.async_read(buffer, [self = shared_from_this()](beast::error_code ec, std::size_t) {
            if (ec)
                return self->server.endSession(self.get());
            // Inspector messages are text; a binary frame is not a debugger.
            if (!self->ws.got_text())
                return self->server.endSession(self.get());
            self->server.queue(beast::buffers_to_string(self->buffer.data()));
            self->buffer.consume(self->buffer.size());
            self->read();
        });
    }

    Impl& server;
    websocket::stream<beast::tcp_stream> ws;
    beast::flat_buffer buffer;
};

class InspectorServer::Impl::Request : public std::enable_shared_from_this<Request> {
public:
    Request(Impl& server, tcp::socket socket) : server(server), stream(std::move(socket)) {}

    void start() {
        stream.expires_after(requestTimeout);
        parser.body_limit(64 * 1024);
        http::async_read(stream, buffer, parser, [self = shared_from_this()](beast::error_code ec, std::size_t) {
            if (!ec)
                self->handle();
        });
    }

private:
    void handle() {
        auto request = parser.release();
        auto const host = request[http::field::host];
        if (!isLoopbackHost(std::string_view(host.data(), host.size())))
            return respond(request, http::status::forbidden, "Only a local debugger may connect.", "text/plain");
        if (websocket::is_upgrade(request)) {
            bool const ours = request.target() == "/" + server.targetId;
            if (ours && !server.session) {
                auto session = std::make_shared<Session>(server, std::move(stream));
                server.startSession(session);
                session->start(std::move(request));
                return;
            }
            return respond(request, ours ? http::status::conflict : http::status::not_found,
                           ours ? "A debugger is already attached." : "No such target.", "text/plain");
        }
        auto const target = request.target();
        if (target == "/json" || target == "/json/list")
            return respond(request, http::status::ok, server.listJson(), "application/json; charset=UTF-8");
        if (target == "/json/version")
            return respond(request, http::status::ok, server.versionJson(), "application/json; charset=UTF-8");
        respond(request, http::status::not_found, "Not found.", "text/plain");
    }

    void respond(http::request<http::string_body> const& request, http::status status, std::string body,
                 char const* type) {
        response.version(request.version());
        response.result(status);
        response.set(http::field::content_type, type);
        response.keep_alive(false);
        response.body() = std::move(body);
        response.prepare_payload();
        http::async_write(stream, response, [self = shared_from_this()](beast::error_code, std::size_t) {
            beast::error_code ignored;
            self->stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
        });
    }

    Impl& server;
    beast::tcp_stream stream;
    beast::flat_buffer buffer;
    http::request_parser<http::string_body> parser;
    http::response<http::string_body> response;
};

InspectorServer::Impl::~Impl() {
    context.stop();
    if (thread.joinable())
        thread.join();
    beast::error_code ignored;
    acceptor.close(ignored);
    if (session)
        session->ws.next_layer().socket().close(ignored);
    session.reset();
}

void InspectorServer::Impl::accept() {
    acceptor.async_accept([this](beast::error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted || !acceptor.is_open())
            return;
        if (!ec)
            std::make_shared<Request>(*this, std::move(socket))->start();
        accept();
    });
}

void InspectorServer::Impl::startSession(std::shared_ptr<Session> const& started) {
    session = started;
    attached = true;
    queue(Change::connected);
}

void InspectorServer::Impl::endSession(Session* ended) {
    if (session.get() != ended)
        return;
    beast::error_code ignored;
    session->ws.next_layer().socket().close(ignored);
    session.reset();
    attached = false;
    written(std::exchange(outbox, {}).size());
    writing = false;
    queue(Change::disconnected);
}

void InspectorServer::Impl::writeNext() {
    if (writing || outbox.empty() || !session)
        return;
    writing = true;
    session->ws.text(true);
    session->ws.async_write(asio::buffer(outbox.front()),
                            [this, self = session](beast::error_code ec, std::size_t) {
                                if (session != self)
                                    return;
                                writing = false;
                                if (ec)
                                    return endSession(self.get());
                                outbox.pop_front();
                                written(1);
                                writeNext();
                            });
}

std::string InspectorServer::Impl::listJson() const {
    std::string const address = fmt::format("127.0.0.1:{}/{}", port, targetId);
    return fmt::format(R"([{{
  "description": "QorJavaScriptCom instance",
  "devtoolsFrontendUrl": "devtools://devtools/bundled/js_app.html?experiments=true&v8only=true&ws={0}",
  "devtoolsFrontendUrlCompat": "devtools://devtools/bundled/inspector.html?experiments=true&v8only=true&ws={0}",
  "id": "{1}",
  "title": "{2}",
  "type": "node",
  "url": "{3}",
  "webSocketDebuggerUrl": "ws://{0}"
}}]
)",
                       address, targetId, title, scriptUrl());
}

std::string InspectorServer::Impl::versionJson() const {
    return fmt::format(R"({{
  "Browser": "QorJavaScriptCom/V8 {}.{}.{}.{}",
  "Protocol-Version": "1.3"
}}
)",
                       V8_MAJOR_VERSION, V8_MINOR_VERSION, V8_BUILD_NUMBER, V8_PATCH_LEVEL);
}

InspectorServer::InspectorServer(unsigned short port, std::string targetId, std::string title, std::string scriptUrl,
                                 Events events)
    : impl(std::make_unique<Impl>(port, std::move(targetId), std::move(title), std::move(scriptUrl),
                                  std::move(events))) {}

InspectorServer::~InspectorServer() = default;

bool InspectorServer::listening() const { return impl->listening; }
std::string const& InspectorServer::error() const { return impl->failure; }
unsigned short InspectorServer::port() const { return impl->port; }
bool InspectorServer::attached() const { return impl->attached; }
void InspectorServer::send(std::string message) { impl->send(std::move(message)); }
void InspectorServer::pump(std::chrono::milliseconds budget, Delivery delivery) { impl->pump(budget, delivery); }
bool InspectorServer::hasEvents() const { return impl->hasEvents(); }
void InspectorServer::flush(std::chrono::milliseconds limit) { impl->flush(limit); }
void InspectorServer::setScriptUrl(std::string url) { impl->setScriptUrl(std::move(url)); }

} // namespace qor::format::engine::javascript
