#include "app/commands/commands.h"

#include "tests/app/commands_fixture.h"
#include "tests/support/case_table.h"

#include <httplib.h>

#include <thread>

namespace vokari {
namespace {

using testing_support::CommandsTest;
using testing_support::utf8;

const QString kLoading = u"正在载入歌曲目录，请等待..."_qs;

QString progress(int row, const std::string& workCount) { return u"载入中："_qs + QString::number(row) + "/" + utf8(workCount); }
QString done(const std::string& workCount) { return u"载入完成，共载入歌曲 "_qs + utf8(workCount) + u" 首"_qs; }

std::string songListTarget(int pageIndex, const std::string& userId) {
    return "/member/personcenter/loadmore.php?ver=1&pageNum=" + std::to_string(pageIndex) + "&type=0&userid=" +
           userId + "&curuserid=-1";
}

TEST_F(CommandsTest, StartsWithTheHeaderRowAndNoMember) {
    EXPECT_EQ(grid().gridRowCount(), 1);
    const QStringList headers{u"歌名"_qs, u"地址"_qs, u"收听"_qs, u"礼物"_qs, u"转发"_qs, u" 留言"_qs};
    for (int column = 0; column < 6; ++column) EXPECT_EQ(cell(0, column), headers[column]);
    EXPECT_EQ(window().worksLabel()->text(), u"作品"_qs);
    EXPECT_EQ(window().followsLabel()->text(), u"关注"_qs);
    EXPECT_EQ(window().fansLabel()->text(), u"粉丝"_qs);
    EXPECT_FALSE(window().memberPicture()->hasPicture());
    EXPECT_EQ(window().player()->address(), webAddress() + "/play/swf/03.swf");
    EXPECT_EQ(window().playModeBox()->currentText(), u"单次播放"_qs);
}

struct MemberCase {
    VOKARI_PRINT_CASE_BY_NAME(MemberCase)
    const char* name;
    std::string_view number;
};

class QueryTest : public CommandsTest, public testing::WithParamInterface<MemberCase> {};

// Everything one query shows, checked against what the simulator serves.
TEST_P(QueryTest, ListsEverySongOfTheMemberInPageOrder) {
    const sim::Member m = member(GetParam().number);
    const std::vector<sim::Work> works = sim::worksOf(m);
    const std::size_t mark = sim().targets().size();
    query(GetParam().number);

    ASSERT_EQ(grid().gridRowCount(), static_cast<int>(works.size()) + 1);
    for (std::size_t i = 0; i < works.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        const sim::Work& w = works[i];
        SCOPED_TRACE("row " + std::to_string(row));
        EXPECT_EQ(cell(row, 0), utf8(w.name));
        EXPECT_EQ(cell(row, 1), webAddress() + "/s/" + utf8(w.enWorkId));
        EXPECT_EQ(cell(row, 2), QString::number(w.listens));
        EXPECT_EQ(cell(row, 3), QString::number(w.flowers));
        EXPECT_EQ(cell(row, 4), QString::number(w.forwards));
        EXPECT_EQ(cell(row, 5), QString::number(w.comments));
    }
    EXPECT_EQ(window().worksLabel()->text(), QString::number(m.works));
    EXPECT_EQ(window().followsLabel()->text(), QString::number(m.follows));
    EXPECT_EQ(window().fansLabel()->text(), QString::number(m.fans));
    EXPECT_TRUE(window().memberPicture()->hasPicture());
    EXPECT_EQ(window().player()->address(), webAddress() + "/play/swf/03.swf    ");

    std::vector<QString> expectedCaptions{kLoading};
    for (std::size_t row = 1; row <= works.size(); ++row) expectedCaptions.push_back(progress(static_cast<int>(row), m.workCountText));
    expectedCaptions.push_back(done(m.workCountText));
    EXPECT_EQ(captions_, expectedCaptions);

    // The profile, its picture, then every song-list page once, in order.
    std::vector<std::string> expectedTargets{"/u/" + m.number, sim::picturePath(m)};
    for (int page = 0; page * 20 < m.works; ++page) expectedTargets.push_back(songListTarget(page, m.userId));
    EXPECT_EQ(sim().targetsSince(mark), expectedTargets);
}

INSTANTIATE_TEST_SUITE_P(Members, QueryTest,
                         testing::Values(MemberCase{"NoWorks", sim::members::kNoWorks},
                                         MemberCase{"OneWork", sim::members::kOneWork},
                                         MemberCase{"OneFullPage", sim::members::kOnePage},
                                         MemberCase{"OnePageAndOne", sim::members::kOnePageAndOne},
                                         MemberCase{"TwoPagesAndOne", sim::members::kTwoPagesAndOne},
                                         MemberCase{"WorkCountWithTrailingText", sim::members::kTrailingWorkCount},
                                         MemberCase{"AwkwardNames", sim::members::kSpecial}),
                         testing_support::caseName);

TEST_F(CommandsTest, SecondQueryClearsTheRowsBeforeAddingNew) {
    query(sim::members::kTwoPagesAndOne);
    ASSERT_EQ(grid().gridRowCount(), 42);
    const sim::Member one = member(sim::members::kOneWork);
    std::vector<int> rowsAtEachCaption;
    QObject::connect(&window(), &QWidget::windowTitleChanged, [&] { rowsAtEachCaption.push_back(grid().gridRowCount()); });
    captions_.clear();
    query(one.number);

    EXPECT_EQ(grid().gridRowCount(), 2);
    EXPECT_EQ(cell(1, 0), utf8(sim::worksOf(one)[0].name));
    EXPECT_EQ(captions_, (std::vector<QString>{kLoading, progress(1, one.workCountText), done(one.workCountText)}));
    EXPECT_EQ(rowsAtEachCaption, (std::vector<int>{1, 2, 2}));
}

TEST_F(CommandsTest, UnknownMemberEmptiesTheLabelsAndAsksForNoSongList) {
    const std::size_t mark = sim().targets().size();
    query(sim::members::kMissing);

    EXPECT_EQ(grid().gridRowCount(), 1);
    EXPECT_EQ(window().worksLabel()->text(), QString());
    EXPECT_EQ(window().followsLabel()->text(), QString());
    EXPECT_EQ(window().fansLabel()->text(), QString());
    EXPECT_FALSE(window().memberPicture()->hasPicture());
    // An empty work count leaves two spaces between the two parts.
    EXPECT_EQ(captions_.back(), u"载入完成，共载入歌曲  首"_qs);
    EXPECT_EQ(sim().targetsSince(mark), (std::vector<std::string>{"/u/" + std::string(sim::members::kMissing)}));
}

TEST_F(CommandsTest, SpacesAroundTheNumberTravelPercentEncoded) {
    const std::size_t mark = sim().targets().size();
    query(" 10001 ");
    const std::vector<std::string> targets = sim().targetsSince(mark);
    ASSERT_FALSE(targets.empty());
    EXPECT_EQ(targets.front(), "/u/%2010001%20");
}

TEST_F(CommandsTest, ClosingAtAYieldPointStopsBeforeTheNextPage) {
    const sim::Member m = member(sim::members::kTwoPagesAndOne);
    QObject::connect(&window(), &QWidget::windowTitleChanged, [&](const QString& title) {
        if (title == progress(3, m.workCountText)) window().close();
    });
    const std::size_t mark = sim().targets().size();
    query(m.number);

    EXPECT_EQ(testing_support::countStartingWith(sim().targetsSince(mark), "/member/"), 1u);
    EXPECT_LE(grid().gridRowCount(), 21);
    EXPECT_NE(captions_.back(), done(m.workCountText));
}

TEST_F(CommandsTest, ClosingDuringAStalledPageFetchEndsTheQuery) {
    // The song-list page of this member never comes; only the closing window
    // can end the wait, so a transfer that ignores it hangs this test.
    const std::string number = sim::faultMemberNumber(sim::FaultMode::Stall, sim::FaultTarget::SongList);
    const std::size_t mark = sim().targets().size();
    testing_support::closeOnceRequested(window(), sim(), mark, "/member/");
    query(number);

    EXPECT_TRUE(window().closing());
    EXPECT_EQ(grid().gridRowCount(), 1);
    EXPECT_EQ(captions_.back(), kLoading);
    EXPECT_EQ(testing_support::countStartingWith(sim().targetsSince(mark), "/member/"), 1u);
}

TEST_F(CommandsTest, NoCommandStartsWhileTheQueryRuns) {
    const sim::Member m = member(sim::members::kTwoPagesAndOne);
    bool triedOnce = false;
    QObject::connect(&window(), &QWidget::windowTitleChanged, [&](const QString& title) {
        if (triedOnce || title != progress(2, m.workCountText)) return;
        triedOnce = true;
        grid().setCurrentCell(0, 0);
        window().numberEdit()->setText(QString::fromLatin1(sim::members::kOneWork.data()));
        QTest::mouseClick(window().queryButton(), Qt::LeftButton);
        onQueryClicked(window());
        playSelectedWork(window());
        resolveSelectedWork(window());
        SaveDialog::setNextAnswer([](const SaveDialog&) { return std::optional<QString>(); });
        onSaveRequested(window());
    });
    const std::size_t mark = sim().targets().size();
    query(m.number);

    ASSERT_TRUE(triedOnce);
    const std::vector<std::string> targets = sim().targetsSince(mark);
    EXPECT_EQ(testing_support::countStartingWith(targets, "/u/"), 1u);
    EXPECT_EQ(testing_support::countStartingWith(targets, "/s/"), 0u);
    EXPECT_EQ(grid().gridRowCount(), m.works + 1);
    EXPECT_TRUE(window().state().workPage.empty());
    EXPECT_EQ(window().state().userId, Text(m.userId));
    EXPECT_EQ(captions_.back(), done(m.workCountText));
}

// A service of our own for pages the simulator never sends: fewer counts
// than names, and absurd work counts. Paths are logged with "#" and the page
// index of a song-list request.
class HandMadeService {
public:
    HandMadeService(std::string workCount, std::string songList) {
        // Requests are recorded in the handlers, before the reply goes out:
        // the client asks for the next page only after this reply, so the
        // record keeps the order of the requests (a logger runs after the
        // reply and can fall behind the next request under load).
        server_.Get(R"(/u/.*)", [this, workCount](const httplib::Request& req, httplib::Response& res) {
            record(req);
            res.set_content("<html><head><meta charset=\"gbk\"></head><script>var userid = '7';\r\n"
                            "var worknum = " + workCount + ";</script></html>",
                            "text/html; charset=gbk");
        });
        server_.Get("/member/personcenter/loadmore.php",
                    [this, songList](const httplib::Request& req, httplib::Response& res) {
                        record(req);
                        res.set_content(songList, "text/html; charset=utf-8");
                    });
        port_ = server_.bind_to_any_port("127.0.0.1");
        // Bound and listening already: requests wait in the queue until the
        // thread takes them.
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~HandMadeService() {
        server_.stop();
        thread_.join();
    }
    Text host() const { return Text("127.0.0.1:" + std::to_string(port_)); }
    std::vector<std::string> paths() const {
        std::lock_guard lock(mutex_);
        return paths_;
    }
    int requests(const std::string& pathStart) const {
        std::lock_guard lock(mutex_);
        return static_cast<int>(std::count_if(paths_.begin(), paths_.end(),
                                              [&](const std::string& p) { return p.starts_with(pathStart); }));
    }

private:
    void record(const httplib::Request& req) {
        std::lock_guard lock(mutex_);
        paths_.push_back(req.path + (req.has_param("pageNum") ? "#" + req.get_param_value("pageNum") : ""));
    }

    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::string> paths_;
};

TEST_F(CommandsTest, FewerCountsThanNamesLeaveTheMissingCellsEmpty) {
    HandMadeService service("2",
                            R"([{"songname":"A","enworkid":"a1","listennum":1,"flowernum":2,"forwardnum":3,"commentnum":4,},)"
                            R"({"songname":"B","listennum":5,}])");
    MainWindow shortLists(ServiceHosts{service.host(), service.host(), service.host()});
    shortLists.numberEdit()->setText("7");
    QTest::mouseClick(shortLists.queryButton(), Qt::LeftButton);

    const SongGrid& g = *shortLists.grid();
    ASSERT_EQ(g.gridRowCount(), 3);
    const QString songPage = "http://" + toQString(service.host()) + "/s/a1";
    const QStringList first{"A", songPage, "1", "2", "3", "4"};
    const QStringList second{"B", "", "5", "", "", ""};
    for (int column = 0; column < 6; ++column) {
        EXPECT_EQ(toQString(g.cellText(1, column)), first[column]);
        EXPECT_EQ(toQString(g.cellText(2, column)), second[column]);
    }
}

TEST_F(CommandsTest, NegativeWorkCountAsksForNoPage) {
    HandMadeService service("-45", "");
    MainWindow negative(ServiceHosts{service.host(), service.host(), service.host()});
    negative.numberEdit()->setText("7");
    QTest::mouseClick(negative.queryButton(), Qt::LeftButton);

    EXPECT_EQ(service.requests("/u/"), 1);
    EXPECT_EQ(service.requests("/member/"), 0);
    EXPECT_EQ(negative.grid()->gridRowCount(), 1);
    EXPECT_EQ(toQString(negative.caption()), done("-45"));
}

TEST_F(CommandsTest, EnormousWorkCountPagesFromZeroUntilTheWindowCloses) {
    HandMadeService service("99999999999999", "");
    MainWindow enormous(ServiceHosts{service.host(), service.host(), service.host()});
    enormous.show();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (service.requests("/member/") >= 3) enormous.close();
    });
    poll.start(20);
    enormous.numberEdit()->setText("7");
    QTest::mouseClick(enormous.queryButton(), Qt::LeftButton);

    // The clamped count gives an ordinary loop: pages 0, 1, 2... in order.
    const std::vector<std::string> paths = service.paths();
    ASSERT_GE(paths.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(paths.begin() + 1, paths.begin() + 4),
              (std::vector<std::string>{"/member/personcenter/loadmore.php#0", "/member/personcenter/loadmore.php#1",
                                        "/member/personcenter/loadmore.php#2"}));
    EXPECT_TRUE(enormous.closing());
}

}  // namespace
}  // namespace vokari
