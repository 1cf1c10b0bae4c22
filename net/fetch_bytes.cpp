#include <string_view>

#include "net/fetch.h"
#include "net/fetch_support.h"
#include "net/transfer.h"
#include "net/url.h"
#include "text/cookie_list.h"

namespace vokari {

namespace {

constexpr const char* kDefaultUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
// What a session without a time-out of its own waits for a connection and
// between two bytes.
constexpr long kConnectTimeoutMs = 60000;
constexpr long kStallTimeoutMs = 30000;
constexpr std::size_t kMaxBodyBytes = std::size_t{1} << 30;

const char* verbFor(int method) {
    if (method == 1) return "POST";
    if (method == 2) return "HEAD";
    return "GET";
}

bool isHttps(const Text& address) { return textLeft(toLowerCase(address), 8) == Text("https://"); }

// The caller's User-Agent value when a line holds one; when that line is
// spelled in another case or has no value, the value part of the whole
// header text stands in for it.
Text userAgentOf(const Text& headers) {
    if (findText(headers, "User-Agent:", 1, true) == -1) return kDefaultUserAgent;
    Text agent = trimSpaces(textBetween(headers + "\r\n", "User-Agent:", "\r\n"));
    if (agent.empty()) {
        const int colon = findText(headers, ":");
        agent = trimSpaces(textMid(headers, colon + 1, textLength(headers)));
    }
    return agent;
}

// Case-sensitive presence tests, each anywhere in the text so far; the block
// never begins or ends with a line break.
Text completedHeaders(const Text& address, const Text& headers, const Text* cookies) {
    Text h = headers.empty() ? Text("Accept: */*") : headers;
    if (!headers.empty() && findText(h, "Accept:") == -1) h += "\r\nAccept: */*";
    if (findText(h, "Referer:") == -1) h += "\r\nReferer: " + address;
    if (findText(h, "Accept-Language:") == -1) h += "\r\nAccept-Language: zh-cn";
    if (findText(h, "Content-Type:") == -1) h += "\r\nContent-Type: application/x-www-form-urlencoded";
    if (cookies && !cookies->empty()) {
        h += findText(*cookies, "Cookie:") != -1 ? "\r\n" + *cookies : "\r\nCookie: " + *cookies;
    }
    return h;
}

// The address rebuilt from its host, port and path as they were split. A
// host that cannot stand in an address ends the fetch before it starts.
std::optional<std::string> requestAddress(const Text& address) {
    const Text host = urlHost(address);
    const int port = urlPort(address);
    if (host.empty() || port < 0 || port > 65535) return std::nullopt;
    for (unsigned char c : host.view()) {
        if (c <= 0x20 || c == 0x7F || std::string_view("/?#@\\").find(static_cast<char>(c)) != std::string_view::npos) {
            return std::nullopt;
        }
    }
    if (!wireAddress(address.str())) return std::nullopt;
    std::string url = isHttps(address) ? "https://" : "http://";
    url += host.str();
    if (port != 0) url += ":" + std::to_string(port);
    return url + urlPath(address).str();
}

}  // namespace

Bytes fetchBytes(const Text& address, const FetchBytesOptions& options) {
    const auto url = requestAddress(address);
    if (!url) return {};

    TransferRequest r;
    r.address = *url;
    r.method = verbFor(options.method);
    const Text given = options.headers ? *options.headers : Text();
    r.userAgent = userAgentOf(given).str();
    const Text headers = completedHeaders(address, given, options.cookies);
    Output(options.headers).set(headers);
    r.headerLines = headerLinesOf(headers);
    if (r.method != "GET") {
        Bytes filled = options.bodyBytes && !options.bodyBytes->empty() ? *options.bodyBytes : textToBytes(options.body);
        r.sendBody = true;
        r.body = filled;
        Output(options.bodyBytes).set(std::move(filled));
    }
    r.followRedirects = !options.noRedirect;
    r.proxy = options.proxy.str();
    r.connectTimeoutMs = kConnectTimeoutMs;
    r.stallTimeoutMs = kStallTimeoutMs;
    r.maxBodyBytes = kMaxBodyBytes;

    TransferResult result = performTransfer(r);
    if (result.failure == TransferFailure::Stopped) return {};
    const Text block = spellSetCookie(Text(result.headerBlock));
    Output(options.responseHeaders).set(block);
    Text received = cookiesFromHeaders(block);
    if (options.cookies) received = mergeCookies(*options.cookies, received);
    Output(options.receivedCookies).set(received);
    return std::move(result.body);
}

}  // namespace vokari
