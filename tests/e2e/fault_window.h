// What the fault tests share: the real window against a vokari-sim that can
// be stopped and started again on the same port, the user's clicks, and what
// a sound outcome of each command looks like, computed from the catalogue.
#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/prctl.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
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
#include "sim/sim_process.h"

namespace vokari::e2e {

inline QString utf8(const std::string& s) { return QString::fromStdString(s); }

// Longest a single fault may hold a command: one page time-out (30 s), the
// query's two half-second waits, and room for a slow machine. Only a hang
// goes past it.
inline constexpr std::chrono::seconds kHangBound{50};

// The simulator on one port for the whole test, even across a stop: a
// stopped simulator is a refused connection at the same address. It dies
// with the test, so a test that crashes leaves no simulator behind holding
// its output open.
class RestartableSim {
public:
    explicit RestartableSim(std::vector<std::string> arguments) : arguments_(std::move(arguments)) { start(0); }
    ~RestartableSim() { stop(); }
    RestartableSim(const RestartableSim&) = delete;
    RestartableSim& operator=(const RestartableSim&) = delete;

    bool running() const { return process_ != nullptr; }
    Text host() const { return Text("127.0.0.1:" + std::to_string(port_)); }

    void stop() {
        if (!process_) return;
        process_->terminate();
        if (!process_->waitForFinished(5000)) process_->kill(), process_->waitForFinished(5000);
        process_.reset();
    }
    // Comes back on the port it had; the old listener is gone, so this is
    // only a matter of retrying while the kernel lets go of it.
    bool restart() {
        for (int attempt = 0; attempt < 50 && !running(); ++attempt) {
            start(port_);
            if (!running()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return running();
    }

    std::vector<std::string> targets() const {
        std::vector<std::string> out;
        for (const sim::LoggedRequest& r : sim::readRequestLog(logPath())) out.push_back(r.target);
        return out;
    }
    std::size_t countSince(std::size_t mark, std::string_view prefix) const {
        const std::vector<std::string> all = targets();
        std::size_t n = 0;
        for (std::size_t i = mark; i < all.size(); ++i) n += all[i].starts_with(prefix) ? 1 : 0;
        return n;
    }

private:
    // Sets process_ only once the simulator has printed the port it serves.
    void start(int port) {
        QStringList args{"--port", QString::number(port), "--log", QString::fromStdString(logPath())};
        for (const std::string& a : arguments_) args << QString::fromStdString(a);
        auto process = std::make_unique<QProcess>();
        process->setStandardErrorFile(QProcess::nullDevice());
        process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process->start(QString::fromStdString(sim::SimProcess::defaultExecutable()), args);
        if (!process->waitForStarted(10000)) return;
        while (!process->canReadLine() && process->waitForReadyRead(10000)) {
        }
        const int served = QString::fromLatin1(process->readLine()).trimmed().toInt();
        if (served <= 0) {
            process->kill();
            process->waitForFinished(5000);
            return;
        }
        port_ = served;
        process_ = std::move(process);
    }
    std::string logPath() const { return logDir_.filePath("requests.log").toStdString(); }

    std::vector<std::string> arguments_;
    QTemporaryDir logDir_;
    std::unique_ptr<QProcess> process_;
    int port_ = 0;
};

const QString kSaved = u"保存成功"_qs;
const QString kNotSaved = u"保存失败"_qs;

inline QString doneCaption(const std::string& workCount) {
    return u"载入完成，共载入歌曲 "_qs + utf8(workCount) + u" 首"_qs;
}

inline QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// What a query may show of a member: each part either as the service
// describes it or empty, never a mixture of right and wrong values.
struct Listing {
    bool counts;     // the three count labels
    bool workCount;  // the work count in the final caption
    bool rows;       // every song row, or none
    bool picture;
};
inline constexpr Listing kWholeMember{true, true, true, true};
inline constexpr Listing kNoMember{false, false, false, false};

// One window per test, a temporary home so saves land on a desktop of our
// own, and the dialog and message box answered through their seams.
class FaultWindowTest : public testing::Test {
protected:
    void openWindow(const Text& host) {
        ASSERT_TRUE(home_.isValid());
        qputenv("HOME", home_.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", home_.filePath(".config").toLocal8Bit());
        ASSERT_TRUE(QDir().mkpath(desktop()));
        previousRecorder_ = MessageBox::setRecorder(
            [this](const QString&, const QString& text) { messages_.push_back(text); });
        window_ = std::make_unique<MainWindow>(ServiceHosts{host, host, host});
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        webAddress_ = "http://" + toQString(host);
    }

    void TearDown() override {
        SaveDialog::setNextAnswer({});
        MessageBox::setRecorder(previousRecorder_);
        window_.reset();
    }

    MainWindow& window() { return *window_; }
    SongGrid& grid() { return *window_->grid(); }
    QString desktop() const { return home_.filePath("Desktop"); }
    QString cell(int row, int column) const { return toQString(window_->grid()->cellText(row, column)); }

    // Each user action returns when its command has ended; how long it took
    // must stay under the hang bound.
    template <typename Action>
    void timed(Action action) {
        QElapsedTimer clock;
        clock.start();
        action();
        EXPECT_LT(clock.elapsed(), std::chrono::milliseconds(kHangBound).count()) << "the command hung";
        EXPECT_FALSE(window_->commandRunning());
    }

    void query(std::string_view number) {
        timed([&] {
            window_->numberEdit()->setText(QString::fromUtf8(number.data(), static_cast<qsizetype>(number.size())));
            QTest::mouseClick(window_->queryButton(), Qt::LeftButton);
        });
    }
    QString rowsText() const {
        QString out;
        for (int row = 1; row < window_->grid()->gridRowCount(); ++row) {
            out += u'\n';
            for (int column = 0; column < 6; ++column) out += cell(row, column) + u'|';
        }
        return out;
    }
    QPoint cellCentre(int row) { return grid().visualRect(grid().model()->index(row - 1, 0)).center(); }
    void play(int row) {
        QTest::mouseClick(grid().viewport(), Qt::LeftButton, {}, cellCentre(row));
        timed([&] { QTest::mouseDClick(grid().viewport(), Qt::LeftButton, {}, cellCentre(row)); });
    }
    // Confirms `path` in the save dialog; `onDialog` runs while it is open.
    void save(int row, const QString& path, std::function<void()> onDialog = {}) {
        SaveDialog::setNextAnswer([path, onDialog](const SaveDialog&) {
            if (onDialog) onDialog();
            return std::optional<QString>(path);
        });
        QTest::mouseClick(grid().viewport(), Qt::LeftButton, {}, cellCentre(row));
        timed([&] {
            QTest::mousePress(grid().viewport(), Qt::RightButton, {}, cellCentre(row));
            QTest::mouseRelease(grid().viewport(), Qt::RightButton, {}, cellCentre(row));
        });
    }

    // ---- what the window shows after each command --------------------

    void expectListed(const sim::Member& m, Listing shown) {
        const auto label = [&](int value) { return shown.counts ? QString::number(value) : QString(); };
        EXPECT_EQ(window_->worksLabel()->text(), label(m.works));
        EXPECT_EQ(window_->followsLabel()->text(), label(m.follows));
        EXPECT_EQ(window_->fansLabel()->text(), label(m.fans));
        EXPECT_EQ(window_->memberPicture()->hasPicture(), shown.picture);
        EXPECT_EQ(toQString(window_->caption()), doneCaption(shown.workCount ? m.workCountText : ""));
        const std::vector<sim::Work> works = shown.rows ? sim::worksOf(m) : std::vector<sim::Work>{};
        ASSERT_EQ(grid().gridRowCount(), static_cast<int>(works.size()) + 1) << rowsText().toStdString();
        for (std::size_t i = 0; i < works.size(); ++i) {
            const int row = static_cast<int>(i) + 1;
            SCOPED_TRACE("row " + std::to_string(row));
            EXPECT_EQ(cell(row, 0), utf8(works[i].name));
            EXPECT_EQ(cell(row, 1), webAddress_ + "/s/" + utf8(works[i].enWorkId));
            EXPECT_EQ(cell(row, 2), QString::number(works[i].listens));
            EXPECT_EQ(cell(row, 3), QString::number(works[i].flowers));
            EXPECT_EQ(cell(row, 4), QString::number(works[i].forwards));
            EXPECT_EQ(cell(row, 5), QString::number(works[i].comments));
        }
    }

    QString playerFor(const QString& mp3Address) const {
        return webAddress_ + "/play/swf/03.swf?soundFile=" + mp3Address + "&autostart=yes&loop=no";
    }
    QString mediaAddress(const std::string& workId) const { return webAddress_ + "/userdata/userwork/" + utf8(workId) + ".mp3"; }

    // A played song shows its title and plays its MP3; a song page that
    // could not be read shows an empty caption and the empty-id address.
    void expectPlayed(const std::optional<sim::Work>& work) {
        EXPECT_EQ(toQString(window_->caption()), work ? utf8(work->title) : QString());
        EXPECT_EQ(window_->player()->address(), playerFor(mediaAddress(work ? std::to_string(work->workId) : "")));
    }

    void expectSaved(const QString& path, const QByteArray& bytes) {
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_EQ(messages_[0], kSaved);
        EXPECT_EQ(contentsOf(path), bytes);
    }
    void expectNotSaved(const QString& path, const QByteArray& oldBytes) {
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_EQ(messages_[0], kNotSaved);
        EXPECT_EQ(contentsOf(path), oldBytes);
        EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::Files), QStringList{QFileInfo(path).fileName()});
    }

    // After any fault the same window lists, plays and saves a sound member.
    void expectStillUsable() {
        const sim::Member one = *sim::findMember(sim::members::kOneWork);
        const sim::Work work = sim::worksOf(one)[0];
        query(one.number);
        expectListed(one, kWholeMember);
        play(1);
        expectPlayed(work);
        messages_.clear();
        const QString path = desktop() + "/after-the-fault.mp3";
        save(1, path);
        expectSaved(path, QByteArray::fromStdString(sim::mp3Bytes(work)));
        QFile::remove(path);
    }

    QTemporaryDir home_;
    std::unique_ptr<MainWindow> window_;
    QString webAddress_;
    std::vector<QString> messages_;
    MessageBox::Recorder previousRecorder_;
};

}  // namespace vokari::e2e
