#include "app/commands/command_run.h"

#include "app/main_window.h"

namespace vokari {

namespace {
// A dynamic property, so the mark lives and dies with the window itself.
constexpr const char* kRunningMark = "vokariCommandRunning";
}  // namespace

CommandRun::CommandRun(MainWindow& window) : window_(window) {
    if (window_.closing() || window_.property(kRunningMark).toBool()) return;
    window_.setProperty(kRunningMark, true);
    claimed_ = true;
}

CommandRun::~CommandRun() {
    if (claimed_) window_.setProperty(kRunningMark, false);
}

}  // namespace vokari
