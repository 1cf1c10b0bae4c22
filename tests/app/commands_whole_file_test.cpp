#include "app/commands/whole_file.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace vokari {
namespace {

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Large files go out in pieces; every byte must land once and in order, the
// last short piece included, and an older, longer file must not shine through.
TEST(WholeFile, WritesEveryPieceOfALargeFileInPlaceOfTheOldOne) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("song.mp3");
    Bytes bytes((3u << 20) + 5, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 / 7);
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(4 << 20, 'x'));
    }

    ASSERT_TRUE(writeWholeFile(path, bytes));
    EXPECT_EQ(contentsOf(path), QByteArray::fromStdString(bytes));
}

}  // namespace
}  // namespace vokari
