#include <QComboBox>

#include "app/commands/command_run.h"
#include "app/commands/commands.h"
#include "app/commands/service_addresses.h"
#include "app/commands/work_resolution.h"
#include "app/main_window.h"
#include "app/player_box.h"
#include "app/qt_text.h"
#include "app/song_grid.h"

namespace vokari {

namespace {

// What the song page's title carries after the song's own title.
const Text kTitleSuffix(" Vokari,\xD2\xF4\xB7\xFB\xCB\xE6\xD0\xC4\xB7\xC9");  // " Vokari,音符随心飞"

constexpr int kPlayOnce = 0;
constexpr int kPlayInLoop = 1;

}  // namespace

void playSelectedWork(MainWindow& window) {
    CommandRun run(window);
    if (!run.claimed()) return;
    if (window.grid()->currentGridRow() <= 0) return;
    resolveWork(window);
    if (window.closing()) return;

    const ProgramState& state = window.state();
    // Set even when empty: a page without the title shows an empty caption.
    window.setCaption(textBetween(state.workPage, "<title>", kTitleSuffix));
    // Any other index (no item selected) leaves the player as it is.
    if (window.playModeBox()->currentIndex() == kPlayOnce) {
        window.player()->setAddress(toQString(playerAddress(window.hosts(), state.mp3Address, false)));
    }
    if (window.playModeBox()->currentIndex() == kPlayInLoop) {
        window.player()->setAddress(toQString(playerAddress(window.hosts(), state.mp3Address, true)));
    }
}

}  // namespace vokari
