// A request object that outlives one call: the time-outs, proxy, proxy
// credentials and redirect switch set on it stay for every later request
// made through it. Each request is opened, given its headers one by one,
// sent, and then read.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "net/transfer.h"
#include "text/text.h"

namespace vokari {

class RequestObject {
public:
    // One value for all four phases: resolve, connect, send and receive.
    void setTimeouts(long milliseconds);
    void setProxy(const Text& proxy);
    // flag 1: for the proxy; flag 0: for the server. Anything else is refused.
    bool setCredentials(const Text& user, const Text& password, int flag);
    void setRedirectsEnabled(bool enabled) { followRedirects_ = enabled; }

    // Starts a new request and forgets the previous response. Refuses an
    // address that holds a line break.
    bool open(const Text& method, const Text& address);
    // Refuses a header without a name, or with a line break in it.
    bool setRequestHeader(const Text& name, const Text& value);
    // Sends the request with the body (none for an empty GET or HEAD) and
    // waits for the whole response; false when none arrived whole.
    bool send(const Bytes& body);

    const Bytes& responseBody() const { return responseBody_; }
    // Hands the body over and forgets it, for an owner that reads it once.
    Bytes takeResponseBody() { return std::exchange(responseBody_, Bytes()); }
    // The header lines of the response without its status line, each ending
    // CR LF, then the empty line.
    Text allResponseHeaders() const { return responseHeaders_; }
    int status() const { return status_; }

private:
    // What a new object waits before anyone sets its time-outs.
    long connectTimeoutMs_ = 60000;
    long stallTimeoutMs_ = 30000;
    std::string proxy_;
    Credentials proxyLogin_;
    Credentials serverLogin_;
    bool followRedirects_ = true;

    bool opened_ = false;
    std::string method_;
    std::string address_;
    std::vector<std::string> headerLines_;

    Bytes responseBody_;
    Text responseHeaders_;
    int status_ = 0;
};

}  // namespace vokari
