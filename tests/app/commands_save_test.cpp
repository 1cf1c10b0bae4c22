#include "app/commands/commands.h"

#include <QApplication>
#include <QFileDialog>

#include "tests/app/commands_fixture.h"
#include "tests/support/case_table.h"

namespace vokari {
namespace {

using testing_support::CommandsTest;
using testing_support::countStartingWith;
using testing_support::utf8;

const QString kInfoCaption = u"信息："_qs;
const QString kSaved = u"保存成功"_qs;
const QString kNotSaved = u"保存失败"_qs;

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class SaveTest : public CommandsTest {
protected:
    // Lists a member and answers the next dialog with `confirmedPath`
    // (nothing: cancel), keeping the settings the dialog was given.
    void listMember(std::string_view number) {
        query(number);
        works_ = sim::worksOf(member(number));
        ASSERT_EQ(grid().gridRowCount(), static_cast<int>(works_.size()) + 1);
    }
    void answerDialog(std::optional<QString> confirmedPath) {
        SaveDialog::setNextAnswer([this, confirmedPath](const SaveDialog& shown) {
            shown_ = shown;
            return confirmedPath;
        });
    }
    std::size_t mp3Requests(std::size_t mark) const { return countStartingWith(sim_->targetsSince(mark), "/userdata/userwork/"); }

    std::vector<sim::Work> works_;
    std::optional<SaveDialog> shown_;
};

TEST_F(SaveTest, SavesTheServedMp3UnderTheConfirmedName) {
    listMember(sim::members::kSpecial);
    const sim::Work& w = works_[0];
    const QString path = desktop() + "/" + utf8(w.name) + ".mp3";
    answerDialog(path);
    rightClickRow(1);

    ASSERT_TRUE(shown_);
    EXPECT_EQ(shown_->type, SaveDialog::Type::save);
    EXPECT_EQ(shown_->fileName, utf8(w.name) + ".mp3");
    EXPECT_EQ(shown_->filter, u"*.mp3"_qs);
    EXPECT_EQ(shown_->initialFolder, desktop() + "/");
    EXPECT_EQ(contentsOf(path), QByteArray::fromStdString(sim::mp3Bytes(w)));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].caption, kInfoCaption);
    EXPECT_EQ(messages_[0].text, kSaved);
}

TEST_F(SaveTest, ReplacesAnExistingFileWithTheWholeNewOne) {
    listMember(sim::members::kOneWork);
    const QString path = desktop() + "/song.mp3";
    writeFile(path, QByteArray(1 << 20, 'x'));  // longer than the MP3
    answerDialog(path);
    rightClickRow(1);

    EXPECT_EQ(contentsOf(path), QByteArray::fromStdString(sim::mp3Bytes(works_[0])));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, kSaved);
}

TEST_F(SaveTest, ProposesTheSongNameMadeSafeAndCancelWritesNothing) {
    listMember(sim::members::kSpecial);
    struct Row {
        int gridRow;
        QString proposed;
    };
    // Rows of the awkward member: separators, refused characters, a hidden name.
    const Row rows[] = {
        {1, u"你好，世界.mp3"_qs},
        {4, u"A_B_Live_ Why_ _Best_.mp3"_qs},
        {5, u"隐藏的歌.mp3"_qs},
        {9, u"你&我's_歌___.mp3"_qs},
    };
    const std::size_t mark = sim().targets().size();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.gridRow);
        shown_.reset();
        answerDialog(std::nullopt);
        rightClickRow(r.gridRow);
        ASSERT_TRUE(shown_);
        EXPECT_EQ(shown_->fileName, r.proposed);
        EXPECT_EQ(shown_->initialFolder, desktop() + "/");
    }
    EXPECT_EQ(mp3Requests(mark), 0u);
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(QDir(desktop()).isEmpty());
}

TEST_F(SaveTest, APathThatCannotBeWrittenIsAFailure) {
    listMember(sim::members::kOneWork);
    // A regular file stands where the folder should be: no user, root
    // included, can create a file inside it.
    writeFile(desktop() + "/not-a-folder", "x");
    answerDialog(desktop() + "/not-a-folder/song.mp3");
    rightClickRow(1);

    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, kNotSaved);
    EXPECT_EQ(contentsOf(desktop() + "/not-a-folder"), QByteArray("x"));
}

struct FailedDownloadCase {
    VOKARI_PRINT_CASE_BY_NAME(FailedDownloadCase)
    const char* name;
    sim::FaultMode mode;
    sim::FaultTarget target;
};

