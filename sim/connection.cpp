#include "sim/connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace vokari::sim {

namespace {

thread_local Connection* currentConnection = nullptr;

void addressOf(const sockaddr_storage& addr, std::string& ip, int& port) {
    char text[INET6_ADDRSTRLEN] = {};
    if (addr.ss_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&addr);
        inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        port = ntohs(v4->sin_port);
    } else if (addr.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&addr);
        inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        port = ntohs(v6->sin6_port);
    }
    ip = text;
}

}  // namespace

Connection::Connection(int socket, int readTimeoutSeconds, int writeTimeoutSeconds)
    : socket_(socket), readTimeoutSeconds_(readTimeoutSeconds), writeTimeoutSeconds_(writeTimeoutSeconds) {}

Connection::~Connection() {
    if (reset_) {
        // A zero linger time makes close() send RST instead of FIN.
        linger hard{1, 0};
        setsockopt(socket_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    } else {
        shutdown(socket_, SHUT_RDWR);
    }
    close(socket_);
}

bool Connection::waitFor(short events, int timeoutSeconds) const {
    pollfd p{socket_, events, 0};
    int rc;
    do {
        rc = poll(&p, 1, timeoutSeconds * 1000);
    } while (rc < 0 && errno == EINTR);
    return rc > 0 && (p.revents & (events | POLLHUP | POLLERR)) != 0;
}

bool Connection::is_readable() const { return bufferOffset_ < buffer_.size() || waitFor(POLLIN, readTimeoutSeconds_); }

bool Connection::is_writable() const { return waitFor(POLLOUT, writeTimeoutSeconds_); }

ssize_t Connection::read(char* ptr, size_t size) {
    // The library reads its request head one byte at a time, so bytes are
    // fetched from the socket in blocks and handed out from a buffer.
    if (bufferOffset_ >= buffer_.size()) {
        if (!waitFor(POLLIN, readTimeoutSeconds_)) return -1;
        buffer_.resize(16384);
        ssize_t n;
        do {
            n = recv(socket_, buffer_.data(), buffer_.size(), 0);
        } while (n < 0 && errno == EINTR);
        if (n <= 0) {
            buffer_.clear();
            bufferOffset_ = 0;
            return n;
        }
        buffer_.resize(static_cast<std::size_t>(n));
        bufferOffset_ = 0;
    }
    const std::size_t take = std::min(size, buffer_.size() - bufferOffset_);
    std::copy_n(buffer_.data() + bufferOffset_, take, ptr);
    bufferOffset_ += take;
    keepHeadBytes(ptr, take);
    return static_cast<ssize_t>(take);
}

ssize_t Connection::write(const char* ptr, size_t size) {
    if (muted_) return static_cast<ssize_t>(size);
    if (!waitFor(POLLOUT, writeTimeoutSeconds_)) return -1;
    ssize_t n;
    do {
        n = send(socket_, ptr, size, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n;
}

void Connection::keepHeadBytes(const char* ptr, std::size_t size) {
    // Only the head is kept: a body can be large and is never logged. The
    // library's own limit on a head is far below the cap here.
    if (headComplete_ || consumed_.size() >= 65536) return;
    const std::size_t from = consumed_.size() < 3 ? 0 : consumed_.size() - 3;
    consumed_.append(ptr, size);
    headComplete_ = consumed_.find("\r\n\r\n", from) != std::string::npos;
}

void Connection::get_remote_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (getpeername(socket_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) addressOf(addr, ip, port);
}

void Connection::get_local_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (getsockname(socket_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) addressOf(addr, ip, port);
}

void Connection::beginRequest() {
    consumed_.clear();
    headComplete_ = false;
    ranges_.clear();
    muted_ = false;
}

std::string Connection::requestHead() const {
    const auto end = consumed_.find("\r\n\r\n");
    return end == std::string::npos ? consumed_ : consumed_.substr(0, end + 4);
}

void Connection::writeRaw(std::string_view bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size() && waitFor(POLLOUT, writeTimeoutSeconds_)) {
        const ssize_t n = send(socket_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
}

void Connection::closeAfterRequest(bool reset) {
    closing_ = true;
    reset_ = reset_ || reset;
}

Connection* Connection::current() { return currentConnection; }

CurrentConnection::CurrentConnection(Connection& connection) { currentConnection = &connection; }
CurrentConnection::~CurrentConnection() { currentConnection = nullptr; }

}  // namespace vokari::sim
