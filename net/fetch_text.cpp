#include <string_view>

#include "net/fetch.h"
#include "net/fetch_support.h"
#include "net/transfer.h"
#include "text/charset.h"
#include "text/cookie_list.h"
#include "text/pending_events.h"
#include "text/regex_object.h"

namespace vokari {

namespace {

// The numbered messages, in GBK.
// 701 解析URL地址失败!
constexpr const char* kBadAddress = "701 \xBD\xE2\xCE\xF6URL\xB5\xD8\xD6\xB7\xCA\xA7\xB0\xDC!";
// 706 设置服务器凭证失败!
constexpr const char* kServerCredentials = "706 \xC9\xE8\xD6\xC3\xB7\xFE\xCE\xF1\xC6\xF7\xC6\xBE\xD6\xA4\xCA\xA7\xB0\xDC!";
// 707 设置代理凭证失败!
constexpr const char* kProxyCredentials = "707 \xC9\xE8\xD6\xC3\xB4\xFA\xC0\xED\xC6\xBE\xD6\xA4\xCA\xA7\xB0\xDC!";
// 711 发送请求失败!
constexpr const char* kSendFailed = "711 \xB7\xA2\xCB\xCD\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!";
// 712 服务器未响应!
constexpr const char* kNoResponse = "712 \xB7\xFE\xCE\xF1\xC6\xF7\xCE\xB4\xCF\xEC\xD3\xA6!";
// 713 读取数据失败!
constexpr const char* kReadFailed = "713 \xB6\xC1\xC8\xA1\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!";

constexpr long kDefaultTimeoutMs = 30000;
constexpr std::size_t kMaxPageBytes = std::size_t{64} << 20;

const char* verbFor(int method) {
    switch (method) {
    case 1: return "POST";
    case 2: return "HEAD";
    case 3: return "PUT";
    default: return "GET";
    }
}

// The caller's lines first, then each browser-like default the caller's
// lines lack. A test text found anywhere in the block counts, also inside
// another line; only the content type heeds letter case.
Text requestHeaderBlock(const FetchTextOptions& o) {
    Text h = o.headers.empty() ? Text() : o.headers + "\r\n";
    struct Default {
        const char* test;
        bool ignoreCase;
        const char* line;
    };
    static constexpr Default kDefaults[] = {
        {"User-Agent: ", true, "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"},
        {"Accept: ", true, "Accept: text/html, application/xhtml+xml, */*\r\n"},
        {"Accept-Encoding: ", true, "Accept-Encoding: gbk, GB2312\r\n"},
        {"Accept-Language: ", true, "Accept-Language: zh-cn\r\n"},
        {"Content-Type:", false, "Content-Type: application/x-www-form-urlencoded\r\n"},
        {"Cache-Control: ", true, "Cache-Control: no-cache\r\n"},
    };
    for (const Default& d : kDefaults) {
        if (findText(h, d.test, 1, d.ignoreCase) == -1) h += d.line;
    }
    if (o.cookies && !o.cookies->empty() && findText(h, "Cookie: ", 1, true) == -1) h += "Cookie: " + *o.cookies + "\r\n";
    return h;
}

// An address whose host is followed by a query or fragment with no path
// before it asks for "/" alone: the query is read as belonging to no path.
std::string requestAddress(const Text& address) {
    std::string a = address.str();
    const auto schemeEnd = a.find("://");
    if (schemeEnd == std::string::npos) return a;
    const auto hostEnd = a.find_first_of("/?#", schemeEnd + 3);
    if (hostEnd != std::string::npos && a[hostEnd] != '/') a.erase(hostEnd);
    return a;
}

TransferRequest describeRequest(const Text& address, const FetchTextOptions& o) {
    TransferRequest r;
    r.address = requestAddress(address);
    r.method = verbFor(o.method);
    // The body goes with every verb; an empty one only where a length is expected.
    r.sendBody = !o.body.empty() || r.method == "POST" || r.method == "PUT";
    r.body = textToBytes(o.body);
    r.headerLines = headerLinesOf(requestHeaderBlock(o));
    r.followRedirects = !o.noRedirect;
    r.proxy = o.proxy.str();
    if (!o.user.empty() && !o.password.empty()) r.server = {o.user.str(), o.password.str()};
    if (!o.proxyUser.empty() && !o.proxyPassword.empty()) r.proxyLogin = {o.proxyUser.str(), o.proxyPassword.str()};
    r.connectTimeoutMs = r.stallTimeoutMs = timeoutMs(o.timeoutSeconds, kDefaultTimeoutMs);
    r.maxBodyBytes = kMaxPageBytes;
    return r;
}

// Refusals that come before anything is sent.
const char* refusalOf(const FetchTextOptions& o) {
    if (!o.user.empty() && !o.password.empty() && !basicSchemeCarries(o.user, o.password)) return kServerCredentials;
    if (!o.proxyUser.empty() && !o.proxyPassword.empty() && !basicSchemeCarries(o.proxyUser, o.proxyPassword)) {
        return kProxyCredentials;
    }
    return nullptr;
}

const char* messageFor(const TransferResult& result) {
    switch (result.failure) {
    case TransferFailure::None: return nullptr;
    case TransferFailure::BadAddress: return kBadAddress;
    case TransferFailure::Connect: return kSendFailed;
    case TransferFailure::NoResponseHead: return kNoResponse;
    case TransferFailure::BodyRead: return kReadFailed;
    case TransferFailure::Stopped: return result.headerBlock.empty() ? kNoResponse : kReadFailed;
    }
    return kNoResponse;
}

// The text of the status line from its tenth byte: "200 OK".
Text statusText(const Text& block) {
    const int lineEnd = findText(block, "\r\n", 10);
    return lineEnd == -1 ? Text() : textMid(block, 10, lineEnd - 10);
}

// Walks the header lines in order: cookies collected, the last Location
// line kept, window events run after each line.
void readHeaderLines(const Text& block, Text& received, const FetchTextOptions& o) {
    for (const Text& line : splitText(block, "\r\n")) {
        if (findText(line, "Set-Cookie") != -1) received += cookiesFromHeaders(line) + "; ";
        if (findText(textLeft(line, 10), "Location: ", 1, true) == 1) Output(o.location).set(textMid(line, 11, textLength(line)));
        processPendingEvents();
    }
    received = textLeft(received, textLength(received) - 2);
}

// The page is converted when its first 1024 bytes declare a charset other
// than the two spellings that already are GBK.
Text applyDeclaredCharset(const Text& page, const Bytes& body) {
    Text result = page;
    RegexObject regex;
    if (regex.execute("<meta.+?charset=[^\\w]?([-\\w]+)", textLeft(page, 1024))) {
        const Text declared = regex.subMatchText(1, 1);
        if (!declared.empty() && declared != Text("gbk") && declared != Text("gb2312")) {
            if (auto converted = decodeToGbk(body, declared)) result = *converted;
        }
        processPendingEvents();
    }
    processPendingEvents();
    return result;
}

}  // namespace

Text fetchText(const Text& address, const FetchTextOptions& options) {
    const Output<Text> status(options.status);
    if (const char* refusal = refusalOf(options)) {
        status.set(refusal);
        return {};
    }
    const TransferResult result = performTransfer(describeRequest(address, options));
    const char* message = messageFor(result);
    if (message) status.set(message);
    if (result.failure != TransferFailure::None && result.failure != TransferFailure::BodyRead) {
        // The window gets its turn before a failed fetch gives up, as it does
        // before a successful one ends.
        processPendingEvents();
        return {};
    }
    if (result.headerBlock.empty()) return {};

    const Text block = spellSetCookie(Text(result.headerBlock));
    // A body cut short keeps its 713: the status line would report success.
    if (!message) status.set(statusText(block));
    Output(options.responseHeaders).set(block);
    Text received = options.receivedCookies ? *options.receivedCookies : Text();
    readHeaderLines(block, received, options);
    if (options.cookies) mergeCookies(*options.cookies, received);
    Output(options.receivedCookies).set(received);
    Output(options.rawBody).set(result.body);
    return applyDeclaredCharset(bytesToText(result.body), result.body);
}

}  // namespace vokari
