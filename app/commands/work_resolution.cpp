#include "app/commands/work_resolution.h"

#include "app/commands/command_run.h"
#include "app/commands/commands.h"
#include "app/commands/page_reading.h"
#include "app/commands/service_addresses.h"
#include "app/main_window.h"
#include "app/song_grid.h"
#include "net/fetch.h"

namespace vokari {

void resolveWork(MainWindow& window) {
    const int row = window.grid()->currentGridRow();
    if (row < 1) return;
    const Text songPageAddress = window.grid()->cellText(row, 1);
    Text workPage = fetchText(songPageAddress);
    if (window.closing()) return;

    ProgramState& state = window.state();
    state.workPage = std::move(workPage);
    readSongPage(state, window.hosts());
}

void resolveSelectedWork(MainWindow& window) {
    CommandRun run(window);
    if (run.claimed()) resolveWork(window);
}

}  // namespace vokari