class FailedDownloadTest : public SaveTest, public testing::WithParamInterface<FailedDownloadCase> {};

// Whatever went wrong with the download, the existing file keeps its bytes.
TEST_P(FailedDownloadTest, ReportsAFailureAndLeavesTheFileAlone) {
    listMember(sim::faultMemberNumber(GetParam().mode, GetParam().target));
    const QString path = desktop() + "/song.mp3";
    writeFile(path, "old contents");
    answerDialog(path);
    const std::size_t mark = sim().targets().size();
    rightClickRow(1);

    EXPECT_EQ(mp3Requests(mark), 1u);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].caption, kInfoCaption);
    EXPECT_EQ(messages_[0].text, kNotSaved);
    EXPECT_EQ(contentsOf(path), QByteArray("old contents"));
    EXPECT_EQ(QDir(desktop()).entryList(QDir::Files), QStringList{"song.mp3"});
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FailedDownloadTest,
    testing::Values(
        // No song page, so the work id is empty and the media host answers
        // 404 for "/userdata/userwork/.mp3".
        FailedDownloadCase{"NotFound", sim::FaultMode::Garbage, sim::FaultTarget::SongPage},
        FailedDownloadCase{"ServerError", sim::FaultMode::ServerError, sim::FaultTarget::Mp3},
        FailedDownloadCase{"ResetHalfWay", sim::FaultMode::Reset, sim::FaultTarget::Mp3},
        FailedDownloadCase{"NoHttpAnswer", sim::FaultMode::Garbage, sim::FaultTarget::Mp3}),
    testing_support::caseName);

TEST_F(SaveTest, NoRowSelectedShowsNoDialog) {
    listMember(sim::members::kNoWorks);
    bool asked = false;
    SaveDialog::setNextAnswer([&](const SaveDialog&) {
        asked = true;
        return std::optional<QString>();
    });
    const std::size_t mark = sim().targets().size();
    QTest::mousePress(grid().viewport(), Qt::RightButton, {}, QPoint(20, 20));
    QTest::mouseRelease(grid().viewport(), Qt::RightButton, {}, QPoint(20, 20));

    EXPECT_FALSE(asked);
    EXPECT_TRUE(sim().targetsSince(mark).empty());
    EXPECT_TRUE(messages_.empty());
}

TEST_F(SaveTest, ClosingDuringTheDownloadWritesNoFile) {
    // The MP3 never comes; only the closing window can end the wait.
    listMember(sim::faultMemberNumber(sim::FaultMode::Stall, sim::FaultTarget::Mp3));
    const QString path = desktop() + "/song.mp3";
    writeFile(path, "old contents");
    answerDialog(path);
    const std::size_t mark = sim().targets().size();
    testing_support::closeOnceRequested(window(), sim(), mark, "/userdata/userwork/");
    rightClickRow(1);

    EXPECT_TRUE(window().closing());
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(contentsOf(path), QByteArray("old contents"));
    EXPECT_EQ(QDir(desktop()).entryList(QDir::Files), QStringList{"song.mp3"});
}

TEST_F(SaveTest, ClosingWhileTheDialogIsOpenEndsTheCommand) {
    listMember(sim::members::kOneWork);
    SaveDialog::setNextAnswer([&](const SaveDialog&) {
        window().close();
        return std::optional<QString>(desktop() + "/song.mp3");
    });
    const std::size_t mark = sim().targets().size();
    rightClickRow(1);

    EXPECT_EQ(mp3Requests(mark), 0u);
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(QDir(desktop()).isEmpty());
}

// The real dialog, not the seam: its settings, the question before replacing
// a file, and that it goes away with the window.
TEST_F(SaveTest, TheRealDialogStartsInTheDesktopFolderAndClosesWithTheWindow) {
    listMember(sim::members::kSpecial);
    bool inspected = false;
    // The song page is fetched first; the dialog shows once it has come.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || inspected) return;
        inspected = true;
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog->directory().absolutePath(), desktop());
        EXPECT_EQ(dialog->selectedFiles(), QStringList{desktop() + u"/隐藏的歌.mp3"_qs});
        EXPECT_EQ(dialog->nameFilters(), QStringList{"*.mp3"});
        EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        window().close();
    });
    poll.start(20);
    const std::size_t mark = sim().targets().size();
    rightClickRow(5);

    EXPECT_TRUE(inspected);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(mp3Requests(mark), 0u);
    EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace vokari
