// The query, the play and the save against every way the service can fail
// quickly: each case runs the command on a fault member, checks what the
// window shows and what lands on disk, then uses the same window for a sound
// query, play and save. The stalls, which wait out real time-outs, are in
// fault_stall_test.cpp so they run beside this binary.
#include <QProcess>

#include "tests/e2e/fault_window.h"
#include "tests/support/case_table.h"

namespace vokari::e2e {
namespace {

using sim::FaultMode;
using sim::FaultTarget;

// Tens of megabytes, and still quick on loopback.
constexpr int kHugeMb = 24;

class FaultMatrixTest : public FaultWindowTest {
protected:
    static void SetUpTestSuite() { sim_ = std::make_unique<RestartableSim>(std::vector<std::string>{"--huge-mb", std::to_string(kHugeMb)}); }
    static void TearDownTestSuite() { sim_.reset(); }
    void SetUp() override {
        ASSERT_TRUE(sim_->running()) << "vokari-sim did not start";
        openWindow(sim_->host());
    }
    static inline std::unique_ptr<RestartableSim> sim_;
};

std::string faultMember(FaultMode mode, FaultTarget target) { return sim::faultMemberNumber(mode, target); }

// ---- the query -------------------------------------------------------------

struct QueryCase {
    VOKARI_PRINT_CASE_BY_NAME(QueryCase)
    const char* name;
    FaultMode mode;
    FaultTarget target;
    Listing shown;
};

class QueryFaultTest : public FaultMatrixTest, public testing::WithParamInterface<QueryCase> {};

TEST_P(QueryFaultTest, ShowsTheMemberOrNothingAndStaysUsable) {
    const QueryCase& c = GetParam();
    const sim::Member m = *sim::findMember(faultMember(c.mode, c.target));
    query(m.number);
    expectListed(m, c.shown);
    EXPECT_TRUE(QDir(desktop()).isEmpty());
    expectStillUsable();
}

constexpr FaultTarget kProfile = FaultTarget::Profile;
constexpr FaultTarget kSongList = FaultTarget::SongList;
constexpr FaultTarget kPicture = FaultTarget::Picture;

constexpr Listing kWhole = kWholeMember;
constexpr Listing kNothing = kNoMember;
// The user id and the work count sit in the page's head, the counts and the
// picture address in its body: a page that ends early lists the songs alone.
constexpr Listing kHeadOnly{false, true, true, false};
constexpr Listing kNoRows{true, true, false, true};
constexpr Listing kNoPicture{true, true, true, false};

INSTANTIATE_TEST_SUITE_P(
    Faults, QueryFaultTest,
    testing::Values(QueryCase{"ProfileResetHalfWay", FaultMode::Reset, kProfile, kHeadOnly},
                    QueryCase{"ProfileServerError", FaultMode::ServerError, kProfile, kNothing},
                    QueryCase{"ProfileNotHttp", FaultMode::Garbage, kProfile, kNothing},
                    QueryCase{"ProfileBinary", FaultMode::Binary, kProfile, kNothing},
                    QueryCase{"ProfileHuge", FaultMode::Huge, kProfile, kWhole},
                    QueryCase{"ProfileZeroByte", FaultMode::ZeroByte, kProfile, kHeadOnly},
                    QueryCase{"ProfileUnknownCharset", FaultMode::UnknownCharset, kProfile, kWhole},
                    QueryCase{"ProfileRedirectLoop", FaultMode::RedirectLoop, kProfile, kNothing},
                    // A song list cut short would leave its last song without
                    // counts; the page is dropped as a failed one.
                    QueryCase{"SongListResetHalfWay", FaultMode::Reset, kSongList, kNoRows},
                    QueryCase{"SongListServerError", FaultMode::ServerError, kSongList, kNoRows},
                    QueryCase{"SongListNotHttp", FaultMode::Garbage, kSongList, kNoRows},
                    QueryCase{"SongListBinary", FaultMode::Binary, kSongList, kNoRows},
                    QueryCase{"SongListHuge", FaultMode::Huge, kSongList, kWhole},
                    QueryCase{"SongListZeroByte", FaultMode::ZeroByte, kSongList, kNoRows},
                    QueryCase{"SongListUnknownCharset", FaultMode::UnknownCharset, kSongList, kWhole},
                    QueryCase{"SongListRedirectLoop", FaultMode::RedirectLoop, kSongList, kNoRows},
                    QueryCase{"PictureResetHalfWay", FaultMode::Reset, kPicture, kNoPicture},
                    QueryCase{"PictureServerError", FaultMode::ServerError, kPicture, kNoPicture},
                    QueryCase{"PictureNotHttp", FaultMode::Garbage, kPicture, kNoPicture},
                    QueryCase{"PictureBinary", FaultMode::Binary, kPicture, kNoPicture},
                    QueryCase{"PictureHuge", FaultMode::Huge, kPicture, kWhole},
                    QueryCase{"PictureZeroByte", FaultMode::ZeroByte, kPicture, kNoPicture},
                    QueryCase{"PictureUnknownCharset", FaultMode::UnknownCharset, kPicture, kWhole},
                    QueryCase{"PictureRedirectLoop", FaultMode::RedirectLoop, kPicture, kNoPicture}),
    testing_support::caseName);

// A typed number is put into the path as it is, so "../" leaves the profile
// folder and the service answers 404.
TEST_F(FaultMatrixTest, QueryOfAMissingPageShowsNoMember) {
    const std::size_t mark = sim_->targets().size();
    query("../no-such-page");
    EXPECT_EQ(sim_->targets().size(), mark + 1);
    expectListed(*sim::findMember(sim::members::kMissing), kNoMember);
    expectStillUsable();
}

// ---- the play ----------------------------------------------------------------

struct PlayCase {
    VOKARI_PRINT_CASE_BY_NAME(PlayCase)
    const char* name;
    FaultMode mode;
    FaultTarget target;
    bool titleShown;  // the caption holds the page title, else it is empty
    bool idFound;     // the player gets the work's MP3, else the empty-id address
};

class PlayFaultTest : public FaultMatrixTest, public testing::WithParamInterface<PlayCase> {};

TEST_P(PlayFaultTest, ShowsTheSongOrAnEmptyCaptionAndStaysUsable) {
    const PlayCase& c = GetParam();
    const sim::Member m = *sim::findMember(faultMember(c.mode, c.target));
    query(m.number);
    ASSERT_EQ(grid().gridRowCount(), m.works + 1);
    const sim::Work work = sim::worksOf(m)[0];
    play(1);
    EXPECT_EQ(toQString(window().caption()), c.titleShown ? utf8(work.title) : QString());
    EXPECT_EQ(window().player()->address(), playerFor(mediaAddress(c.idFound ? std::to_string(work.workId) : "")));
    EXPECT_TRUE(QDir(desktop()).isEmpty());
    expectStillUsable();
}

constexpr FaultTarget kSongPage = FaultTarget::SongPage;
constexpr FaultTarget kMp3 = FaultTarget::Mp3;

INSTANTIATE_TEST_SUITE_P(
    Faults, PlayFaultTest,
    testing::Values(PlayCase{"SongPageResetHalfWay", FaultMode::Reset, kSongPage, true, false},
                    PlayCase{"SongPageServerError", FaultMode::ServerError, kSongPage, false, false},
                    PlayCase{"SongPageNotHttp", FaultMode::Garbage, kSongPage, false, false},
                    PlayCase{"SongPageBinary", FaultMode::Binary, kSongPage, false, false},
                    PlayCase{"SongPageHuge", FaultMode::Huge, kSongPage, true, true},
                    PlayCase{"SongPageZeroByte", FaultMode::ZeroByte, kSongPage, true, false},
                    PlayCase{"SongPageUnknownCharset", FaultMode::UnknownCharset, kSongPage, true, true},
                    PlayCase{"SongPageRedirectLoop", FaultMode::RedirectLoop, kSongPage, false, false},
                    // The player fetches the MP3 itself, after the command.
                    PlayCase{"Mp3ResetHalfWay", FaultMode::Reset, kMp3, true, true},
                    PlayCase{"Mp3ServerError", FaultMode::ServerError, kMp3, true, true},
                    PlayCase{"Mp3NotHttp", FaultMode::Garbage, kMp3, true, true},
                    PlayCase{"Mp3Binary", FaultMode::Binary, kMp3, true, true},
                    PlayCase{"Mp3Huge", FaultMode::Huge, kMp3, true, true},
                    PlayCase{"Mp3RedirectLoop", FaultMode::RedirectLoop, kMp3, true, true}),
    testing_support::caseName);

TEST_F(FaultMatrixTest, PlayOfAMissingSongPageShowsAnEmptyCaption) {
    query(sim::members::kOneWork);
    grid().setCellText(1, 1, toText(webAddress_ + "/s/no-such-song"));
    play(1);
    expectPlayed(std::nullopt);
    expectStillUsable();
}

// ---- the save ----------------------------------------------------------------

enum class Written { Mp3, OtherBytes, Nothing };

struct SaveCase {
    VOKARI_PRINT_CASE_BY_NAME(SaveCase)
    const char* name;
    FaultMode mode;
    FaultTarget target;
    Written written;
};

class SaveFaultTest : public FaultMatrixTest, public testing::WithParamInterface<SaveCase> {};

TEST_P(SaveFaultTest, WritesOnlyWhatCameWholeAndStaysUsable) {
    const SaveCase& c = GetParam();
    const sim::Member m = *sim::findMember(faultMember(c.mode, c.target));
    query(m.number);
    ASSERT_EQ(grid().gridRowCount(), m.works + 1);
    const QString path = desktop() + "/song.mp3";
    ASSERT_TRUE(writeFile(path, "old contents"));
    save(1, path);

    const QByteArray mp3 = QByteArray::fromStdString(sim::mp3Bytes(sim::worksOf(m)[0]));
    switch (c.written) {
        case Written::Mp3: expectSaved(path, mp3); break;
        case Written::OtherBytes:
            ASSERT_EQ(messages_.size(), 1u);
            EXPECT_EQ(messages_[0], kSaved);
            EXPECT_NE(contentsOf(path), QByteArray("old contents"));
            EXPECT_NE(contentsOf(path), mp3);
            break;
        case Written::Nothing: expectNotSaved(path, "old contents"); break;
    }
    QFile::remove(path);
    expectStillUsable();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SaveFaultTest,
    testing::Values(
        // An unreadable song page leaves the work id empty, and the media
        // host has no "/userdata/userwork/.mp3": a 404, so nothing is saved.
        SaveCase{"SongPageResetHalfWay", FaultMode::Reset, kSongPage, Written::Nothing},
        SaveCase{"SongPageServerError", FaultMode::ServerError, kSongPage, Written::Nothing},
        SaveCase{"SongPageNotHttp", FaultMode::Garbage, kSongPage, Written::Nothing},
        SaveCase{"SongPageBinary", FaultMode::Binary, kSongPage, Written::Nothing},
        SaveCase{"SongPageHuge", FaultMode::Huge, kSongPage, Written::Mp3},
        SaveCase{"SongPageZeroByte", FaultMode::ZeroByte, kSongPage, Written::Nothing},
        SaveCase{"SongPageUnknownCharset", FaultMode::UnknownCharset, kSongPage, Written::Mp3},
        SaveCase{"SongPageRedirectLoop", FaultMode::RedirectLoop, kSongPage, Written::Nothing},
        SaveCase{"Mp3ResetHalfWay", FaultMode::Reset, kMp3, Written::Nothing},
        SaveCase{"Mp3ServerError", FaultMode::ServerError, kMp3, Written::Nothing},
        SaveCase{"Mp3NotHttp", FaultMode::Garbage, kMp3, Written::Nothing},
        // A whole 200 reply is saved as it came; the command does not judge bytes.
        SaveCase{"Mp3Binary", FaultMode::Binary, kMp3, Written::OtherBytes},
        SaveCase{"Mp3Huge", FaultMode::Huge, kMp3, Written::OtherBytes},
        SaveCase{"Mp3ZeroByte", FaultMode::ZeroByte, kMp3, Written::Mp3},
        SaveCase{"Mp3UnknownCharset", FaultMode::UnknownCharset, kMp3, Written::Mp3},
        SaveCase{"Mp3RedirectLoop", FaultMode::RedirectLoop, kMp3, Written::Nothing}),
    testing_support::caseName);

TEST_F(FaultMatrixTest, SavedHugeMp3IsEveryByteServed) {
    const sim::Member m = *sim::findMember(faultMember(FaultMode::Huge, kMp3));
    query(m.number);
    const QString path = desktop() + "/huge.mp3";
    save(1, path);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], kSaved);
    const QByteArray saved = contentsOf(path);
    EXPECT_TRUE(saved.startsWith(QByteArray::fromStdString(sim::mp3Bytes(sim::worksOf(m)[0]))));
    EXPECT_GE(saved.size(), qsizetype{kHugeMb} << 20);
}

