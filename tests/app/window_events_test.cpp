// The window's side of the commands: which event starts which command, the
// grid as the commands see it, the guard against a second command, the event
// pumps, and closing the window at any moment.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/event_pumps.h"
#include "app/main_window.h"
#include "app/song_grid.h"
#include "net/network_wait.h"
#include "sim/catalogue.h"
#include "sim/sim_process.h"
#include "text/pending_events.h"

namespace vokari {

namespace {

const ServiceHosts kHosts{"web.test", "media.test", "player.test"};

// Counts the commands the window starts; a command may also do something.
struct CommandLog {
    int query = 0;
    int play = 0;
    int save = 0;
    std::function<void(MainWindow&)> duringQuery = [](MainWindow&) {};

    WindowCommands commands() {
        return {[this](MainWindow& w) { ++query; duringQuery(w); }, [this](MainWindow&) { ++play; },
                [this](MainWindow&) { ++save; }};
    }
};

QPoint cellCentre(SongGrid* grid, int gridRow, int column) {
    return grid->visualRect(grid->model()->index(gridRow - 1, column)).center();
}

// A window on screen with three song rows.
class WindowEvents : public testing::Test {
protected:
    void SetUp() override {
        window.setCommands(log.commands());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        for (const char* name : {"one", "two", "three"}) {
            window.grid()->appendRow();
            window.grid()->setCellText(window.grid()->gridRowCount() - 1, 0, name);
        }
    }

    MainWindow window{kHosts};
    CommandLog log;
};

TEST(SongGridRows, HeaderRowStaysAndSongRowsCountFromOne) {
    MainWindow window(kHosts);
    SongGrid* grid = window.grid();
    grid->appendRow();
    grid->appendRow();
    EXPECT_EQ(grid->gridRowCount(), 3);
    grid->setCellText(2, 5, "7");
    EXPECT_EQ(grid->cellText(2, 5), Text("7"));
    EXPECT_EQ(grid->cellText(1, 5), Text(""));  // never written
    // Cells outside the grid read as empty, and writing there changes nothing.
    grid->setCellText(3, 0, "x");
    grid->setCellText(1, 6, "x");
    grid->setCellText(-1, 0, "x");
    EXPECT_EQ(grid->cellText(3, 0), Text(""));
    EXPECT_EQ(grid->cellText(1, -1), Text(""));
    EXPECT_EQ(grid->gridRowCount(), 3);

    grid->setGridRowCount(1);
    EXPECT_EQ(grid->gridRowCount(), 1);
    EXPECT_EQ(grid->cellText(0, 0), Text("\xB8\xE8\xC3\xFB"));  // 歌名: the header row stays
    grid->setGridRowCount(0);
    EXPECT_EQ(grid->gridRowCount(), 1);
    grid->appendRow();
    EXPECT_EQ(grid->cellText(1, 5), Text(""));  // a new row starts empty
}

TEST_F(WindowEvents, EachEventStartsItsCommand) {
    SongGrid* grid = window.grid();
    QTest::mouseClick(window.queryButton(), Qt::LeftButton);
    EXPECT_EQ(log.query, 1);

    EXPECT_EQ(grid->currentGridRow(), 0);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(grid, 2, 0));
    EXPECT_EQ(grid->currentGridRow(), 2);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(grid, 2, 0));
    EXPECT_EQ(log.play, 1);
    // Anywhere on the grid, as the play command looks at the current row.
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, QPoint(20, grid->viewport()->height() - 5));
    EXPECT_EQ(log.play, 2);
    EXPECT_EQ(grid->currentGridRow(), 2);

    // The right button moves the cursor to the row under it before the save
    // command reads the current row.
    window.setCommands({nullptr, nullptr, [&](MainWindow& w) { log.save = w.grid()->currentGridRow(); }});
    QTest::mousePress(grid->viewport(), Qt::RightButton, {}, cellCentre(grid, 3, 2));
    EXPECT_EQ(log.save, 3);
    QTest::mouseRelease(grid->viewport(), Qt::RightButton, {}, cellCentre(grid, 3, 2));

    // Picking a play mode plays.
    window.setCommands(log.commands());
    QComboBox* box = window.playModeBox();
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(box->currentIndex(), 1);
    EXPECT_EQ(log.play, 3);
}

TEST_F(WindowEvents, NoSecondCommandStartsWhileOneRuns) {
    SongGrid* grid = window.grid();
    int repaintsDuringQuery = 0;
    log.duringQuery = [&](MainWindow& w) {
        EXPECT_TRUE(w.commandRunning());
        // The user clicks everything while the query waits.
        QTimer::singleShot(0, [&] {
            QTest::mouseClick(window.queryButton(), Qt::LeftButton);
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(grid, 1, 0));
            QTest::mousePress(grid->viewport(), Qt::RightButton, {}, cellCentre(grid, 1, 0));
            QTest::mouseRelease(grid->viewport(), Qt::RightButton, {}, cellCentre(grid, 1, 0));
            QTest::keyClick(window.playModeBox(), Qt::Key_Down);
            ++repaintsDuringQuery;
        });
        waitProcessingEvents(100);
    };
    QTest::mouseClick(window.queryButton(), Qt::LeftButton);
    EXPECT_EQ(repaintsDuringQuery, 1);  // events did run during the wait...
    EXPECT_EQ(log.query, 1);            // ...but started nothing
    EXPECT_EQ(log.play, 0);
    EXPECT_EQ(log.save, 0);
    EXPECT_FALSE(window.commandRunning());

    log.duringQuery = [](MainWindow&) {};
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(grid, 1, 0));
    EXPECT_EQ(log.play, 1);  // once the query has ended, events work again
}

