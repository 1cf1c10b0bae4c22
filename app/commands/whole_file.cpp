#include "app/commands/whole_file.h"

#include <algorithm>

#include <QSaveFile>

#include "net/network_wait.h"

namespace vokari {

namespace {

// Small enough that the window repaints between two pieces well within its
// 50 ms turn even on a slow disk; one write of a 50 MB download held it for
// a fifth of a second.
constexpr qint64 kPieceBytes = 1 << 20;

}  // namespace

bool writeWholeFile(const QString& path, const Bytes& bytes) {
    if (path.isEmpty()) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const auto size = static_cast<qint64>(bytes.size());
    for (qint64 done = 0; done < size;) {
        const qint64 piece = std::min(kPieceBytes, size - done);
        if (file.write(bytes.data() + done, piece) != piece) {
            file.cancelWriting();
            return false;
        }
        done += piece;
        // Repaint only, as during the download. The bytes arrived whole and
        // the user chose where they go, so a closing window does not stop
        // the file half-way.
        (void)networkWaitContinue();
    }
    return file.commit();
}

}  // namespace vokari
