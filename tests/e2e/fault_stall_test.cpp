// The query, the play and the save against a service that goes silent. Each
// case waits out a real time-out (30 s for a page or a picture, 15 s for a
// download), so each is its own CTest test and `ctest -j` runs them side by
// side. The simulator keeps silent just longer than the page time-out.
#include <QApplication>
#include <QTimer>

#include "tests/e2e/fault_window.h"

namespace vokari::e2e {
namespace {

using sim::FaultMode;
using sim::FaultTarget;

class StallTest : public FaultWindowTest {
protected:
    static void SetUpTestSuite() { sim_ = std::make_unique<RestartableSim>(std::vector<std::string>{"--stall-ms", "31000"}); }
    static void TearDownTestSuite() { sim_.reset(); }
    void SetUp() override {
        ASSERT_TRUE(sim_->running()) << "vokari-sim did not start";
        openWindow(sim_->host());
    }
    static sim::Member stalled(FaultTarget target) { return *sim::findMember(sim::faultMemberNumber(FaultMode::Stall, target)); }
    static inline std::unique_ptr<RestartableSim> sim_;
};

TEST_F(StallTest, QueryWithASilentProfileShowsNoMember) {
    const sim::Member m = stalled(FaultTarget::Profile);
    query(m.number);
    expectListed(m, kNoMember);
    expectStillUsable();
}

TEST_F(StallTest, QueryWithASilentSongListShowsTheProfileWithoutRows) {
    const sim::Member m = stalled(FaultTarget::SongList);
    query(m.number);
    expectListed(m, {.counts = true, .workCount = true, .rows = false, .picture = true});
    expectStillUsable();
}

TEST_F(StallTest, QueryWithASilentPictureShowsEverythingElse) {
    const sim::Member m = stalled(FaultTarget::Picture);
    query(m.number);
    expectListed(m, {.counts = true, .workCount = true, .rows = true, .picture = false});
    expectStillUsable();
}

TEST_F(StallTest, PlayWithASilentSongPageShowsAnEmptyCaption) {
    query(stalled(FaultTarget::SongPage).number);
    play(1);
    expectPlayed(std::nullopt);
    expectStillUsable();
}

// The player fetches the MP3 on its own; a silent media host must not hold
// the window, neither now nor when the next song replaces this one.
TEST_F(StallTest, PlayWithASilentMp3LeavesTheWindowFree) {
    const sim::Member m = stalled(FaultTarget::Mp3);
    query(m.number);
    play(1);
    expectPlayed(sim::worksOf(m)[0]);
    expectStillUsable();
}

TEST_F(StallTest, SaveWithASilentSongPageWritesNothing) {
    query(stalled(FaultTarget::SongPage).number);
    const QString path = desktop() + "/song.mp3";
    ASSERT_TRUE(writeFile(path, "old contents"));
    save(1, path);
    expectNotSaved(path, "old contents");
    QFile::remove(path);
    expectStillUsable();
}

TEST_F(StallTest, SaveWithASilentMp3WritesNothing) {
    query(stalled(FaultTarget::Mp3).number);
    const QString path = desktop() + "/song.mp3";
    ASSERT_TRUE(writeFile(path, "old contents"));
    save(1, path);
    expectNotSaved(path, "old contents");
    QFile::remove(path);
    expectStillUsable();
}

// The user gives up on a song page that never comes and closes the window:
// the program ends at once, not when the page time-out runs out.
TEST_F(StallTest, ClosingDuringASilentSongPageEndsTheProgram) {
    query(stalled(FaultTarget::SongPage).number);
    ASSERT_GE(grid().gridRowCount(), 2);
    const std::size_t mark = sim_->targets().size();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (sim_->countSince(mark, "/s/") > 0) window().close();
    });
    poll.start(20);
    QTimer::singleShot(0, [&] {
        QTest::mouseClick(grid().viewport(), Qt::LeftButton, {}, cellCentre(1));
        QTest::mouseDClick(grid().viewport(), Qt::LeftButton, {}, cellCentre(1));
    });
    // Well short of the 30 s time-out: only a fetch that ignores the closing
    // window reaches it.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(10'000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(window().closing());
    EXPECT_FALSE(window().commandRunning());
    EXPECT_EQ(sim_->countSince(mark, "/s/"), 1u);
}

}  // namespace
}  // namespace vokari::e2e
