// The one HTTP exchange the three fetchers share, over libcurl. Each fetcher
// describes its request as a TransferRequest; the outcome comes back as a
// value naming the step that failed, never as an exception.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "text/text.h"

namespace vokari {

// The step at which an exchange stopped. The fetchers turn these into their
// own failure rules (fetchText into its numbered messages).
enum class TransferFailure {
    None,            // a complete response
    BadAddress,      // refused before anything was sent
    Connect,         // resolve, connect, proxy, TLS handshake or sending the request
    NoResponseHead,  // no complete response head: silence, early close, a failed redirect
    BodyRead,        // the head arrived, the body did not arrive whole
    Stopped,         // the network-wait hook asked to stop
};

struct Credentials {
    std::string user;
    std::string password;
    bool empty() const { return user.empty() && password.empty(); }
};

struct TransferRequest {
    std::string address;                   // as the caller wrote it
    std::string method = "GET";
    bool sendBody = false;                 // sends `body` (even an empty one) with a Content-Length
    Bytes body;
    std::vector<std::string> headerLines;  // "Name: value", sent in this order after Host
    std::string userAgent;                 // empty: none, unless a header line brings one
    bool followRedirects = true;
    std::string proxy;                     // host:port; empty is a direct connection
    Credentials server;                    // basic scheme, sent with the first request
    Credentials proxyLogin;                // basic scheme
    long connectTimeoutMs = 30000;         // resolve, connect and TLS handshake together
    long stallTimeoutMs = 30000;           // longest wait without a byte sent or received
    std::size_t maxBodyBytes = 64u << 20;  // a longer body ends the exchange as a failed read
    bool verifyPeer = true;
};

struct TransferResult {
    TransferFailure failure = TransferFailure::None;
    // The final response's head as it arrived: the status line and the header
    // lines, each ending CR LF, then the empty line. Empty when none arrived.
    std::string headerBlock;
    long statusCode = 0;
    Bytes body;  // as much of the body as arrived
};

// Redirects followed at most, for every fetcher.
inline constexpr long kMaxRedirects = 10;

TransferResult performTransfer(const TransferRequest& request);

// The address as it goes on the wire: spaces, control bytes and bytes of 0x80
// and above percent-encoded. Nothing when it holds a CR or LF, which could
// otherwise add lines to the request.
std::optional<std::string> wireAddress(const std::string& address);

}  // namespace vokari
