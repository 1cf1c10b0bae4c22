#include "tests/net/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace vokari::testing_support {

namespace {

// How often a waiting server thread looks whether it should stop.
constexpr int kPollSliceMs = 20;
// Nothing in these tests waits longer; a client that does is a hang.
constexpr int kGiveUpMs = 15000;

int listenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) throw std::runtime_error("socket");
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        throw std::runtime_error("bind");
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

bool startsWithFolded(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i]))) return false;
    }
    return true;
}

std::size_t contentLengthOf(std::string_view head) {
    std::size_t at = 0;
    while ((at = head.find("\r\n", at)) != std::string_view::npos) {
        at += 2;
        if (startsWithFolded(head.substr(at), "content-length:")) return std::strtoul(head.data() + at + 15, nullptr, 10);
    }
    return 0;
}

}  // namespace

Reply Reply::response(std::string_view statusLine, std::string_view headerLines, std::string_view body) {
    std::string bytes(statusLine);
    bytes += "\r\n";
    bytes += headerLines;
    bytes += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    bytes += body;
    return raw(std::move(bytes));
}

LoopbackServer::LoopbackServer(Responder responder) : responder_(std::move(responder)) {
    listenFd_ = listenOnLoopback(port_);
    thread_ = std::thread([this] { serve(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    thread_.join();
    ::close(listenFd_);
}

std::vector<std::string> LoopbackServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool LoopbackServer::pause(int ms) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (stopping_) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, kPollSliceMs)));
    }
    return true;
}

void LoopbackServer::serve() {
    while (!stopping_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, kPollSliceMs) <= 0) continue;
        const int fd = ::accept(listenFd_, nullptr, nullptr);
        if (fd < 0) continue;
        serveConnection(fd);
        ::close(fd);
    }
}

void LoopbackServer::serveConnection(int fd) {
    for (;;) {
        std::string request;
        if (!readRequest(fd, request)) return;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        const Reply reply = responder_(request);
        if (!sendReply(fd, reply)) return;
        if (reply.then == Reply::Then::Close) return;
        if (reply.then == Reply::Then::WaitForClientEnd) return waitForClientEnd(fd);
    }
}

// The head up to its empty line, then as many body bytes as it announces.
bool LoopbackServer::readRequest(int fd, std::string& request) {
    std::size_t wanted = std::string::npos;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGiveUpMs);
    while (request.size() < wanted) {
        if (stopping_ || std::chrono::steady_clock::now() > giveUp) return false;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kPollSliceMs) <= 0) continue;
        char buffer[4096];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return false;
        request.append(buffer, static_cast<std::size_t>(n));
        if (wanted == std::string::npos) {
            if (auto end = request.find("\r\n\r\n"); end != std::string::npos) {
                wanted = end + 4 + contentLengthOf(std::string_view(request).substr(0, end + 2));
            }
        }
    }
    return true;
}

bool LoopbackServer::sendReply(int fd, const Reply& reply) {
    for (const Reply::Piece& piece : reply.pieces) {
        if (!pause(piece.pauseBeforeMs)) return false;
        std::size_t sent = 0;
        while (sent < piece.bytes.size()) {
            const ssize_t n = ::send(fd, piece.bytes.data() + sent, piece.bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += static_cast<std::size_t>(n);
        }
    }
    return true;
}

void LoopbackServer::waitForClientEnd(int fd) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGiveUpMs);
    while (!stopping_ && std::chrono::steady_clock::now() < giveUp) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kPollSliceMs) <= 0) continue;
        char buffer[512];
        if (::recv(fd, buffer, sizeof buffer, 0) <= 0) return;
    }
}

int unusedPort() {
    int port = 0;
    ::close(listenOnLoopback(port));
    return port;
}

std::vector<std::string> headLinesWithoutHost(const std::string& request) {
    std::vector<std::string> lines;
    const std::string_view head = std::string_view(request).substr(0, request.find("\r\n\r\n"));
    std::size_t at = 0;
    while (at <= head.size()) {
        std::size_t end = head.find("\r\n", at);
        if (end == std::string_view::npos) end = head.size();
        std::string_view line = head.substr(at, end - at);
        if (!startsWithFolded(line, "host:")) lines.emplace_back(line);
        at = end + 2;
    }
    return lines;
}

}  // namespace vokari::testing_support
