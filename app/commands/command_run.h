// One command at a time per window. The window already ignores its events
// while a command runs; this holds for a command called any other way too,
// so no command overwrites the program state under another one.
#pragma once

namespace vokari {

class MainWindow;

class CommandRun {
public:
    // Claims the window unless a command already runs on it or it is closing.
    explicit CommandRun(MainWindow& window);
    ~CommandRun();
    CommandRun(const CommandRun&) = delete;
    CommandRun& operator=(const CommandRun&) = delete;

    bool claimed() const { return claimed_; }

private:
    MainWindow& window_;
    bool claimed_ = false;
};

}  // namespace vokari
