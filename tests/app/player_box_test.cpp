// The player box against a loopback server: what it fetches, when it plays,
// once or over and over, and how it stops. No audio device is needed here;
// the test that listens to real sound is player_audio_test.cpp.
#include <QAudioOutput>
#include <QMediaPlayer>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "app/player_box.h"
#include "tests/app/player_test_server.h"

namespace vokari {
namespace {

using testing_support::PlayerTestServer;

QString playerAddress(const QString& soundFile, const char* flags) {
    return QStringLiteral("http://p.test/play/swf/03.swf?soundFile=") + soundFile + QString::fromLatin1(flags);
}

// Runs events until the box has the sound or has given up on it.
bool settle(PlayerBox& box) {
    return QTest::qWaitFor([&] { return !box.loading(); }, 10'000);
}

TEST(PlayerBox, KeepsTheAddressItWasGiven) {
    PlayerBox box;
    const QString bare = QStringLiteral("http://p.test/play/swf/03.swf    ");
    box.setAddress(bare);
    EXPECT_EQ(box.address(), bare);
    const QString odd = playerAddress(QStringLiteral("http://m.test/a b&c.mp3"), "&autostart=yes&loop=no");
    box.setAddress(odd);
    EXPECT_EQ(box.address(), odd);
}

TEST(PlayerBox, AutostartPlaysAtOnceOtherwiseWaitsForThePlayButton) {
    const QString sound = PlayerTestServer::instance->address("/short.wav");
    PlayerBox box;
    QSignalSpy ready(&box, &PlayerBox::soundReady);
    box.setAddress(playerAddress(sound, "&autostart=yes&loop=no"));
    EXPECT_TRUE(box.loading());  // setAddress returned before the sound arrived
    ASSERT_TRUE(settle(box));
    EXPECT_EQ(ready.count(), 1);
    EXPECT_EQ(box.mediaPlayer()->playbackState(), QMediaPlayer::PlayingState);

    box.setAddress(playerAddress(sound, "&autostart=no&loop=no"));
    ASSERT_TRUE(settle(box));
    EXPECT_EQ(ready.count(), 2);
    EXPECT_NE(box.mediaPlayer()->playbackState(), QMediaPlayer::PlayingState);
    auto* playButton = box.findChild<QWidget*>(QStringLiteral("playPause"));
    ASSERT_NE(playButton, nullptr);
    EXPECT_TRUE(playButton->isEnabled());
}

TEST(PlayerBox, BareAddressStopsAndForgetsTheSound) {
    PlayerBox box;
    box.setAddress(playerAddress(PlayerTestServer::instance->address("/short.wav"), "&autostart=yes&loop=yes"));
    ASSERT_TRUE(settle(box));
    ASSERT_EQ(box.mediaPlayer()->playbackState(), QMediaPlayer::PlayingState);

    box.setAddress(QStringLiteral("http://p.test/play/swf/03.swf    "));
    EXPECT_EQ(box.mediaPlayer()->playbackState(), QMediaPlayer::StoppedState);
    EXPECT_EQ(box.mediaPlayer()->mediaStatus(), QMediaPlayer::NoMedia);
    EXPECT_FALSE(box.loading());
    EXPECT_FALSE(box.findChild<QWidget*>(QStringLiteral("playPause"))->isEnabled());
}

TEST(PlayerBox, AHostThatNeverAnswersHoldsNothingUp) {
    PlayerBox box;
    box.setAddress(playerAddress(PlayerTestServer::instance->address("/stall"), "&autostart=yes&loop=no"));
    EXPECT_TRUE(box.loading());
    QTest::qWait(50);
    EXPECT_TRUE(box.loading());
    // A new address gives up on the old sound at once.
    box.setAddress(QStringLiteral("http://p.test/play/swf/03.swf"));
    EXPECT_FALSE(box.loading());
}

struct RefusedCase {
    const char* name;
    QString soundFile;
};

TEST(PlayerBox, PlaysOnlyWhatAWebHostServes) {
    const RefusedCase cases[] = {
        {"Missing", PlayerTestServer::instance->address("/missing.mp3")},
        {"LocalFile", QStringLiteral("file:///etc/hostname")},
        {"BackendProtocol", QStringLiteral("subfile:,start,0,end,0,:/etc/hostname")},
        {"NoHost", QStringLiteral("http:///a.mp3")},
        {"NoServer", QStringLiteral("http://127.0.0.1:1/a.mp3")},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.name);
        PlayerBox box;
        QSignalSpy failed(&box, &PlayerBox::soundFailed);
        box.setAddress(playerAddress(c.soundFile, "&autostart=yes&loop=no"));
        ASSERT_TRUE(settle(box));
        EXPECT_EQ(failed.count(), 1);
        EXPECT_EQ(box.mediaPlayer()->mediaStatus(), QMediaPlayer::NoMedia);
        EXPECT_NE(box.mediaPlayer()->playbackState(), QMediaPlayer::PlayingState);
    }
}

}  // namespace
}  // namespace vokari

int registerServer = (testing::AddGlobalTestEnvironment(new vokari::testing_support::PlayerTestServer), 0);
