#include "net/transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>

#include "net/network_wait.h"

namespace vokari {

namespace {

using Clock = std::chrono::steady_clock;

// The longest wait for socket activity before the network-wait hook runs
// again. The window is promised a turn every 50 ms; the rest of the margin
// covers the work libcurl does between two waits.
constexpr int kWaitSliceMs = 40;
// A response head larger than this is no response we can use.
constexpr std::size_t kMaxHeadBytes = 1u << 20;

void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool startsWithFolded(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (fold(text[i]) != fold(prefix[i])) return false;
    }
    return true;
}

bool isFollowedRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Everything the callbacks learn while the exchange runs.
struct ExchangeState {
    const TransferRequest* request = nullptr;
    CURL* easy = nullptr;
    bool isHead = false;
    std::string head;            // the head being received
    long status = 0;
    bool sawLocation = false;
    bool requestSent = false;    // a connection stands and the request is going out
    bool finalHeadDone = false;  // the head of the response we keep is complete
    std::string finalHead;
    long finalStatus = 0;
    Bytes body;
    std::size_t bytesReceived = 0;
};

// A status line starts a new response: interim (1xx) and followed redirect
// heads are replaced by the one after them, so only the final head stays.
void takeHeaderLine(ExchangeState& s, std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (startsWithFolded(line, "HTTP/")) {
        s.head.clear();
        s.sawLocation = false;
        s.status = 0;
        if (line.size() >= 12) std::sscanf(std::string(line.substr(9, 3)).c_str(), "%3ld", &s.status);
    }
    s.head.append(line).append("\r\n");
    if (startsWithFolded(line, "location:")) s.sawLocation = true;
    if (!line.empty()) return;
    if (s.status < 200) return;
    if (s.request->followRedirects && s.sawLocation && isFollowedRedirect(s.status)) {
        // The next hop opens or reuses a connection and sends again.
        s.requestSent = false;
        return;
    }
    s.finalHead = s.head;
    s.finalStatus = s.status;
    s.finalHeadDone = true;
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto& s = *static_cast<ExchangeState*>(user);
    const std::size_t n = size * count;
    if (s.head.size() + n > kMaxHeadBytes) return 0;
    s.bytesReceived += n;
    takeHeaderLine(s, std::string_view(data, n));
    return n;
}

// A body of declared length goes into one buffer of that size: grown by
// doubling, a 50 MB download would be copied again and again and hold up to
// twice its size. The length is the server's word, so it is held to what the
// request accepts, and a refused reservation leaves the buffer to grow.
void reserveDeclaredLength(ExchangeState& s) {
    curl_off_t length = -1;
    if (curl_easy_getinfo(s.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK || length <= 0) return;
    const auto wanted = std::min(static_cast<std::size_t>(length), s.request->maxBodyBytes);
    try {
        s.body.reserve(wanted);
    } catch (const std::bad_alloc&) {
    }
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& s = *static_cast<ExchangeState*>(user);
    const std::size_t n = size * count;
    s.bytesReceived += n;
    // A HEAD answer has no body; bytes after its head belong to nobody.
    if (s.isHead) return n;
    if (s.body.size() + n > s.request->maxBodyBytes) return 0;
    if (s.body.empty()) reserveDeclaredLength(s);
    s.body.append(data, n);
    return n;
}

int onRequestReady(void* user, char*, char*, int, int) {
    static_cast<ExchangeState*>(user)->requestSent = true;
    return CURL_PREREQFUNC_OK;
}

// The easy handle, its header list and the multi handle that drives it,
// given back together and in the right order.
class CurlExchange {
public:
    CurlExchange() : easy_(curl_easy_init()), multi_(curl_multi_init()) {}
    ~CurlExchange() {
        if (added_) curl_multi_remove_handle(multi_, easy_);
        if (easy_) curl_easy_cleanup(easy_);
        if (multi_) curl_multi_cleanup(multi_);
        if (headers_) curl_slist_free_all(headers_);
    }
    CurlExchange(const CurlExchange&) = delete;
    CurlExchange& operator=(const CurlExchange&) = delete;

    bool valid() const { return easy_ && multi_; }
    CURL* easy() const { return easy_; }
    CURLM* multi() const { return multi_; }

    bool addHeader(const std::string& line) {
        curl_slist* grown = curl_slist_append(headers_, line.c_str());
        if (!grown) return false;
        headers_ = grown;
        return true;
    }
    curl_slist* headers() const { return headers_; }

    bool start() {
        added_ = curl_multi_add_handle(multi_, easy_) == CURLM_OK;
        return added_;
    }

private:
    CURL* easy_;
    CURLM* multi_;
    curl_slist* headers_ = nullptr;
    bool added_ = false;
};

bool hasHeaderNamed(const std::vector<std::string>& lines, std::string_view name) {
    for (const std::string& line : lines) {
        if (startsWithFolded(line, name) && line.size() > name.size() && line[name.size()] == ':') return true;
    }
    return false;
}

// libcurl reads "Name:" with nothing after it as "drop this header" and sends
// an empty header only when it is written "Name;". Lines without a colon are
// no header at all and are left out, as are lines holding a line break.
std::optional<std::string> curlHeaderLine(const std::string& line) {
    // A line break inside a line would start a header of its own.
    if (line.find_first_of("\r\n") != std::string::npos) return std::nullopt;
    const auto colon = line.find(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    if (line.find_first_not_of(" \t", colon + 1) != std::string::npos) return line;
    return line.substr(0, colon) + ";";
}

// The request carries the caller's lines and nothing of libcurl's own but
// Host and a body's Content-Length.
bool setHeaders(CurlExchange& x, const TransferRequest& r) {
    for (const std::string& line : r.headerLines) {
        if (auto curlLine = curlHeaderLine(line); curlLine && !x.addHeader(*curlLine)) return false;
    }
    for (const char* name : {"Accept", "Expect", "Content-Type", "Proxy-Connection"}) {
        if (!hasHeaderNamed(r.headerLines, name) && !x.addHeader(std::string(name) + ":")) return false;
    }
    return curl_easy_setopt(x.easy(), CURLOPT_HTTPHEADER, x.headers()) == CURLE_OK;
}

void setMethodAndBody(CURL* h, const TransferRequest& r) {
    if (r.sendBody) {
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(r.body.size()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, r.body.data());
    }
    // A POST is left to libcurl's own POST, so a 301, 302 or 303 turns it
    // into a GET as browsers do; other verbs with a body keep their name.
    // HEAD goes out by name too: libcurl's own HEAD would drop the body.
    if (r.method == "POST" && r.sendBody) return;
    if (r.method == "GET" && !r.sendBody) return;
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, r.method.c_str());
}

void setConnection(CURL* h, const TransferRequest& r) {
    // An empty proxy name also keeps proxies named in the environment away.
    curl_easy_setopt(h, CURLOPT_PROXY, r.proxy.c_str());
    if (!r.proxy.empty()) {
        curl_easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        if (!r.proxyLogin.empty()) {
            curl_easy_setopt(h, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
            curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, r.proxyLogin.user.c_str());
            curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, r.proxyLogin.password.c_str());
        }
    }
    if (!r.server.empty()) {
        curl_easy_setopt(h, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        curl_easy_setopt(h, CURLOPT_USERNAME, r.server.user.c_str());
        curl_easy_setopt(h, CURLOPT_PASSWORD, r.server.password.c_str());
    }
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, r.connectTimeoutMs);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, r.verifyPeer ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, r.verifyPeer ? 2L : 0L);
}

