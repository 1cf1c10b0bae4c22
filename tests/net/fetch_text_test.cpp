#include "net/fetch.h"

#include "net/network_wait.h"
#include "tests/net/loopback_server.h"
#include "tests/support/case_table.h"
#include "text/pending_events.h"

#include <gtest/gtest.h>

#include <chrono>

namespace vokari {
namespace {

using testing_support::headLinesWithoutHost;
using testing_support::LoopbackServer;
using testing_support::Reply;
using Lines = std::vector<std::string>;
using namespace std::string_literals;

// The numbered messages a loopback server can provoke, in GBK.
const Text k701("701 \xBD\xE2\xCE\xF6URL\xB5\xD8\xD6\xB7\xCA\xA7\xB0\xDC!");                      // 解析URL地址失败!
const Text k706("706 \xC9\xE8\xD6\xC3\xB7\xFE\xCE\xF1\xC6\xF7\xC6\xBE\xD6\xA4\xCA\xA7\xB0\xDC!");  // 设置服务器凭证失败!
const Text k707("707 \xC9\xE8\xD6\xC3\xB4\xFA\xC0\xED\xC6\xBE\xD6\xA4\xCA\xA7\xB0\xDC!");          // 设置代理凭证失败!
const Text k711("711 \xB7\xA2\xCB\xCD\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!");                          // 发送请求失败!
const Text k712("712 \xB7\xFE\xCE\xF1\xC6\xF7\xCE\xB4\xCF\xEC\xD3\xA6!");                          // 服务器未响应!
const Text k713("713 \xB6\xC1\xC8\xA1\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!");                          // 读取数据失败!

constexpr auto kHangBound = std::chrono::seconds(8);

const Lines kDefaultLines = {
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
    "Accept: text/html, application/xhtml+xml, */*",
    "Accept-Encoding: gbk, GB2312",
    "Accept-Language: zh-cn",
    "Content-Type: application/x-www-form-urlencoded",
    "Cache-Control: no-cache",
};

Lines concat(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Reply okPage(std::string_view headerLines = "", std::string_view body = "page") {
    return Reply::response("HTTP/1.1 200 OK", headerLines, body);
}

// ---- the request on the wire -------------------------------------------------

struct WireCase {
    VOKARI_PRINT_CASE_BY_NAME(WireCase)
    const char* name;
    const char* path;
    int method;
    Text body;
    Text headers;
    const char* cookies;  // null: not supplied
    Lines expected;       // without the Host line
};

class FetchTextWireTest : public testing::TestWithParam<WireCase> {};

TEST_P(FetchTextWireTest, SendsTheHeaderBlockInOrder) {
    const WireCase& c = GetParam();
    LoopbackServer server([](const std::string&) { return okPage(); });
    Text cookies = c.cookies ? Text(c.cookies) : Text();
    Text status;
    fetchText(server.url(c.path), {.method = c.method, .body = c.body, .cookies = c.cookies ? &cookies : nullptr,
                                   .headers = c.headers, .status = &status});
    EXPECT_EQ(status, Text("200 OK"));
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(headLinesWithoutHost(server.requests()[0]), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FetchTextWireTest,
    testing::Values(
        WireCase{"Defaults", "/p?q=1", 0, {}, {}, nullptr, concat({"GET /p?q=1 HTTP/1.1"}, kDefaultLines)},
        WireCase{"NoPathAsksForRoot", "", 0, {}, {}, nullptr, concat({"GET / HTTP/1.1"}, kDefaultLines)},
        WireCase{"QueryWithoutPathIsDropped", "?x=1", 0, {}, {}, nullptr, concat({"GET / HTTP/1.1"}, kDefaultLines)},
        WireCase{"OtherMethodsAreGet", "/", 7, {}, {}, nullptr, concat({"GET / HTTP/1.1"}, kDefaultLines)},
        WireCase{"NegativeMethodIsGet", "/", -1, {}, {}, nullptr, concat({"GET / HTTP/1.1"}, kDefaultLines)},
        WireCase{"PostSendsTheBody", "/f", 1, "x=1", {}, nullptr,
                 concat(concat({"POST /f HTTP/1.1"}, kDefaultLines), {"Content-Length: 3"})},
        WireCase{"PutWithEmptyBody", "/f", 3, {}, {}, nullptr,
                 concat(concat({"PUT /f HTTP/1.1"}, kDefaultLines), {"Content-Length: 0"})},
        WireCase{"GetWithBody", "/", 0, "b", {}, nullptr,
                 concat(concat({"GET / HTTP/1.1"}, kDefaultLines), {"Content-Length: 1"})},
        WireCase{"CallerAgentWinsInAnyCase", "/", 0, {}, "user-agent: X", nullptr,
                 concat({"GET / HTTP/1.1", "user-agent: X"}, Lines(kDefaultLines.begin() + 1, kDefaultLines.end()))},
        // The content-type test heeds case, so the default is added beside the caller's.
        WireCase{"ContentTypeTestHeedsCase", "/", 0, {}, "content-type: text/plain", nullptr,
                 concat({"GET / HTTP/1.1", "content-type: text/plain"}, kDefaultLines)},
        // "Accept: " is not inside "Accept-Encoding: ", so the default Accept is added.
        WireCase{"AcceptEncodingIsNotAccept", "/", 0, {}, "Accept-Encoding: br", nullptr,
                 {"GET / HTTP/1.1", "Accept-Encoding: br", kDefaultLines[0], kDefaultLines[1], kDefaultLines[3],
                  kDefaultLines[4], kDefaultLines[5]}},
        WireCase{"SuppliedCookiesComeLast", "/", 0, {}, {}, "a=1", concat(concat({"GET / HTTP/1.1"}, kDefaultLines), {"Cookie: a=1"})},
        WireCase{"EmptyCookiesSendNothing", "/", 0, {}, {}, "", concat({"GET / HTTP/1.1"}, kDefaultLines)},
        WireCase{"CallerCookieLineWins", "/", 0, {}, "Cookie: z=9", "a=1", concat({"GET / HTTP/1.1", "Cookie: z=9"}, kDefaultLines)}),
    testing_support::caseName);

TEST(FetchTextWire, SendsBasicCredentialsOnlyWhenBothPartsAreGiven) {
    LoopbackServer server([](const std::string&) { return okPage(); });
    fetchText(server.url("/"), {.user = "u", .password = "p"});
    fetchText(server.url("/"), {.user = "u"});
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[0].find("\r\nAuthorization: Basic dTpw\r\n"), std::string::npos);
    EXPECT_EQ(requests[1].find("Authorization"), std::string::npos);
}

TEST(FetchTextWire, GoesThroughTheNamedProxy) {
    LoopbackServer proxy([](const std::string& request) {
        return request.starts_with("CONNECT ") ? Reply::response("HTTP/1.1 403 Forbidden", "", "")
                                               : okPage("", "via proxy");
    });
    Text status;
    EXPECT_EQ(fetchText("http://site.invalid/x", {.proxy = Text(proxy.hostPort()), .proxyUser = "pu",
                                                  .proxyPassword = "pp", .status = &status}),
              Text("via proxy"));
    // An https address tunnels through the same proxy; this one refuses.
    EXPECT_EQ(fetchText("https://site.invalid/y", {.proxy = Text(proxy.hostPort()), .status = &status}), Text());
    EXPECT_EQ(status, k711);
    const auto requests = proxy.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].starts_with("GET http://site.invalid/x HTTP/1.1\r\n")) << requests[0];
    EXPECT_NE(requests[0].find("\r\nProxy-Authorization: Basic cHU6cHA=\r\n"), std::string::npos);
    EXPECT_TRUE(requests[1].starts_with("CONNECT site.invalid:443 HTTP/1.1\r\n")) << requests[1];
}

// ---- the response -------------------------------------------------------------

TEST(FetchTextResponse, HandsBackStatusHeadersAndCookies) {
    LoopbackServer server([](const std::string&) {
        return okPage("set-cookie: a=1; path=/\r\nSET-COOKIE: b=2\r\n", "page");
    });
    Text cookies = "a=0; c=3";
    Text received, headers, status;
    EXPECT_EQ(fetchText(server.url("/"), {.cookies = &cookies, .receivedCookies = &received, .responseHeaders = &headers,
                                          .status = &status}),
              Text("page"));
    EXPECT_EQ(status, Text("200 OK"));
    EXPECT_EQ(headers, Text("HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n"
                            "Content-Length: 4\r\nConnection: close\r\n\r\n"));
    EXPECT_EQ(cookies, Text("a=1; b=2; c=3"));
    EXPECT_EQ(received, Text("a=1;b=2"));

    // Without a supplied list the received list keeps its spaces.
    Text receivedAlone;
    fetchText(server.url("/"), {.receivedCookies = &receivedAlone});
    EXPECT_EQ(receivedAlone, Text("a=1; b=2"));
}

TEST(FetchTextResponse, LeavesAnEmptyReceivedListEmpty) {
    LoopbackServer server([](const std::string&) { return okPage(); });
    Text received;
    fetchText(server.url("/"), {.receivedCookies = &received});
    EXPECT_EQ(received, Text());
}

TEST(FetchTextResponse, ReportsARedirectItDoesNotFollow) {
    LoopbackServer server([](const std::string& request) {
        if (request.starts_with("GET /old ")) return Reply::response("HTTP/1.1 302 Found", "Location: /next\r\n", "moved");
        return okPage("", "new");
    });
    Text status, location;
    EXPECT_EQ(fetchText(server.url("/old"), {.noRedirect = true, .location = &location, .status = &status}), Text("moved"));
    EXPECT_EQ(status, Text("302 Found"));
    EXPECT_EQ(location, Text("/next"));

    Text followedLocation = "untouched";
    EXPECT_EQ(fetchText(server.url("/old"), {.location = &followedLocation, .status = &status}), Text("new"));
    EXPECT_EQ(status, Text("200 OK"));
    EXPECT_EQ(followedLocation, Text("untouched"));
}

TEST(FetchTextResponse, RunsPendingEventsAfterEachHeaderLineAndTheCharsetStep) {
    LoopbackServer server([](const std::string&) { return okPage(); });
    int pumped = 0;
    auto previous = setPendingEventsHook([&pumped] { ++pumped; });
    fetchText(server.url("/"));
    setPendingEventsHook(previous);
    // Four lines (status, two headers, the empty line), then two in the charset step.
    EXPECT_EQ(pumped, 4 + 2);

    // A failed fetch gives the window one turn before it returns.
    pumped = 0;
    setPendingEventsHook([&pumped] { ++pumped; });
    fetchText("http://127.0.0.1:" + std::to_string(testing_support::unusedPort()) + "/");
    setPendingEventsHook(previous);
    EXPECT_EQ(pumped, 1);
}

// ---- the character set ----------------------------------------------------------

struct CharsetCase {
    VOKARI_PRINT_CASE_BY_NAME(CharsetCase)
    const char* name;
    std::string body;
    Text expected;
};

class FetchTextCharsetTest : public testing::TestWithParam<CharsetCase> {};

TEST_P(FetchTextCharsetTest, ConvertsFromTheDeclaredCharset) {
    const CharsetCase& c = GetParam();
    LoopbackServer server([&c](const std::string&) { return okPage("", c.body); });
    Bytes raw;
    EXPECT_EQ(fetchText(server.url("/"), {.rawBody = &raw}), c.expected);
    EXPECT_EQ(raw, c.body);
}

// 中文: UTF-8 E4 B8 AD E6 96 87, GBK D6 D0 CE C4.
const std::string kUtf8Zw = "\xE4\xB8\xAD\xE6\x96\x87";
const std::string kGbkZw = "\xD6\xD0\xCE\xC4";
const std::string kPadding(1100, ' ');

INSTANTIATE_TEST_SUITE_P(
    Table, FetchTextCharsetTest,
    testing::Values(
        CharsetCase{"Utf8", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">" + kUtf8Zw,
                    Text("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">" + kGbkZw)},
        CharsetCase{"QuotedLabel", "<meta charset=\"UTF-8\">" + kUtf8Zw, Text("<meta charset=\"UTF-8\">" + kGbkZw)},
        CharsetCase{"Gb2312KeptAsBytes", "<meta charset=gb2312>" + kGbkZw, Text("<meta charset=gb2312>" + kGbkZw)},
        CharsetCase{"UpperGbkIsConverted", "<meta charset=GBK>" + kGbkZw, Text("<meta charset=GBK>" + kGbkZw)},
        CharsetCase{"DeclarationBeyond1024", kPadding + "<meta charset=utf-8>" + kUtf8Zw,
                    Text(kPadding + "<meta charset=utf-8>" + kUtf8Zw)},
        CharsetCase{"SplitByLineFeed", "<meta\ncharset=utf-8>" + kUtf8Zw, Text("<meta\ncharset=utf-8>" + kUtf8Zw)},
        CharsetCase{"UnknownLabel", "<meta charset=x-nothing>" + kUtf8Zw, Text("<meta charset=x-nothing>" + kUtf8Zw)},
        CharsetCase{"ZeroByteEndsTheText", "ab\0cd"s, Text("ab")}),
    testing_support::caseName);

// ---- the numbered messages ------------------------------------------------------

TEST(FetchTextMessages, RefusedAddressesAre701) {
    LoopbackServer server([](const std::string&) { return okPage(); });
    for (const std::string& address : {std::string(), "ftp://" + server.hostPort() + "/", server.hostPort() + "/",
                                       std::string("http://"), server.url("/a\r\nX-Injected: 1")}) {
        SCOPED_TRACE(address);
        Text status, headers = "kept";
        EXPECT_EQ(fetchText(address, {.responseHeaders = &headers, .status = &status}), Text());
        EXPECT_EQ(status, k701);
        EXPECT_EQ(headers, Text("kept"));
    }
    EXPECT_TRUE(server.requests().empty());
}

TEST(FetchTextMessages, CredentialsTheBasicSchemeCannotCarryAre706And707) {
    LoopbackServer server([](const std::string&) { return okPage(); });
    Text status;
    EXPECT_EQ(fetchText(server.url("/"), {.user = "a:b", .password = "p", .status = &status}), Text());
    EXPECT_EQ(status, k706);
    EXPECT_EQ(fetchText(server.url("/"), {.proxy = Text(server.hostPort()), .proxyUser = "u", .proxyPassword = "p\r\nX: 1",
                                          .status = &status}),
              Text());
    EXPECT_EQ(status, k707);
    EXPECT_TRUE(server.requests().empty());
}

struct MessageCase {
    VOKARI_PRINT_CASE_BY_NAME(MessageCase)
    const char* name;
    Reply reply;
    Text expectedStatus;
    Text expectedText;
};

class FetchTextMessageTest : public testing::TestWithParam<MessageCase> {};

TEST_P(FetchTextMessageTest, NamesTheStepThatFailed) {
    const MessageCase& c = GetParam();
    LoopbackServer server([&c](const std::string&) { return c.reply; });
    Text status;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(fetchText(server.url("/"), {.timeoutSeconds = 1, .status = &status}), c.expectedText);
    EXPECT_LT(std::chrono::steady_clock::now() - started, kHangBound);
    EXPECT_EQ(status, c.expectedStatus);
}

using Then = Reply::Then;

INSTANTIATE_TEST_SUITE_P(
    Table, FetchTextMessageTest,
    testing::Values(
        MessageCase{"ClosedBeforeAnswering", Reply{{}, Then::Close}, k712, {}},
        MessageCase{"StalledBeforeTheHead", Reply{{}, Then::WaitForClientEnd}, k712, {}},
        MessageCase{"RedirectLoop", Reply::response("HTTP/1.1 302 Found", "Location: /\r\n", ""), k712, {}},
        MessageCase{"RedirectToAnotherScheme", Reply::response("HTTP/1.1 302 Found", "Location: ftp://x/\r\n", ""), k712, {}},
        // A body cut short keeps what arrived, and its 713 is not hidden behind "200 OK".
        MessageCase{"ClosedInTheBody", Reply::raw("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabcd"), k713, "abcd"},
        MessageCase{"StalledInTheBody", Reply::raw("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabcd", Then::WaitForClientEnd),
                    k713, "abcd"},
        MessageCase{"ErrorStatusIsNoFailure", Reply::response("HTTP/1.1 404 Not Found", "", "missing"), "404 Not Found",
                    "missing"}),
    testing_support::caseName);

TEST(FetchTextMessages, RefusedConnectionIs711) {
    Text status;
    fetchText("http://127.0.0.1:" + std::to_string(testing_support::unusedPort()) + "/", {.status = &status});
    EXPECT_EQ(status, k711);
}

TEST(FetchTextMessages, APartialBodyStillHandsBackHeadersAndRawBody) {
    LoopbackServer server([](const std::string&) {
        return Reply::raw("HTTP/1.1 200 OK\r\nSet-Cookie: s=1\r\nContent-Length: 10\r\n\r\nab\0d"s);
    });
    Text headers, received;
    Bytes raw;
    fetchText(server.url("/"), {.receivedCookies = &received, .responseHeaders = &headers, .rawBody = &raw});
    EXPECT_EQ(raw, "ab\0d"s);
    EXPECT_EQ(received, Text("s=1"));
    EXPECT_EQ(headers, Text("HTTP/1.1 200 OK\r\nSet-Cookie: s=1\r\nContent-Length: 10\r\n\r\n"));
}

TEST(FetchTextMessages, AStoppedWaitEndsWithAnEmptyPage) {
    auto previous = setNetworkWaitHook([] { return false; });
    LoopbackServer server([](const std::string&) { return Reply{{}, Reply::Then::WaitForClientEnd}; });
    Text status, headers = "kept";
    EXPECT_EQ(fetchText(server.url("/"), {.responseHeaders = &headers, .status = &status}), Text());
    setNetworkWaitHook(previous);
    EXPECT_EQ(status, k712);
    EXPECT_EQ(headers, Text("kept"));
}

}  // namespace
}  // namespace vokari
