#include "app/commands/whole_file.h"

#include <QSaveFile>

namespace vokari {

bool writeWholeFile(const QString& path, const Bytes& bytes) {
    if (path.isEmpty()) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const auto size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace vokari
