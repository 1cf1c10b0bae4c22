// The request log is how the fetchers' tests see what crossed the wire, so it
// must keep every header line as sent: spelling, order, repeats and all.
#include "sim/request_log.h"
#include "sim/sim_process.h"
#include "tests/sim/http_get.h"
#include "tests/sim/raw_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <unistd.h>

namespace vokari::sim {
namespace {

std::string freshLogPath(const char* name) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("vokari-sim-" + std::string(name) + "-" + std::to_string(getpid()) + ".log");
    std::filesystem::remove(path);
    return path.string();
}

TEST(SimRequestLog, KeepsHeaderLinesExactlyAsReceivedAndInOrder) {
    const std::string log = freshLogPath("order");
    SimProcess sim({"--log", log});
    ASSERT_TRUE(sim.started());
    // Odd letter case, a repeated name, names out of alphabetical order, a tab
    // and a backslash inside values, a GBK byte pair: all must survive.
    const std::string head =
        "GET /u/10001?x=1 HTTP/1.1\r\n"
        "Host: 127.0.0.1\r\n"
        "user-agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"
        "Accept: text/html, application/xhtml+xml, */*\r\n"
        "Accept-Encoding: gbk, GB2312\r\n"
        "X-Zeta: 1\r\n"
        "x-alpha:no space\r\n"
        "Cookie: a=1\r\n"
        "Cookie: b=\xC4\xE3\r\n"
        "X-Odd: tab\there, back\\slash\r\n"
        "Connection: close\r\n"
        "\r\n";
    const auto exchange = testing::rawExchange(sim.port(), head);
    ASSERT_TRUE(exchange.connected);
    EXPECT_EQ(exchange.received.rfind("HTTP/1.1 200", 0), 0u);

    const auto requests = readRequestLog(log);
    ASSERT_EQ(requests.size(), 1u);
    const LoggedRequest& r = requests[0];
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.target, "/u/10001?x=1");
    EXPECT_EQ(r.requestLine, "GET /u/10001?x=1 HTTP/1.1");
    const std::vector<std::string> expected{
        "Host: 127.0.0.1",
        "user-agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
        "Accept: text/html, application/xhtml+xml, */*",
        "Accept-Encoding: gbk, GB2312",
        "X-Zeta: 1",
        "x-alpha:no space",
        "Cookie: a=1",
        "Cookie: b=\xC4\xE3",
        "X-Odd: tab\there, back\\slash",
        "Connection: close"};
    EXPECT_EQ(r.headerLines, expected);
    std::filesystem::remove(log);
}

TEST(SimRequestLog, HasOneLinePerRequestOnAKeptAliveConnectionBeforeItsAnswer) {
    const std::string log = freshLogPath("keepalive");
    SimProcess sim({"--log", log});
    ASSERT_TRUE(sim.started());
    // Two requests in one write: the second must not be mixed into the first.
    const std::string twoRequests =
        "GET /u/10001 HTTP/1.1\r\nHost: a\r\nX-N: 1\r\n\r\n"
        "HEAD /play/swf/03.swf?q=1 HTTP/1.1\r\nHost: b\r\nX-N: 2\r\nConnection: close\r\n\r\n";
    const auto exchange = testing::rawExchange(sim.port(), twoRequests);
    EXPECT_NE(exchange.received.find("HTTP/1.1 200", 20), std::string::npos);

    const auto requests = readRequestLog(log);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/u/10001");
    EXPECT_EQ(requests[0].headerLines, (std::vector<std::string>{"Host: a", "X-N: 1"}));
    EXPECT_EQ(requests[1].method, "HEAD");
    EXPECT_EQ(requests[1].target, "/play/swf/03.swf?q=1");
    EXPECT_EQ(requests[1].headerLines, (std::vector<std::string>{"Host: b", "X-N: 2", "Connection: close"}));

    // A client that has its answer finds its request already logged.
    const auto answer = testing::httpGet(sim.url("/nothing"), testing::HttpRequest{.headers = {"X-Last: yes"}});
    EXPECT_EQ(answer.status, 404);
    const auto after = readRequestLog(log);
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[2].target, "/nothing");
    EXPECT_EQ(after[2].headerLines.back(), "X-Last: yes");
    std::filesystem::remove(log);
}

TEST(SimRequestLog, LinesRoundTripThroughTheirEscapes) {
    const std::string head = "GET / HTTP/1.1\r\nA: \\t is not a tab\r\nB: \x01\x7F\t\\\r\n\r\n";
    const auto parsed = parseLogLine(formatLogLine(head));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->headerLines, (std::vector<std::string>{"A: \\t is not a tab", "B: \x01\x7F\t\\"}));
    // Only the two separators are real tabs, and the line has no line break.
    const std::string line = formatLogLine(head);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 2);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
    EXPECT_FALSE(parseLogLine("GET / HTTP/1.1\tA: bad \\q escape").has_value());
    EXPECT_FALSE(parseLogLine("nospace").has_value());
}

}  // namespace
}  // namespace vokari::sim