bool configure(CurlExchange& x, const TransferRequest& r, const std::string& url, ExchangeState& s) {
    CURL* h = x.easy();
    if (curl_easy_setopt(h, CURLOPT_URL, url.c_str()) != CURLE_OK) return false;
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, r.followRedirects ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    // Bodies arrive as the server encoded them; only chunking is undone.
    curl_easy_setopt(h, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    if (!r.userAgent.empty()) curl_easy_setopt(h, CURLOPT_USERAGENT, r.userAgent.c_str());
    setConnection(h, r);
    setMethodAndBody(h, r);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &s);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &s);
    curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, onRequestReady);
    curl_easy_setopt(h, CURLOPT_PREREQDATA, &s);
    return setHeaders(x, r);
}

// Only http and https addresses with a host go out.
bool isFetchableUrl(const std::string& url) {
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), curl_url_cleanup);
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return false;
    char* scheme = nullptr;
    char* host = nullptr;
    curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme, 0);
    curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0);
    const bool ok = scheme && host && *host && (std::string_view(scheme) == "http" || std::string_view(scheme) == "https");
    curl_free(scheme);
    curl_free(host);
    return ok;
}

TransferFailure classify(CURLcode rc, const ExchangeState& s) {
    if (rc == CURLE_OK) return TransferFailure::None;
    // A HEAD ends with its head; what the server does after that is no concern.
    if (s.isHead && s.finalHeadDone) return TransferFailure::None;
    if (rc == CURLE_TOO_MANY_REDIRECTS || rc == CURLE_UNSUPPORTED_PROTOCOL || rc == CURLE_URL_MALFORMAT) {
        return TransferFailure::NoResponseHead;
    }
    if (!s.requestSent || rc == CURLE_SEND_ERROR) return TransferFailure::Connect;
    return s.finalHeadDone ? TransferFailure::BodyRead : TransferFailure::NoResponseHead;
}

