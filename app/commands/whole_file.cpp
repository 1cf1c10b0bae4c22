#include "app/commands/whole_file.h"

#include <chrono>
#include <future>

#include <QSaveFile>

#include "net/network_wait.h"

namespace vokari {

namespace {

// How often the window gets its repaint-only turn while the disk works.
constexpr std::chrono::milliseconds kWindowTurn{20};

bool writeAndCommit(const QString& path, const Bytes& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const auto size = static_cast<qint64>(bytes.size());
    // Written bytes wait in a buffer; a full disk shows only when they go
    // out, and Qt 6.4's commit() would miss that and put the short file in
    // place of the old one. Flushing first lets the failure be seen.
    if (file.write(bytes.data(), size) != size || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    // Flushes, syncs to disk and renames over the old file.
    return file.commit();
}

}  // namespace

bool writeWholeFile(const QString& path, const Bytes& bytes) {
    if (path.isEmpty()) return false;
    // The disk takes its time, the final sync above all (tens of milliseconds
    // for a large file even on a fast disk), and none of it can be cut into
    // pieces. It runs beside the window thread, which keeps repainting, as
    // during the download. The bytes arrived whole and the user chose where
    // they go, so a closing window does not stop the file half-way.
    std::future<bool> written = std::async(std::launch::async, writeAndCommit, std::cref(path), std::cref(bytes));
    while (written.wait_for(kWindowTurn) != std::future_status::ready) (void)networkWaitContinue();
    return written.get();
}

}  // namespace vokari
