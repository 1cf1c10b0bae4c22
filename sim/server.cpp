#include "sim/server.h"

#include "sim/connection.h"
#include "sim/reply_bodies.h"
#include "sim/pages.h"
#include "sim/request_log.h"
#include "sim/site.h"

#include <httplib.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vokari::sim {

namespace {

constexpr const char* kLoopback = "127.0.0.1";
constexpr std::size_t kChunk = 64 * 1024;

// Sleeps that end early when the server stops, so a stalled reply or a long
// latency never holds up a clean shutdown.
class Pauses {
public:
    // False when the server began stopping during the pause.
    bool sleep(int ms) {
        std::unique_lock lock(mutex_);
        return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
    }
    void stopAll() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
    }
    bool stopping() {
        std::lock_guard lock(mutex_);
        return stopping_;
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
};

std::string safeHost(const std::string& host, int port) {
    const bool ok = !host.empty() && host.size() < 256 &&
                    host.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-:[]") ==
                        std::string::npos;
    return ok ? host : std::string(kLoopback) + ":" + std::to_string(port);
}

}  // namespace

std::optional<FaultRule> parseFaultRule(std::string_view text) {
    const auto eq = text.rfind('=');
    if (eq == std::string_view::npos || eq == 0 || text[0] != '/') return std::nullopt;
    const auto mode = faultModeFromName(text.substr(eq + 1));
    if (!mode) return std::nullopt;
    return FaultRule{std::string(text.substr(0, eq)), *mode};
}

// The HTTP library's server with the connection handling replaced, so each
// connection reads through a Connection (see connection.h).
class LoopbackHttpServer final : public httplib::Server {
public:
    explicit LoopbackHttpServer(Pauses& pauses) : pauses_(pauses) {}

private:
    bool process_and_close_socket(socket_t sock) override {
        Connection connection(sock, static_cast<int>(read_timeout_sec_), static_cast<int>(write_timeout_sec_));
        CurrentConnection mark(connection);
        bool ok = false;
        for (std::size_t left = keep_alive_max_count_; left > 0 && nextRequestArrives(connection); --left) {
            connection.beginRequest();
            bool closed = false;
            ok = process_request(connection, left == 1, closed, [&connection](httplib::Request& request) {
                // Bodies go out as they are: byte-exact answers matter more here than size.
                request.headers.erase("Accept-Encoding");
                // The library answers a range past the end with 206 and a
                // made-up Content-Range; ranges are answered in send() instead.
                connection.keepRanges(std::move(request.ranges));
                request.ranges.clear();
            });
            if (!ok || closed || connection.closing()) break;
        }
        return ok;
    }

    // Waits for the next request of a kept-alive connection, giving up on
    // the idle time-out or when the server stops.
    bool nextRequestArrives(const Connection& connection) {
        if (connection.hasBufferedBytes()) return true;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(keep_alive_timeout_sec_);
        while (svr_sock_ != INVALID_SOCKET && !pauses_.stopping()) {
            pollfd p{connection.socket(), POLLIN, 0};
            const int rc = poll(&p, 1, 50);
            if (rc > 0) return true;
            if (rc < 0 && errno != EINTR) return false;
            if (std::chrono::steady_clock::now() >= deadline) return false;
        }
        return false;
    }

    Pauses& pauses_;
};

struct SimServer::Impl {
    explicit Impl(ServerOptions o) : options(std::move(o)), http(pauses) {}

