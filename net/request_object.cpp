#include "net/request_object.h"

#include "net/fetch_support.h"

namespace vokari {

namespace {

constexpr std::size_t kMaxBodyBytes = std::size_t{1} << 30;

bool holdsLineBreak(const Text& text) { return text.view().find_first_of("\r\n") != std::string_view::npos; }

// The status line goes; the request object reports header lines only.
Text withoutStatusLine(const std::string& block) {
    const auto lineEnd = block.find("\r\n");
    return lineEnd == std::string::npos ? Text() : Text(std::string_view(block).substr(lineEnd + 2));
}

}  // namespace

void RequestObject::setTimeouts(long milliseconds) { connectTimeoutMs_ = stallTimeoutMs_ = milliseconds; }

void RequestObject::setProxy(const Text& proxy) { proxy_ = proxy.str(); }

bool RequestObject::setCredentials(const Text& user, const Text& password, int flag) {
    if ((flag != 0 && flag != 1) || !basicSchemeCarries(user, password)) return false;
    (flag == 1 ? proxyLogin_ : serverLogin_) = {user.str(), password.str()};
    return true;
}

bool RequestObject::open(const Text& method, const Text& address) {
    responseBody_.clear();
    responseHeaders_ = {};
    status_ = 0;
    headerLines_.clear();
    opened_ = !method.empty() && !holdsLineBreak(address);
    method_ = method.str();
    address_ = address.str();
    return opened_;
}

bool RequestObject::setRequestHeader(const Text& name, const Text& value) {
    if (!opened_ || name.empty() || holdsLineBreak(name) || holdsLineBreak(value)) return false;
    headerLines_.push_back(name.str() + ": " + value.str());
    return true;
}

bool RequestObject::send(const Bytes& body) {
    if (!opened_) return false;
    opened_ = false;
    TransferRequest r;
    r.address = address_;
    r.method = method_;
    r.sendBody = !body.empty() || method_ == "POST";
    r.body = body;
    r.headerLines = headerLines_;
    r.followRedirects = followRedirects_;
    r.proxy = proxy_;
    if (!proxy_.empty()) r.proxyLogin = proxyLogin_;
    r.server = serverLogin_;
    r.connectTimeoutMs = connectTimeoutMs_;
    r.stallTimeoutMs = stallTimeoutMs_;
    r.maxBodyBytes = kMaxBodyBytes;
    // Certificates are checked: a file saved from an https address comes
    // from that address and from nobody on the way.
    r.verifyPeer = true;
    TransferResult result = performTransfer(r);
    // A response that did not arrive whole is no response: half a file saved
    // as if it were the file would be worse than none.
    if (result.failure != TransferFailure::None) return false;
    responseBody_ = std::move(result.body);
    responseHeaders_ = withoutStatusLine(result.headerBlock);
    status_ = static_cast<int>(result.statusCode);
    return true;
}

}  // namespace vokari