// Drives the exchange in slices of at most kWaitSliceMs, running the
// network-wait hook between them and ending the exchange when no byte has
// moved for the stall time. Only silence ends it, never slowness.
TransferFailure run(CurlExchange& x, const TransferRequest& r, ExchangeState& s) {
    if (!x.start()) return TransferFailure::Connect;
    auto lastMove = Clock::now();
    std::size_t lastReceived = 0;
    curl_off_t lastSent = 0;
    bool lastRequestSent = false;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(x.multi(), &running) != CURLM_OK) return classify(CURLE_RECV_ERROR, s);
        if (s.isHead && s.finalHeadDone) return TransferFailure::None;
        if (running == 0) {
            int left = 0;
            CURLMsg* msg = curl_multi_info_read(x.multi(), &left);
            return classify(msg && msg->msg == CURLMSG_DONE ? msg->data.result : CURLE_RECV_ERROR, s);
        }
        if (!networkWaitContinue()) return TransferFailure::Stopped;
        curl_off_t sent = 0;
        curl_easy_getinfo(x.easy(), CURLINFO_SIZE_UPLOAD_T, &sent);
        if (s.bytesReceived != lastReceived || sent != lastSent || s.requestSent != lastRequestSent) {
            lastReceived = s.bytesReceived;
            lastSent = sent;
            lastRequestSent = s.requestSent;
            lastMove = Clock::now();
        } else if (s.requestSent && Clock::now() - lastMove >= std::chrono::milliseconds(r.stallTimeoutMs)) {
            return s.finalHeadDone ? TransferFailure::BodyRead : TransferFailure::NoResponseHead;
        }
        curl_multi_poll(x.multi(), nullptr, 0, kWaitSliceMs, nullptr);
    }
}

}  // namespace

std::optional<std::string> wireAddress(const std::string& address) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(address.size());
    for (unsigned char c : address) {
        if (c == '\r' || c == '\n') return std::nullopt;
        if (c <= 0x20 || c == 0x7F || c >= 0x80) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

TransferResult performTransfer(const TransferRequest& request) {
    TransferResult result;
    const auto url = wireAddress(request.address);
    if (!url || !isFetchableUrl(*url)) {
        result.failure = TransferFailure::BadAddress;
        return result;
    }
    initialiseCurlOnce();
    ExchangeState state;
    state.request = &request;
    state.isHead = request.method == "HEAD";
    CurlExchange exchange;
    state.easy = exchange.easy();
    if (!exchange.valid() || !configure(exchange, request, *url, state)) {
        result.failure = TransferFailure::Connect;
        return result;
    }
    result.failure = run(exchange, request, state);
    if (state.finalHeadDone) {
        result.headerBlock = std::move(state.finalHead);
        result.statusCode = state.finalStatus;
    }
    result.body = std::move(state.body);
    return result;
}

}  // namespace vokari
