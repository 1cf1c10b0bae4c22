// The catalogue other layers' tests rely on: every number rule is reversible
// and every name or case the README promises is really there.
#include "sim/catalogue.h"
#include "sim/server.h"
#include "tests/sim/http_get.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace vokari::sim {
namespace {

std::vector<Member> sampleMembers() {
    auto out = tableMembers();
    out.push_back(*findMember(faultMemberNumber(FaultMode::Reset, FaultTarget::Profile)));
    out.push_back(*findMember(faultMemberNumber(FaultMode::RedirectLoop, FaultTarget::Picture)));
    out.push_back(*findMember(syntheticMemberNumber(0)));
    out.push_back(*findMember(syntheticMemberNumber(77)));
    return out;
}

TEST(SimCatalogue, EveryMemberAndWorkIsFoundAgainByItsOwnKeys) {
    std::set<std::string> userIds;
    std::set<std::int64_t> workIds;
    std::set<std::string> codes;
    for (const Member& member : sampleMembers()) {
        SCOPED_TRACE(member.number);
        EXPECT_EQ(findMember(member.number)->userId, member.userId);
        EXPECT_EQ(findMemberByUserId(member.userId)->number, member.number);
        EXPECT_NE(member.userId, member.number);
        EXPECT_TRUE(userIds.insert(member.userId).second);
        const auto works = worksOf(member);
        ASSERT_EQ(static_cast<int>(works.size()), member.works);
        for (const Work& work : works) {
            EXPECT_TRUE(workIds.insert(work.workId).second);
            EXPECT_TRUE(codes.insert(work.enWorkId).second);
            const auto found = findWork(work.enWorkId);
            ASSERT_TRUE(found.has_value()) << work.enWorkId;
            EXPECT_EQ(found->member.number, member.number);
            EXPECT_EQ(found->work.index, work.index);
            EXPECT_EQ(found->work.name, work.name);
        }
    }
}

TEST(SimCatalogue, RejectsWhatNamesNothing) {
    for (const char* number : {"", "99999", "0", "-1", "010001", "+10001", "1e4", "40000", "40100", "40016",
                               "2999999999", "12345678901234567890"})
        EXPECT_FALSE(findMember(number).has_value()) << number;
    const std::string real = workAt(*findMember(members::kOneWork), 0).enWorkId;
    for (std::string code : {std::string(""), std::string("zzzzzzzzz"), real + "0", real.substr(1), std::string("ZZZZZZZZZ"),
                             std::string("?????????")})
        EXPECT_FALSE(findWork(code).has_value()) << code;
    // A work one past the end of a member's list is nobody's.
    EXPECT_FALSE(findWorkById(workAt(*findMember(members::kOneWork), 1).workId).has_value());
    EXPECT_FALSE(findWorkById(0).has_value());
    EXPECT_FALSE(findMember(syntheticMemberNumber(kMaxSyntheticWorks + 1)).has_value());
    EXPECT_EQ(findMember(syntheticMemberNumber(kMaxSyntheticWorks))->works, kMaxSyntheticWorks);
}

TEST(SimCatalogue, FaultMembersNameTheirModeAndResource) {
    for (int mode = 1; mode <= kFaultModeCount; ++mode) {
        for (int target = 1; target <= kFaultTargetCount; ++target) {
            const auto member = findMember(faultMemberNumber(static_cast<FaultMode>(mode), static_cast<FaultTarget>(target)));
            ASSERT_TRUE(member.has_value());
            EXPECT_EQ(member->fault, static_cast<FaultMode>(mode));
            EXPECT_EQ(member->faultTarget, static_cast<FaultTarget>(target));
        }
        const auto mode_ = static_cast<FaultMode>(mode);
        EXPECT_EQ(faultModeFromName(faultModeName(mode_)), mode_);
    }
    EXPECT_FALSE(faultModeFromName("Reset").has_value());
}

TEST(SimCatalogue, TheAwkwardCasesAreAllThere) {
    const auto works = worksOf(*findMember(members::kSpecial));
    auto anyName = [&](auto test) { return std::any_of(works.begin(), works.end(), [&](const Work& w) { return test(w.name); }); };
    for (std::string_view piece : {"'", "&", "/", "\\", ":", "?", "*"})
        EXPECT_TRUE(anyName([&](const std::string& n) { return n.find(piece) != std::string::npos; })) << piece;
    EXPECT_TRUE(anyName([](const std::string& n) { return n.starts_with('.'); }));
    EXPECT_TRUE(anyName([](const std::string& n) { return static_cast<unsigned char>(n[0]) >= 0x80; }));
    for (AudioKind kind : {AudioKind::MediaHost, AudioKind::OtherHostWithId, AudioKind::WithoutId, AudioKind::None})
        EXPECT_TRUE(std::any_of(works.begin(), works.end(), [&](const Work& w) { return w.audio == kind; }));
    for (const Work& w : works) {
        for (unsigned char c : w.escapedName) EXPECT_LT(c, 0x80) << w.name;
        EXPECT_EQ(w.escapedName.find('"'), std::string::npos) << w.name;
        if (w.name.find('&') != std::string::npos) {
            EXPECT_NE(w.title.find("&amp;"), std::string::npos);
        }
    }
    EXPECT_EQ(findMember(members::kTrailingWorkCount)->workCountText, "35abc");
    EXPECT_EQ(findMember(members::kTrailingWorkCount)->works, 35);
}

TEST(SimCatalogue, RecordingsAreRepeatableAndReadInAnyPieces) {
    const Work work = workAt(*findMember(members::kOneWork), 0);
    EXPECT_EQ(mp3Bytes(work), mp3Bytes(work));
    const Mp3Recording big = mp3Recording(workAt(*findMember(members::kBigMedia), 0));
    const std::string start = big.read(0, 300000);
    EXPECT_EQ(big.read(100000, 50000), start.substr(100000, 50000));
    EXPECT_EQ(big.read(big.size() - 10, 100).size(), 10u);
    EXPECT_EQ(big.read(big.size(), 100), "");
    EXPECT_EQ(big.read(big.size() + 5, 100), "");
}

TEST(SimCatalogue, TheServerAlsoRunsInsideATestProcess) {
    SimServer server(ServerOptions{.port = 0});
    ASSERT_TRUE(server.bind());
    std::thread serving([&] { server.run(); });
    // run() may not have begun accepting yet; connections queue in the backlog.
    const auto answer = testing::httpGet("http://127.0.0.1:" + std::to_string(server.port()) + "/u/10001");
    server.stop();
    serving.join();
    EXPECT_EQ(answer.status, 200);
    EXPECT_NE(answer.body.find("var userid = '510001';"), std::string::npos);
}

}  // namespace
}  // namespace vokari::sim
