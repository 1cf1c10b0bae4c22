// The web host's pages as the tool will meet them: fetched from the real
// vokari-sim process, checked for their markers, their declared charset and
// the bytes actually sent.
#include "sim/catalogue.h"
#include "sim/sim_process.h"
#include "tests/sim/http_get.h"
#include "tests/sim/page_reading.h"
#include "tests/support/case_table.h"

#include <gtest/gtest.h>

namespace vokari::sim {
namespace {

using testing::between;
using testing::decodeStrictly;
using testing::declaredCharset;
using testing::httpGet;
using testing::stripped;

class SimPages : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sim = new SimProcess(); }
    static void TearDownTestSuite() { delete sim; }
    static std::string url(const std::string& target) { return sim->url(target); }
    static SimProcess* sim;
};
SimProcess* SimPages::sim = nullptr;

struct ProfileCase {
    VOKARI_PRINT_CASE_BY_NAME(ProfileCase)
    const char* name;
    std::string_view member;
    const char* label;  // what the meta element must declare
};

class SimProfilePages : public SimPages, public ::testing::WithParamInterface<ProfileCase> {};

TEST_P(SimProfilePages, CarryEveryFieldInTheDeclaredCharset) {
    const ProfileCase& c = GetParam();
    const Member member = *findMember(c.member);
    ASSERT_TRUE(sim->started());
    const auto answer = httpGet(url("/u/" + member.number));
    ASSERT_EQ(answer.code, CURLE_OK);
    EXPECT_EQ(answer.status, 200);

    // Declared in the head, and really sent in that charset: the Chinese in
    // the page is valid there (GBK bytes of Chinese are never valid UTF-8).
    EXPECT_EQ(declaredCharset(answer.body), c.label);
    const auto text = decodeStrictly(answer.body, c.label);
    ASSERT_TRUE(text.has_value());
    EXPECT_NE(text->find(member.nickname + "的个人主页 Vokari,音符随心飞"), std::string::npos);
    if (std::string_view(c.label) != "utf-8") {
        EXPECT_FALSE(decodeStrictly(answer.body, "utf-8").has_value());
    }

    const std::string page = stripped(answer.body);
    const std::string picture = between(between(page, "userPage-relative inline-block\"", "username"), "\"", "\"");
    EXPECT_EQ(picture, "http://" + sim->host() + picturePath(member));
    EXPECT_EQ(between(page, "var userid = '", "'"), member.userId);
    EXPECT_EQ(between(page, "var worknum = ", ";"), member.workCountText);
    auto count = [&](const char* icon) {
        return between(between(page, std::string("userPage-icons userPage-") + icon + "-icon\"", "</span>"), "\">", "<");
    };
    EXPECT_EQ(count("work"), std::to_string(member.works));
    EXPECT_EQ(count("follow"), std::to_string(member.follows));
    EXPECT_EQ(count("fans"), std::to_string(member.fans));

    // The line breaks and tabs sit inside the counts' markup: a reader that
    // does not strip them first finds no count at all.
    EXPECT_EQ(between(between(answer.body, "userPage-icons userPage-work-icon\"", "</span>"), "\">", "<"), "");
    EXPECT_NE(answer.body.find("\r\n\t"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Members, SimProfilePages,
                         ::testing::Values(ProfileCase{"Utf8", members::kOnePageAndOne, "utf-8"},
                                           ProfileCase{"LowerGbk", members::kOneWork, "gbk"},
                                           ProfileCase{"UpperGbk", members::kOnePage, "GBK"},
                                           ProfileCase{"NoWorks", members::kNoWorks, "utf-8"},
                                           ProfileCase{"TrailingText", members::kTrailingWorkCount, "gbk"},
                                           ProfileCase{"Synthetic", "2000250", "gbk"},
                                           ProfileCase{"FaultMemberItself", "40034", "gbk"}),
                         testing_support::caseName);

TEST_F(SimPages, AnUnknownMemberGetsTheSitesPageWithoutFields) {
    for (const std::string& number : {std::string(members::kMissing), std::string(""), std::string("abc"),
                                     std::string("010001")}) {
        const auto answer = httpGet(url("/u/" + number));
        ASSERT_EQ(answer.code, CURLE_OK);
        EXPECT_EQ(answer.status, 200) << number;
        EXPECT_EQ(between(answer.body, "var userid = '", "'"), "") << number;
        EXPECT_EQ(answer.body.find("userPage-relative inline-block"), std::string::npos) << number;
        EXPECT_TRUE(decodeStrictly(answer.body, declaredCharset(answer.body)).has_value()) << number;
    }
    // What the path holds is shown on the page, never obeyed.
    const auto tricky = httpGet(url("/u/%3Cscript%3E"));
    EXPECT_EQ(tricky.body.find("<script>"), std::string::npos);
}

struct ListCase {
    VOKARI_PRINT_CASE_BY_NAME(ListCase)
    const char* name;
    std::string_view member;
    int page;
    int firstIndex;  // of the first song on the page
    int songs;
};

class SimSongLists : public SimPages, public ::testing::WithParamInterface<ListCase> {};

TEST_P(SimSongLists, HoldTwentySongsAPageInListOrder) {
    const ListCase& c = GetParam();
    const Member member = *findMember(c.member);
    const auto answer = httpGet(url("/member/personcenter/loadmore.php?ver=1&pageNum=" + std::to_string(c.page) +
                                    "&type=0&userid=" + member.userId + "&curuserid=-1"));
    ASSERT_EQ(answer.code, CURLE_OK);
    EXPECT_EQ(answer.status, 200);
    const auto names = testing::allBetween(answer.body, "songname\":\"", "\"");
    const auto codes = testing::allBetween(answer.body, "enworkid\":\"", "\"");
    ASSERT_EQ(static_cast<int>(names.size()), c.songs);
    ASSERT_EQ(codes.size(), names.size());
    // The four counts are bare numbers, each ended by a comma.
    const auto listens = testing::allBetween(answer.body, "listennum\":", ",");
    const auto flowers = testing::allBetween(answer.body, "flowernum\":", ",");
    const auto forwards = testing::allBetween(answer.body, "forwardnum\":", ",");
    const auto comments = testing::allBetween(answer.body, "commentnum\":", ",");
    ASSERT_EQ(listens.size(), names.size());
    ASSERT_EQ(flowers.size(), names.size());
    ASSERT_EQ(forwards.size(), names.size());
    ASSERT_EQ(comments.size(), names.size());
    for (int i = 0; i < c.songs; ++i) {
        const Work work = workAt(member, c.firstIndex + i);
        const auto at = static_cast<std::size_t>(i);
        EXPECT_EQ(names[at], work.escapedName);
        EXPECT_EQ(testing::decodeListString(names[at]), work.name);
        EXPECT_EQ(codes[at], work.enWorkId);
        EXPECT_EQ(listens[at], std::to_string(work.listens));
        EXPECT_EQ(flowers[at], std::to_string(work.flowers));
        EXPECT_EQ(forwards[at], std::to_string(work.forwards));
        EXPECT_EQ(comments[at], std::to_string(work.comments));
    }
    // The whole response is ASCII: names travel as \u escapes.
    for (unsigned char byte : answer.body) ASSERT_LT(byte, 0x80);
}

INSTANTIATE_TEST_SUITE_P(Pages, SimSongLists,
                         ::testing::Values(ListCase{"NoWorks", members::kNoWorks, 0, 0, 0},
                                           ListCase{"OneWork", members::kOneWork, 0, 0, 1},
                                           ListCase{"FullPage", members::kOnePage, 0, 0, 20},
                                           ListCase{"PastTheEnd", members::kOnePage, 1, 0, 0},
                                           ListCase{"SecondPageOfOne", members::kOnePageAndOne, 1, 20, 1},
                                           ListCase{"SecondFullPage", members::kTwoPages, 1, 20, 20},
                                           ListCase{"ThirdPageOfOne", members::kTwoPagesAndOne, 2, 40, 1},
                                           ListCase{"TrailingText", members::kTrailingWorkCount, 1, 20, 15},
                                           ListCase{"AwkwardNames", members::kSpecial, 0, 0, 9},
                                           ListCase{"LastOfAThousand", members::kThousand, 49, 980, 20},
                                           ListCase{"Synthetic", "2000045", 2, 40, 5}),
                         testing_support::caseName);

TEST_F(SimPages, SongListsForNobodyAreEmptyAndBadQueriesSaySo) {
    const std::string path = "/member/personcenter/loadmore.php?ver=1&type=0&curuserid=-1";
    const auto nobody = httpGet(url(path + "&pageNum=0&userid=1"));
    EXPECT_EQ(nobody.status, 200);
    EXPECT_NE(nobody.body.find("\"list\":[]"), std::string::npos);
    for (const char* query : {"&userid=510001", "&pageNum=x&userid=510001", "&pageNum=-1&userid=510001"}) {
        const auto bad = httpGet(url(path + query));
        EXPECT_EQ(bad.status, 200) << query;
        EXPECT_NE(bad.body.find("\"status\":0"), std::string::npos) << query;
        EXPECT_EQ(bad.body.find("songname"), std::string::npos) << query;
    }
}

TEST_F(SimPages, SongPagesGiveWorkIdAudioAddressAndTitle) {
    const Member special = *findMember(members::kSpecial);
    for (const Work& work : worksOf(special)) {
        SCOPED_TRACE(work.name);
        const auto answer = httpGet(url("/s/" + work.enWorkId));
        ASSERT_EQ(answer.code, CURLE_OK);
        ASSERT_EQ(answer.status, 200);
        const auto text = decodeStrictly(answer.body, declaredCharset(answer.body));
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(between(*text, "<title>", " Vokari,音符随心飞"), work.title);
        const std::string id = std::to_string(work.workId);
        EXPECT_EQ(between(*text, "data-workid=\"", "\""), id);
        const std::string audio = between(*text, "var a=\"", "\"");
        EXPECT_EQ(audio, pageAudioAddress(work, sim->host()));
        switch (work.audio) {
        case AudioKind::MediaHost: EXPECT_EQ(audio, "http://" + sim->host() + "/userdata/userwork/" + id + ".mp3"); break;
        case AudioKind::OtherHostWithId:
            EXPECT_NE(audio.find(id), std::string::npos);
            EXPECT_EQ(audio.rfind("http://localhost:", 0), 0u);
            break;
        case AudioKind::WithoutId: EXPECT_EQ(audio.find(id), std::string::npos); EXPECT_FALSE(audio.empty()); break;
        case AudioKind::None: EXPECT_EQ(text->find("var a=\""), std::string::npos); break;
        }
    }
}

TEST_F(SimPages, SongPagesAreSentInTheirMembersCharset) {
    for (std::string_view number : {members::kOneWork, members::kOnePage, members::kOnePageAndOne}) {
        const Member member = *findMember(number);
        const Work work = workAt(member, 0);
        const auto answer = httpGet(url("/s/" + work.enWorkId));
        const std::string label = declaredCharset(answer.body);
        EXPECT_EQ(label, std::string(member.charset == PageCharset::Utf8  ? "utf-8"
                                     : member.charset == PageCharset::Gbk ? "gbk"
                                                                          : "GBK"));
        const auto text = decodeStrictly(answer.body, label);
        ASSERT_TRUE(text.has_value()) << number;
        EXPECT_EQ(between(*text, "<title>", " Vokari,音符随心飞"), work.title);
    }
}

TEST_F(SimPages, UnknownSongCodesAndPathsGetThePlain404) {
    for (const char* target : {"/s/000000000", "/s/", "/s/!!!!!!!!!", "/nothing", "/u/1/2", "/userdata/userwork/1.mp3",
                               "/userdata/userwork/preview/listen.mp3", "/play/swf/04.swf"}) {
        const auto answer = httpGet(url(target));
        ASSERT_EQ(answer.code, CURLE_OK) << target;
        EXPECT_EQ(answer.status, 404) << target;
        EXPECT_NE(answer.body.find("404 Not Found"), std::string::npos) << target;
    }
}

}  // namespace
}  // namespace vokari::sim
