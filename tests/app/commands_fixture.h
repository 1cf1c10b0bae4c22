// What the command tests share: vokari-sim as a child process on a free port,
// a window pointed at it, a temporary home so nothing lands on a real
// desktop, and the captions and messages the commands produce.
#pragma once

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/commands/message_box.h"
#include "app/commands/save_dialog.h"
#include "app/main_window.h"
#include "app/picture_box.h"
#include "app/player_box.h"
#include "app/qt_text.h"
#include "app/song_grid.h"
#include "sim/catalogue.h"
#include "sim/request_log.h"

namespace vokari::testing_support {

// vokari-sim with its request log in a folder of its own. Stalls last an hour,
// so a transfer that the closing window fails to stop hangs the test instead
// of passing it slowly.
class SimProcess {
public:
    SimProcess() {
        // Its chatter on stderr is not ours to show, and a simulator outliving
        // a crashed test must not keep the test's output pipe open.
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process_.start(simPath(), {"--port", "0", "--stall-ms", "3600000", "--log", logPath()});
        if (!process_.waitForStarted(10000)) return;
        while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
        }
        port_ = QString::fromLatin1(process_.readLine()).trimmed().toInt();
    }
    ~SimProcess() {
        process_.terminate();
        if (!process_.waitForFinished(5000)) process_.kill(), process_.waitForFinished(5000);
    }

    bool running() const { return port_ > 0; }
    Text host() const { return Text("127.0.0.1:" + std::to_string(port_)); }

    // Targets (path and query as sent) of every request so far, oldest first.
    std::vector<std::string> targets() const {
        std::vector<std::string> out;
        for (const sim::LoggedRequest& r : sim::readRequestLog(logPath().toStdString())) out.push_back(r.target);
        return out;
    }
    std::vector<std::string> targetsSince(std::size_t mark) const {
        std::vector<std::string> all = targets();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(mark, all.size())), all.end()};
    }

private:
    static QString simPath() {
#ifdef VOKARI_SIM_PATH
        return QStringLiteral(VOKARI_SIM_PATH);
#else
        return QCoreApplication::applicationDirPath() + "/../../sim/vokari-sim";
#endif
    }
    QString logPath() const { return dir_.filePath("requests.log"); }

    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};

inline std::size_t countStartingWith(const std::vector<std::string>& targets, std::string_view prefix) {
    return static_cast<std::size_t>(
        std::count_if(targets.begin(), targets.end(), [&](const std::string& t) { return t.starts_with(prefix); }));
}

// Closes the window as soon as the simulator has seen a request starting with
// targetStart: the timer fires inside the command's network wait.
inline void closeOnceRequested(MainWindow& window, const SimProcess& sim, std::size_t mark, std::string targetStart) {
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window, [&window, &sim, mark, targetStart, poll] {
        if (countStartingWith(sim.targetsSince(mark), targetStart) == 0) return;
        poll->stop();
        window.close();
    });
    poll->start(20);
}

inline QString utf8(const std::string& s) { return QString::fromStdString(s); }

class CommandsTest : public testing::Test {
protected:
    static void SetUpTestSuite() { sim_ = std::make_unique<SimProcess>(); }
    static void TearDownTestSuite() { sim_.reset(); }

    void SetUp() override {
        ASSERT_TRUE(sim_->running()) << "vokari-sim did not start";
        ASSERT_TRUE(home_.isValid());
        // The desktop folder follows HOME; the user's own stays untouched.
        qputenv("HOME", home_.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", home_.filePath(".config").toLocal8Bit());
        ASSERT_TRUE(QDir().mkpath(desktop()));
        ASSERT_EQ(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation), desktop());

        previousRecorder_ = MessageBox::setRecorder(
            [this](const QString& caption, const QString& text) { messages_.push_back({caption, text}); });
        const Text host = sim_->host();
        window_ = std::make_unique<MainWindow>(ServiceHosts{host, host, host});
        QObject::connect(window_.get(), &QWidget::windowTitleChanged,
                         [this](const QString& title) { captions_.push_back(title); });
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    void TearDown() override {
        SaveDialog::setNextAnswer({});
        MessageBox::setRecorder(previousRecorder_);
        window_.reset();
    }

    MainWindow& window() { return *window_; }
    SongGrid& grid() { return *window_->grid(); }
    SimProcess& sim() { return *sim_; }
    QString desktop() const { return home_.filePath("Desktop"); }
    QString webAddress() const { return "http://" + toQString(sim_->host()); }

    // Types the number into the edit box and clicks 查询; the query has
    // ended when this returns.
    void query(std::string_view number) {
        window_->numberEdit()->setText(QString::fromUtf8(number.data(), static_cast<qsizetype>(number.size())));
        QTest::mouseClick(window_->queryButton(), Qt::LeftButton);
    }

    QString cell(int gridRow, int column) const { return toQString(window_->grid()->cellText(gridRow, column)); }

    QPoint cellCentre(int gridRow) { return grid().visualRect(grid().model()->index(gridRow - 1, 0)).center(); }

    // A click puts the cursor on the row, as a user's double-click does.
    void doubleClickRow(int gridRow) {
        QTest::mouseClick(grid().viewport(), Qt::LeftButton, {}, cellCentre(gridRow));
        QTest::mouseDClick(grid().viewport(), Qt::LeftButton, {}, cellCentre(gridRow));
    }

    void rightClickRow(int gridRow) {
        QTest::mouseClick(grid().viewport(), Qt::LeftButton, {}, cellCentre(gridRow));
        QTest::mousePress(grid().viewport(), Qt::RightButton, {}, cellCentre(gridRow));
        QTest::mouseRelease(grid().viewport(), Qt::RightButton, {}, cellCentre(gridRow));
    }

    static sim::Member member(std::string_view number) { return *sim::findMember(number); }

    struct Message {
        QString caption;
        QString text;
    };

    static inline std::unique_ptr<SimProcess> sim_;
    QTemporaryDir home_;
    std::unique_ptr<MainWindow> window_;
    std::vector<QString> captions_;
    std::vector<Message> messages_;
    MessageBox::Recorder previousRecorder_;
};

}  // namespace vokari::testing_support