// ---- a closed port ---------------------------------------------------------

// The simulator stops at the moment each command reaches the network, and
// comes back on the same port before the window is used again.
class RefusedTest : public FaultWindowTest {
protected:
    void SetUp() override {
        sim_ = std::make_unique<RestartableSim>(std::vector<std::string>{});
        ASSERT_TRUE(sim_->running()) << "vokari-sim did not start";
        openWindow(sim_->host());
    }
    void comeBack() { ASSERT_TRUE(sim_->restart()) << "vokari-sim did not come back on its port"; }
    std::unique_ptr<RestartableSim> sim_;
};

TEST_F(RefusedTest, QueryShowsNoMember) {
    sim_->stop();
    query(sim::members::kOneWork);
    expectListed(*sim::findMember(sim::members::kOneWork), kNoMember);
    comeBack();
    expectStillUsable();
}

TEST_F(RefusedTest, PlayShowsAnEmptyCaption) {
    query(sim::members::kOneWork);
    sim_->stop();
    play(1);
    expectPlayed(std::nullopt);
    comeBack();
    expectStillUsable();
}

TEST_F(RefusedTest, SaveWritesNothing) {
    query(sim::members::kOneWork);
    const QString path = desktop() + "/song.mp3";
    ASSERT_TRUE(writeFile(path, "old contents"));
    // The song page came; the download, after the dialog, finds no one.
    save(1, path, [this] { sim_->stop(); });
    expectNotSaved(path, "old contents");
    comeBack();
    QFile::remove(path);
    expectStillUsable();
}

