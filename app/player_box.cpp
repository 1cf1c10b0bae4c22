#include "app/player_box.h"

#include <algorithm>
#include <limits>
#include <utility>

#include <QAudioDevice>
#include <QAudioOutput>
#include <QBuffer>
#include <QHBoxLayout>
#include <QLabel>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QUrl>

namespace vokari {

namespace {

const QString kSoundFileKey = QStringLiteral("soundFile=");
const QString kAutostartKey = QStringLiteral("&autostart=");
const QString kLoopKey = QStringLiteral("&loop=");

// A sound file that sends nothing for this long is given up.
constexpr int kStallMilliseconds = 30'000;

// The value of a flag key: from its last occurrence, if that lies at or after
// `from`, up to the next "&" or the end.
QString flagValue(const QString& query, const QString& key, qsizetype from) {
    const qsizetype at = query.lastIndexOf(key);
    if (at < from) return {};
    const qsizetype begin = at + key.size();
    const qsizetype end = query.indexOf(u'&', begin);
    return query.mid(begin, end < 0 ? -1 : end - begin);
}

// Only a web address is fetched: the sound file comes from a song page on the
// network, and must not name a local file.
QUrl webAddress(const QString& address) {
    const QUrl url(address, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https")) return {};
    return url;
}

QString clockText(qint64 milliseconds) {
    const qint64 seconds = std::max<qint64>(milliseconds, 0) / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

int clampToInt(qint64 value) {
    return static_cast<int>(std::clamp<qint64>(value, 0, std::numeric_limits<int>::max()));
}

}  // namespace

void chooseMediaBackend() {
    if (!qEnvironmentVariableIsSet("QT_MEDIA_BACKEND")) qputenv("QT_MEDIA_BACKEND", "ffmpeg");
}

PlayerRequest parsePlayerAddress(const QString& address) {
    PlayerRequest request;
    const qsizetype question = address.indexOf(u'?');
    if (question < 0) return request;
    const QString query = address.mid(question + 1);

    // soundFile is the first key, as the play command writes it; its value is
    // an address of its own and may hold "&" and "=".
    qsizetype valueBegin = -1;
    if (query.startsWith(kSoundFileKey))
        valueBegin = kSoundFileKey.size();
    else if (const qsizetype at = query.indexOf(u'&' + kSoundFileKey); at >= 0)
        valueBegin = at + 1 + kSoundFileKey.size();
    if (valueBegin < 0) return request;

    // The flags are appended after the sound file, so their last occurrences
    // are the real ones whatever the sound file's own query holds.
    qsizetype valueEnd = query.size();
    for (const QString& key : {kAutostartKey, kLoopKey}) {
        const qsizetype at = query.lastIndexOf(key);
        if (at >= valueBegin) valueEnd = std::min(valueEnd, at);
    }
    request.soundFile = query.mid(valueBegin, valueEnd - valueBegin);
    request.autostart = flagValue(query, kAutostartKey, valueEnd) == u"yes";
    request.loop = flagValue(query, kLoopKey, valueEnd) == u"yes";
    return request;
}

PlayerBox::PlayerBox(QWidget* parent)
    : QWidget(parent),
      network_(new QNetworkAccessManager(this)),
      player_(new QMediaPlayer(this)),
      output_(new QAudioOutput(this)) {
    connect(player_, &QMediaPlayer::mediaStatusChanged, this,
            [this](QMediaPlayer::MediaStatus status) { onMediaStatus(status); });
    buildTransport();
}

PlayerBox::~PlayerBox() {
    // The media player reads from our buffer: detach it before the buffer goes.
    stopAndRelease();
}

void PlayerBox::buildTransport() {
    playButton_ = new QToolButton(this);
    playButton_->setObjectName(QStringLiteral("playPause"));
    playButton_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    positionSlider_ = new QSlider(Qt::Horizontal, this);
    positionSlider_->setObjectName(QStringLiteral("position"));
    timeLabel_ = new QLabel(this);
    timeLabel_->setObjectName(QStringLiteral("time"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 6, 2);
    row->addWidget(playButton_);
    row->addWidget(positionSlider_, 1);
    row->addWidget(timeLabel_);

    connect(playButton_, &QToolButton::clicked, this, &PlayerBox::togglePlaying);
    connect(positionSlider_, &QSlider::sliderMoved, player_, &QMediaPlayer::setPosition);
    connect(player_, &QMediaPlayer::positionChanged, this, &PlayerBox::showPosition);
    connect(player_, &QMediaPlayer::durationChanged, this, &PlayerBox::showPosition);
    connect(player_, &QMediaPlayer::playbackStateChanged, this, [this](QMediaPlayer::PlaybackState state) {
        const bool playing = state == QMediaPlayer::PlayingState;
        playButton_->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    });
    showPosition();
}

void PlayerBox::setAddress(const QString& address) {
    address_ = address;
    stopAndRelease();
    request_ = parsePlayerAddress(address);
    if (!request_.soundFile.isEmpty()) fetchSound(request_.soundFile);
    showPosition();
}

QString PlayerBox::address() const {
    return address_;
}

void PlayerBox::stop() {
    stopAndRelease();
    showPosition();
}

void PlayerBox::stopAndRelease() {
    if (QNetworkReply* reply = std::exchange(reply_, nullptr)) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    player_->stop();
    player_->setSource(QUrl());
    sound_.reset();
}

// The sound is fetched whole before it plays. Qt 6.4's media backend opens a
// network address on the window thread and waits on it without a time limit,
// so a host that accepts and never answers would freeze the window; fetched
// here it arrives in the background and the backend reads it from memory.
void PlayerBox::fetchSound(const QString& soundFile) {
    const QUrl url = webAddress(soundFile);
    if (url.isEmpty()) {
        emit soundFailed();
        return;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(kStallMilliseconds);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    reply_ = network_->get(request);
    connect(reply_, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        if (received > kMaxSoundBytes || total > kMaxSoundBytes) reply_->abort();
    });
    connect(reply_, &QNetworkReply::finished, this, &PlayerBox::onSoundArrived);
}

void PlayerBox::onSoundArrived() {
    QNetworkReply* reply = std::exchange(reply_, nullptr);
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299 ||
        reply->bytesAvailable() > kMaxSoundBytes) {
        showPosition();
        emit soundFailed();
        return;
    }
    sound_ = std::make_unique<QBuffer>();
    sound_->setData(reply->readAll());
    sound_->open(QIODevice::ReadOnly);
    // Qt 6.4's media backend crashes in its render thread when it is given
    // an audio output on a machine without a sound device; without one the
    // song plays unheard.
    player_->setAudioOutput(QMediaDevices::audioOutputs().isEmpty() ? nullptr : output_);
    player_->setSourceDevice(sound_.get());
    if (request_.autostart) player_->play();
    showPosition();
    emit soundReady();
}

void PlayerBox::onMediaStatus(int status) {
    // Looping is done here rather than by the backend, which in Qt 6.4 stops
    // at the end whatever loop count it was given.
    if (status == QMediaPlayer::EndOfMedia && request_.loop && sound_) {
        player_->setPosition(0);
        player_->play();
    }
}

void PlayerBox::togglePlaying() {
    if (!sound_) return;
    if (player_->playbackState() == QMediaPlayer::PlayingState)
        player_->pause();
    else
        player_->play();
}

void PlayerBox::showPosition() {
    const qint64 length = sound_ ? player_->duration() : 0;
    const qint64 position = sound_ ? player_->position() : 0;
    playButton_->setEnabled(sound_ != nullptr);
    positionSlider_->setEnabled(sound_ != nullptr);
    if (!positionSlider_->isSliderDown()) {
        positionSlider_->setRange(0, clampToInt(length));
        positionSlider_->setValue(clampToInt(position));
    }
    timeLabel_->setText(clockText(position) + QStringLiteral(" / ") + clockText(length));
}

}  // namespace vokari