    void install() {
        http.new_task_queue = [] { return new httplib::ThreadPool(32); };
        http.set_keep_alive_max_count(100);
        // The library's default adds SO_REUSEPORT, which lets a second
        // simulator bind the same port and silently take half the requests.
        // Only SO_REUSEADDR is wanted, for a quick restart.
        http.set_socket_options([](socket_t sock) {
            int yes = 1;
            setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        });
        // Everything goes through one handler that runs before the library's
        // own routing: no path pattern is matched by std::regex, and every
        // method reaches the same site.
        http.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
            handle(request, response);
            return httplib::Server::HandlerResponse::Handled;
        });
    }

    void handle(const httplib::Request& request, httplib::Response& response) {
        Connection* connection = Connection::current();
        if (connection) log.write(connection->requestHead());
        // The body of a request with one is never read, so the connection
        // cannot carry another request after it.
        if (connection && (request.has_header("Content-Length") || request.has_header("Transfer-Encoding"))) {
            connection->closeAfterRequest(false);
            response.set_header("Connection", "close");
        }
        if (options.latencyMs > 0) pauses.sleep(options.latencyMs);

        SiteRequest site{request.path, request.params, safeHost(request.get_header_value("Host"), boundPort)};
        Reply reply = serveSite(site);
        const FaultMode fault = faultFor(request, reply);
        const httplib::Ranges noRanges;
        const httplib::Ranges& ranges = connection ? connection->ranges() : noRanges;
        if (fault == FaultMode::None) {
            send(reply, ranges, response);
            return;
        }
        applyFault(fault, reply, request, site.host, ranges, response, connection);
    }

    FaultMode faultFor(const httplib::Request& request, const Reply& reply) const {
        const FaultRule* best = nullptr;
        for (const FaultRule& rule : options.faults)
            if (request.target.starts_with(rule.prefix) && (!best || rule.prefix.size() > best->prefix.size()))
                best = &rule;
        if (best) return best->mode;
        if (reply.owner && memberFaultApplies(*reply.owner, reply.resource)) return reply.owner->fault;
        return FaultMode::None;
    }

    static void send(const Reply& reply, const httplib::Ranges& ranges, httplib::Response& response) {
        response.status = reply.status;
        const bool ranged = reply.status == 200 && (reply.resource == Resource::Mp3 ||
                                                    reply.resource == Resource::Picture ||
                                                    reply.resource == Resource::Player);
        if (ranged) {
            response.set_header("Accept-Ranges", "bytes");
            sendRange(payloadOf(reply), reply.contentType, ranges, response);
        } else if (reply.recording) {
            sendPayload(payloadOf(reply), reply.contentType, response);
        } else {
            response.set_content(reply.body, reply.contentType);
        }
    }

    // One range is answered with 206, a range that starts past the end with
    // 416; several ranges get the whole body, which a server may always send.
    static void sendRange(Payload payload, const std::string& type, const httplib::Ranges& ranges,
                          httplib::Response& response) {
        if (ranges.size() != 1) {
            sendPayload(std::move(payload), type, response);
            return;
        }
        const auto [first, last] = ranges.front();
        const std::uint64_t size = payload.size;
        std::uint64_t start = 0;
        std::uint64_t end = size;  // one past the last byte
        if (first < 0) {
            start = size - std::min<std::uint64_t>(size, static_cast<std::uint64_t>(std::max<ssize_t>(last, 0)));
            if (last <= 0) start = size;
        } else {
            start = static_cast<std::uint64_t>(first);
            if (last >= 0) end = std::min<std::uint64_t>(size, static_cast<std::uint64_t>(last) + 1);
        }
        if (start >= size || start >= end) {
            response.status = 416;
            response.set_header("Content-Range", "bytes */" + std::to_string(size));
            response.set_content("", type);
            return;
        }
        response.status = 206;
        response.set_header("Content-Range",
                            "bytes " + std::to_string(start) + "-" + std::to_string(end - 1) + "/" + std::to_string(size));
        Payload slice{end - start, [payload, start](std::uint64_t o, std::size_t n) { return payload.read(start + o, n); }};
        sendPayload(std::move(slice), type, response);
    }

    static void sendPayload(Payload payload, const std::string& type, httplib::Response& response) {
        const auto size = static_cast<std::size_t>(payload.size);
        response.set_content_provider(size, type,
                                      [payload](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                          const std::string piece = payload.read(offset, std::min(length, kChunk));
                                          return !piece.empty() && sink.write(piece.data(), piece.size());
                                      });
    }

    void applyFault(FaultMode fault, Reply& reply, const httplib::Request& request, const std::string& host,
                    const httplib::Ranges& ranges, httplib::Response& response, Connection* connection) {
        switch (fault) {
        case FaultMode::None: send(reply, ranges, response); return;
        case FaultMode::Stall:
            if (!pauses.sleep(options.stallMs) && connection) {
                // Stopping: the stalled client gets a closed connection, no answer.
                connection->muteLibrary();
                connection->closeAfterRequest(false);
            }
            send(reply, ranges, response);
            return;
        case FaultMode::ServerError:
            response.status = 500;
            response.set_content(serverErrorPage(), "text/html");
            return;
        case FaultMode::Binary:
            response.set_content(noise(64 * 1024, 0xB1A5), "text/html");
            return;
        case FaultMode::Huge: sendPayload(hugePayload(reply, options.hugeBytes), reply.contentType, response); return;
        case FaultMode::ZeroByte:
            if (!reply.recording) reply.body = withZeroByte(std::move(reply.body));
            send(reply, ranges, response);
            return;
        case FaultMode::UnknownCharset:
            reply.body = withCharsetLabel(std::move(reply.body), kUnknownCharset);
            if (reply.contentType.starts_with("text/html")) reply.contentType = "text/html; charset=" + std::string(kUnknownCharset);
            send(reply, ranges, response);
            return;
        case FaultMode::RedirectLoop:
            response.status = 302;
            response.set_header("Location", "http://" + host + request.target);
            response.set_content("<html><body>Found</body></html>\r\n", "text/html");
            return;
        case FaultMode::Garbage:
            if (connection) {
                // Not even a status line: the library's reply is swallowed.
                connection->writeRaw(noise(4096, 0x6A5B));
                connection->muteLibrary();
                connection->closeAfterRequest(false);
            }
            response.set_content("", "text/plain");
            return;
        case FaultMode::Reset: sendThenReset(payloadOf(reply), reply.contentType, response); return;
        }
    }

    // Announces the whole body, sends half of it, then resets the connection.
    void sendThenReset(Payload payload, const std::string& type, httplib::Response& response) {
        const std::uint64_t half = payload.size / 2;
        response.set_content_provider(
            static_cast<std::size_t>(payload.size), type,
            [this, payload, half](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                if (offset < half) {
                    const std::string piece = payload.read(offset, std::min<std::size_t>(
                                                                       {length, kChunk, static_cast<std::size_t>(half - offset)}));
                    return sink.write(piece.data(), piece.size());
                }
                // Give the half a moment to reach the client before the reset,
                // which would otherwise overtake it.
                pauses.sleep(100);
                if (Connection* c = Connection::current()) c->closeAfterRequest(true);
                return false;
            });
    }

    static constexpr std::string_view kUnknownCharset = "x-vokari-unknown";

    ServerOptions options;
    Pauses pauses;
    RequestLog log;
    LoopbackHttpServer http;
    int boundPort = 0;
    std::mutex runMutex;
    bool running = false;
    bool stopRequested = false;
};

