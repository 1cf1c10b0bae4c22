// The exchange every fetcher shares: what goes on the wire, which response
// head is kept, and how each way of failing is reported.
#include "net/transfer.h"

#include "net/network_wait.h"
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
using namespace std::string_literals;

// Generous: only a hang, never a slow machine, should pass it.
constexpr auto kHangBound = std::chrono::seconds(8);

Reply ok(std::string_view body = "hello") { return Reply::response("HTTP/1.1 200 OK", "", body); }

TransferRequest requestFor(std::string address) {
    TransferRequest r;
    r.address = std::move(address);
    r.connectTimeoutMs = r.stallTimeoutMs = 2000;
    return r;
}

// Restores the previous hook when the test ends.
class WaitHookScope {
public:
    explicit WaitHookScope(std::function<bool()> hook) : previous_(setNetworkWaitHook(std::move(hook))) {}
    ~WaitHookScope() { setNetworkWaitHook(previous_); }

private:
    std::function<bool()> previous_;
};

TEST(TransferWire, SendsOnlyTheCallersLinesBesideHostAndLength) {
    LoopbackServer server([](const std::string&) { return ok(); });
    TransferRequest r = requestFor(server.url("/p?q=1"));
    r.method = "POST";
    r.sendBody = true;
    r.body = Bytes("a\0b", 3);
    r.headerLines = {"X-One: 1", "X-Empty:", "no colon here", "x-two: 2"};
    const TransferResult result = performTransfer(r);
    ASSERT_EQ(result.failure, TransferFailure::None);
    ASSERT_EQ(server.requests().size(), 1u);
    const std::string wire = server.requests()[0];
    EXPECT_EQ(headLinesWithoutHost(wire),
              (Lines{"POST /p?q=1 HTTP/1.1", "X-One: 1", "X-Empty:", "x-two: 2", "Content-Length: 3"}));
    EXPECT_EQ(wire.substr(wire.size() - 3), std::string("a\0b", 3));
}

TEST(TransferWire, SendsALargeBodyWithoutAskingToContinue) {
    LoopbackServer server([](const std::string&) { return ok(); });
    TransferRequest r = requestFor(server.url("/up"));
    r.method = "POST";
    r.sendBody = true;
    r.body = Bytes(3u << 19, 'b');
    r.headerLines = {"X-Split: a\nInjected: 1"};
    ASSERT_EQ(performTransfer(r).failure, TransferFailure::None);
    const std::string wire = server.requests().at(0);
    EXPECT_EQ(headLinesWithoutHost(wire), (Lines{"POST /up HTTP/1.1", "Content-Length: 1572864"}));
    EXPECT_EQ(wire.size() - wire.find("\r\n\r\n") - 4, r.body.size());
}

TEST(TransferWire, AddsNoBodyLinesToAPlainGet) {
    LoopbackServer server([](const std::string&) { return ok(); });
    TransferRequest r = requestFor(server.url("/"));
    r.userAgent = "Agent/1";
    ASSERT_EQ(performTransfer(r).failure, TransferFailure::None);
    EXPECT_EQ(headLinesWithoutHost(server.requests().at(0)), (Lines{"GET / HTTP/1.1", "User-Agent: Agent/1"}));
}

TEST(TransferWire, PercentEncodesWhatCannotStandRawInTheRequestLine) {
    LoopbackServer server([](const std::string&) { return ok(); });
    // 中 is D6 D0, 文 is CE C4.
    const TransferRequest r = requestFor(server.url("/a b\x01\xD6\xD0?q=\xCE\xC4"));
    ASSERT_EQ(performTransfer(r).failure, TransferFailure::None);
    EXPECT_EQ(headLinesWithoutHost(server.requests().at(0)).at(0), "GET /a%20b%01%D6%D0?q=%CE%C4 HTTP/1.1");
}

TEST(TransferWire, SendsTheBodyOfAHeadAndStopsAtItsHead) {
    // The head announces a body that never comes, as HEAD answers do.
    LoopbackServer server([](const std::string&) {
        return Reply::raw("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n", Reply::Then::WaitForClientEnd);
    });
    TransferRequest r = requestFor(server.url("/h"));
    r.method = "HEAD";
    r.sendBody = true;
    r.body = "x=1";
    r.stallTimeoutMs = 5000;
    const auto started = std::chrono::steady_clock::now();
    const TransferResult result = performTransfer(r);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
    EXPECT_EQ(result.failure, TransferFailure::None);
    EXPECT_EQ(result.statusCode, 200);
    const std::string wire = server.requests().at(0);
    EXPECT_EQ(headLinesWithoutHost(wire), (Lines{"HEAD /h HTTP/1.1", "Content-Length: 3"}));
    EXPECT_EQ(wire.substr(wire.size() - 3), "x=1");
}

