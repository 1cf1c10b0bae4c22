#include "net/fetch.h"

#include "net/request_object.h"
#include "tests/net/loopback_server.h"
#include "tests/support/case_table.h"

#include <gtest/gtest.h>

#include <chrono>

namespace vokari {
namespace {

using testing_support::headLinesWithoutHost;
using testing_support::LoopbackServer;
using testing_support::Reply;
using Lines = std::vector<std::string>;
using namespace std::literals;

constexpr const char* kLanguage = "Accept-Language: zh-cn";
constexpr const char* kAgent = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr const char* kContentType = "Content-Type: application/x-www-form-urlencoded";
// Stands for the Referer line, whose address changes port per run.
constexpr const char* kReferer = "Referer: @";

Reply mp3(std::string_view headerLines = "", std::string_view body = "ID3\0\x01"sv) {
    return Reply::response("HTTP/1.1 200 OK", headerLines, body);
}

// ---- headerName and headerValue ----------------------------------------------

TEST(HeaderLine, SplitsAtTheFirstColonOnly) {
    EXPECT_EQ(headerName("X-Time: 12:30"), Text("X-Time"));
    EXPECT_EQ(headerValue("X-Time: 12:30"), Text("12:30"));
    EXPECT_EQ(headerName("  Referer :  http://a/b  "), Text("Referer"));
    EXPECT_EQ(headerValue("  Referer :  http://a/b  "), Text("http://a/b"));
    EXPECT_EQ(headerName(":v"), Text());
    EXPECT_EQ(headerValue("X-Empty:"), Text());
    EXPECT_EQ(headerName("no colon"), Text());
    EXPECT_EQ(headerValue("no colon"), Text());
}

// ---- the request on the wire ---------------------------------------------------

struct WireCase {
    VOKARI_PRINT_CASE_BY_NAME(WireCase)
    const char* name;
    int method;
    Text body;
    Bytes bodyBytes;
    Text headers;
    Text cookies;
    Lines expected;  // without Host; kReferer stands for the Referer line
    Bytes expectedBody;
};

class RequestBytesWireTest : public testing::TestWithParam<WireCase> {};

TEST_P(RequestBytesWireTest, SetsOneHeaderPerLine) {
    const WireCase& c = GetParam();
    LoopbackServer server([](const std::string&) { return mp3(); });
    const std::string address = server.url("/song.mp3");
    Text headers = c.headers;
    Text cookies = c.cookies;
    requestBytes(address, {.method = c.method, .body = c.body, .cookies = &cookies, .headers = &headers,
                           .bodyBytes = c.bodyBytes});
    ASSERT_EQ(server.requests().size(), 1u);
    const std::string wire = server.requests()[0];
    Lines expected = c.expected;
    for (std::string& line : expected) {
        if (line == kReferer) line = "Referer: " + address;
    }
    EXPECT_EQ(headLinesWithoutHost(wire), expected);
    EXPECT_EQ(wire.substr(wire.find("\r\n\r\n") + 4), c.expectedBody);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RequestBytesWireTest,
    testing::Values(
        WireCase{"Defaults", 0, {}, {}, {}, {},
                 {"GET /song.mp3 HTTP/1.1", "Accept: */*", kReferer, kLanguage, kAgent, kContentType}, {}},
        WireCase{"MethodFiveIsGet", 5, {}, {}, {}, {},
                 {"GET /song.mp3 HTTP/1.1", "Accept: */*", kReferer, kLanguage, kAgent, kContentType}, {}},
        WireCase{"MethodMinusOneIsGet", -1, {}, {}, {}, {},
                 {"GET /song.mp3 HTTP/1.1", "Accept: */*", kReferer, kLanguage, kAgent, kContentType}, {}},
        WireCase{"LowerCaseAcceptGetsTheDefaultToo", 0, {}, {}, "accept: text/html", {},
                 {"GET /song.mp3 HTTP/1.1", "accept: text/html", "Accept: */*", kReferer, kLanguage, kAgent, kContentType},
                 {}},
        WireCase{"RefererInsideAnotherName", 0, {}, {}, "X-Referer: a", {},
                 {"GET /song.mp3 HTTP/1.1", "X-Referer: a", "Accept: */*", kLanguage, kAgent, kContentType}, {}},
        WireCase{"CookieHeaderComesFirst", 0, {}, {}, {}, "a=1; b=2",
                 {"GET /song.mp3 HTTP/1.1", "Cookie: a=1; b=2", "Accept: */*", kReferer, kLanguage, kAgent, kContentType},
                 {}},
        WireCase{"LineWithoutColonIsSkipped", 0, {}, {}, "bogus\r\nX-Time: 12:30", {},
                 {"GET /song.mp3 HTTP/1.1", "X-Time: 12:30", "Accept: */*", kReferer, kLanguage, kAgent, kContentType},
                 {}},
        WireCase{"BytesWinOverText", 1, "text", "\x01\0\x02"s, {}, {},
                 {"POST /song.mp3 HTTP/1.1", "Accept: */*", kReferer, kLanguage, kAgent, kContentType, "Content-Length: 3"},
                 "\x01\0\x02"s},
        WireCase{"TextBodyWhenNoBytes", 1, "x=1", {}, {}, {},
                 {"POST /song.mp3 HTTP/1.1", "Accept: */*", kReferer, kLanguage, kAgent, kContentType, "Content-Length: 3"},
                 "x=1"}),
    testing_support::caseName);

TEST(RequestBytesWire, HandsTheCompletedBlockBack) {
    LoopbackServer server([](const std::string&) { return mp3(); });
    const std::string address = server.url("/a");
    Text headers = "accept: text/html";
    requestBytes(address, {.headers = &headers});
    EXPECT_EQ(headers, Text("accept: text/html\r\nAccept: */*\r\nReferer: " + address +
                            "\r\nAccept-Language: zh-cn\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"
                            "\r\nContent-Type: application/x-www-form-urlencoded"));
}

// ---- the response --------------------------------------------------------------

TEST(RequestBytesResponse, MergesReceivedCookiesAndReportsTheStatus) {
    LoopbackServer server([](const std::string&) { return mp3("set-cookie: b=3; path=/\r\n"); });
    Text cookies = "a=1; b=2", received, headers;
    int status = -1;
    EXPECT_EQ(requestBytes(server.url("/"), {.cookies = &cookies, .receivedCookies = &received, .responseHeaders = &headers,
                                             .statusCode = &status}),
              "ID3\0\x01"s);
    EXPECT_EQ(cookies, Text("b=3; a=1"));
    EXPECT_EQ(received, Text("b=3"));
    EXPECT_EQ(status, 200);
    // Header lines only: the request object reports no status line.
    EXPECT_EQ(headers, Text("Set-Cookie: b=3; path=/\r\nContent-Length: 5\r\nConnection: close\r\n\r\n"));
}

TEST(RequestBytesResponse, RebuildsTheCookieListWithoutSetCookieLines) {
    LoopbackServer server([](const std::string&) { return mp3(); });
    Text cookies = "a=1;a=1", received = "old";
    requestBytes(server.url("/"), {.cookies = &cookies, .receivedCookies = &received});
    EXPECT_EQ(cookies, Text("a=1"));
    EXPECT_EQ(received, Text());
}

TEST(RequestBytesResponse, ReturnsErrorBodiesWithTheirStatus) {
    LoopbackServer server([](const std::string&) { return Reply::response("HTTP/1.1 404 Not Found", "", "missing"); });
    int status = 0;
    EXPECT_EQ(requestBytes(server.url("/"), {.statusCode = &status}), "missing");
    EXPECT_EQ(status, 404);
}

// Nothing that did not arrive whole may look like a file: no response, a
// refused address and a body cut short all come back empty.
TEST(RequestBytesResponse, AnIncompleteResponseIsNoResponse) {
    LoopbackServer cut([](const std::string&) {
        return Reply::raw("HTTP/1.1 200 OK\r\nSet-Cookie: s=1\r\nContent-Length: 9\r\n\r\nID3");
    });
    for (const std::string& address : {cut.url("/"), "http://127.0.0.1:" + std::to_string(testing_support::unusedPort()) + "/",
                                       cut.url("/a\r\nX-Injected: 1")}) {
        SCOPED_TRACE(address);
        Text cookies = "k=1; k=1", received = "old", headers = "old";
        int status = -1;
        EXPECT_EQ(requestBytes(address, {.cookies = &cookies, .receivedCookies = &received, .responseHeaders = &headers,
                                         .statusCode = &status}),
                  Bytes());
        EXPECT_EQ(headers, Text());
        EXPECT_EQ(status, 0);
        EXPECT_EQ(received, Text());
        EXPECT_EQ(cookies, Text("k=1"));
    }
    EXPECT_EQ(cut.requests().size(), 1u);
}

// ---- settings that stay on the request object -------------------------------------

TEST(RequestBytesObject, KeepsItsRedirectSwitchAndTimeoutsAcrossCalls) {
    LoopbackServer server([](const std::string& request) {
        if (request.starts_with("GET /old ")) return Reply::response("HTTP/1.1 302 Found", "Location: /new\r\n", "");
        if (request.starts_with("GET /stall ")) return Reply{{}, Reply::Then::WaitForClientEnd};
        return mp3();
    });
    auto object = std::make_shared<RequestObject>();
    int status = 0;
    requestBytes(server.url("/old"), {.statusCode = &status, .noRedirect = true, .timeoutSeconds = 1, .requestObject = object});
    EXPECT_EQ(status, 302);
    // Neither option is given again: the object remembers both.
    requestBytes(server.url("/old"), {.statusCode = &status, .timeoutSeconds = -1, .requestObject = object});
    EXPECT_EQ(status, 302);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(requestBytes(server.url("/stall"), {.timeoutSeconds = -1, .requestObject = object}), Bytes());
    // A new object would wait 30 s; this one keeps the 1 s of the first call.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));

    // A call of its own gets a fresh object that follows redirects.
    requestBytes(server.url("/old"), {.statusCode = &status});
    EXPECT_EQ(status, 200);
}

TEST(RequestBytesObject, KeepsTheBodyReadableForTheCallersObject) {
    LoopbackServer server([](const std::string&) { return mp3(); });
    auto object = std::make_shared<RequestObject>();
    const Bytes body = requestBytes(server.url("/a"), {.requestObject = object});
    EXPECT_EQ(body, Bytes("ID3\0\x01"sv));
    EXPECT_EQ(object->responseBody(), body);
}

TEST(RequestBytesProxy, CredentialsGoOnlyWithAProxy) {
    LoopbackServer proxy([](const std::string&) { return mp3(); });
    LoopbackServer direct([](const std::string&) { return mp3(); });
    requestBytes(direct.url("/d"), {.proxyUser = "pu", .proxyPassword = "pp"});
    requestBytes("http://site.invalid/p", {.proxy = Text(proxy.hostPort()), .proxyUser = "pu", .proxyPassword = "pp"});
    ASSERT_EQ(direct.requests().size(), 1u);
    EXPECT_EQ(direct.requests()[0].find("Proxy-Authorization"), std::string::npos);
    ASSERT_EQ(proxy.requests().size(), 1u);
    EXPECT_TRUE(proxy.requests()[0].starts_with("GET http://site.invalid/p HTTP/1.1\r\n"));
    EXPECT_NE(proxy.requests()[0].find("\r\nProxy-Authorization: Basic cHU6cHA=\r\n"), std::string::npos);
}

}  // namespace
}  // namespace vokari