SimServer::SimServer(ServerOptions options) : impl_(std::make_unique<Impl>(std::move(options))) { impl_->install(); }

SimServer::~SimServer() { stop(); }

bool SimServer::bind() {
    if (!impl_->options.logPath.empty() && !impl_->log.open(impl_->options.logPath)) return false;
    if (impl_->options.port == 0) {
        impl_->boundPort = impl_->http.bind_to_any_port(kLoopback);
        return impl_->boundPort > 0;
    }
    if (!impl_->http.bind_to_port(kLoopback, impl_->options.port)) return false;
    impl_->boundPort = impl_->options.port;
    return true;
}

int SimServer::port() const { return impl_->boundPort; }

void SimServer::run() {
    {
        std::lock_guard lock(impl_->runMutex);
        if (impl_->stopRequested) return;
        impl_->running = true;
    }
    impl_->http.listen_after_bind();
    std::lock_guard lock(impl_->runMutex);
    impl_->running = false;
}

void SimServer::stop() {
    impl_->pauses.stopAll();
    auto runActive = [this] {
        std::lock_guard lock(impl_->runMutex);
        impl_->stopRequested = true;
        return impl_->running;
    };
    // The library ignores a stop that comes before its listener is up, so a
    // signal right after start must wait for that moment or it is lost.
    while (runActive() && !impl_->http.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    impl_->http.stop();
}

}  // namespace vokari::sim
