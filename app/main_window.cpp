#include "app/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/commands/commands.h"
#include "app/event_pumps.h"
#include "app/picture_box.h"
#include "app/player_box.h"
#include "app/qt_text.h"
#include "app/song_grid.h"

// The icons are compiled into this static library; their initialiser has to
// be called by name or the linker drops it.
static void initialiseVokariResources() {
    Q_INIT_RESOURCE(vokari);
}

namespace vokari {

namespace {

struct HeaderColumn {
    const char16_t* text;
    int width;
};

// Column 1 holds each song's page address for the play and save commands;
// width 0 keeps it out of sight. Column 5's caption starts with a space.
constexpr HeaderColumn kHeaderColumns[] = {
    {u"歌名", 205}, {u"地址", 0}, {u"收听", 56}, {u"礼物", 56}, {u"转发", 56}, {u" 留言", 56},
};

Bytes resourceBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = file.readAll();
    return Bytes(data.constData(), static_cast<std::size_t>(data.size()));
}

QIcon applicationIcon() {
    QIcon icon;
    for (const int size : {128, 96, 64, 48, 32})
        icon.addFile(QStringLiteral(":/icons/vokari-%1.png").arg(size), QSize(size, size));
    return icon;
}

template <typename Widget>
Widget* place(Widget* widget, const char16_t* layoutName, int left, int top, int width, int height) {
    widget->setObjectName(QString::fromUtf16(layoutName));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QLabel* transparentLabel(QWidget* parent, const char16_t* text) {
    auto* label = new QLabel(QString::fromUtf16(text), parent);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAutoFillBackground(false);
    return label;
}

// Narrow controls keep their sizes; where a caption would be cut short, the
// control gets a smaller font instead, down to a readable floor.
void fitToWidth(QWidget* control) {
    QFont font = control->font();
    for (int pixels = font.pixelSize(); pixels >= 10; --pixels) {
        font.setPixelSize(pixels);
        control->setFont(font);
        if (control->sizeHint().width() <= control->width()) return;
    }
}

}  // namespace

MainWindow::MainWindow(const ServiceHosts& hosts, QWidget* parent)
    : QWidget(parent),
      hosts_(hosts),
      commands_{onQueryClicked, playSelectedWork, onSaveRequested},
      pumps_(std::make_unique<EventPumps>([this] { return closing_; })) {
    initialiseVokariResources();
    setWindowTitle(QStringLiteral("Vokari小工具"));
    setWindowIcon(applicationIcon());
    // The controls sit at fixed pixels; the window neither grows nor shrinks.
    setFixedSize(kClientWidth, kClientHeight);
    move(50, 50);
    // The control sizes were laid out for a 12-pixel font; the desktop's
    // default is often larger and would cut the captions short.
    QFont small = font();
    small.setPixelSize(12);
    setFont(small);
    createControls();
    bindEvents();
    onWindowCreated();
}

MainWindow::~MainWindow() = default;

// In the order of the window's form. The save dialog is not a child here: the
// save command opens it only while it asks for a file name.
void MainWindow::createControls() {
    hintLabel_ = place(transparentLabel(this, u"双击播放；选择后右击可下载"), u"透明标签5", 210, 135, 168, 20);
    playModeBox_ = place(new QComboBox(this), u"组合框1", 384, 135, 72, 20);
    playModeBox_->addItems({QStringLiteral("单次播放"), QStringLiteral("单曲循环")});
    playModeBox_->setCurrentIndex(0);
    fitToWidth(playModeBox_);
    numberLabel_ = place(transparentLabel(this, u"Vokari主页号："), u"透明标签4", 8, 135, 65, 20);
    fitToWidth(numberLabel_);
    player_ = place(new PlayerBox(this), u"超文本浏览框1", 8, 436, 448, 43);
    player_->setAddress(toQString("http://" + hosts_.player + "/play/swf/03.swf"));
    grid_ = place(new SongGrid(this), u"高级表格1", 8, 162, 448, 268);
    queryButton_ = place(new QPushButton(QStringLiteral("查询"), this), u"查询", 154, 135, 48, 20);
    numberEdit_ = place(new QLineEdit(this), u"编辑框2", 78, 136, 72, 20);
    fansLabel_ = place(transparentLabel(this, u"粉丝"), u"透明标签3", 376, 102, 80, 24);
    followsLabel_ = place(transparentLabel(this, u"关注"), u"透明标签2", 260, 102, 80, 24);
    worksLabel_ = place(transparentLabel(this, u"作品"), u"透明标签1", 145, 102, 80, 24);
    fansIcon_ = place(new PictureBox(this), u"粉丝图", 376, 14, 80, 80);
    followsIcon_ = place(new PictureBox(this), u"关注图", 260, 14, 80, 80);
    worksIcon_ = place(new PictureBox(this), u"作品图", 145, 14, 80, 80);
    memberPicture_ = place(new PictureBox(this), u"图片框1", 8, 8, 128, 120);
    // Each count sits centred under its icon.
    for (QLabel* count : {worksLabel_, followsLabel_, fansLabel_}) count->setAlignment(Qt::AlignCenter);
}

void MainWindow::bindEvents() {
    connect(queryButton_, &QPushButton::clicked, this, [this] { runCommand(commands_.query); });
    connect(grid_, &SongGrid::songDoubleClicked, this, [this] { runCommand(commands_.play); });
    connect(playModeBox_, &QComboBox::activated, this, [this] { runCommand(commands_.play); });
    connect(grid_, &SongGrid::rightButtonPressed, this, [this] { runCommand(commands_.save); });
}

void MainWindow::onWindowCreated() {
    worksIcon_->showPictureBytes(resourceBytes(QStringLiteral(":/icons/works.png")));
    followsIcon_->showPictureBytes(resourceBytes(QStringLiteral(":/icons/follows.png")));
    fansIcon_->showPictureBytes(resourceBytes(QStringLiteral(":/icons/fans.png")));
    for (int column = 0; column < static_cast<int>(std::size(kHeaderColumns)); ++column) {
        grid_->setCellText(0, column, toText(QString::fromUtf16(kHeaderColumns[column].text)));
        grid_->setColumnWidth(column, kHeaderColumns[column].width);
    }
}

void MainWindow::setCaption(const Text& gbk) {
    setWindowTitle(toQString(gbk));
}

Text MainWindow::caption() const {
    return toText(windowTitle());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A command may still be running below this event: it sees closing() at
    // its next step, its waits and transfers end early, and the program ends
    // once it has unwound. Nothing is asked or saved.
    closing_ = true;
    player_->stop();
    event->accept();
}

void MainWindow::runCommand(const std::function<void(MainWindow&)>& command) {
    // A command yields to window events while it fetches and waits; a click
    // that arrives then must not start a second command over the same state.
    if (commandRunning_ || closing_ || !command) return;
    commandRunning_ = true;
    const auto copy = command;  // the running command stays whole even if the set is swapped
    copy(*this);
    commandRunning_ = false;
}

}  // namespace vokari