TEST(TransferAddress, RefusesBeforeSendingAnything) {
    LoopbackServer server([](const std::string&) { return ok(); });
    const std::string base = server.url("/");
    for (const std::string& address : {server.url("/a\r\nX-Injected: 1"), server.url("/a\nb"), std::string(),
                                       std::string("http://"), "ftp://" + server.hostPort() + "/f",
                                       std::string("file:///etc/passwd"), server.hostPort() + "/no-scheme"}) {
        SCOPED_TRACE(address);
        EXPECT_EQ(performTransfer(requestFor(address)).failure, TransferFailure::BadAddress);
    }
    EXPECT_TRUE(server.requests().empty());
}

TEST(TransferResponse, KeepsTheFinalHeadOnlyAndUndoesChunkingOnly) {
    LoopbackServer server([](const std::string& request) {
        if (request.starts_with("GET /first ")) return Reply::response("HTTP/1.1 302 Found", "Location: /second\r\nX-Hop: 1\r\n", "");
        // Bare LF line ends and an encoded body: the head comes back in CR LF
        // lines, the body as it was sent, without its chunk framing.
        return Reply::raw("HTTP/1.1 200 OK\nContent-Encoding: gzip\nTransfer-Encoding: chunked\nConnection: close\n\n"
                          "3\r\nab\0\r\n2\r\ncd\r\n0\r\n\r\n"s);
    });
    const TransferResult result = performTransfer(requestFor(server.url("/first")));
    ASSERT_EQ(result.failure, TransferFailure::None);
    EXPECT_EQ(result.headerBlock,
              "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(result.body, Bytes("ab\0cd", 5));
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST(TransferResponse, DropsAnInterimHead) {
    LoopbackServer server([](const std::string&) {
        return Reply::raw("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\nContent-Length: 0\r\n\r\n");
    });
    TransferRequest r = requestFor(server.url("/"));
    r.method = "POST";
    r.sendBody = true;
    const TransferResult result = performTransfer(r);
    EXPECT_EQ(result.failure, TransferFailure::None);
    EXPECT_EQ(result.headerBlock, "HTTP/1.1 201 Created\r\nContent-Length: 0\r\n\r\n");
}

TEST(TransferRedirects, StopAtTenAndAtOtherSchemes) {
    LoopbackServer loop([](const std::string&) { return Reply::response("HTTP/1.1 302 Found", "Location: /again\r\n", ""); });
    const TransferResult looped = performTransfer(requestFor(loop.url("/")));
    EXPECT_EQ(looped.failure, TransferFailure::NoResponseHead);
    EXPECT_EQ(loop.requests().size(), static_cast<std::size_t>(kMaxRedirects + 1));

    LoopbackServer other([](const std::string&) {
        return Reply::response("HTTP/1.1 301 Moved", "Location: file:///etc/passwd\r\n", "");
    });
    EXPECT_EQ(performTransfer(requestFor(other.url("/"))).failure, TransferFailure::NoResponseHead);
    EXPECT_EQ(other.requests().size(), 1u);
}

TEST(TransferRedirects, AreNotFollowedWhenSwitchedOff) {
    LoopbackServer server([](const std::string&) { return Reply::response("HTTP/1.1 302 Found", "Location: /next\r\n", "moved"); });
    TransferRequest r = requestFor(server.url("/"));
    r.followRedirects = false;
    const TransferResult result = performTransfer(r);
    EXPECT_EQ(result.failure, TransferFailure::None);
    EXPECT_EQ(result.statusCode, 302);
    EXPECT_EQ(result.body, "moved");
    EXPECT_EQ(server.requests().size(), 1u);
}

// Each way an exchange can end early, named by the step that failed.
struct FailureCase {
    VOKARI_PRINT_CASE_BY_NAME(FailureCase)
    const char* name;
    Reply reply;
    TransferFailure expected;
    Bytes bodySoFar;
};

class TransferFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(TransferFailureTest, NamesTheStepAndKeepsTheBytesSoFar) {
    const FailureCase& c = GetParam();
    LoopbackServer server([&c](const std::string&) { return c.reply; });
    TransferRequest r = requestFor(server.url("/"));
    r.stallTimeoutMs = 1000;
    r.maxBodyBytes = 16;
    const auto started = std::chrono::steady_clock::now();
    const TransferResult result = performTransfer(r);
    EXPECT_LT(std::chrono::steady_clock::now() - started, kHangBound);
    EXPECT_EQ(result.failure, c.expected);
    EXPECT_EQ(result.body, c.bodySoFar);
}

using Then = Reply::Then;
const std::string kHead10 = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Table, TransferFailureTest,
    testing::Values(FailureCase{"ClosedWithoutAnswer", Reply{{}, Then::Close}, TransferFailure::NoResponseHead, ""},
                    FailureCase{"SilentServer", Reply{{}, Then::WaitForClientEnd}, TransferFailure::NoResponseHead, ""},
                    FailureCase{"HalfAHead", Reply::raw("HTTP/1.1 200 OK\r\nX-A", Then::WaitForClientEnd),
                                TransferFailure::NoResponseHead, ""},
                    FailureCase{"NotHttp", Reply::raw("garbage\r\n\r\n"), TransferFailure::NoResponseHead, ""},
                    FailureCase{"ClosedInBody", Reply::raw(kHead10 + "abcd"), TransferFailure::BodyRead, "abcd"},
                    FailureCase{"StalledInBody", Reply::raw(kHead10 + "abcd", Then::WaitForClientEnd),
                                TransferFailure::BodyRead, "abcd"},
                    FailureCase{"BadChunk", Reply::raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\nzz\r\n"),
                                TransferFailure::BodyRead, "ab"},
                    // The declared length is the server's word: it sizes the buffer
                    // only up to the bound, and the bytes that came are kept.
                    FailureCase{"DeclaresFarMoreThanItSends",
                                Reply::raw("HTTP/1.1 200 OK\r\nContent-Length: 4611686018427387904\r\n\r\nabcd"),
                                TransferFailure::BodyRead, "abcd"},
                    FailureCase{"BodyBeyondTheBound",
                                Reply::raw("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + std::string(40, 'x')),
                                TransferFailure::BodyRead, ""}),
    testing_support::caseName);

TEST(TransferFailure, RefusedConnectionIsAConnectFailure) {
    const TransferResult result = performTransfer(requestFor("http://127.0.0.1:" + std::to_string(testing_support::unusedPort()) + "/"));
    EXPECT_EQ(result.failure, TransferFailure::Connect);
    EXPECT_TRUE(result.headerBlock.empty());
}

TEST(TransferTimeouts, ASteadyTrickleSlowerThanTheTimeoutOverallIsNotCut) {
    // Five pieces 500 ms apart: 2.5 s in all against a 1 s time-out, but never
    // a second without a byte.
    Reply trickle{{{"HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n", 500}}, Then::Close};
    for (const char* piece : {"a", "b", "c", "d"}) trickle.pieces.push_back({piece, 500});
    LoopbackServer server([&](const std::string&) { return trickle; });
    TransferRequest r = requestFor(server.url("/"));
    r.connectTimeoutMs = r.stallTimeoutMs = 1000;
    const TransferResult result = performTransfer(r);
    EXPECT_EQ(result.failure, TransferFailure::None);
    EXPECT_EQ(result.body, "abcd");
}

TEST(TransferWaitHook, RunsWhileWaitingAndStopsTheExchange) {
    int calls = 0;
    {
        WaitHookScope scope([&calls] { return ++calls, true; });
        LoopbackServer server([](const std::string&) { return Reply{{{kHead10 + "0123456789", 600}}, Then::Close}; });
        EXPECT_EQ(performTransfer(requestFor(server.url("/"))).failure, TransferFailure::None);
    }
    // A 600 ms wait in slices of at most 50 ms.
    EXPECT_GE(calls, 6);

    WaitHookScope scope([] { return false; });
    LoopbackServer stalled([](const std::string&) { return Reply{{}, Then::WaitForClientEnd}; });
    TransferRequest r = requestFor(stalled.url("/"));
    r.stallTimeoutMs = 20000;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(performTransfer(r).failure, TransferFailure::Stopped);
    EXPECT_LT(std::chrono::steady_clock::now() - started, kHangBound);
}

}  // namespace
}  // namespace vokari
