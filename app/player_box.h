// The player box 超文本浏览框1. Where the original showed a web-hosted player
// in an embedded browser, this widget takes the same player address, reads
// its soundFile, autostart and loop keys and plays the sound itself. The
// address it was given stays readable as given.
#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class QAudioOutput;
class QLabel;
class QMediaPlayer;
class QToolButton;

namespace vokari {

// What a player address asks for.
struct PlayerRequest {
    QString soundFile;   // empty: nothing to play
    bool autostart = false;
    bool loop = false;
};

// Reads the query after the first "?". soundFile runs up to the last
// "&autostart=" (or "&loop=" when autostart is absent), so an MP3 address
// that itself holds "&" or "?" survives whole; it is not percent-decoded.
PlayerRequest parsePlayerAddress(const QString& address);

class PlayerBox : public QWidget {
    Q_OBJECT
public:
    explicit PlayerBox(QWidget* parent = nullptr);
    ~PlayerBox() override;

    // Stops what is playing, then plays what the address asks for.
    void setAddress(const QString& address);
    QString address() const;

    QMediaPlayer* mediaPlayer() const;

private:
    void buildTransport();
    void showPosition();
    void togglePlaying();

    QString address_;
    QMediaPlayer* player_ = nullptr;
    QAudioOutput* output_ = nullptr;
    QToolButton* playButton_ = nullptr;
    QLabel* timeLabel_ = nullptr;
};

}  // namespace vokari
