// Fault modes, reached both ways the hardening tests can ask for them: a
// fault member (whose number names mode and resource) and --fault PREFIX=MODE.
#include "sim/catalogue.h"
#include "sim/sim_process.h"
#include "tests/sim/http_get.h"
#include "tests/sim/page_reading.h"
#include "tests/sim/raw_client.h"

#include <gtest/gtest.h>

namespace vokari::sim {
namespace {

using testing::httpGet;
using testing::HttpRequest;

class SimFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // A short stall and a small huge page keep the suite quick; the
        // defaults (35 s, 40 MB) are for the real tool's tests.
        sim = new SimProcess({"--stall-ms", "3000", "--huge-mb", "3", "--fault", "/u/10001=500", "--fault",
                              "/u/1000=garbage", "--fault", "/play/=redirect-loop"});
    }
    static void TearDownTestSuite() { delete sim; }
    static std::string profileOf(FaultMode mode) { return sim->url("/u/" + faultMemberNumber(mode, FaultTarget::Profile)); }
    static SimProcess* sim;
};
SimProcess* SimFaults::sim = nullptr;

TEST_F(SimFaults, ResetCutsTheBodyInHalf) {
    ASSERT_TRUE(sim->started());
    const auto answer = httpGet(profileOf(FaultMode::Reset));
    EXPECT_NE(answer.code, CURLE_OK);
    EXPECT_EQ(answer.status, 200);
    const auto announced = std::stoul(testing::headerValue(answer.headers, "Content-Length"));
    EXPECT_EQ(answer.body.size(), announced / 2);

    // On the media host too: the file a client saves from this is short.
    const Member member = *findMember(faultMemberNumber(FaultMode::Reset, FaultTarget::Mp3));
    const Work work = workAt(member, 0);
    const auto mp3 = httpGet(sim->url("/userdata/userwork/" + std::to_string(work.workId) + ".mp3"));
    EXPECT_NE(mp3.code, CURLE_OK);
    EXPECT_EQ(mp3.body, mp3Bytes(work).substr(0, mp3Bytes(work).size() / 2));
}

TEST_F(SimFaults, StallOutlastsTheClientsTimeOut) {
    const auto answer = httpGet(profileOf(FaultMode::Stall), HttpRequest{.timeoutMs = 500});
    EXPECT_EQ(answer.code, CURLE_OPERATION_TIMEDOUT);
    EXPECT_EQ(answer.headers, "");
}

TEST_F(SimFaults, ServerErrorBinaryAndGarbage) {
    const auto error = httpGet(profileOf(FaultMode::ServerError));
    EXPECT_EQ(error.status, 500);
    EXPECT_NE(error.body.find("500 Internal Server Error"), std::string::npos);

    const auto binary = httpGet(profileOf(FaultMode::Binary));
    EXPECT_EQ(binary.status, 200);
    EXPECT_EQ(binary.body.size(), 65536u);
    EXPECT_NE(binary.body.find('\0'), std::string::npos);
    EXPECT_FALSE(testing::decodeStrictly(binary.body, "utf-8").has_value());

    // Garbage is not even a status line.
    const auto garbage = testing::rawExchange(sim->port(), "GET /u/" + faultMemberNumber(FaultMode::Garbage, FaultTarget::Profile) +
                                                               " HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(garbage.received.size(), 4096u);
    EXPECT_NE(garbage.received.rfind("HTTP/", 0), 0u);
    EXPECT_NE(httpGet(profileOf(FaultMode::Garbage)).code, CURLE_OK);
}

TEST_F(SimFaults, PagesWithAZeroByteAnUnknownCharsetOrHugeFiller) {
    const Member member = *findMember(faultMemberNumber(FaultMode::ZeroByte, FaultTarget::Profile));
    const auto zero = httpGet(profileOf(FaultMode::ZeroByte));
    const auto nul = zero.body.find('\0');
    ASSERT_NE(nul, std::string::npos);
    EXPECT_LT(nul, zero.body.find("userPage-relative inline-block"));
    EXPECT_EQ(testing::between(zero.body.substr(0, nul), "var userid = '", "'"), member.userId);

    const auto unknown = httpGet(profileOf(FaultMode::UnknownCharset));
    EXPECT_EQ(testing::declaredCharset(unknown.body), "x-vokari-unknown");
    EXPECT_TRUE(testing::decodeStrictly(unknown.body, "gbk").has_value());

    const auto huge = httpGet(profileOf(FaultMode::Huge));
    EXPECT_EQ(huge.code, CURLE_OK);
    EXPECT_EQ(huge.body.size(), 3u * 1024 * 1024);
    EXPECT_EQ(testing::between(testing::stripped(huge.body), "var userid = '", "'"),
              findMember(faultMemberNumber(FaultMode::Huge, FaultTarget::Profile))->userId);
    EXPECT_NE(huge.body.find("<!-- ", huge.body.size() - 200), std::string::npos);
}

TEST_F(SimFaults, RedirectLoopNeverEnds) {
    const auto answer = httpGet(profileOf(FaultMode::RedirectLoop), HttpRequest{.followRedirects = true});
    EXPECT_EQ(answer.code, CURLE_TOO_MANY_REDIRECTS);
    const auto once = httpGet(profileOf(FaultMode::RedirectLoop));
    EXPECT_EQ(once.status, 302);
    EXPECT_EQ(testing::headerValue(once.headers, "Location"),
              profileOf(FaultMode::RedirectLoop));
}

TEST_F(SimFaults, AFaultMembersOtherResourcesAreSound) {
    const Member member = *findMember(faultMemberNumber(FaultMode::ServerError, FaultTarget::SongPage));
    EXPECT_EQ(httpGet(sim->url("/u/" + member.number)).status, 200);
    EXPECT_EQ(httpGet(sim->url("/s/" + workAt(member, 0).enWorkId)).status, 500);
    EXPECT_EQ(httpGet(sim->url(picturePath(member))).status, 200);
}

TEST_F(SimFaults, CommandLineRulesMatchByPrefixAndTheLongestWins) {
    EXPECT_EQ(httpGet(sim->url("/u/10001")).status, 500);
    EXPECT_EQ(httpGet(sim->url("/u/100012")).status, 500);  // a prefix, not a path
    EXPECT_EQ(httpGet(sim->url("/u/10020")).status, 200);
    // "/u/1000" is garbage, but "/u/10001" is longer and says 500.
    EXPECT_NE(httpGet(sim->url("/u/10000")).code, CURLE_OK);
    const auto player = httpGet(sim->url("/play/swf/03.swf?soundFile=x"));
    EXPECT_EQ(player.status, 302);
}

}  // namespace
}  // namespace vokari::sim
