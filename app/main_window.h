// The program's one window: fifteen controls at fixed places, the shared
// ProgramState, and the binding of each window event to its command.
#pragma once

#include <functional>
#include <memory>

#include <QWidget>

#include "app/program_state.h"
#include "app/service_hosts.h"
#include "text/text.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vokari {

class EventPumps;
class PictureBox;
class PlayerBox;
class SongGrid;

class MainWindow;

// What the window's events run. The window starts with the real commands;
// tests swap in their own to watch the window's side of things alone.
struct WindowCommands {
    std::function<void(MainWindow&)> query;  // 查询 clicked
    std::function<void(MainWindow&)> play;   // grid double-clicked, play mode picked
    std::function<void(MainWindow&)> save;   // right button pressed on the grid
};

class MainWindow : public QWidget {
    Q_OBJECT
public:
    // The fixed client area; every control lies inside it.
    static constexpr int kClientWidth = 464;
    static constexpr int kClientHeight = 487;

    explicit MainWindow(const ServiceHosts& hosts, QWidget* parent = nullptr);
    ~MainWindow() override;

    ProgramState& state() { return state_; }
    const ServiceHosts& hosts() const { return hosts_; }

    QLineEdit* numberEdit() const { return numberEdit_; }        // 编辑框2
    QPushButton* queryButton() const { return queryButton_; }    // 查询
    QComboBox* playModeBox() const { return playModeBox_; }      // 组合框1
    QLabel* worksLabel() const { return worksLabel_; }           // 透明标签1
    QLabel* followsLabel() const { return followsLabel_; }       // 透明标签2
    QLabel* fansLabel() const { return fansLabel_; }             // 透明标签3
    QLabel* hintLabel() const { return hintLabel_; }             // 透明标签5
    QLabel* numberLabel() const { return numberLabel_; }         // 透明标签4
    PictureBox* memberPicture() const { return memberPicture_; } // 图片框1
    PictureBox* worksIcon() const { return worksIcon_; }         // 作品图
    PictureBox* followsIcon() const { return followsIcon_; }     // 关注图
    PictureBox* fansIcon() const { return fansIcon_; }           // 粉丝图
    SongGrid* grid() const { return grid_; }                     // 高级表格1
    PlayerBox* player() const { return player_; }                // 超文本浏览框1

    void setCaption(const Text& gbk);
    Text caption() const;

    // True once the user closed the window; a running command stops at its
    // next step.
    bool closing() const { return closing_; }
    // True while a command runs; other command events are ignored meanwhile.
    bool commandRunning() const { return commandRunning_; }
    void setCommands(WindowCommands commands) { commands_ = std::move(commands); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void bindEvents();
    void onWindowCreated();
    // Runs a command unless one is already running or the window is closing.
    void runCommand(const std::function<void(MainWindow&)>& command);

    ServiceHosts hosts_;
    ProgramState state_;
    WindowCommands commands_;
    std::unique_ptr<EventPumps> pumps_;
    bool closing_ = false;
    bool commandRunning_ = false;

    QLineEdit* numberEdit_ = nullptr;
    QPushButton* queryButton_ = nullptr;
    QComboBox* playModeBox_ = nullptr;
    QLabel* worksLabel_ = nullptr;
    QLabel* followsLabel_ = nullptr;
    QLabel* fansLabel_ = nullptr;
    QLabel* hintLabel_ = nullptr;
    QLabel* numberLabel_ = nullptr;
    PictureBox* memberPicture_ = nullptr;
    PictureBox* worksIcon_ = nullptr;
    PictureBox* followsIcon_ = nullptr;
    PictureBox* fansIcon_ = nullptr;
    SongGrid* grid_ = nullptr;
    PlayerBox* player_ = nullptr;
};

}  // namespace vokari
