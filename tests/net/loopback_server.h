// A wire-level HTTP stand-in on 127.0.0.1 and a free port. It keeps the exact
// bytes of every request that reaches it and answers each with a scripted raw
// reply, so a test sees what really crossed the socket in both directions.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vokari::testing_support {

struct Reply {
    struct Piece {
        std::string bytes;
        int pauseBeforeMs = 0;
    };
    enum class Then {
        Close,             // close the connection after the last piece
        KeepOpen,          // read the next request on the same connection
        WaitForClientEnd,  // say nothing more until the client hangs up
    };
    std::vector<Piece> pieces;
    Then then = Then::Close;

    static Reply raw(std::string bytes, Then then = Then::Close) { return {{{std::move(bytes), 0}}, then}; }
    // A complete response with a Content-Length and the connection closed.
    static Reply response(std::string_view statusLine, std::string_view headerLines, std::string_view body);
};

class LoopbackServer {
public:
    using Responder = std::function<Reply(const std::string& request)>;

    explicit LoopbackServer(Responder responder);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return port_; }
    std::string hostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string url(std::string_view path = "/") const { return "http://" + hostPort() + std::string(path); }
    // Every request received so far, head and body, byte for byte.
    std::vector<std::string> requests() const;

private:
    void serve();
    void serveConnection(int fd);
    bool readRequest(int fd, std::string& request);
    bool sendReply(int fd, const Reply& reply);
    void waitForClientEnd(int fd);
    bool pause(int ms) const;

    Responder responder_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A port on which nothing listens: bound once, then closed.
int unusedPort();

// The request line and header lines of a recorded request, without the Host
// line (its port changes from run to run) and without the body.
std::vector<std::string> headLinesWithoutHost(const std::string& request);

}  // namespace vokari::testing_support
