#include "net/fetch.h"

#include "tests/net/loopback_server.h"
#include "tests/support/case_table.h"

#include <gtest/gtest.h>

namespace vokari {
namespace {

using testing_support::headLinesWithoutHost;
using testing_support::LoopbackServer;
using testing_support::Reply;
using Lines = std::vector<std::string>;
using namespace std::literals;

constexpr const char* kAgent = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr const char* kLanguage = "Accept-Language: zh-cn";
constexpr const char* kContentType = "Content-Type: application/x-www-form-urlencoded";
// Stands for the fetched address in expected lines; its port changes per run.
constexpr const char* kReferer = "Referer: @";

Lines withAddress(Lines lines, const std::string& address) {
    for (std::string& line : lines) {
        if (line == kReferer) line = "Referer: " + address;
    }
    return lines;
}

Reply picture(std::string_view headerLines = "", std::string_view body = "\x89PNG\0\x01"sv) {
    return Reply::response("HTTP/1.1 200 OK", headerLines, body);
}

struct WireCase {
    VOKARI_PRINT_CASE_BY_NAME(WireCase)
    const char* name;
    int method;
    Text body;
    Bytes bodyBytes;
    Text headers;
    const char* cookies;  // null: not supplied
    Lines expected;       // without Host; kReferer stands for the Referer line
    Bytes expectedBody;   // what follows the head on the wire
};

class FetchBytesWireTest : public testing::TestWithParam<WireCase> {};

TEST_P(FetchBytesWireTest, SendsTheCompletedHeaderBlock) {
    const WireCase& c = GetParam();
    LoopbackServer server([](const std::string&) { return picture(); });
    const std::string address = server.url("/pic.png?id=7");
    Text headers = c.headers;
    Text cookies = c.cookies ? Text(c.cookies) : Text();
    Bytes bodyBytes = c.bodyBytes;
    EXPECT_EQ(fetchBytes(address, {.method = c.method, .body = c.body, .cookies = c.cookies ? &cookies : nullptr,
                                   .headers = &headers, .bodyBytes = &bodyBytes}),
              c.method == 2 ? Bytes() : "\x89PNG\0\x01"s);  // a HEAD answer has no body
    ASSERT_EQ(server.requests().size(), 1u);
    const std::string wire = server.requests()[0];
    const Lines expected = withAddress(c.expected, address);
    EXPECT_EQ(headLinesWithoutHost(wire), expected);
    EXPECT_EQ(wire.substr(wire.find("\r\n\r\n") + 4), c.expectedBody);
    // The caller's variable holds the block as sent, after the request line
    // and libcurl's own User-Agent line when the block has none.
    const bool ownAgent = expected.at(1).starts_with("User-Agent: ");
    Lines sent(expected.begin() + (ownAgent ? 2 : 1), expected.end());
    if (!c.expectedBody.empty() || c.method == 1) sent.pop_back();  // Content-Length
    std::string block;
    for (const std::string& line : sent) block += (block.empty() ? "" : "\r\n") + line;
    EXPECT_EQ(headers, Text(block));
    if (c.method == 1 || c.method == 2) {
        EXPECT_EQ(bodyBytes, c.expectedBody);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FetchBytesWireTest,
    testing::Values(
        WireCase{"Defaults", 0, {}, {}, {}, nullptr,
                 {"GET /pic.png?id=7 HTTP/1.1", kAgent, "Accept: */*", kReferer, kLanguage, kContentType}, {}},
        WireCase{"MethodThreeIsGet", 3, "ignored", {}, {}, nullptr,
                 {"GET /pic.png?id=7 HTTP/1.1", kAgent, "Accept: */*", kReferer, kLanguage, kContentType}, {}},
        WireCase{"PostFillsBodyBytesFromBody", 1, "x=1", {}, {}, nullptr,
                 {"POST /pic.png?id=7 HTTP/1.1", kAgent, "Accept: */*", kReferer, kLanguage, kContentType,
                  "Content-Length: 3"},
                 "x=1"},
        WireCase{"HeadSendsBodyBytesLikeAPost", 2, "ignored", "\x01\0\x02"s, {}, nullptr,
                 {"HEAD /pic.png?id=7 HTTP/1.1", kAgent, "Accept: */*", kReferer, kLanguage, kContentType,
                  "Content-Length: 3"},
                 "\x01\0\x02"s},
        // The presence tests heed case and look anywhere in the text.
        WireCase{"LowerCaseAcceptGetsTheDefaultToo", 0, {}, {}, "accept: text/html", nullptr,
                 {"GET /pic.png?id=7 HTTP/1.1", kAgent, "accept: text/html", "Accept: */*", kReferer, kLanguage,
                  kContentType},
                 {}},
        WireCase{"AcceptInsideAnotherName", 0, {}, {}, "X-Accept: 1", nullptr,
                 {"GET /pic.png?id=7 HTTP/1.1", kAgent, "X-Accept: 1", kReferer, kLanguage, kContentType}, {}},
        WireCase{"CallersAgentLineIsTheOnlyOne", 0, {}, {}, "user-agent: Agent1", nullptr,
                 {"GET /pic.png?id=7 HTTP/1.1", "user-agent: Agent1", "Accept: */*", kReferer, kLanguage, kContentType},
                 {}},
        // The agent is read from the text after "User-Agent:" wherever it stands...
        WireCase{"AgentReadInsideAnotherName", 0, {}, {}, "X-User-Agent: foo", nullptr,
                 {"GET /pic.png?id=7 HTTP/1.1", "User-Agent: foo", "X-User-Agent: foo", "Accept: */*", kReferer, kLanguage,
                  kContentType},
                 {}},
        // ...and, when that spelling is missing, from the value of the whole text.
        WireCase{"AgentFromTheWholeValue", 0, {}, {}, "x-user-agent: bar", nullptr,
                 {"GET /pic.png?id=7 HTTP/1.1", "User-Agent: bar", "x-user-agent: bar", "Accept: */*", kReferer, kLanguage,
                  kContentType},
                 {}},
        WireCase{"CookieLineGivenWhole", 0, {}, {}, {}, "Cookie: a=1",
                 {"GET /pic.png?id=7 HTTP/1.1", kAgent, "Accept: */*", kReferer, kLanguage, kContentType, "Cookie: a=1"},
                 {}},
        WireCase{"CookieList", 0, {}, {}, {}, "a=1; b=2",
                 {"GET /pic.png?id=7 HTTP/1.1", kAgent, "Accept: */*", kReferer, kLanguage, kContentType,
                  "Cookie: a=1; b=2"},
                 {}}),
    testing_support::caseName);

TEST(FetchBytesResponse, HandsBackHeadersCookiesAndTheBodyWhole) {
    const std::string longValue(6000, 'v');
    LoopbackServer server([&](const std::string&) {
        return picture("set-cookie: sid=1; path=/\r\nSET-COOKIE: lang=zh\r\nX-Long: " + longValue + "\r\n");
    });
    Text headers, received;
    EXPECT_EQ(fetchBytes(server.url("/"), {.receivedCookies = &received, .responseHeaders = &headers}), "\x89PNG\0\x01"s);
    EXPECT_EQ(received, Text("sid=1; lang=zh"));
    // However long the head, it comes back whole.
    EXPECT_EQ(headers, Text("HTTP/1.1 200 OK\r\nSet-Cookie: sid=1; path=/\r\nSet-Cookie: lang=zh\r\nX-Long: " + longValue +
                            "\r\nContent-Length: 6\r\nConnection: close\r\n\r\n"));

    Text cookies = "theme=dark";
    fetchBytes(server.url("/"), {.cookies = &cookies, .receivedCookies = &received});
    EXPECT_EQ(cookies, Text("sid=1; lang=zh; theme=dark"));
    EXPECT_EQ(received, Text("sid=1; lang=zh; theme=dark"));
}

TEST(FetchBytesResponse, NoResponseGivesEmptyHeadersAndRebuildsTheCookieList) {
    Text headers = "kept?", received = "old", cookies = "a=1; a=1";
    EXPECT_EQ(fetchBytes("http://127.0.0.1:" + std::to_string(testing_support::unusedPort()) + "/",
                         {.cookies = &cookies, .receivedCookies = &received, .responseHeaders = &headers}),
              Bytes());
    EXPECT_EQ(headers, Text());
    EXPECT_EQ(cookies, Text("a=1"));
    EXPECT_EQ(received, Text("a=1"));
}

TEST(FetchBytesResponse, KeepsWhatArrivedOfACutBodyAndErrorBodies) {
    LoopbackServer cut([](const std::string&) { return Reply::raw("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nab\0"s); });
    EXPECT_EQ(fetchBytes(cut.url("/")), "ab\0"s);
    LoopbackServer missing([](const std::string&) { return Reply::response("HTTP/1.1 404 Not Found", "", "gone"); });
    EXPECT_EQ(fetchBytes(missing.url("/")), "gone");
}

TEST(FetchBytesRedirects, AreFollowedUnlessSwitchedOff) {
    LoopbackServer server([](const std::string& request) {
        if (request.starts_with("GET /old ")) return Reply::response("HTTP/1.1 302 Found", "Location: /new\r\n", "moved");
        return picture("", "new");
    });
    EXPECT_EQ(fetchBytes(server.url("/old")), "new");
    EXPECT_EQ(fetchBytes(server.url("/old"), {.noRedirect = true}), "moved");
}

TEST(FetchBytesAddress, SchemeInAnyCaseChoosesHttpsAndTheProxyCarriesBoth) {
    LoopbackServer proxy([](const std::string& request) {
        return request.starts_with("CONNECT ") ? Reply::response("HTTP/1.1 403 Forbidden", "", "") : picture("", "plain");
    });
    EXPECT_EQ(fetchBytes("http://site.invalid:8080/a", {.proxy = Text(proxy.hostPort())}), "plain");
    EXPECT_EQ(fetchBytes("HtTpS://site.invalid/b", {.proxy = Text(proxy.hostPort())}), Bytes());
    const auto requests = proxy.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].starts_with("GET http://site.invalid:8080/a HTTP/1.1\r\n")) << requests[0];
    EXPECT_TRUE(requests[1].starts_with("CONNECT site.invalid:443 HTTP/1.1\r\n")) << requests[1];
}

TEST(FetchBytesAddress, UnusableAddressesEndBeforeAnyOutput) {
    LoopbackServer server([](const std::string&) { return picture(); });
    for (const std::string& address : {std::string(), "http://user@" + server.hostPort() + "/",
                                       server.url("/a\r\nX-Injected: 1"), std::string("http://host:70000/")}) {
        SCOPED_TRACE(address);
        Text headers = "kept";
        EXPECT_EQ(fetchBytes(address, {.headers = &headers}), Bytes());
        EXPECT_EQ(headers, Text("kept"));
    }
    EXPECT_TRUE(server.requests().empty());
}

}  // namespace
}  // namespace vokari
