// The media and player hosts: MP3 files byte for byte as the catalogue says,
// Range answers as a seeking player needs them, pictures and the player.
#include "sim/catalogue.h"
#include "sim/sim_process.h"
#include "tests/sim/http_get.h"
#include "tests/sim/page_reading.h"
#include "tests/support/case_table.h"

#include <gtest/gtest.h>

#include <set>

namespace vokari::sim {
namespace {

using testing::headerValue;
using testing::httpGet;
using testing::HttpRequest;

class SimMedia : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sim = new SimProcess(); }
    static void TearDownTestSuite() { delete sim; }
    static std::string mediaUrl(const Work& work) {
        return sim->url("/userdata/userwork/" + std::to_string(work.workId) + ".mp3");
    }
    static SimProcess* sim;
};
SimProcess* SimMedia::sim = nullptr;

TEST_F(SimMedia, ServesEachWorksOwnRecording) {
    ASSERT_TRUE(sim->started());
    std::set<std::string> seen;
    std::size_t fetched = 0;
    for (std::string_view number : {members::kOneWork, members::kSpecial, members::kThousand}) {
        const Member member = *findMember(number);
        for (int index : std::set<int>{0, member.works - 1}) {
            const Work work = workAt(member, index);
            const auto answer = httpGet(mediaUrl(work));
            ASSERT_EQ(answer.code, CURLE_OK);
            EXPECT_EQ(answer.status, 200);
            EXPECT_EQ(headerValue(answer.headers, "Content-Type"), "audio/mpeg");
            EXPECT_EQ(answer.body, mp3Bytes(work));
            // A real MP3: an ID3v2 tag, then an MPEG audio frame sync.
            ASSERT_GT(answer.body.size(), 2000u);
            ASSERT_EQ(answer.body.substr(0, 3), "ID3");
            const std::size_t tagSize = 10 + ((answer.body[6] & 0x7F) << 21) + ((answer.body[7] & 0x7F) << 14) +
                                        ((answer.body[8] & 0x7F) << 7) + (answer.body[9] & 0x7F);
            ASSERT_LT(tagSize + 1, answer.body.size());
            EXPECT_EQ(static_cast<unsigned char>(answer.body[tagSize]), 0xFF);
            EXPECT_EQ(static_cast<unsigned char>(answer.body[tagSize + 1]) & 0xE0, 0xE0);
            seen.insert(answer.body);
            ++fetched;
        }
    }
    EXPECT_EQ(seen.size(), fetched) << "every work must have bytes of its own";
}

TEST_F(SimMedia, TheOtherHostAddressServesTheSameRecording) {
    const Member member = *findMember(members::kSpecial);
    for (const Work& work : worksOf(member)) {
        if (work.audio != AudioKind::OtherHostWithId) continue;
        // "localhost" may resolve to ::1 first; the server is on 127.0.0.1 only.
        const std::string address = pageAudioAddress(work, sim->host());
        const auto answer = httpGet(sim->url(otherHostAudioPath(work)), HttpRequest{.headers = {"Host: localhost"}});
        EXPECT_EQ(answer.status, 200) << address;
        EXPECT_EQ(answer.body, mp3Bytes(work));
        EXPECT_NE(address.find(otherHostAudioPath(work)), std::string::npos);
    }
}

struct RangeCase {
    VOKARI_PRINT_CASE_BY_NAME(RangeCase)
    const char* name;
    const char* range;
    long status;
    long first;  // expected first byte offset, -1 for "from the end"
    long length;  // -1: to the end
};

