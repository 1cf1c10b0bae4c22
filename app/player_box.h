// The player box 超文本浏览框1. Where the original showed a web-hosted player
// in an embedded browser, this widget takes the same player address, reads
// its soundFile, autostart and loop keys and plays the sound itself. The
// address it was given stays readable as given.
#pragma once

#include <memory>

#include <QString>
#include <QWidget>

class QAudioOutput;
class QBuffer;
class QLabel;
class QMediaPlayer;
class QNetworkAccessManager;
class QNetworkReply;
class QSlider;
class QToolButton;

namespace vokari {

// Picks QtMultimedia's FFmpeg backend unless QT_MEDIA_BACKEND already names
// one. Debian 12's Qt 6.4 also ships a GStreamer backend, which failed to play
// from a server that does not answer range requests. Call before the first
// media player is made.
void chooseMediaBackend();

// What a player address asks for.
struct PlayerRequest {
    QString soundFile;  // empty: nothing to play
    bool autostart = false;
    bool loop = false;
};

// Reads the query after the first "?". soundFile runs up to the last
// "&autostart=" or the last "&loop=", whichever comes first, so an MP3
// address that itself holds "&", "=" or "?" survives whole; nothing in it is
// percent-decoded. autostart and loop are on only when they read "yes".
PlayerRequest parsePlayerAddress(const QString& address);

class PlayerBox : public QWidget {
    Q_OBJECT
public:
    // A sound file larger than this is not played.
    static constexpr qint64 kMaxSoundBytes = 64 * 1024 * 1024;

    explicit PlayerBox(QWidget* parent = nullptr);
    ~PlayerBox() override;

    // Stops what is playing, then fetches and plays what the address asks
    // for. Returns at once: the sound arrives while the window runs on.
    void setAddress(const QString& address);
    QString address() const;
    // Stops and lets go of the sound; the address stays as it was.
    void stop();

    QMediaPlayer* mediaPlayer() const { return player_; }
    // True while the sound file is still on its way.
    bool loading() const { return reply_ != nullptr; }

signals:
    // The sound file arrived and was handed to the media player, or could
    // not be fetched (then nothing plays).
    void soundReady();
    void soundFailed();

private:
    void buildTransport();
    void stopAndRelease();
    void fetchSound(const QString& soundFile);
    void onSoundArrived();
    void onMediaStatus(int status);
    void showPosition();
    void togglePlaying();

    QString address_;
    PlayerRequest request_;
    QNetworkAccessManager* network_ = nullptr;
    QNetworkReply* reply_ = nullptr;
    std::unique_ptr<QBuffer> sound_;
    QMediaPlayer* player_ = nullptr;
    QAudioOutput* output_ = nullptr;
    QToolButton* playButton_ = nullptr;
    QSlider* positionSlider_ = nullptr;
    QLabel* timeLabel_ = nullptr;
};

}  // namespace vokari