TEST_F(WindowEvents, PendingEventsRunInputButTransferWaitsOnlyRepaint) {
    QPushButton* button = window.queryButton();
    const QPoint centre = button->rect().center();
    const auto postClick = [&] {
        QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, centre, button->mapToGlobal(centre),
                                                            Qt::LeftButton, Qt::LeftButton, {}));
        QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, centre,
                                                            button->mapToGlobal(centre), Qt::LeftButton, {}, {}));
    };
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    postClick();
    EXPECT_TRUE(networkWaitContinue());
    EXPECT_TRUE(timerRan);    // the window's own events run during a transfer...
    EXPECT_EQ(log.query, 0);  // ...but the user's click does not

    postClick();
    processPendingEvents();
    EXPECT_EQ(log.query, 1);  // at a yield point it does
}

TEST_F(WindowEvents, ClosingEndsWaitsAndTransfersAndStartsNothing) {
    bool waitEnded = false;
    qint64 waited = 0;
    log.duringQuery = [&](MainWindow&) {
        QTimer::singleShot(20, &window, &QWidget::close);
        QElapsedTimer clock;
        clock.start();
        waitProcessingEvents(60'000);
        waited = clock.elapsed();
        waitEnded = true;
    };
    QTest::mouseClick(window.queryButton(), Qt::LeftButton);
    ASSERT_TRUE(waitEnded);
    EXPECT_LT(waited, 10'000);  // ended by the close, far before its time
    EXPECT_TRUE(window.closing());
    EXPECT_FALSE(networkWaitContinue());

    QElapsedTimer clock;
    clock.start();
    waitProcessingEvents(60'000);
    EXPECT_LT(clock.elapsed(), 10'000);
    window.queryButton()->click();
    EXPECT_EQ(log.query, 1);  // a closing window starts no command
}

TEST(EventPumpHooks, AreTheWindowsOnlyWhileItLives) {
    bool ran = false;
    {
        MainWindow window(kHosts);
        QTimer::singleShot(0, [&] { ran = true; });
        processPendingEvents();
        EXPECT_TRUE(ran);
    }
    // Back to the core's defaults: no pump, transfers never told to stop.
    ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    processPendingEvents();
    EXPECT_FALSE(ran);
    EXPECT_TRUE(networkWaitContinue());
    QCoreApplication::processEvents();
}

// A watchdog: if closing failed to end the loop, it ends with another code.
int runEventLoopAtMost(int milliseconds) {
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(milliseconds);
    return QApplication::exec();
}

TEST(ProgramEnd, ClosingTheWindowEndsTheEventLoop) {
    MainWindow window(kHosts);
    window.show();
    QTimer::singleShot(50, &window, &QWidget::close);
    EXPECT_EQ(runEventLoopAtMost(10'000), 0);
}

TEST(ProgramEnd, ClosingDuringACommandEndsTheEventLoopOnceItUnwinds) {
    MainWindow window(kHosts);
    bool commandEnded = false;
    window.setCommands({[&](MainWindow&) {
                            QTimer::singleShot(50, &window, &QWidget::close);
                            waitProcessingEvents(60'000);
                            commandEnded = true;
                        },
                        nullptr, nullptr});
    window.show();
    QTimer::singleShot(0, [&] { QTest::mouseClick(window.queryButton(), Qt::LeftButton); });
    EXPECT_EQ(runEventLoopAtMost(10'000), 0);
    EXPECT_TRUE(commandEnded);
}

// The whole program with its real commands: the member picture never comes,
// and the user gives up and closes the window.
TEST(ProgramEnd, ClosingWhileAPictureDownloadStallsEndsTheProgram) {
    sim::SimProcess simulator({"--stall-ms", "3600000"});
    ASSERT_TRUE(simulator.started());
    const Text host(simulator.host());
    MainWindow window(ServiceHosts{host, host, host});
    window.numberEdit()->setText(
        QString::fromStdString(sim::faultMemberNumber(sim::FaultMode::Stall, sim::FaultTarget::Picture)));
    window.show();
    bool repainted = false;
    QTimer::singleShot(0, [&] { QTest::mouseClick(window.queryButton(), Qt::LeftButton); });
    QTimer::singleShot(300, [&] {
        repainted = true;  // the window still runs its events during the download
        window.close();
    });
    EXPECT_EQ(runEventLoopAtMost(20'000), 0);
    EXPECT_TRUE(repainted);
    EXPECT_FALSE(window.commandRunning());
}

}  // namespace
}  // namespace vokari