class SimRanges : public SimMedia, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(SimRanges, AreAnsweredAsAPlayerExpects) {
    const RangeCase& c = GetParam();
    const Work work = workAt(*findMember(members::kOneWork), 0);
    const std::string whole = mp3Bytes(work);
    const auto size = static_cast<long>(whole.size());
    const auto answer = httpGet(mediaUrl(work), HttpRequest{.range = c.range});
    ASSERT_EQ(answer.code, CURLE_OK);
    EXPECT_EQ(answer.status, c.status);
    EXPECT_EQ(headerValue(answer.headers, "Accept-Ranges"), "bytes");
    if (c.status == 416) {
        EXPECT_EQ(headerValue(answer.headers, "Content-Range"), "bytes */" + std::to_string(size));
        EXPECT_EQ(answer.body, "");
        return;
    }
    if (c.status == 200) {
        EXPECT_EQ(answer.body, whole);
        return;
    }
    const long first = c.first >= 0 ? c.first : size - c.length;
    const long length = c.length >= 0 ? std::min(c.length, size - first) : size - first;
    EXPECT_EQ(answer.body, whole.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(length)));
    EXPECT_EQ(headerValue(answer.headers, "Content-Range"),
              "bytes " + std::to_string(first) + "-" + std::to_string(first + length - 1) + "/" + std::to_string(size));
}

INSTANTIATE_TEST_SUITE_P(Table, SimRanges,
                         ::testing::Values(RangeCase{"FirstHundred", "0-99", 206, 0, 100},
                                           RangeCase{"Middle", "1000-1999", 206, 1000, 1000},
                                           RangeCase{"OpenEnded", "3000-", 206, 3000, -1},
                                           RangeCase{"Suffix", "-100", 206, -1, 100},
                                           RangeCase{"EndPastTheEnd", "100-999999", 206, 100, -1},
                                           RangeCase{"StartPastTheEnd", "999999-", 416, 0, 0},
                                           RangeCase{"EmptySuffix", "-0", 416, 0, 0},
                                           RangeCase{"SeveralGetTheWhole", "0-1,5-9", 200, 0, 0}),
                         testing_support::caseName);

TEST_F(SimMedia, TheBigRecordingIsServedInPiecesAsDescribed) {
    const Work work = workAt(*findMember(members::kBigMedia), 0);
    const Mp3Recording recording = mp3Recording(work);
    ASSERT_GE(recording.size(), 50ull * 1024 * 1024);
    const auto head = httpGet(mediaUrl(work), HttpRequest{.headOnly = true});
    EXPECT_EQ(headerValue(head.headers, "Content-Length"), std::to_string(recording.size()));
    for (std::uint64_t offset : {std::uint64_t{0}, std::uint64_t{12345678}, recording.size() - 1000}) {
        const std::string range = std::to_string(offset) + "-" + std::to_string(offset + 999);
        const auto piece = httpGet(mediaUrl(work), HttpRequest{.range = range});
        EXPECT_EQ(piece.status, 206) << range;
        EXPECT_EQ(piece.body, recording.read(offset, 1000)) << range;
    }
}

TEST_F(SimMedia, PicturesAndThePlayerAreServed) {
    const Member member = *findMember(members::kOneWork);
    const auto picture = httpGet(sim->url(picturePath(member)));
    EXPECT_EQ(picture.status, 200);
    EXPECT_EQ(headerValue(picture.headers, "Content-Type"), "image/png");
    EXPECT_EQ(picture.body, pictureBytes(member));
    EXPECT_EQ(picture.body.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_NE(pictureBytes(member), pictureBytes(*findMember(members::kOnePage)));

    // The player takes any query: the tool appends its own.
    for (const char* target : {"/play/swf/03.swf", "/play/swf/03.swf?soundFile=http://a/b.mp3&autostart=yes&loop=no"}) {
        const auto player = httpGet(sim->url(target));
        EXPECT_EQ(player.status, 200) << target;
        EXPECT_EQ(headerValue(player.headers, "Content-Type"), "application/x-shockwave-flash");
        EXPECT_EQ(player.body.substr(0, 3), "FWS");
        ASSERT_GE(player.body.size(), 8u);
        EXPECT_EQ(static_cast<std::size_t>(static_cast<unsigned char>(player.body[4])), player.body.size());
    }
}

}  // namespace
}  // namespace vokari::sim