// ---- a full disk -------------------------------------------------------------

// A tiny file system of its own, mounted for one test and gone after it.
class TinyDisk {
public:
    explicit TinyDisk(const QString& folder) : folder_(folder) {
        QDir().mkpath(folder_);
        mounted_ = QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", folder_}) == 0;
    }
    ~TinyDisk() {
        if (mounted_) QProcess::execute("umount", {folder_});
    }
    bool mounted() const { return mounted_; }
    // Takes whatever room is left.
    void fill() const {
        QFile filler(folder_ + "/filler");
        if (!filler.open(QIODevice::WriteOnly)) return;
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }

private:
    QString folder_;
    bool mounted_ = false;
};

TEST_F(FaultMatrixTest, SaveIntoAFullDiskFailsAndKeepsTheOldFile) {
    const QString folder = desktop() + "/tiny";
    TinyDisk disk(folder);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root and mount rights)";
    query(sim::members::kOneWork);
    const QString path = folder + "/song.mp3";
    ASSERT_TRUE(writeFile(path, "old contents"));
    disk.fill();
    save(1, path);

    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], kNotSaved);
    EXPECT_EQ(contentsOf(path), QByteArray("old contents"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), (QStringList{"filler", "song.mp3"}));
}

}  // namespace
}  // namespace vokari::e2e
