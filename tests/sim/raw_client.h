// Sends hand-written bytes to the simulator and reads until it closes, for
// the tests that care about exact bytes on the wire in either direction.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <string_view>

namespace vokari::sim::testing {

struct RawExchange {
    bool connected = false;
    std::string received;
    bool reset = false;  // the connection ended with a reset, not a close
};

inline RawExchange rawExchange(int port, std::string_view request, int timeoutMs = 10000) {
    RawExchange out;
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return out;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        out.connected = true;
        send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        char buf[65536];
        while (true) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, timeoutMs) <= 0) break;
            const ssize_t n = recv(fd, buf, sizeof buf, 0);
            if (n < 0) out.reset = errno == ECONNRESET;
            if (n <= 0) break;
            out.received.append(buf, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    return out;
}

}  // namespace vokari::sim::testing
