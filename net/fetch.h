// The three fetchers. Each keeps its own request shape, defaults and failure
// rules; none throws, a failure gives an empty result. An output pointer left
// null is not written; an in/out pointer left null counts as not supplied.
#pragma once

#include <memory>

#include "text/text.h"

namespace vokari {

// ---- page text ------------------------------------------------------------

struct FetchTextOptions {
    int method = 0;                   // 0 GET, 1 POST, 2 HEAD, 3 PUT, other GET
    Text body;
    Text* cookies = nullptr;          // in/out: supplied when not null
    Text* receivedCookies = nullptr;  // out (appended to)
    Text headers;                     // extra lines joined by CR LF
    Text* responseHeaders = nullptr;  // out
    bool noRedirect = false;
    Text user;
    Text password;
    Text proxy;                       // host:port; empty is a direct connection
    Text proxyUser;
    Text proxyPassword;
    int timeoutSeconds = 0;           // 0 or less: 30 s
    Text* location = nullptr;         // out
    Text* status = nullptr;           // out: "200 OK" or a numbered message
    Bytes* rawBody = nullptr;         // out
};

// The page as GBK text, converted from the charset its first 1024 bytes
// declare; empty after a failure, which `status` names by number. A body cut
// short (or beyond 64 MiB) keeps what arrived and its "713" message.
Text fetchText(const Text& address, const FetchTextOptions& options = {});

// ---- bytes (pictures) -----------------------------------------------------

struct FetchBytesOptions {
    int method = 0;                   // 0 GET, 1 POST, 2 HEAD, other GET
    Text body;
    Text* cookies = nullptr;          // in/out: supplied when not null
    Text* receivedCookies = nullptr;  // out
    Text* headers = nullptr;          // in/out: receives the completed block
    Text* responseHeaders = nullptr;  // out
    bool noRedirect = false;
    Bytes* bodyBytes = nullptr;       // in/out
    Text proxy;
};

// The body as it arrived (what arrived of it when the connection failed, at
// most 1 GiB); empty when the address cannot be split into host, port and
// path or no response came. `responseHeaders` gets the whole head, or an
// empty text when no response came.
Bytes fetchBytes(const Text& address, const FetchBytesOptions& options = {});

// ---- bytes (downloads) ----------------------------------------------------

// Settings that outlive one call (net/request_object.h): a caller that passes
// its own RequestObject to several requestBytes calls keeps the time-outs,
// proxy and options that earlier calls set on it.
class RequestObject;

struct RequestBytesOptions {
    int method = 0;                   // 0 GET, 1 POST, 2 HEAD, other GET
    Text body;
    Text* cookies = nullptr;          // in/out (always merged; null is an empty list)
    Text* receivedCookies = nullptr;  // out
    Text* headers = nullptr;          // in/out: receives the completed block
    Text* responseHeaders = nullptr;  // out
    int* statusCode = nullptr;        // out
    bool noRedirect = false;
    Bytes bodyBytes;
    Text proxy;
    int timeoutSeconds = 0;           // 0 or less: 15 s; -1 keeps the object's
    Text proxyUser;
    Text proxyPassword;
    int proxyCredentialsFlag = 1;
    std::shared_ptr<RequestObject> requestObject;  // null: a new one for this call
};

// The body of a complete response, whatever its status; empty when none
// arrived whole (refused address, failed connection, untrusted certificate,
// a body cut short). The cookie merge runs either way.
Bytes requestBytes(const Text& address, const RequestBytesOptions& options = {});

Text headerName(const Text& line);
Text headerValue(const Text& line);

}  // namespace vokari
