#include "net/fetch.h"
#include "net/fetch_support.h"
#include "net/request_object.h"
#include "text/cookie_list.h"

namespace vokari {

namespace {

constexpr long kDefaultTimeoutMs = 15000;

const char* verbFor(int method) {
    if (method == 1) return "POST";
    if (method == 2) return "HEAD";
    return "GET";
}

// Name and colon only, case counting, anywhere in the block; each default
// line joins what stands before it with a line break.
Text completedHeaders(const Text& address, const Text& headers) {
    Text h = headers.empty() ? Text("Accept: */*") : headers;
    if (!headers.empty() && findText(h, "Accept:") == -1) h += "\r\nAccept: */*";
    if (findText(h, "Referer:") == -1) h += "\r\nReferer: " + address;
    if (findText(h, "Accept-Language:") == -1) h += "\r\nAccept-Language: zh-cn";
    if (findText(h, "User-Agent:") == -1) h += "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
    if (findText(h, "Content-Type:") == -1) h += "\r\nContent-Type: application/x-www-form-urlencoded";
    return h;
}

// One header per line; a line the object refuses (no colon, no name) is
// passed over.
void applyHeaders(RequestObject& object, const Text& block) {
    const TextList lines = findText(block, "\r\n") == -1 ? TextList{block} : splitText(block, "\r\n");
    for (const Text& line : lines) {
        if (!line.empty()) object.setRequestHeader(headerName(line), headerValue(line));
    }
}

}  // namespace

Bytes requestBytes(const Text& address, const RequestBytesOptions& options) {
    const std::shared_ptr<RequestObject> object =
        options.requestObject ? options.requestObject : std::make_shared<RequestObject>();
    if (options.timeoutSeconds != -1) object->setTimeouts(timeoutMs(options.timeoutSeconds, kDefaultTimeoutMs));
    if (!options.proxy.empty()) {
        object->setProxy(options.proxy);
        if (!options.proxyUser.empty()) {
            object->setCredentials(options.proxyUser, options.proxyPassword, options.proxyCredentialsFlag);
        }
    }
    object->open(verbFor(options.method), address);
    if (options.noRedirect) object->setRedirectsEnabled(false);

    const Text headers = completedHeaders(address, options.headers ? *options.headers : Text());
    Output(options.headers).set(headers);
    if (options.cookies && !options.cookies->empty()) object->setRequestHeader("Cookie", *options.cookies);
    applyHeaders(*object, headers);
    object->send(options.bodyBytes.empty() ? textToBytes(options.body) : options.bodyBytes);

    const Text responseHeaders = spellSetCookie(object->allResponseHeaders());
    Output(options.responseHeaders).set(responseHeaders);
    Output(options.statusCode).set(object->status());
    Text received = cookiesFromHeaders(responseHeaders);
    Text scratchCookies;
    mergeCookies(options.cookies ? *options.cookies : scratchCookies, received);
    Output(options.receivedCookies).set(received);
    // An object of this call alone ends here, so a download of tens of
    // megabytes moves out instead of being copied; a caller's own object
    // keeps its body readable.
    return options.requestObject ? object->responseBody() : object->takeResponseBody();
}

}  // namespace vokari
