#include "app/commands/commands.h"

#include "tests/app/commands_fixture.h"

namespace vokari {
namespace {

using testing_support::CommandsTest;
using testing_support::countStartingWith;
using testing_support::utf8;

class PlayTest : public CommandsTest {
protected:
    void SetUp() override {
        CommandsTest::SetUp();
        if (HasFatalFailure()) return;
        query(sim::members::kSpecial);
        works_ = sim::worksOf(member(sim::members::kSpecial));
        ASSERT_EQ(grid().gridRowCount(), static_cast<int>(works_.size()) + 1);
        captions_.clear();
    }

    QString player(const std::string& mp3Address, bool loop) const {
        return webAddress() + "/play/swf/03.swf?soundFile=" + utf8(mp3Address) +
               (loop ? "&autostart=yes&loop=yes" : "&autostart=yes&loop=no");
    }
    std::string mediaAddress(const sim::Work& w) const {
        return "http://" + sim_->host().str() + "/userdata/userwork/" + std::to_string(w.workId) + ".mp3";
    }

    std::vector<sim::Work> works_;
};

TEST_F(PlayTest, DoubleClickPlaysOnceAndAModeChangeReplaysInALoop) {
    const sim::Work& first = works_[0];
    std::size_t mark = sim().targets().size();
    doubleClickRow(1);

    EXPECT_EQ(window().player()->address(), player(mediaAddress(first), false));
    EXPECT_EQ(captions_, std::vector<QString>{utf8(first.title)});
    EXPECT_EQ(countStartingWith(sim().targetsSince(mark), "/s/" + first.enWorkId), 1u);

    // Picking 单曲循环 fetches the same song page again and loops it.
    mark = sim().targets().size();
    QTest::keyClick(window().playModeBox(), Qt::Key_Down);
    ASSERT_EQ(window().playModeBox()->currentIndex(), 1);
    EXPECT_EQ(window().player()->address(), player(mediaAddress(first), true));
    EXPECT_EQ(countStartingWith(sim().targetsSince(mark), "/s/" + first.enWorkId), 1u);
}

TEST_F(PlayTest, PicksThePageAddressOnlyWhenItNamesTheWork) {
    struct Row {
        const char* name;
        sim::AudioKind kind;
        bool usesPageAddress;
    };
    const Row rows[] = {
        {"OtherHostWithTheId", sim::AudioKind::OtherHostWithId, true},
        {"AddressWithoutTheId", sim::AudioKind::WithoutId, false},
        {"NoAddress", sim::AudioKind::None, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const auto it = std::find_if(works_.begin(), works_.end(), [&](const sim::Work& w) { return w.audio == r.kind; });
        ASSERT_NE(it, works_.end());
        doubleClickRow(it->index + 1);
        const std::string expected = r.usesPageAddress ? sim::pageAudioAddress(*it, sim_->host().str()) : mediaAddress(*it);
        EXPECT_EQ(window().state().mp3Address, Text(expected));
        EXPECT_EQ(window().player()->address(), player(expected, false));
        EXPECT_EQ(toQString(window().caption()), utf8(it->title));
    }
}

TEST_F(PlayTest, NothingHappensWithoutASelectedSongRow) {
    ASSERT_LE(grid().currentGridRow(), 0);
    const QString playerBefore = window().player()->address();
    const Text captionBefore = window().caption();
    const std::size_t mark = sim().targets().size();

    QTest::keyClick(window().playModeBox(), Qt::Key_Down);
    ASSERT_EQ(window().playModeBox()->currentIndex(), 1);
    resolveSelectedWork(window());

    EXPECT_TRUE(sim().targetsSince(mark).empty());
    EXPECT_EQ(window().player()->address(), playerBefore);
    EXPECT_EQ(window().caption(), captionBefore);
    EXPECT_TRUE(window().state().mp3Address.empty());
}

TEST_F(CommandsTest, UnreadableSongPagePlaysTheMediaAddressWithAnEmptyId) {
    // This member's song pages come back as bytes that are not HTTP at all.
    query(sim::faultMemberNumber(sim::FaultMode::Garbage, sim::FaultTarget::SongPage));
    ASSERT_GE(grid().gridRowCount(), 2);
    captions_.clear();
    doubleClickRow(1);

    EXPECT_EQ(window().player()->address(),
              webAddress() + "/play/swf/03.swf?soundFile=" + webAddress() + "/userdata/userwork/.mp3&autostart=yes&loop=no");
    EXPECT_EQ(toQString(window().caption()), QString());
}

}  // namespace
}  // namespace vokari
