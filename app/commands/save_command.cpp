#include <QStandardPaths>

#include "app/commands/command_run.h"
#include "app/commands/commands.h"
#include "app/commands/message_box.h"
#include "app/commands/safe_file_name.h"
#include "app/commands/save_dialog.h"
#include "app/commands/whole_file.h"
#include "app/commands/work_resolution.h"
#include "app/main_window.h"
#include "app/song_grid.h"
#include "app/qt_text.h"
#include "net/fetch.h"

namespace vokari {

namespace {

const Text kSaved("\xB1\xA3\xB4\xE6\xB3\xC9\xB9\xA6");     // 保存成功
const Text kNotSaved("\xB1\xA3\xB4\xE6\xCA\xA7\xB0\xDC");  // 保存失败

QString desktopFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!folder.endsWith(u'/')) folder += u'/';
    return folder;
}

// The four settings of the dialog. The song name comes from the
// service, so it is made safe before it is proposed.
SaveDialog saveDialogFor(MainWindow& window) {
    SaveDialog dialog;
    dialog.type = SaveDialog::Type::save;
    const SongGrid& grid = *window.grid();
    dialog.fileName = safeSongFileName(toQString(grid.cellText(grid.currentGridRow(), 0)));
    dialog.filter = QStringLiteral("*.mp3");
    dialog.initialFolder = desktopFolder();
    return dialog;
}

// No response leaves the status at 0; an error page is no MP3 either.
bool downloaded(int statusCode) { return statusCode >= 200 && statusCode <= 299; }

}  // namespace

void onSaveRequested(MainWindow& window) {
    CommandRun run(window);
    if (!run.claimed()) return;
    resolveWork(window);
    if (window.closing() || window.grid()->currentGridRow() <= 0) return;

    SaveDialog dialog = saveDialogFor(window);
    if (!dialog.open(&window) || window.closing()) return;

    int statusCode = 0;
    const Bytes mp3 = requestBytes(window.state().mp3Address, {.statusCode = &statusCode});
    // A download cut short by the window closing must not become a file.
    if (window.closing()) return;

    const bool saved = downloaded(statusCode) && writeWholeFile(dialog.fileName, mp3);
    MessageBox::show(saved ? kSaved : kNotSaved);
}

}  // namespace vokari
