// The player box really playing: a private PulseAudio server with a null sink
// stands in for a sound card, started by null_sink.sh for this binary only.
#include <QAudioOutput>
#include <QMediaPlayer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "app/player_box.h"
#include "sim/catalogue.h"
#include "sim/sim_process.h"
#include "tests/app/player_test_server.h"

namespace vokari {
namespace {

using testing_support::PlayerTestServer;

class NullSinkServer : public testing::Environment {
public:
    static inline QString failure = QStringLiteral("not started");

    // Must run before the first media object connects to an audio server.
    void SetUp() override {
        if (!folder_.isValid()) return;
        QProcess script;
        script.start(QStringLiteral(VOKARI_NULL_SINK_SCRIPT), {QStringLiteral("start"), folder_.path()});
        if (!script.waitForFinished(20'000) || script.exitCode() != 0) {
            failure = QString::fromLocal8Bit(script.readAllStandardError()).trimmed();
            if (failure.isEmpty()) failure = QStringLiteral("null_sink.sh failed");
            return;
        }
        qputenv("PULSE_SERVER", script.readAllStandardOutput().trimmed());
        failure.clear();
    }

    void TearDown() override {
        if (failure.isEmpty())
            QProcess::execute(QStringLiteral(VOKARI_NULL_SINK_SCRIPT), {QStringLiteral("stop"), folder_.path()});
    }

private:
    QTemporaryDir folder_;
};

QString playerAddress(const char* path, const char* flags) {
    return QStringLiteral("http://p.test/play/swf/03.swf?soundFile=") + PlayerTestServer::instance->address(path) +
           QString::fromLatin1(flags);
}

class PlayerAudio : public testing::Test {
protected:
    void SetUp() override {
        if (!NullSinkServer::failure.isEmpty())
            GTEST_SKIP() << "no audio server could be started: " << NullSinkServer::failure.toStdString();
    }
    QMediaPlayer* media() { return box.mediaPlayer(); }
    PlayerBox box;
};

TEST_F(PlayerAudio, PlaysOnceThroughToTheEnd) {
    box.setAddress(playerAddress("/long.wav", "&autostart=yes&loop=no"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return media()->playbackState() == QMediaPlayer::PlayingState; }, 10'000));
    const qint64 start = media()->position();
    ASSERT_TRUE(QTest::qWaitFor([&] { return media()->position() > start + 300; }, 10'000))
        << "the position stayed at " << media()->position();
    ASSERT_TRUE(QTest::qWaitFor([&] { return media()->mediaStatus() == QMediaPlayer::EndOfMedia; }, 15'000));
    EXPECT_EQ(media()->playbackState(), QMediaPlayer::StoppedState);
}

TEST_F(PlayerAudio, PlaysASongFromTheSimulatedMediaHost) {
    sim::SimProcess simulator;
    ASSERT_TRUE(simulator.started());
    const auto member = sim::findMember(sim::members::kOneWork);
    ASSERT_TRUE(member);
    const sim::Work work = sim::worksOf(*member).at(0);
    const std::string mp3 = simulator.url("/userdata/userwork/" + std::to_string(work.workId) + ".mp3");
    box.setAddress(QStringLiteral("http://p.test/play/swf/03.swf?soundFile=") + QString::fromStdString(mp3) +
                   QStringLiteral("&autostart=yes&loop=no"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return media()->playbackState() == QMediaPlayer::PlayingState; }, 10'000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return media()->position() > 200; }, 10'000))
        << "the position stayed at " << media()->position();
    EXPECT_TRUE(QTest::qWaitFor([&] { return media()->mediaStatus() == QMediaPlayer::EndOfMedia; }, 15'000));
}

TEST_F(PlayerAudio, LoopsOverAndOver) {
    box.setAddress(playerAddress("/short.wav", "&autostart=yes&loop=yes"));
    // The 400 ms tone goes back to its start at least twice and keeps playing.
    int restarts = 0;
    qint64 last = 0;
    const bool looped = QTest::qWaitFor(
        [&] {
            const qint64 now = media()->position();
            if (now + 150 < last) ++restarts;
            last = now;
            return restarts >= 2;
        },
        15'000);
    EXPECT_TRUE(looped) << "restarts seen: " << restarts;
    EXPECT_EQ(media()->playbackState(), QMediaPlayer::PlayingState);
}

}  // namespace
}  // namespace vokari

int registerEnvironments = (testing::AddGlobalTestEnvironment(new vokari::NullSinkServer),
                            testing::AddGlobalTestEnvironment(new vokari::testing_support::PlayerTestServer), 0);
